#pragma once
// A line cut into chunks of about kChunkBytes bytes, the unit in which the
// view decodes and lays out text, so that a line of gigabytes costs only the
// chunks that are looked at. A chunk begins at a multiple of kChunkBytes,
// moved on past at most three UTF-8 continuation bytes so that no character
// is cut in two. Where a chunk begins depends only on the bytes there, never
// on the rest of the line.
#include <string>

#include "merged_text_source.h"

namespace velmor {

using ChunkNumber = std::uint64_t;

class LineChunks {
public:
    static constexpr ByteCount kChunkBytes = 128;

    // The line of `length` bytes (its CR LF not counted) that begins at
    // `start` in `source`; no source stands for the empty line.
    LineChunks(const MergedTextSource* source, ByteOffset start, ByteCount length);

    ByteCount length() const { return length_; }
    // At least one: an empty line has one empty chunk.
    ChunkNumber count() const { return count_; }
    // The column where chunk `chunk` begins; begin(count()) is length().
    ByteCount begin(ChunkNumber chunk) const;
    // The chunk that holds `column`; the end of the line lies in the last one.
    ChunkNumber chunkOf(ByteCount column) const;
    // A copy of the chunk's bytes: a source need not keep what it handed out.
    std::string bytes(ChunkNumber chunk) const;

private:
    const MergedTextSource* source_;
    ByteOffset start_;
    ByteCount length_;
    ChunkNumber count_;
};

}  // namespace velmor
