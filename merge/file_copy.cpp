#include "file_copy.h"

#include <poll.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace velmor {

namespace {

enum class Copied { all, unsupported, failed };

using KernelCopy = ssize_t (*)(int from, off_t* offset, int to, std::size_t length);

ssize_t byCopyFileRange(int from, off_t* offset, int to, std::size_t length)
{
    return ::copy_file_range(from, offset, to, nullptr, length, 0);
}

ssize_t bySendfile(int from, off_t* offset, int to, std::size_t length)
{
    return ::sendfile(to, from, offset, length);
}

bool unsupported(int error)
{
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
}

// After EAGAIN: true once `to` takes bytes again within the limit.
bool waitForRoom(int to, std::chrono::milliseconds stallLimit)
{
    pollfd room{to, POLLOUT, 0};
    int ready;
    while ((ready = ::poll(&room, 1, static_cast<int>(stallLimit.count()))) < 0 && errno == EINTR) {
    }
    return ready > 0 && (room.revents & POLLOUT);
}

// Copies [offset, end) of `from` to the position of `to`. `offset` moves on
// with what was copied, so a fallback can take over where this stopped.
Copied copyInKernel(KernelCopy copy, int from, off_t& offset, off_t end, int to,
                    std::chrono::milliseconds stallLimit)
{
    constexpr std::size_t chunk = std::size_t{1} << 30;
    while (offset < end) {
        const auto wanted = std::min<ByteCount>(chunk, static_cast<ByteCount>(end - offset));
        const ssize_t n = copy(from, &offset, to, static_cast<std::size_t>(wanted));
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN && waitForRoom(to, stallLimit))
            continue;
        return n < 0 && unsupported(errno) ? Copied::unsupported : Copied::failed;
    }
    return Copied::all;
}

bool copyThroughBuffer(int from, off_t offset, off_t end, int to, std::chrono::milliseconds stallLimit)
{
    std::vector<char> buffer(std::size_t{4} << 20);
    while (offset < end) {
        const auto wanted = std::min<ByteCount>(buffer.size(), static_cast<ByteCount>(end - offset));
        const ssize_t n = ::pread(from, buffer.data(), static_cast<std::size_t>(wanted), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        for (std::size_t done = 0; done < static_cast<std::size_t>(n);) {
            const ssize_t w = ::write(to, buffer.data() + done, static_cast<std::size_t>(n) - done);
            if (w < 0 && (errno == EINTR || (errno == EAGAIN && waitForRoom(to, stallLimit))))
                continue;
            if (w <= 0)
                return false;
            done += static_cast<std::size_t>(w);
        }
        offset += n;
    }
    return true;
}

}  // namespace

bool copyFileBytes(int from, ByteCount length, int to, std::chrono::milliseconds stallLimit)
{
    off_t offset = 0;
    const auto end = static_cast<off_t>(length);
    for (KernelCopy copy : {byCopyFileRange, bySendfile}) {
        const Copied outcome = copyInKernel(copy, from, offset, end, to, stallLimit);
        if (outcome != Copied::unsupported)
            return outcome == Copied::all;
    }
    return copyThroughBuffer(from, offset, end, to, stallLimit);
}

}  // namespace velmor
