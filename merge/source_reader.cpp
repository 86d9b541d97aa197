#include "source_reader.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "errors.h"
#include "nul_padding.h"

namespace velmor {

namespace {

// A stream inherited in non-blocking mode has no bytes yet: wait for some.
void waitForBytes(int fd)
{
    pollfd wanted{fd, POLLIN, 0};
    while (::poll(&wanted, 1, -1) < 0 && errno == EINTR) {
    }
}

}  // namespace

struct SourceReader::Impl {
    ByteCount pieceSize;
    std::unique_ptr<char[]> buffer;
    std::string name;
    int fd = -1;
    bool ownsFd = false;
    std::optional<ByteCount> size;
    // Where reading stops: the size taken at open, or where the file was
    // found to end when it shrank meanwhile.
    ByteCount end = 0;
    bool atEnd = false;
    ByteCount position = 0;

    [[noreturn]] void cannotOpen() const { throw EFOpenError(withPath(messages::cannotOpen, name)); }

    void allocate()
    {
        if (buffer)
            return;
        buffer.reset(new (std::nothrow) char[pieceSize]);
        if (!buffer)
            throw EOutOfMemory();
    }

    // One read of at most `length` bytes at the current position; 0 at the
    // end. Files are read at an explicit offset, so that the hole search of
    // restIsNul may move the file offset freely.
    std::size_t readOnce(char* into, std::size_t length) const
    {
        for (;;) {
            const ssize_t got = size ? ::pread(fd, into, length, static_cast<off_t>(position))
                                     : ::read(fd, into, length);
            if (got >= 0)
                return static_cast<std::size_t>(got);
            if (errno == EAGAIN && !size)
                waitForBytes(fd);
            else if (errno != EINTR)
                cannotOpen();
        }
    }

    // Fills the buffer with up to one piece, reading no further than
    // `limit` in a file; empty at the end.
    std::string_view readPiece(ByteCount limit)
    {
        if (fd < 0 || atEnd)
            return {};
        std::size_t want = pieceSize;
        if (size)
            want = static_cast<std::size_t>(std::min<ByteCount>(pieceSize, limit - position));
        std::size_t filled = 0;
        while (filled < want) {
            const std::size_t got = readOnce(buffer.get() + filled, want - filled);
            if (got == 0) {
                atEnd = true;  // the file was cut short, or the stream ended
                break;
            }
            filled += got;
            position += got;
        }
        if (size && position >= end)
            atEnd = true;
        return {buffer.get(), filled};
    }

    // Whether the bytes up to `limit` (a stream: up to its end) are NULs.
    bool readsAsNul(ByteCount limit)
    {
        while (!atEnd && (!size || position < limit)) {
            const std::string_view piece = readPiece(limit);
            if (!allNul(piece))
                return false;
        }
        return true;
    }

    // Decides the rest of a file from its data regions only: holes read as
    // NULs, so a sparse file of any size is decided by what it really holds.
    // Where the file system cannot tell holes, the rest is read.
    bool restIsNulSkippingHoles()
    {
        while (!atEnd) {
            const off_t data = ::lseek(fd, static_cast<off_t>(position), SEEK_DATA);
            if (data < 0)
                return errno == ENXIO || readsAsNul(end);  // ENXIO: only holes follow
            if (static_cast<ByteCount>(data) >= end)
                return true;
            const off_t hole = ::lseek(fd, data, SEEK_HOLE);
            position = static_cast<ByteCount>(data);
            if (!readsAsNul(hole < 0 ? end : std::min(end, static_cast<ByteCount>(hole))))
                return false;
        }
        return true;
    }
};

SourceReader::SourceReader(ByteCount pieceSize) : impl_(std::make_unique<Impl>())
{
    impl_->pieceSize = std::max<ByteCount>(pieceSize, 1);
}

SourceReader::~SourceReader()
{
    close();
}

void SourceReader::open(const std::string& path)
{
    close();
    impl_->name = path;
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused
    // below like every other file that is not a regular one.
    impl_->fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (impl_->fd < 0)
        impl_->cannotOpen();
    impl_->ownsFd = true;
    struct stat info {};
    if (::fstat(impl_->fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        close();
        impl_->cannotOpen();
    }
    impl_->size = static_cast<ByteCount>(info.st_size);
    impl_->end = *impl_->size;
    impl_->atEnd = impl_->end == 0;
    impl_->allocate();
}

void SourceReader::openStream(int fd, std::string name)
{
    close();
    impl_->name = std::move(name);
    impl_->fd = fd;
    impl_->allocate();
}

const std::string& SourceReader::name() const
{
    return impl_->name;
}

std::optional<ByteCount> SourceReader::size() const
{
    return impl_->size;
}

ByteCount SourceReader::position() const
{
    return impl_->position;
}

std::string_view SourceReader::next()
{
    return impl_->readPiece(impl_->end);
}

bool SourceReader::restIsNul()
{
    if (impl_->fd < 0)
        return true;
    return impl_->size ? impl_->restIsNulSkippingHoles() : impl_->readsAsNul(0);
}

void SourceReader::close()
{
    if (impl_->ownsFd && impl_->fd >= 0)
        ::close(impl_->fd);
    impl_->fd = -1;
    impl_->ownsFd = false;
    impl_->size.reset();
    impl_->end = 0;
    impl_->atEnd = false;
    impl_->position = 0;
}

}  // namespace velmor
