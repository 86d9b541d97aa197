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

#include "line_layout.h"
#include "selection_text.h"
#include "text_lines.h"

using velmor::ByteCount;
using velmor::LineCount;
using velmor::LineLayout;
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
    knownSize_ = 0;
    widestPainted_ = 0;
    if (source_) source_->setChangeListener([this] { followSource(); });
    followSource();
}

// Runs inside every Clear and Append, while a merge run holds the GUI
// thread: only cheap bookkeeping here, the painting comes later.
void MergedTextView::followSource()
{
    const ByteCount size = source_ ? source_->size() : 0;
    if (size < knownSize_) widestPainted_ = 0;  // the text was emptied
    knownSize_ = size;
    anchor_ = clamped(anchor_);
    cursor_ = clamped(cursor_);
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

std::string_view MergedTextView::lineBytes(LineNumber line) const
{
    return source_ ? velmor::lineBytes(*source_, line) : std::string_view();
}

int MergedTextView::lineHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

int MergedTextView::rowsPerPage() const
{
    return std::max(1, viewport()->height() / lineHeight());
}

int MergedTextView::scrollX() const
{
    return horizontalScrollBar()->value();
}

// The longest line times the average character width is only an estimate;
// a line found wider when painted widens the range so nothing is cut off.
int MergedTextView::contentWidth() const
{
    const ByteCount longest = source_ ? source_->longestLine() : 0;
    const double estimate = double(longest) * fontMetrics().averageCharWidth();
    const double width = std::max(estimate, std::ceil(widestPainted_)) + 2 * kMargin + 1;
    return int(std::min(width, double(INT_MAX / 2)));
}

void MergedTextView::updateScrollBars()
{
    const LineCount rows = LineCount(rowsPerPage());
    const LineCount lines = shownLines();
    maxTopLine_ = lines > rows ? lines - rows : 0;
    barScale_ = maxTopLine_ / INT_MAX + 1;
    topLine_ = std::min(topLine_, maxTopLine_);

    QScrollBar* vertical = verticalScrollBar();
    syncingBar_ = true;
    vertical->setRange(0, int((maxTopLine_ + barScale_ - 1) / barScale_));
    vertical->setPageStep(int(std::max<LineCount>(1, rows / barScale_)));
    vertical->setSingleStep(1);
    vertical->setValue(int((topLine_ + barScale_ - 1) / barScale_));
    syncingBar_ = false;

    QScrollBar* horizontal = horizontalScrollBar();
    const int visibleWidth = viewport()->width();
    horizontal->setRange(0, std::max(0, contentWidth() - visibleWidth));
    horizontal->setPageStep(visibleWidth);
    horizontal->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
}

void MergedTextView::scrollToLine(LineNumber top)
{
    topLine_ = std::min(top, maxTopLine_);
    syncingBar_ = true;
    verticalScrollBar()->setValue(int((topLine_ + barScale_ - 1) / barScale_));
    syncingBar_ = false;
    viewport()->update();
}

void MergedTextView::scrollContentsBy(int, int)
{
    if (!syncingBar_)
        topLine_ = std::min(LineNumber(verticalScrollBar()->value()) * barScale_, maxTopLine_);
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
    const LineNumber first = topLine_ + LineNumber(std::max(0, event->rect().top()) / height);
    const LineNumber end = std::min(shownLines(), topLine_ + LineNumber(event->rect().bottom() / height) + 1);
    const LineCount textLines = source_->lineCount();
    bool widened = false;
    // One walk along the line index: each line's end is the next one's start.
    ByteCount start = first < end ? source_->lineStart(first) : 0;
    for (LineNumber number = first; number < end; ++number) {
        const bool last = number == textLines;
        const ByteCount next = last ? start : velmor::nextLineStart(*source_, start);
        const std::string_view bytes =
            next >= start + 2 ? source_->bytes(start, next - 2 - start) : std::string_view();
        const LineLayout line(bytes, font(), viewport());
        paintLine(painter, line, number, QPointF(kMargin - scrollX(), double(number - topLine_) * height));
        widened = widenTo(line.width()) || widened;
        start = next;
    }
    // The scroll bars must not change while painting is under way.
    if (widened && contentWidth() > horizontalScrollBar()->maximum() + viewport()->width())
        QMetaObject::invokeMethod(this, &MergedTextView::updateScrollBars, Qt::QueuedConnection);
}

void MergedTextView::paintLine(QPainter& painter, const LineLayout& line, LineNumber number,
                               QPointF origin) const
{
    QList<QTextLayout::FormatRange> selected;
    const auto [from, to] = selection();
    if (isSelectionShown() && from.line <= number && number <= to.line) {
        const int begin = number == from.line ? line.displayColumn(from.column) : 0;
        const int stop = number == to.line ? line.displayColumn(to.column) : line.displayColumn(line.length());
        QTextLayout::FormatRange range;
        range.start = begin;
        range.length = stop - begin;
        range.format.setBackground(palette().brush(QPalette::Highlight));
        range.format.setForeground(palette().brush(QPalette::HighlightedText));
        selected.append(range);
        // A selected line break shows as a space's width past the line's end.
        if (number < to.line)
            painter.fillRect(QRectF(origin.x() + line.width(), origin.y(),
                                    fontMetrics().horizontalAdvance(QLatin1Char(' ')), line.height()),
                             palette().brush(QPalette::Highlight));
    }
    line.layout().draw(&painter, origin, selected);
    if (hasFocus() && number == cursor_.line)
        line.layout().drawCursor(&painter, origin, line.displayColumn(cursor_.column));
}

TextPosition MergedTextView::positionAt(const QPoint& point) const
{
    const long long row = point.y() >= 0 ? point.y() / lineHeight() : -1;
    LineNumber number = 0;
    if (row >= 0 || LineNumber(-row) <= topLine_) number = topLine_ + LineNumber(row);
    number = std::min(number, shownLines() - 1);
    const LineLayout line(lineBytes(number), font(), viewport());
    return {number, line.columnAt(point.x() - kMargin + scrollX())};
}

QPoint MergedTextView::pointAt(TextPosition position) const
{
    const LineLayout line(lineBytes(position.line), font(), viewport());
    const long long row = (long long)position.line - (long long)topLine_;
    return QPoint(int(std::lround(line.xOf(position.column))) + kMargin - scrollX(),
                  int(row * lineHeight() + lineHeight() / 2));
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
    const LineLayout line(lineBytes(cursor_.line), font(), viewport());
    const LineCount lines = shownLines();
    const LineNumber page = LineNumber(rowsPerPage());
    const auto onLine = [&](LineNumber number) {
        const LineLayout target(lineBytes(number), font(), viewport());
        return TextPosition{number, target.columnAt(goalX_ >= 0 ? goalX_ : line.xOf(cursor_.column))};
    };
    switch (motion) {
    case Motion::Left:
        if (cursor_.column > 0) return {cursor_.line, line.previousColumn(cursor_.column)};
        if (cursor_.line == 0) return cursor_;
        return {cursor_.line - 1, lineBytes(cursor_.line - 1).size()};
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
    case Motion::TextEnd: return {lines - 1, lineBytes(lines - 1).size()};
    }
    return cursor_;
}

void MergedTextView::move(Motion motion, bool select)
{
    const bool vertical = motion == Motion::Up || motion == Motion::Down || motion == Motion::PageUp ||
                          motion == Motion::PageDown;
    if (vertical && goalX_ < 0) {
        const LineLayout line(lineBytes(cursor_.line), font(), viewport());
        goalX_ = line.xOf(cursor_.column);
    }
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

    const LineLayout line(lineBytes(cursor_.line), font(), viewport());
    if (widenTo(line.width())) updateScrollBars();
    const int x = int(std::lround(line.xOf(cursor_.column)));
    const int room = std::max(0, viewport()->width() - 2 * kMargin - 1);
    QScrollBar* horizontal = horizontalScrollBar();
    if (x < horizontal->value())
        horizontal->setValue(x);
    else if (x > horizontal->value() + room)
        horizontal->setValue(x - room);
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
