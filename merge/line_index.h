#pragma once
#include <algorithm>
#include <string_view>
#include <vector>

#include "line_end_scan.h"
#include "text_units.h"

namespace velmor {

// Where every 64th line begins, and the longest line, learnt from the bytes
// as they are written. Every line of the text ends with CR LF, so each LF
// closes a line.
class LineIndex {
public:
    static constexpr LineCount step = 64;

    struct Mark {
        LineCount count;
        ByteCount longest;
        ByteOffset openLine;
        std::size_t checkpoints;
    };

    void clear() { rollBack(Mark{0, 0, 0, 1}); }
    Mark mark() const { return {count_, longest_, openLine_, starts_.size()}; }
    void rollBack(const Mark& mark)
    {
        count_ = mark.count;
        longest_ = mark.longest;
        openLine_ = mark.openLine;
        starts_.resize(mark.checkpoints);
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
    // The start of the nearest indexed line at or before `line`.
    ByteOffset checkpoint(LineNumber line) const { return starts_[line / step]; }

private:
    void closeLine(ByteOffset lf)
    {
        const ByteCount withCr = lf - openLine_;
        longest_ = std::max(longest_, withCr > 0 ? withCr - 1 : 0);
        openLine_ = lf + 1;
        if (++count_ % step == 0)
            starts_.push_back(openLine_);
    }

    std::vector<ByteOffset> starts_{0};
    LineCount count_ = 0;
    ByteCount longest_ = 0;
    ByteOffset openLine_ = 0;
};

}  // namespace velmor
