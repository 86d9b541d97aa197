#include "source_buffer.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "errors.h"

namespace velmor {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

[[noreturn]] void cannotOpen(const std::string& path)
{
    throw EFOpenError(withPath(messages::cannotOpen, path));
}

// Reads up to `size` bytes; fewer when the file was cut short meanwhile.
// Linux hands at most about 2 GiB per read call, so large sources take a
// few calls into the one buffer.
ByteCount readWhole(int fd, char* buffer, ByteCount size, const std::string& path)
{
    ByteCount done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, buffer + done, size - done);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            cannotOpen(path);
        }
        done += static_cast<ByteCount>(got);
    }
    return done;
}

}  // namespace

void SourceBuffer::reserve(ByteCount size)
{
    if (size <= capacity_ && data_)
        return;
    // The old buffer goes first, so a run never holds two large ones.
    data_.reset();
    capacity_ = 0;
    data_.reset(new (std::nothrow) char[size > 0 ? size : 1]);
    if (!data_)
        throw EOutOfMemory();
    capacity_ = size;
}

void SourceBuffer::read(const std::string& path)
{
    size_ = 0;
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused
    // below like every other file that is not a regular one.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0)
        cannotOpen(path);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        cannotOpen(path);
    const auto size = static_cast<ByteCount>(info.st_size);
    reserve(size);
    size_ = readWhole(file.get(), data_.get(), size, path);
}

}  // namespace velmor
