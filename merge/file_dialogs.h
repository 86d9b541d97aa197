#pragma once
// The file dialogs as the commands see them. Filter, default extension and
// the file name and filter index carried between openings are the dialogs'
// own business.
#include <string>
#include <vector>

namespace velmor {

class OpenDialog {
public:
    virtual ~OpenDialog() = default;
    // True when the user confirmed a choice; false on cancel or failure.
    virtual bool Execute() = 0;
    // One full path per picked file, in the order the dialog reported them.
    virtual std::vector<std::string> Files() const = 0;
};

class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    virtual bool Execute() = 0;
    // The chosen target's full path after a confirmed choice.
    virtual std::string FileName() const = 0;
    virtual void SetFileName(const std::string& path) = 0;
};

}  // namespace velmor
