#pragma once
// A source's text ends at its first NUL; only NULs may follow, as padding.
#include <cstring>
#include <string_view>

namespace velmor {

inline bool allNul(std::string_view bytes)
{
    return bytes.empty() || (bytes[0] == '\0' && std::memcmp(bytes.data(), bytes.data() + 1, bytes.size() - 1) == 0);
}

}  // namespace velmor
