#pragma once
// The two right-aligned text panels of the source list's status bar: panel 0
// of a fixed width, panel 1 taking the rest of the bar.
#include "status_panels.h"

class QLabel;
class QStatusBar;

class StatusBarPanels final : public velmor::StatusPanels {
public:
    // Adds the two panels to `bar`.
    explicit StatusBarPanels(QStatusBar& bar);

    void SetText(Panel panel, const std::string& text) override;
    void Refresh() override;

    QLabel* panel(Panel panel) const { return panel == ItemCount ? itemCount_ : progress_; }

private:
    QStatusBar& bar_;
    QLabel* itemCount_ = nullptr;
    QLabel* progress_ = nullptr;
};
