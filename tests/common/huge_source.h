#pragma once
// A source far larger than memory that costs no disk: a sparse file of
// 1 TiB. Reading it must end in "Out of memory", which only a kernel that
// refuses such an allocation can show.
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace velmor::testing {

// Empty when the test can run; else why it cannot.
inline std::string hugeAllocationsAreRefused()
{
    std::ifstream policy("/proc/sys/vm/overcommit_memory");
    int overcommit = 1;
    policy >> overcommit;
    return overcommit == 1 ? "the kernel grants any allocation here (overcommit_memory=1)" : "";
}

inline bool makeHugeSource(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    const bool made = fd >= 0 && ::ftruncate(fd, off_t{1} << 40) == 0;
    if (fd >= 0)
        ::close(fd);
    return made;
}

}  // namespace velmor::testing
