#include "output_writer.h"

#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "errors.h"

namespace velmor::cli {

namespace {

constexpr std::size_t bufferSize = 1024 * 1024;
// Pieces at least this large skip the buffer: copying them would only add
// a pass over the bytes.
constexpr std::size_t directPiece = 64 * 1024;

[[noreturn]] void saveFailed()
{
    throw EOutOfResources(messages::saveFailed);
}

}  // namespace

OutputWriter::OutputWriter(int fd) : fd_(fd), buffer_(new char[bufferSize]) {}

void OutputWriter::write(std::string_view piece)
{
    if (piece.size() >= directPiece) {
        writeAll({buffer_.get(), used_}, piece);
        used_ = 0;
        return;
    }
    if (used_ + piece.size() > bufferSize)
        flush();
    std::memcpy(buffer_.get() + used_, piece.data(), piece.size());
    used_ += piece.size();
}

void OutputWriter::flush()
{
    writeAll({buffer_.get(), used_}, {});
    used_ = 0;
}

void OutputWriter::writeAll(std::string_view first, std::string_view second)
{
    iovec parts[2] = {{const_cast<char*>(first.data()), first.size()},
                      {const_cast<char*>(second.data()), second.size()}};
    iovec* part = parts;
    int left = 2;
    while (left > 0) {
        if (part->iov_len == 0) {
            ++part;
            --left;
            continue;
        }
        const ssize_t n = ::writev(fd_, part, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            saveFailed();
        written_ += static_cast<ByteCount>(n);
        for (auto done = static_cast<std::size_t>(n); done > 0;) {
            const std::size_t step = done < part->iov_len ? done : part->iov_len;
            part->iov_base = static_cast<char*>(part->iov_base) + step;
            part->iov_len -= step;
            done -= step;
            if (part->iov_len == 0 && left > 1) {
                ++part;
                --left;
            }
        }
    }
}

void OutputWriter::mark()
{
    mark_ = written_ + used_;
}

void OutputWriter::takeBackToMark()
{
    if (mark_ >= written_) {
        used_ = static_cast<std::size_t>(mark_ - written_);
        return;
    }
    used_ = 0;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
        return;
    const off_t end = ::lseek(fd_, 0, SEEK_CUR);
    const auto surplus = static_cast<off_t>(written_ - mark_);
    if (end < surplus || ::ftruncate(fd_, end - surplus) != 0)
        return;
    ::lseek(fd_, end - surplus, SEEK_SET);
    written_ = mark_;
}

}  // namespace velmor::cli
