#pragma once
#include <string>

namespace velmor {

// The plain information box (no icon, one OK button); returns when closed.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace velmor
