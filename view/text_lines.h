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
