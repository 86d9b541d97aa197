#pragma once
// A place in the merged text: a line and a byte column in it. Byte columns,
// not characters, so that a selection always names stored bytes exactly.
#include <tuple>

#include "text_units.h"

namespace velmor {

struct TextPosition {
    LineNumber line = 0;
    ByteCount column = 0;

    friend bool operator==(const TextPosition& a, const TextPosition& b)
    {
        return a.line == b.line && a.column == b.column;
    }
    friend bool operator!=(const TextPosition& a, const TextPosition& b) { return !(a == b); }
    friend bool operator<(const TextPosition& a, const TextPosition& b)
    {
        return std::tie(a.line, a.column) < std::tie(b.line, b.column);
    }
};

}  // namespace velmor
