#include "line_chunks.h"

#include <algorithm>

namespace velmor {
namespace {

constexpr ByteCount kLongestTail = 3;  // continuation bytes after a lead byte

bool isContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

LineChunks::LineChunks(const MergedTextSource* source, ByteOffset start, ByteCount length)
    : source_(source), start_(start), length_(source ? length : 0),
      count_(std::max<ChunkNumber>(1, (length_ + kChunkBytes - 1) / kChunkBytes))
{
}

ByteCount LineChunks::begin(ChunkNumber chunk) const
{
    if (chunk == 0) return 0;
    if (chunk >= count_) return length_;
    const ByteCount at = chunk * kChunkBytes;
    const std::string_view next = source_->bytes(start_ + at, std::min(kLongestTail, length_ - at));
    ByteCount skipped = 0;
    while (skipped < next.size() && isContinuation(next[skipped])) ++skipped;
    return at + skipped;
}

ChunkNumber LineChunks::chunkOf(ByteCount column) const
{
    if (column >= length_) return count_ - 1;
    const ChunkNumber chunk = column / kChunkBytes;
    return column < begin(chunk) ? chunk - 1 : chunk;
}

std::string LineChunks::bytes(ChunkNumber chunk) const
{
    const ByteCount from = begin(chunk);
    const ByteCount to = begin(chunk + 1);
    if (!source_ || to <= from) return {};
    return std::string(source_->bytes(start_ + from, to - from));
}

}  // namespace velmor
