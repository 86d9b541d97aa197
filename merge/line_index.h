#pragma once
#include <algorithm>
#include <iterator>
#include <string_view>
#include <vector>

#include "line_end_scan.h"
#include "text_units.h"

namespace velmor {

// Where every 64th line begins, where each line after a long one begins,
// and the longest line, learnt from the bytes as they are written. Every
// line of the text ends with CR LF, so each LF closes a line. Finding a line
// then walks over at most 63 lines that are each shorter than `longLine`,
// never over a line of gigabytes; the long lines cost one entry each, at
// most one per `longLine` bytes of text.
class LineIndex {
public:
    static constexpr LineCount step = 64;
    static constexpr ByteCount longLine = 64 * 1024;

    struct Mark {
        LineCount count;
        ByteCount longest;
        ByteOffset openLine;
        std::size_t checkpoints;
        std::size_t afterLongLines;
    };

    // A line and where it begins.
    struct Start {
        LineNumber line;
        ByteOffset offset;
    };

    void clear() { rollBack(Mark{0, 0, 0, 1, 0}); }
    Mark mark() const { return {count_, longest_, openLine_, starts_.size(), afterLong_.size()}; }
    void rollBack(const Mark& mark)
    {
        count_ = mark.count;
        longest_ = mark.longest;
        openLine_ = mark.openLine;
        starts_.resize(mark.checkpoints);
        afterLong_.resize(mark.afterLongLines);
    }

    // `piece` was written at offset `at`, just after what was seen before.
    void scan(std::string_view piece, ByteOffset at)
    {
        const char* const begin = piece.data();
        forEachLineEndByte<false>(begin, begin + piece.size(),
                                  [&](const char* lf) { closeLine(at + static_cast<ByteOffset>(lf - begin)); });
    }

    LineCount count() const { return count_; }
    ByteCount longest() const { return longest_; }
    // The nearest indexed line at or before `line`: from there to `line`
    // lie fewer than `step` lines, none of them long.
    Start nearestStart(LineNumber line) const
    {
        Start nearest{line - line % step, starts_[line / step]};
        const auto after = std::upper_bound(afterLong_.begin(), afterLong_.end(), line,
                                            [](LineNumber l, const Start& s) { return l < s.line; });
        if (after != afterLong_.begin() && std::prev(after)->line > nearest.line)
            nearest = *std::prev(after);
        return nearest;
    }

private:
    void closeLine(ByteOffset lf)
    {
        const ByteCount withCr = lf - openLine_;
        longest_ = std::max(longest_, withCr > 0 ? withCr - 1 : 0);
        openLine_ = lf + 1;
        ++count_;
        if (count_ % step == 0)
            starts_.push_back(openLine_);
        else if (withCr >= longLine)
            afterLong_.push_back({count_, openLine_});
    }

    std::vector<ByteOffset> starts_{0};
    std::vector<Start> afterLong_;  // in line order
    LineCount count_ = 0;
    ByteCount longest_ = 0;
    ByteOffset openLine_ = 0;
};

}  // namespace velmor
