#include "merged_text_store.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "errors.h"
#include "target_file.h"

namespace velmor {

namespace {

constexpr ByteCount maxFileSize = static_cast<ByteCount>(std::numeric_limits<off_t>::max());

[[noreturn]] void textFull()
{
    throw EOutOfResources(messages::textFull);
}

std::string defaultFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// A file without a name: nothing is left behind when the program ends in
// any way, and its pages belong to the page cache, not to the process.
int openUnnamedFile(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    // File systems without unnamed files: create one and drop its name.
    std::string name = folder + "/.velmor-text-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.c_str());
    return named;
}

bool writeAt(int fd, std::string_view bytes, ByteOffset at)
{
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        at += static_cast<ByteCount>(n);
    }
    return true;
}

// --- Copying the text to the target at disk speed -------------------------

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

// Copies [offset, end) of `from` to the position of `to`. `offset` moves on
// with what was copied, so a fallback can take over where this stopped.
Copied copyInKernel(KernelCopy copy, int from, off_t& offset, off_t end, int to)
{
    constexpr std::size_t chunk = std::size_t{1} << 30;
    while (offset < end) {
        const auto wanted = std::min<ByteCount>(chunk, static_cast<ByteCount>(end - offset));
        const ssize_t n = copy(from, &offset, to, static_cast<std::size_t>(wanted));
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && unsupported(errno) ? Copied::unsupported : Copied::failed;
    }
    return Copied::all;
}

bool copyThroughBuffer(int from, off_t offset, off_t end, int to)
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
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += static_cast<std::size_t>(w);
        }
        offset += n;
    }
    return true;
}

// Copies the first `length` bytes of `from` to `to`, by the kernel where it
// can, else through a large buffer.
bool copyFileBytes(int from, ByteCount length, int to)
{
    off_t offset = 0;
    const auto end = static_cast<off_t>(length);
    for (KernelCopy copy : {byCopyFileRange, bySendfile}) {
        const Copied outcome = copyInKernel(copy, from, offset, end, to);
        if (outcome != Copied::unsupported)
            return outcome == Copied::all;
    }
    return copyThroughBuffer(from, offset, end, to);
}

// --- Reading the text back ------------------------------------------------

// A read-only mapping of the whole backing file, made when first needed
// after a change.
class Mapping {
public:
    Mapping() = default;
    ~Mapping() { release(); }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    // nullptr for the empty text, or when the text cannot be mapped.
    const char* text(int fd, ByteCount size)
    {
        if (size == 0 || size > std::numeric_limits<std::size_t>::max())
            return nullptr;
        if (!base_) {
            void* base = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
            if (base == MAP_FAILED)
                return nullptr;
            base_ = base;
            length_ = static_cast<std::size_t>(size);
        }
        return static_cast<const char*>(base_);
    }

    void release()
    {
        if (base_)
            ::munmap(base_, length_);
        base_ = nullptr;
        length_ = 0;
    }

private:
    void* base_ = nullptr;
    std::size_t length_ = 0;
};

// --- Finding lines --------------------------------------------------------

// Where every 64th line begins, and the longest line, learnt from the bytes
// as they are written. Every line of the text ends with CR LF, so each LF
// closes a line.
class LineIndex {
public:
    static constexpr LineCount step = 64;

    struct Mark {
        LineCount count;
        ByteCount longest;
        ByteOffset openLine;
        std::size_t checkpoints;
    };

    void clear() { rollBack(Mark{0, 0, 0, 1}); }
    Mark mark() const { return {count_, longest_, openLine_, starts_.size()}; }
    void rollBack(const Mark& mark)
    {
        count_ = mark.count;
        longest_ = mark.longest;
        openLine_ = mark.openLine;
        starts_.resize(mark.checkpoints);
    }

    // `piece` was written at offset `at`, just after what was seen before.
    void scan(std::string_view piece, ByteOffset at)
    {
        const char* const begin = piece.data();
        const char* const end = begin + piece.size();
        for (const char* p = begin; p < end; ++p) {
            p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            if (!p)
                break;
            closeLine(at + static_cast<ByteOffset>(p - begin));
        }
    }

    LineCount count() const { return count_; }
    ByteCount longest() const { return longest_; }
    // The start of the nearest indexed line at or before `line`.
    ByteOffset checkpoint(LineNumber line) const { return starts_[line / step]; }

private:
    void closeLine(ByteOffset lf)
    {
        const ByteCount withCr = lf - openLine_;
        longest_ = std::max(longest_, withCr > 0 ? withCr - 1 : 0);
        openLine_ = lf + 1;
        if (++count_ % step == 0)
            starts_.push_back(openLine_);
    }

    std::vector<ByteOffset> starts_{0};
    LineCount count_ = 0;
    ByteCount longest_ = 0;
    ByteOffset openLine_ = 0;
};

}  // namespace

struct MergedTextStore::Impl {
    std::optional<ByteCount> capacity;
    std::string folder;
    int fd = -1;
    ByteCount size = 0;
    LineIndex lines;
    mutable Mapping mapping;  // remade lazily after each change
    std::function<void()> listener;

    ~Impl()
    {
        mapping.release();
        if (fd >= 0)
            ::close(fd);
    }

    void notify() const
    {
        if (listener)
            listener();
    }

    bool fits(ByteOffset at, ByteCount length) const
    {
        const ByteCount limit = capacity ? std::min(*capacity, maxFileSize) : maxFileSize;
        return at <= limit && length <= limit - at;
    }

    void put(std::string_view piece, ByteOffset& at)
    {
        if (!fits(at, piece.size()) || !writeAt(fd, piece, at))
            textFull();
        lines.scan(piece, at);
        at += piece.size();
    }

    void appendOrThrow(const Block& block)
    {
        if (fd < 0)
            fd = openUnnamedFile(folder);
        if (fd < 0)
            textFull();
        ByteOffset at = size;
        block.write([&](std::string_view piece) { put(piece, at); });
        put("\r\n", at);
        size = at;
    }

    void rollBack(const LineIndex::Mark& mark)
    {
        lines.rollBack(mark);
        // Only `size` counts as text; a failed shrink costs disk space, not
        // correctness.
        if (fd >= 0)
            (void)!::ftruncate(fd, static_cast<off_t>(size));
    }

    const char* text() const { return mapping.text(fd, size); }
};

MergedTextStore::MergedTextStore(std::optional<ByteCount> capacity, std::string folder)
    : impl_(new Impl)
{
    impl_->capacity = capacity;
    impl_->folder = folder.empty() ? defaultFolder() : std::move(folder);
}

MergedTextStore::~MergedTextStore()
{
    delete impl_;
}

void MergedTextStore::Clear()
{
    impl_->mapping.release();
    impl_->size = 0;
    impl_->lines.clear();
    if (impl_->fd >= 0)
        (void)!::ftruncate(impl_->fd, 0);
    impl_->notify();
}

void MergedTextStore::Append(const Block& block)
{
    impl_->mapping.release();
    const auto mark = impl_->lines.mark();
    try {
        impl_->appendOrThrow(block);
    } catch (...) {
        impl_->rollBack(mark);
        impl_->notify();
        throw;
    }
    impl_->notify();
}

void MergedTextStore::SaveToFile(const std::string& path) const
{
    const int from = impl_->fd;
    const ByteCount length = impl_->size;
    writeTargetFile(path, [from, length](int to) { return copyFileBytes(from, length, to); });
}

ByteCount MergedTextStore::size() const
{
    return impl_->size;
}

LineCount MergedTextStore::lineCount() const
{
    return impl_->lines.count();
}

ByteOffset MergedTextStore::lineStart(LineNumber line) const
{
    if (line >= impl_->lines.count())
        return impl_->size;
    ByteOffset at = impl_->lines.checkpoint(line);
    const char* text = impl_->text();
    if (!text)
        return at;
    for (auto rest = line % LineIndex::step; rest > 0; --rest) {
        const void* lf = std::memchr(text + at, '\n', static_cast<std::size_t>(impl_->size - at));
        if (!lf)
            return impl_->size;
        at = static_cast<ByteOffset>(static_cast<const char*>(lf) - text) + 1;
    }
    return at;
}

ByteCount MergedTextStore::longestLine() const
{
    return impl_->lines.longest();
}

std::string_view MergedTextStore::bytes(ByteOffset offset, ByteCount length) const
{
    if (offset >= impl_->size)
        return {};
    const char* text = impl_->text();
    if (!text)
        return {};
    length = std::min(length, impl_->size - offset);
    return {text + offset, static_cast<std::size_t>(length)};
}

void MergedTextStore::setChangeListener(std::function<void()> listener)
{
    impl_->listener = std::move(listener);
}

}  // namespace velmor
