#pragma once
// The read-only view of the merged text. It paints straight from the store's
// bytes through its line index and never builds a document of the whole
// text, nor lays out a whole line, so showing a merged text of gigabytes, or
// a line of gigabytes, takes as long as showing a screenful.
#include <QAbstractScrollArea>

#include <string>
#include <string_view>
#include <utility>

#include "merged_text_source.h"
#include "text_position.h"

namespace velmor {
class LineWindow;
}

class MergedTextView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // A copy larger than this is refused: the clipboard holds the text
    // decoded to UTF-16, twice its size, and a desktop's clipboard is no
    // place for gigabytes.
    static constexpr velmor::ByteCount kCopyLimit = 64 * 1024 * 1024;

    explicit MergedTextView(QWidget* parent = nullptr);
    ~MergedTextView() override;

    // The text to show; the view follows its changes from then on. The source
    // must outlive the view, or be replaced (by nullptr) before it goes.
    void setSource(velmor::MergedTextSource* source);

    velmor::LineNumber firstVisibleLine() const { return topLine_; }
    // The text position under a point of the viewport, clamped to the text.
    velmor::TextPosition positionAt(const QPoint& point) const;
    // The viewport point in the middle of the row at `position`.
    QPoint pointAt(velmor::TextPosition position) const;
    velmor::TextPosition cursorPosition() const { return cursor_; }
    // The stored bytes of the selection, CR LF pairs included.
    std::string selectedBytes() const;
    // Whether a selection is painted: only while the view has the focus.
    bool isSelectionShown() const;

public slots:
    // Selects the whole text without reading any of it.
    void selectAll();
    // Puts the selection on the clipboard; false when there is none or it is
    // larger than kCopyLimit.
    bool copy();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class Motion { Left, Right, Up, Down, PageUp, PageDown, LineStart, LineEnd, TextStart, TextEnd };

    void followSource();
    void refresh();
    void updateScrollBars();
    void syncScrollBarValues();
    void scrollToLine(velmor::LineNumber top);
    void scrollToX(double x);
    void ensureCursorVisible();
    void move(Motion motion, bool select);
    velmor::TextPosition moved(Motion motion) const;
    velmor::TextPosition clamped(velmor::TextPosition position) const;
    void placeCursor(velmor::TextPosition position, bool select);
    std::pair<velmor::TextPosition, velmor::TextPosition> selection() const;
    void paintLine(QPainter& painter, const velmor::LineWindow& line, velmor::LineNumber number,
                   QPointF origin, double left, double right) const;
    void paintSelected(QPainter& painter, const velmor::LineWindow& line, velmor::LineNumber number,
                       QPointF origin, double left, double right) const;
    bool widenTo(qreal lineWidth);

    velmor::LineCount shownLines() const;
    velmor::LineWindow lineWindow(velmor::LineNumber line) const;
    velmor::ByteCount lengthOf(velmor::LineNumber line) const;
    int lineHeight() const;
    int rowsPerPage() const;
    double contentWidth() const;

    velmor::MergedTextSource* source_ = nullptr;
    velmor::ByteCount knownSize_ = 0;
    velmor::TextPosition anchor_;
    velmor::TextPosition cursor_;
    double goalX_ = -1;  // the x that up and down keep to; -1 for none
    velmor::LineNumber topLine_ = 0;
    velmor::LineNumber maxTopLine_ = 0;
    // Lines per step of the vertical scroll bar, whose range is an int.
    velmor::LineCount barScale_ = 1;
    // The text's x at the viewport's left edge, in pixels, and the pixels
    // per step of the horizontal scroll bar: a line of gigabytes is wider
    // than an int counts.
    double scrollX_ = 0;
    double maxScrollX_ = 0;
    double xBarScale_ = 1;
    bool syncingBar_ = false;
    bool refreshPending_ = false;
    qreal widestPainted_ = 0;
};
