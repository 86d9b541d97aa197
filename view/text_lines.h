#pragma once
// Lines of the merged text as the view shows them. Like an editor, the view
// shows the empty line after the final CR LF, so a text with n CR LF pairs
// shows n + 1 lines and the empty text shows one empty line; the cursor can
// stand on that last line, and a selection reaching it ends at the text's end.
#include <string_view>

#include "merged_text_source.h"
#include "text_position.h"

namespace velmor {

inline LineCount shownLines(const MergedTextSource& source)
{
    return source.lineCount() + 1;
}

// The length of line `line` in bytes, without its CR LF.
inline ByteCount lineLength(const MergedTextSource& source, LineNumber line)
{
    if (line >= source.lineCount()) return 0;
    return source.lineStart(line + 1) - 2 - source.lineStart(line);
}

// Where line `line` + 1 begins, given that line `line` begins at `start`:
// just past its LF. Painting walks down the screen with this rather than
// going back to the line index for every line; past a short scan it asks the
// index after all, so that a line of gigabytes is never read to its end.
inline ByteOffset nextLineStart(const MergedTextSource& source, LineNumber line, ByteOffset start)
{
    // Asked for in pieces: a source need not hand out the whole rest at once.
    constexpr ByteCount piece = 4 * 1024;
    constexpr ByteCount scanLimit = 4 * piece;
    // A source may hand out fewer bytes than asked for: step by what came.
    for (ByteOffset at = start; at < source.size() && at < start + scanLimit;) {
        const std::string_view bytes = source.bytes(at, piece);
        const auto lf = bytes.find('\n');
        if (lf != std::string_view::npos)
            return at + lf + 1;
        if (bytes.empty())
            break;
        at += bytes.size();
    }
    return source.lineStart(line + 1);
}

inline ByteOffset offsetOf(const MergedTextSource& source, TextPosition position)
{
    return source.lineStart(position.line) + position.column;
}

// The end of the text: the start of the last shown line.
inline TextPosition endOf(const MergedTextSource& source)
{
    return {source.lineCount(), 0};
}

}  // namespace velmor
