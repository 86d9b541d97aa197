#include "merged_text_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "errors.h"
#include "file_copy.h"
#include "file_mapping.h"
#include "line_index.h"
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
