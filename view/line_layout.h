#pragma once
// A piece of a shown line (one chunk of it) decoded and laid out in the
// view's font, without wrapping: what painting, hit testing and cursor
// movement need to know about it. The geometry speaks in byte columns so that
// callers never see the decoding.
#include <QTextLayout>

#include <string>
#include <string_view>

#include "line_text.h"
#include "text_units.h"

namespace velmor {

class LineLayout {
public:
    // Keeps its own copy of `bytes`, so it never depends on how long a
    // source keeps the bytes it handed out.
    LineLayout(std::string_view bytes, const QFont& font, const QPaintDevice* device);
    LineLayout(const LineLayout&) = delete;
    LineLayout& operator=(const LineLayout&) = delete;

    ByteCount length() const { return bytes_.size(); }
    qreal width() const;
    qreal height() const;

    qreal xOf(ByteCount column) const;
    // The column nearest to `x`, on a character boundary.
    ByteCount columnAt(qreal x) const;
    ByteCount nextColumn(ByteCount column) const;
    ByteCount previousColumn(ByteCount column) const;

    // Paints the glyphs with the painter's pen, their x positions (not their
    // shapes) multiplied by `spread`, so that a piece can be fitted to a
    // width of the caller's choosing.
    void draw(QPainter& painter, QPointF origin, qreal spread) const;

private:
    int displayColumn(ByteCount column) const;
    ByteCount toByteColumn(int displayColumn) const;

    std::string bytes_;
    LineText text_;
    QTextLayout layout_;
};

}  // namespace velmor
