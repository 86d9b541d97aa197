#pragma once
// A line of the merged text as the view shows it. The stored bytes are
// never changed: a line that is valid UTF-8 is shown as UTF-8, any other
// line as Latin-1, one character per byte. Positions in the text are byte
// columns; the view's cursor positions are UTF-16 indices into the decoded
// line, so the two must map onto each other exactly.
#include <QString>

#include <string_view>

namespace velmor {

struct LineText {
    QString text;
    bool utf8 = false;  // false: each byte became one Latin-1 character
};

// Every byte becomes part of exactly one character: an initial byte order
// mark stays a character, and nothing is replaced.
LineText decodeLine(std::string_view bytes);

// The UTF-16 index in the decoded line where byte column `byteColumn` lies.
// A column inside a UTF-8 sequence maps to the start of its character.
int displayColumn(std::string_view bytes, bool utf8, std::size_t byteColumn);

// The byte column where UTF-16 index `column` of the decoded line lies.
std::size_t byteColumn(std::string_view bytes, bool utf8, int column);

}  // namespace velmor
