#pragma once
// Writes the merged text into a file descriptor in large writes, whatever
// the descriptor is: a file, a pipe, a terminal. Small pieces are gathered
// into one buffer; large ones go out beside it in the same system call.
#include <sys/types.h>

#include <memory>
#include <string_view>

#include "text_units.h"

namespace velmor::cli {

class OutputWriter {
public:
    explicit OutputWriter(int fd);
    OutputWriter(const OutputWriter&) = delete;
    OutputWriter& operator=(const OutputWriter&) = delete;

    // EOutOfResources("Failed to Save Stream") when the descriptor refuses
    // bytes: a full disk, a closed pipe (SIGPIPE must be ignored), an I/O
    // error. Interrupted and short writes are carried on.
    void write(std::string_view piece);
    void flush();

    // Remembers the present end, so that a source that fails part-way can
    // be taken back. What is still in the buffer is simply dropped; what has
    // already gone out is cut off again only where the descriptor is a
    // regular file: a pipe or a terminal keeps what it was given.
    void mark();
    void takeBackToMark();

private:
    void writeAll(std::string_view first, std::string_view second);

    int fd_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    ByteCount written_ = 0;  // bytes that have gone out to fd_
    ByteCount mark_ = 0;     // bytes handed in before the mark
};

}  // namespace velmor::cli
