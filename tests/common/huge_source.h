#pragma once
// Sources far larger than memory that cost no disk: sparse files of 1 TiB.
// Their holes are NULs known without reading them, so a merge decides such a
// file at once, whatever its size.
#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace velmor::testing {

constexpr off_t hugeSourceSize = off_t{1} << 40;

// A 1 TiB file of holes only; `text`, when given, is written at `at`.
inline bool makeHugeSource(const std::string& path, const std::string& text = {}, off_t at = 0)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    bool made = fd >= 0 && ::ftruncate(fd, hugeSourceSize) == 0;
    if (made && !text.empty())
        made = ::pwrite(fd, text.data(), text.size(), at) == static_cast<ssize_t>(text.size());
    if (fd >= 0)
        ::close(fd);
    return made;
}

}  // namespace velmor::testing
