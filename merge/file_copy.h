#pragma once
#include "text_units.h"

namespace velmor {

// Copies the first `length` bytes of the file `from` to the current position
// of `to`, by the kernel where it can (copy_file_range, then sendfile), else
// through a large buffer. False when the copy broke off.
bool copyFileBytes(int from, ByteCount length, int to);

}  // namespace velmor
