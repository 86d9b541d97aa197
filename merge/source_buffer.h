#pragma once
// The buffer a merge run reads its sources into, one after another. Each
// source replaces what the buffer held; its memory is kept for the next
// source when large enough, so a run of many big sources asks the system for
// fresh memory once rather than once per source.
#include <memory>
#include <string>
#include <string_view>

#include "text_units.h"

namespace velmor {

class SourceBuffer {
public:
    // Opens `path` read-only exactly as given and reads the whole file with
    // one read into this buffer. Only regular files are read: a folder,
    // FIFO, device or socket fails at once, so a run never blocks or reads
    // without end. EFOpenError("Cannot open file <path>") when the file
    // cannot be opened or read; EOutOfMemory when the buffer cannot grow.
    // After an error the buffer is empty.
    void read(const std::string& path);

    std::string_view bytes() const { return {data_.get(), size_}; }

private:
    void reserve(ByteCount size);

    std::unique_ptr<char[]> data_;
    ByteCount capacity_ = 0;
    ByteCount size_ = 0;
};

}  // namespace velmor
