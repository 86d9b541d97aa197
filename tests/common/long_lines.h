#pragma once
// A stand-in for the merged text whose lines are far too long to hold, made
// up as they are read: every line repeats `unit` over `length` bytes. It
// keeps count of the bytes handed out, so a caller can tell how much of the
// text a step read.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "merged_text_source.h"

namespace velmor::testing {

class LongLines final : public MergedTextSource {
public:
    LongLines(LineCount lines, ByteCount length, std::string unit = "0123456789")
        : lines_(lines), length_(length), unit_(std::move(unit))
    {
    }

    // Columns [from, to) of any line.
    std::string part(ByteCount from, ByteCount to) const
    {
        std::string out;
        for (ByteCount at = from; at < to; ++at) out += byteAt(at);
        return out;
    }
    mutable ByteCount bytesRead = 0;

    ByteCount size() const override { return lines_ * (length_ + 2); }
    LineCount lineCount() const override { return lines_; }
    ByteOffset lineStart(LineNumber line) const override { return std::min(line, lines_) * (length_ + 2); }
    ByteCount longestLine() const override { return length_; }
    std::string_view bytes(ByteOffset offset, ByteCount length) const override
    {
        length = std::min(length, size() - offset);
        bytesRead += length;
        buffer_.clear();
        for (ByteOffset at = offset; at < offset + length; ++at) buffer_ += byteAt(at % (length_ + 2));
        return buffer_;
    }
    void setChangeListener(std::function<void()>) override {}

private:
    char byteAt(ByteCount column) const
    {
        if (column < length_) return unit_[column % unit_.size()];
        return column == length_ ? '\r' : '\n';
    }

    LineCount lines_;
    ByteCount length_;
    std::string unit_;
    mutable std::string buffer_;
};

}  // namespace velmor::testing
