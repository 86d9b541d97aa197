#pragma once
// One shown line as the view lays it out: chunk by chunk, and only the
// chunks that are asked for, so that painting or moving in a line of
// gigabytes costs a few chunks. Chunk k stands at x = k * slot width, a slot
// being kChunkBytes average characters wide. Every chunk but the last is
// spread to exactly one slot (its glyphs moved apart or together, their
// shapes unchanged); the last keeps its natural width. So every x position
// is known without laying out what lies before it, hit testing and painting
// agree to the pixel, and a line that fits in one chunk looks exactly as a
// layout of the whole line would.
#include <QFont>
#include <QPointF>

#include <map>
#include <memory>

#include "line_chunks.h"
#include "line_layout.h"

class QPainter;
class QPaintDevice;

namespace velmor {

class LineWindow {
public:
    LineWindow(LineChunks chunks, const QFont& font, const QPaintDevice* device);
    // Line `line` of `source`; no source stands for the empty line.
    static LineWindow ofLine(const MergedTextSource* source, LineNumber line, const QFont& font,
                             const QPaintDevice* device);
    // The width of a slot: what a line's length times the font's average
    // character width comes to, chunk by chunk.
    static qreal slotWidth(const QFont& font, const QPaintDevice* device);

    ByteCount length() const { return chunks_.length(); }
    qreal width() const;
    qreal xOf(ByteCount column) const;
    // The column nearest to `x`, on a character boundary.
    ByteCount columnAt(qreal x) const;
    ByteCount nextColumn(ByteCount column) const;
    ByteCount previousColumn(ByteCount column) const;
    // Paints, with the painter's pen, the chunks that meet [left, right] of
    // the line's own x axis, whose 0 lies at `origin`.
    void draw(QPainter& painter, QPointF origin, qreal left, qreal right) const;

private:
    struct Piece {
        ByteCount begin;
        std::unique_ptr<LineLayout> layout;
        qreal spread;
    };
    const Piece& piece(ChunkNumber chunk) const;
    ChunkNumber chunkAtX(qreal x) const;
    qreal xOfChunk(ChunkNumber chunk) const { return qreal(chunk) * slot_; }

    LineChunks chunks_;
    QFont font_;
    const QPaintDevice* device_;
    qreal slot_;
    mutable std::map<ChunkNumber, Piece> pieces_;  // laid out when first asked for
};

}  // namespace velmor
