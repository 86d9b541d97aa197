#pragma once
// Sizes in the merged text. Everything on the byte path is 64-bit: sources
// and merged texts of several gigabytes are ordinary.
#include <cstdint>

namespace velmor {

using ByteOffset = std::uint64_t;  // position of a byte in the merged text
using ByteCount = std::uint64_t;   // a number of bytes
using LineNumber = std::uint64_t;  // 0 for the first line
using LineCount = std::uint64_t;   // a number of lines

}  // namespace velmor
