#pragma once
#include <chrono>

#include "text_units.h"

namespace velmor {

// Copies the first `length` bytes of the file `from` to the current position
// of `to`, by the kernel where it can (copy_file_range, then sendfile), else
// through a large buffer. False when the copy broke off. A `to` that does
// not wait (a FIFO opened with O_NONBLOCK) is waited for while it is full,
// but for no longer than `stallLimit` at a time: a reader that stops
// reading breaks the copy off instead of holding the caller for good.
bool copyFileBytes(int from, ByteCount length, int to,
                   std::chrono::milliseconds stallLimit = std::chrono::seconds(10));

}  // namespace velmor
