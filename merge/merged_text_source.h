#pragma once
// Read access to the merged text for the view that shows it.
#include <functional>
#include <string_view>

#include "text_units.h"

namespace velmor {

class MergedTextSource {
public:
    virtual ~MergedTextSource() = default;

    virtual ByteCount size() const = 0;
    // The number of CR LF pairs; 0 for the empty text.
    virtual LineCount lineCount() const = 0;
    // Where line `line` begins, for 0 <= line <= lineCount();
    // lineStart(lineCount()) == size(). Line `line` < lineCount() ends with
    // CR LF at lineStart(line + 1) - 2.
    virtual ByteOffset lineStart(LineNumber line) const = 0;
    // Length of the longest line in bytes, without its CR LF.
    virtual ByteCount longestLine() const = 0;
    // Bytes [offset, offset + length) of the text, clipped at its end. The
    // view stays valid only until the next call of bytes(), Clear or Append:
    // a text too large to map whole is read through a window that the next
    // call may move, so copy what must outlive it. The view is shorter than
    // asked (a prefix) only when not even that much can be mapped at once;
    // read on from its end.
    virtual std::string_view bytes(ByteOffset offset, ByteCount length) const = 0;

    // Called after every Clear and every Append, successful or not.
    virtual void setChangeListener(std::function<void()> listener) = 0;
};

}  // namespace velmor
