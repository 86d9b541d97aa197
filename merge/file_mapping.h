#pragma once
// Read-only views of the merged text's file. The whole file is mapped at
// once where the address space allows. Where it does not (a limit on the
// address space, `ulimit -v`, or a text larger than the free address
// space), a window of the file around the bytes asked for is mapped
// instead, so the text stays readable whatever its size.
#include <cstddef>
#include <limits>
#include <string_view>

#include "text_units.h"

namespace velmor {

class FileMapping {
public:
    static constexpr ByteCount unlimited = std::numeric_limits<ByteCount>::max();

    // Each caller keeps to its own window, so that a walk over the text
    // (finding a line's start) never moves the window that a view handed
    // out before points into.
    enum Window { shown, scanned, windowCount };

    // `limit`: the most bytes that one mapping may span; lowered by tests to
    // show the windows at work.
    explicit FileMapping(ByteCount limit = unlimited) : limit_(limit) {}
    ~FileMapping() { release(); }
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    // Bytes [offset, offset + length) of the file `fd`, whose first `size`
    // bytes are the text; `offset` < `size` and `length` <= `size` - `offset`.
    // Through a window of the file when the whole cannot be mapped; the view
    // then stays valid only until the next call for the same window. It is
    // shorter than asked (a prefix) only when no mapping that large can be
    // had, and empty only when not even one page can be mapped.
    std::string_view view(Window window, int fd, ByteCount size, ByteOffset offset, ByteCount length);

    // Drops every mapping; after any change of the file.
    void release();

private:
    struct Region {
        const char* base = nullptr;
        ByteOffset start = 0;
        ByteCount length = 0;
        bool holds(ByteOffset offset, ByteCount count) const
        {
            return base && offset >= start && offset - start + count <= length;
        }
    };

    const char* mapWhole(int fd, ByteCount size);
    const Region& mapWindow(Window window, int fd, ByteCount size, ByteOffset offset, ByteCount length);
    static bool map(Region& region, int fd);
    static void unmap(Region& region);

    ByteCount limit_;
    Region whole_;
    bool wholeRefused_ = false;  // until the next change
    Region windows_[windowCount];
};

}  // namespace velmor
