#include "line_layout.h"

#include <QGlyphRun>
#include <QPainter>
#include <QTextOption>

namespace velmor {

LineLayout::LineLayout(std::string_view bytes, const QFont& font, const QPaintDevice* device)
    : bytes_(bytes), text_(decodeLine(bytes)), layout_(text_.text, font, device)
{
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout_.setTextOption(option);
    layout_.setCacheEnabled(true);
    layout_.beginLayout();
    QTextLine line = layout_.createLine();
    line.setLeadingIncluded(true);
    line.setPosition(QPointF(0, 0));
    layout_.endLayout();
}

qreal LineLayout::width() const
{
    return layout_.lineAt(0).naturalTextWidth();
}

qreal LineLayout::height() const
{
    return layout_.lineAt(0).height();
}

qreal LineLayout::xOf(ByteCount column) const
{
    return layout_.lineAt(0).cursorToX(displayColumn(column));
}

ByteCount LineLayout::columnAt(qreal x) const
{
    return toByteColumn(layout_.lineAt(0).xToCursor(x));
}

ByteCount LineLayout::nextColumn(ByteCount column) const
{
    return toByteColumn(layout_.nextCursorPosition(displayColumn(column)));
}

ByteCount LineLayout::previousColumn(ByteCount column) const
{
    return toByteColumn(layout_.previousCursorPosition(displayColumn(column)));
}

void LineLayout::draw(QPainter& painter, QPointF origin, qreal spread) const
{
    for (QGlyphRun run : layout_.glyphRuns()) {
        if (spread != 1) {
            QList<QPointF> positions = run.positions();
            for (QPointF& position : positions) position.rx() *= spread;
            run.setPositions(positions);
        }
        painter.drawGlyphRun(origin, run);
    }
}

int LineLayout::displayColumn(ByteCount column) const
{
    return velmor::displayColumn(bytes_, text_.utf8, column);
}

ByteCount LineLayout::toByteColumn(int displayColumn) const
{
    return velmor::byteColumn(bytes_, text_.utf8, displayColumn);
}

}  // namespace velmor
