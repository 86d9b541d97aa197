#pragma once
// Reading one source file whole, as bytes.
#include <memory>
#include <string>
#include <string_view>

#include "text_units.h"

namespace velmor {

class SourceFile {
public:
    // Opens `path` read-only exactly as given and reads it with one read
    // into one buffer. Only regular files are read: a folder, FIFO, device
    // or socket fails at once, so a run never blocks or reads without end.
    // EFOpenError("Cannot open file <path>") when the file cannot be opened
    // or read; EOutOfMemory when its buffer cannot be had.
    static SourceFile read(const std::string& path);

    std::string_view bytes() const { return {data_.get(), size_}; }

private:
    SourceFile(std::unique_ptr<char[]> data, ByteCount size) : data_(std::move(data)), size_(size) {}
    std::unique_ptr<char[]> data_;
    ByteCount size_ = 0;
};

}  // namespace velmor
