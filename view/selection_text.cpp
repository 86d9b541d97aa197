#include "selection_text.h"

#include <algorithm>
#include <string_view>

#include "line_text.h"
#include "text_lines.h"

namespace velmor {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

// `part` of a line, decoded as the whole line is shown.
QString decodeAsLine(std::string_view part, std::string_view wholeLine)
{
    const LineText line = decodeLine(wholeLine);
    if (part.size() == wholeLine.size()) return line.text;
    // A slice of a UTF-8 line taken at character boundaries is UTF-8 too.
    if (line.utf8) return decodeLine(part).text;
    return QString::fromLatin1(part.data(), static_cast<qsizetype>(part.size()));
}

}  // namespace

std::string selectedBytes(const MergedTextSource& source, TextPosition from, TextPosition to)
{
    const ByteOffset begin = offsetOf(source, from);
    return std::string(source.bytes(begin, offsetOf(source, to) - begin));
}

QString selectedText(const MergedTextSource& source, TextPosition from, TextPosition to)
{
    const std::string bytes = selectedBytes(source, from, to);
    const std::string_view all(bytes);
    QString text;
    text.reserve(static_cast<qsizetype>(all.size()));
    std::size_t begin = 0;
    for (LineNumber line = from.line;; ++line) {
        const std::size_t end = std::min(all.find(kLineBreak, begin), all.size());
        const std::string_view part = all.substr(begin, end - begin);
        // Only the first and the last line can be partly selected; the
        // lines between are whole and decide their own decoding.
        const bool whole = line != from.line && line != to.line;
        text += decodeAsLine(part, whole ? part : lineBytes(source, line));
        if (end == all.size()) break;
        text += QLatin1String("\r\n");
        begin = end + kLineBreak.size();
    }
    return text;
}

}  // namespace velmor
