#pragma once
// The two panels under the source list: panel 0 holds the item count text,
// panel 1 the progress text.
#include <string>

namespace velmor {

class StatusPanels {
public:
    enum Panel { ItemCount = 0, Progress = 1 };

    virtual ~StatusPanels() = default;
    virtual void SetText(Panel panel, const std::string& text) = 0;
    // Paints the status bar now, without running the event loop, so a long
    // merge shows its progress while it keeps the GUI thread.
    virtual void Refresh() = 0;
};

}  // namespace velmor
