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

// The bytes of line `line` without its CR LF; empty for the last shown line.
inline std::string_view lineBytes(const MergedTextSource& source, LineNumber line)
{
    if (line >= source.lineCount()) return {};
    const ByteOffset start = source.lineStart(line);
    return source.bytes(start, source.lineStart(line + 1) - 2 - start);
}

// Where the line after the one that begins at `start` begins: just past its
// LF. Painting walks down the screen with this rather than going back to
// the line index for every line.
inline ByteOffset nextLineStart(const MergedTextSource& source, ByteOffset start)
{
    // Asked for in pieces: a source need not hand out the whole rest at once.
    constexpr ByteCount piece = 64 * 1024;
    for (ByteOffset at = start; at < source.size(); at += piece) {
        const std::string_view bytes = source.bytes(at, piece);
        const auto lf = bytes.find('\n');
        if (lf != std::string_view::npos)
            return at + lf + 1;
        if (bytes.empty())
            break;
    }
    return source.size();
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
