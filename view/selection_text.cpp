#include "selection_text.h"

#include <algorithm>
#include <string_view>

#include "line_chunks.h"
#include "line_text.h"
#include "text_lines.h"

namespace velmor {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

// `part` of a chunk, decoded as the whole chunk is shown.
QString decodeAsChunk(std::string_view part, std::string_view wholeChunk)
{
    if (part.size() == wholeChunk.size()) return decodeLine(part).text;
    // A slice of a UTF-8 chunk taken at character boundaries is UTF-8 too.
    if (decodeLine(wholeChunk).utf8) return decodeLine(part).text;
    return QString::fromLatin1(part.data(), static_cast<qsizetype>(part.size()));
}

// Columns [from, to) of a line, which `part` holds, decoded chunk by chunk.
QString decodeLinePart(const LineChunks& chunks, std::string_view part, ByteCount from, ByteCount to)
{
    QString text;
    for (ChunkNumber chunk = chunks.chunkOf(from); chunk < chunks.count(); ++chunk) {
        const ByteCount begin = chunks.begin(chunk);
        const ByteCount end = chunks.begin(chunk + 1);
        if (begin >= to && begin > from) break;
        const ByteCount first = std::max(begin, from);
        const ByteCount last = std::min(end, to);
        const std::string_view slice = part.substr(first - from, last - first);
        // Only a chunk cut by the selection's ends needs reading again.
        text += first == begin && last == end ? decodeLine(slice).text
                                              : decodeAsChunk(slice, chunks.bytes(chunk));
    }
    return text;
}

}  // namespace

std::string selectedBytes(const MergedTextSource& source, TextPosition from, TextPosition to)
{
    const ByteOffset begin = offsetOf(source, from);
    return std::string(source.bytes(begin, offsetOf(source, to) - begin));
}

QString selectedText(const MergedTextSource& source, TextPosition from, TextPosition to)
{
    const ByteOffset begin = offsetOf(source, from);
    const std::string bytes = selectedBytes(source, from, to);
    const std::string_view all(bytes);
    QString text;
    text.reserve(static_cast<qsizetype>(all.size()));
    std::size_t at = 0;
    for (LineNumber line = from.line;; ++line) {
        const std::size_t end = std::min(all.find(kLineBreak, at), all.size());
        const bool lastLine = end == all.size();
        // Only the first and the last line can be partly selected; the
        // length of those is asked for, the others' is what was read.
        const ByteCount column = line == from.line ? from.column : 0;
        const ByteCount length = line == from.line || lastLine ? lineLength(source, line) : end - at;
        const LineChunks chunks(&source, begin + at - column, length);
        text += decodeLinePart(chunks, all.substr(at, end - at), column, column + (end - at));
        if (lastLine) break;
        text += QLatin1String("\r\n");
        at = end + kLineBreak.size();
    }
    return text;
}

}  // namespace velmor
