#include "line_window.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

#include "text_lines.h"

namespace velmor {

LineWindow::LineWindow(LineChunks chunks, const QFont& font, const QPaintDevice* device)
    : chunks_(chunks), font_(font), device_(device), slot_(slotWidth(font, device))
{
}

LineWindow LineWindow::ofLine(const MergedTextSource* source, LineNumber line, const QFont& font,
                              const QPaintDevice* device)
{
    if (!source) return LineWindow(LineChunks(nullptr, 0, 0), font, device);
    return LineWindow(LineChunks(source, source->lineStart(line), lineLength(*source, line)), font, device);
}

qreal LineWindow::slotWidth(const QFont& font, const QPaintDevice* device)
{
    const qreal average = QFontMetricsF(font, device).averageCharWidth();
    return qreal(LineChunks::kChunkBytes) * std::max<qreal>(1, average);
}

const LineWindow::Piece& LineWindow::piece(ChunkNumber chunk) const
{
    auto found = pieces_.find(chunk);
    if (found != pieces_.end()) return found->second;
    Piece piece{chunks_.begin(chunk), std::make_unique<LineLayout>(chunks_.bytes(chunk), font_, device_), 1};
    const qreal natural = piece.layout->width();
    if (chunk + 1 < chunks_.count() && natural > 0) piece.spread = slot_ / natural;
    return pieces_.emplace(chunk, std::move(piece)).first->second;
}

ChunkNumber LineWindow::chunkAtX(qreal x) const
{
    if (!(x > 0)) return 0;
    const qreal chunk = std::floor(x / slot_);
    const ChunkNumber last = chunks_.count() - 1;
    return chunk >= qreal(last) ? last : ChunkNumber(chunk);
}

qreal LineWindow::width() const
{
    const ChunkNumber last = chunks_.count() - 1;
    return xOfChunk(last) + piece(last).layout->width();
}

qreal LineWindow::xOf(ByteCount column) const
{
    const ChunkNumber chunk = chunks_.chunkOf(column);
    const Piece& at = piece(chunk);
    return xOfChunk(chunk) + at.layout->xOf(column - at.begin) * at.spread;
}

ByteCount LineWindow::columnAt(qreal x) const
{
    const ChunkNumber chunk = chunkAtX(x);
    const Piece& at = piece(chunk);
    return at.begin + at.layout->columnAt((x - xOfChunk(chunk)) / at.spread);
}

ByteCount LineWindow::nextColumn(ByteCount column) const
{
    if (column >= length()) return length();
    const Piece& at = piece(chunks_.chunkOf(column));
    return at.begin + at.layout->nextColumn(column - at.begin);
}

ByteCount LineWindow::previousColumn(ByteCount column) const
{
    if (column == 0) return 0;
    // The character before a chunk's first one lies in the chunk before.
    const Piece& at = piece(chunks_.chunkOf(column - 1));
    return at.begin + at.layout->previousColumn(std::min(column - at.begin, at.layout->length()));
}

void LineWindow::draw(QPainter& painter, QPointF origin, qreal left, qreal right) const
{
    for (ChunkNumber chunk = chunkAtX(left), last = chunkAtX(right); chunk <= last; ++chunk) {
        const Piece& at = piece(chunk);
        // Added up here in double precision: the painter's own coordinates
        // hold far less than the x of a chunk gigabytes into the line.
        at.layout->draw(painter, QPointF(origin.x() + xOfChunk(chunk), origin.y()), at.spread);
    }
}

}  // namespace velmor
