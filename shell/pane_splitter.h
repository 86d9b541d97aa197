#pragma once
// The divider between the two panes. A drag shows a line only and moves the
// divider on release (Esc cancels it); the right pane keeps at least
// `minRight` pixels, and a left pane dragged to `snap` pixels or less
// collapses to nothing. QSplitter's own snapping only collapses panes of 40
// pixels and more, so the drag is handled here.
#include <QSplitter>

class PaneSplitter final : public QSplitter {
    Q_OBJECT
public:
    static constexpr int snap = 30;
    static constexpr int minRight = 30;

    explicit PaneSplitter(QWidget* parent = nullptr);

    // The left width a drag to `wanted` ends with.
    int legalLeftWidth(int wanted) const;
    void setLeftWidth(int width);
    void showDragLine(int leftWidth) { setRubberBand(leftWidth); }
    void hideDragLine() { setRubberBand(-1); }

protected:
    QSplitterHandle* createHandle() override;
};
