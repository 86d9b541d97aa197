#pragma once
// What a file dialog component keeps between openings: the stored filter,
// the default extension, the 1-based filter index and the file name.
#include <string>

#include "file_dialog_runner.h"

struct FileDialogSettings {
    std::string filter;      // "description|patterns|..."
    std::string defaultExt;  // without the dot
    int filterIndex = 0;     // 1-based; one past the list selects the first entry
    std::string fileName;    // bytes; handed to the dialog as its initial file

    FileDialogRequest request(FileDialogRequest::Kind kind) const;
    // After a confirmed choice the filter index is the one the dialog used.
    void takeFilterIndex(const FileDialogAnswer& answer);
};
