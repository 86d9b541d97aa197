#include "merged_text_view.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>

#include "line_window.h"
#include "selection_text.h"
#include "text_lines.h"

using velmor::ByteCount;
using velmor::LineCount;
using velmor::LineWindow;
using velmor::LineNumber;
using velmor::TextPosition;

namespace {

// Room left of the text and right of the widest line, as an edit control keeps.
constexpr int kMargin = 2;

bool isOwnShortcut(QKeyEvent* event)
{
    return event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll);
}

}  // namespace

MergedTextView::MergedTextView(QWidget* parent) : QAbstractScrollArea(parent)
{
    // The merged text sits on the button face, not on the usual window colour.
    QPalette colours = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colours.setColor(group, QPalette::Base, colours.color(group, QPalette::Button));
    setPalette(colours);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    viewport()->setCursor(Qt::IBeamCursor);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    updateScrollBars();
}

MergedTextView::~MergedTextView()
{
    // The source may live on (the shell's store does): it must not call back
    // into a view that is gone.
    if (source_) source_->setChangeListener([] {});
}

void MergedTextView::setSource(velmor::MergedTextSource* source)
{
    if (source_) source_->setChangeListener([] {});
    source_ = source;
    anchor_ = cursor_ = TextPosition{};
    topLine_ = 0;
    scrollX_ = 0;
    knownSize_ = source_ ? source_->size() : 0;
    widestPainted_ = 0;
    if (source_) source_->setChangeListener([this] { followSource(); });
    refresh();
}

// Runs inside every Clear and Append, while a merge run holds the GUI
// thread: only cheap bookkeeping here. The scroll bars and the painting wait
// for the event loop, so the run's immediate repaints of the status bar find
// nothing of the view to paint, and a burst of changes costs one update.
void MergedTextView::followSource()
{
    const ByteCount size = source_ ? source_->size() : 0;
    // Appending leaves every position valid; only a shrunk text moves them.
    if (size < knownSize_) {
        widestPainted_ = 0;
        anchor_ = clamped(anchor_);
        cursor_ = clamped(cursor_);
    }
    knownSize_ = size;
    if (refreshPending_) return;
    refreshPending_ = true;
    QMetaObject::invokeMethod(this, &MergedTextView::refresh, Qt::QueuedConnection);
}

void MergedTextView::refresh()
{
    refreshPending_ = false;
    updateScrollBars();
    viewport()->update();
}

TextPosition MergedTextView::clamped(TextPosition position) const
{
    if (!source_) return {};
    const TextPosition end = velmor::endOf(*source_);
    if (end < position) return end;
    position.column = std::min(position.column, velmor::lineLength(*source_, position.line));
    return position;
}

LineCount MergedTextView::shownLines() const
{
    return source_ ? velmor::shownLines(*source_) : 1;
}

LineWindow MergedTextView::lineWindow(LineNumber line) const
{
    return LineWindow::ofLine(source_, line, font(), viewport());
}

ByteCount MergedTextView::lengthOf(LineNumber line) const
{
    return source_ ? velmor::lineLength(*source_, line) : 0;
}

int MergedTextView::lineHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

int MergedTextView::rowsPerPage() const
{
    return std::max(1, viewport()->height() / lineHeight());
}

// The longest line's length in average characters is where its last chunk
// begins, plus that chunk's estimate: found wider when painted, a line widens
// the range so nothing is cut off. No line is laid out for it.
double MergedTextView::contentWidth() const
{
    const ByteCount longest = source_ ? source_->longestLine() : 0;
    const double perByte = LineWindow::slotWidth(font(), viewport()) / double(velmor::LineChunks::kChunkBytes);
    const double estimate = std::ceil(double(longest) * perByte);
    return std::max(estimate, std::ceil(widestPainted_)) + 2 * kMargin + 1;
}

void MergedTextView::updateScrollBars()
{
    const LineCount rows = LineCount(rowsPerPage());
    const LineCount lines = shownLines();
    maxTopLine_ = lines > rows ? lines - rows : 0;
    barScale_ = maxTopLine_ / INT_MAX + 1;
    topLine_ = std::min(topLine_, maxTopLine_);
    const int visibleWidth = viewport()->width();
    maxScrollX_ = std::max(0.0, contentWidth() - visibleWidth);
    xBarScale_ = std::floor(maxScrollX_ / INT_MAX) + 1;
    scrollX_ = std::min(scrollX_, maxScrollX_);

    syncingBar_ = true;
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, int((maxTopLine_ + barScale_ - 1) / barScale_));
    vertical->setPageStep(int(std::max<LineCount>(1, rows / barScale_)));
    vertical->setSingleStep(1);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, int(std::ceil(maxScrollX_ / xBarScale_)));
    horizontal->setPageStep(std::max(1, int(visibleWidth / xBarScale_)));
    horizontal->setSingleStep(std::max(1, int(fontMetrics().averageCharWidth() * 2 / xBarScale_)));
    syncingBar_ = false;
    syncScrollBarValues();
}

// The bars show where the view stands; they only decide it when the user
// moves them (scrollContentsBy).
void MergedTextView::syncScrollBarValues()
{
    syncingBar_ = true;
    verticalScrollBar()->setValue(int((topLine_ + barScale_ - 1) / barScale_));
    horizontalScrollBar()->setValue(int(std::ceil(scrollX_ / xBarScale_)));
    syncingBar_ = false;
}

void MergedTextView::scrollToLine(LineNumber top)
{
    topLine_ = std::min(top, maxTopLine_);
    syncScrollBarValues();
    viewport()->update();
}

void MergedTextView::scrollToX(double x)
{
    scrollX_ = std::clamp(std::round(x), 0.0, maxScrollX_);
    syncScrollBarValues();
    viewport()->update();
}

void MergedTextView::scrollContentsBy(int dx, int dy)
{
    if (!syncingBar_ && dy)
        topLine_ = std::min(LineNumber(verticalScrollBar()->value()) * barScale_, maxTopLine_);
    if (!syncingBar_ && dx)
        scrollX_ = std::min(double(horizontalScrollBar()->value()) * xBarScale_, maxScrollX_);
    viewport()->update();
}

void MergedTextView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void MergedTextView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        widestPainted_ = 0;
        updateScrollBars();
        viewport()->update();
    }
}

bool MergedTextView::widenTo(qreal lineWidth)
{
    if (lineWidth <= widestPainted_) return false;
    widestPainted_ = lineWidth;
    return true;
}

void MergedTextView::paintEvent(QPaintEvent* event)
{
    if (!source_) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const int height = lineHeight();
    const QRect area = event->rect();
    const LineNumber first = topLine_ + LineNumber(std::max(0, area.top()) / height);
    const LineNumber end = std::min(shownLines(), topLine_ + LineNumber(std::max(0, area.bottom()) / height) + 1);
    const double left = scrollX_ - kMargin + area.left();
    const double right = scrollX_ - kMargin + area.right() + 1;
    const LineCount textLines = source_->lineCount();
    bool widened = false;
    // One walk along the line index: each line's end is the next one's start.
    ByteCount start = first < end ? source_->lineStart(first) : 0;
    for (LineNumber number = first; number < end; ++number) {
        const bool last = number == textLines;
        const ByteCount next = last ? start : velmor::nextLineStart(*source_, number, start);
        const LineWindow line(velmor::LineChunks(source_, start, next >= start + 2 ? next - 2 - start : 0), font(),
                              viewport());
        paintLine(painter, line, number, QPointF(kMargin - scrollX_, double(number - topLine_) * height), left, right);
        widened = widenTo(line.width()) || widened;
        start = next;
    }
    // The scroll bars must not change while painting is under way.
    if (widened && contentWidth() > maxScrollX_ + viewport()->width())
        QMetaObject::invokeMethod(this, &MergedTextView::updateScrollBars, Qt::QueuedConnection);
}

// `origin` is where the line's x 0 lies on the viewport; [left, right] is
// the stretch of the line's x that needs painting.
void MergedTextView::paintLine(QPainter& painter, const LineWindow& line, LineNumber number, QPointF origin,
                               double left, double right) const
{
    const auto [from, to] = selection();
    if (isSelectionShown() && from.line <= number && number <= to.line)
        paintSelected(painter, line, number, origin, left, right);
    else
        line.draw(painter, origin, left, right);
    if (hasFocus() && number == cursor_.line) {
        const double x = origin.x() + line.xOf(cursor_.column);
        if (x >= -1 && x <= viewport()->width())
            painter.fillRect(QRectF(x, origin.y(), 1, lineHeight()), palette().brush(QPalette::Text));
    }
}

// The selected stretch of the line on the highlight, its glyphs in the
// highlighted text colour; the rest as usual.
void MergedTextView::paintSelected(QPainter& painter, const LineWindow& line, LineNumber number, QPointF origin,
                                   double left, double right) const
{
    const auto [from, to] = selection();
    double begin = origin.x() + (number == from.line ? line.xOf(from.column) : 0);
    double end = origin.x() + (number == to.line ? line.xOf(to.column) : line.width());
    // A selected line break shows as a space's width past the line's end.
    if (number < to.line) end += fontMetrics().horizontalAdvance(QLatin1Char(' '));
    // Cut to the viewport first: the ends may lie gigabytes away.
    const double width = viewport()->width();
    begin = std::clamp(begin, -1.0, width + 1);
    end = std::clamp(end, -1.0, width + 1);
    const int top = int(origin.y());
    const QRect band(QPoint(int(std::lround(begin)), top), QPoint(int(std::lround(end)) - 1, top + lineHeight() - 1));
    const QRect row(0, top, int(width), lineHeight());
    painter.fillRect(band, palette().brush(QPalette::Highlight));
    painter.save();
    painter.setClipRegion(QRegion(row).subtracted(QRegion(band)));
    line.draw(painter, origin, left, right);
    painter.restore();
    painter.save();
    painter.setClipRect(band);
    painter.setPen(palette().color(QPalette::HighlightedText));
    line.draw(painter, origin, left, right);
    painter.restore();
}

TextPosition MergedTextView::positionAt(const QPoint& point) const
{
    const long long row = point.y() >= 0 ? point.y() / lineHeight() : -1;
    LineNumber number = 0;
    if (row >= 0 || LineNumber(-row) <= topLine_) number = topLine_ + LineNumber(row);
    number = std::min(number, shownLines() - 1);
    return {number, lineWindow(number).columnAt(point.x() - kMargin + scrollX_)};
}

QPoint MergedTextView::pointAt(TextPosition position) const
{
    const double x = lineWindow(position.line).xOf(position.column) + kMargin - scrollX_;
    const double row = double(position.line) - double(topLine_);
    const double y = row * lineHeight() + lineHeight() / 2;
    constexpr double limit = INT_MAX / 2;
    return QPoint(int(std::clamp(std::round(x), -limit, limit)), int(std::clamp(y, -limit, limit)));
}

std::pair<TextPosition, TextPosition> MergedTextView::selection() const
{
    return cursor_ < anchor_ ? std::make_pair(cursor_, anchor_) : std::make_pair(anchor_, cursor_);
}

bool MergedTextView::isSelectionShown() const
{
    return hasFocus() && anchor_ != cursor_;
}

std::string MergedTextView::selectedBytes() const
{
    if (!source_) return {};
    const auto [from, to] = selection();
    return velmor::selectedBytes(*source_, from, to);
}

void MergedTextView::selectAll()
{
    if (!source_) return;
    anchor_ = TextPosition{};
    cursor_ = velmor::endOf(*source_);
    viewport()->update();
}

bool MergedTextView::copy()
{
    const auto [from, to] = selection();
    if (!source_ || from == to) return false;
    const ByteCount size = velmor::offsetOf(*source_, to) - velmor::offsetOf(*source_, from);
    if (size > kCopyLimit) {
        QApplication::beep();
        return false;
    }
    // Copying runs in an event handler: running out of memory or a failed
    // read must not escape into the event loop.
    try {
        QGuiApplication::clipboard()->setText(velmor::selectedText(*source_, from, to));
    } catch (const std::exception&) {
        QApplication::beep();
        return false;
    }
    return true;
}

void MergedTextView::placeCursor(TextPosition position, bool select)
{
    cursor_ = position;
    if (!select) anchor_ = position;
    viewport()->update();
}

TextPosition MergedTextView::moved(Motion motion) const
{
    const LineWindow line = lineWindow(cursor_.line);
    const LineCount lines = shownLines();
    const LineNumber page = LineNumber(rowsPerPage());
    const auto onLine = [&](LineNumber number) {
        return TextPosition{number, lineWindow(number).columnAt(goalX_ >= 0 ? goalX_ : line.xOf(cursor_.column))};
    };
    switch (motion) {
    case Motion::Left:
        if (cursor_.column > 0) return {cursor_.line, line.previousColumn(cursor_.column)};
        if (cursor_.line == 0) return cursor_;
        return {cursor_.line - 1, lengthOf(cursor_.line - 1)};
    case Motion::Right:
        if (cursor_.column < line.length()) return {cursor_.line, line.nextColumn(cursor_.column)};
        return cursor_.line + 1 < lines ? TextPosition{cursor_.line + 1, 0} : cursor_;
    case Motion::Up: return cursor_.line == 0 ? TextPosition{} : onLine(cursor_.line - 1);
    case Motion::Down: return cursor_.line + 1 < lines ? onLine(cursor_.line + 1) : TextPosition{cursor_.line, line.length()};
    case Motion::PageUp: return onLine(cursor_.line > page ? cursor_.line - page : 0);
    case Motion::PageDown: return onLine(std::min(cursor_.line + page, lines - 1));
    case Motion::LineStart: return {cursor_.line, 0};
    case Motion::LineEnd: return {cursor_.line, line.length()};
    case Motion::TextStart: return {};
    case Motion::TextEnd: return {lines - 1, lengthOf(lines - 1)};
    }
    return cursor_;
}

void MergedTextView::move(Motion motion, bool select)
{
    const bool vertical = motion == Motion::Up || motion == Motion::Down || motion == Motion::PageUp ||
                          motion == Motion::PageDown;
    if (vertical && goalX_ < 0) goalX_ = lineWindow(cursor_.line).xOf(cursor_.column);
    const TextPosition target = moved(motion);
    if (!vertical) goalX_ = -1;
    // A page key moves the text by a page as well as the cursor.
    const LineNumber page = LineNumber(rowsPerPage());
    if (motion == Motion::PageDown) scrollToLine(topLine_ + page);
    if (motion == Motion::PageUp) scrollToLine(topLine_ > page ? topLine_ - page : 0);
    placeCursor(target, select);
    ensureCursorVisible();
}

void MergedTextView::ensureCursorVisible()
{
    const LineNumber rows = LineNumber(rowsPerPage());
    if (cursor_.line < topLine_)
        scrollToLine(cursor_.line);
    else if (cursor_.line >= topLine_ + rows)
        scrollToLine(cursor_.line - rows + 1);

    const LineWindow line = lineWindow(cursor_.line);
    widenTo(line.width());
    // Widened now or by a paint whose update of the bars is still to come.
    if (contentWidth() > maxScrollX_ + viewport()->width()) updateScrollBars();
    const double x = std::round(line.xOf(cursor_.column));
    const double room = std::max(0, viewport()->width() - 2 * kMargin - 1);
    if (x < scrollX_)
        scrollToX(x);
    else if (x > scrollX_ + room)
        scrollToX(x - room);
}

bool MergedTextView::event(QEvent* event)
{
    // Copy and select all belong to the view while it has the focus, even
    // when a window around it binds the same keys.
    if (event->type() == QEvent::ShortcutOverride && isOwnShortcut(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void MergedTextView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    // The platform's own key bindings, so Shift extends the selection
    // wherever the desktop says it does.
    struct KeyMotion {
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey select;
        Motion motion;
    };
    static constexpr KeyMotion keyMotions[] = {
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Motion::Left},
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Motion::Right},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Motion::Up},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Motion::Down},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Motion::PageUp},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Motion::PageDown},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Motion::LineStart},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Motion::LineEnd},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Motion::TextStart},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Motion::TextEnd},
    };
    for (const KeyMotion& key : keyMotions) {
        const bool select = event->matches(key.select);
        if (select || event->matches(key.move)) {
            move(key.motion, select);
            return;
        }
    }
    // The view is read-only: typing, deleting and pasting change nothing.
    event->ignore();
}

void MergedTextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    goalX_ = -1;
    placeCursor(positionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void MergedTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) return;
    placeCursor(positionAt(event->position().toPoint()), true);
    ensureCursorVisible();
}

void MergedTextView::mouseReleaseEvent(QMouseEvent* event)
{
    // Ends a drag; the selection stays as the drag left it.
    if (event->button() != Qt::LeftButton) QAbstractScrollArea::mouseReleaseEvent(event);
}

void MergedTextView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void MergedTextView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}
