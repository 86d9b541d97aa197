#include "line_text.h"

#include <algorithm>
#include <optional>

namespace velmor {
namespace {

unsigned char byteAt(std::string_view bytes, std::size_t i)
{
    return static_cast<unsigned char>(bytes[i]);
}

// The number of bytes of the UTF-8 sequence that starts with `lead`; 1 for
// a byte that cannot start one, so that walking never stalls.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// The code point of the well-formed sequence at `i`, or nothing. Overlong
// forms, surrogates and values past U+10FFFF are not well-formed.
std::optional<char32_t> codePointAt(std::string_view bytes, std::size_t i, std::size_t length)
{
    const unsigned char lead = byteAt(bytes, i);
    if (length == 1) return lead < 0x80 ? std::optional<char32_t>(lead) : std::nullopt;
    if (lead > 0xF4 || i + length > bytes.size()) return std::nullopt;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = byteAt(bytes, i + k);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (next & 0x3F);
    }
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF) return std::nullopt;
    if (value >= 0xD800 && value <= 0xDFFF) return std::nullopt;
    return value;
}

std::optional<QString> decodeUtf8(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = sequenceLength(byteAt(bytes, i));
        const std::optional<char32_t> value = codePointAt(bytes, i, length);
        if (!value) return std::nullopt;
        if (*value > 0xFFFF) {
            text.append(QChar(QChar::highSurrogate(*value)));
            text.append(QChar(QChar::lowSurrogate(*value)));
        } else {
            text.append(QChar(static_cast<char16_t>(*value)));
        }
        i += length;
    }
    return text;
}

}  // namespace

LineText decodeLine(std::string_view bytes)
{
    if (std::optional<QString> text = decodeUtf8(bytes)) return {*text, true};
    return {QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())), false};
}

int displayColumn(std::string_view bytes, bool utf8, std::size_t byteColumn)
{
    if (byteColumn > bytes.size()) byteColumn = bytes.size();
    if (!utf8) return static_cast<int>(byteColumn);
    int column = 0;
    for (std::size_t i = 0; i < byteColumn;) {
        const std::size_t length = sequenceLength(byteAt(bytes, i));
        if (i + length > byteColumn) break;
        column += length == 4 ? 2 : 1;
        i += length;
    }
    return column;
}

std::size_t byteColumn(std::string_view bytes, bool utf8, int column)
{
    if (column <= 0) return 0;
    if (!utf8) return std::min(static_cast<std::size_t>(column), bytes.size());
    std::size_t i = 0;
    for (int units = 0; i < bytes.size();) {
        const std::size_t length = sequenceLength(byteAt(bytes, i));
        units += length == 4 ? 2 : 1;
        if (units > column) break;
        i += length;
    }
    return i;
}

}  // namespace velmor
