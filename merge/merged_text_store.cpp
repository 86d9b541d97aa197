#include "merged_text_store.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "errors.h"
#include "file_copy.h"
#include "file_mapping.h"
#include "line_index.h"
#include "target_file.h"
#include "text_folder.h"

namespace velmor {

namespace {

constexpr ByteCount maxFileSize = static_cast<ByteCount>(std::numeric_limits<off_t>::max());

[[noreturn]] void textFull()
{
    throw EOutOfResources(messages::textFull);
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
    std::string folder;  // empty: chosen for each new file
    int fd = -1;
    ByteCount size = 0;
    LineIndex lines;
    mutable FileMapping mapping;  // remade lazily after each change
    // The file has become a saved target: it is never written or cut again,
    // and a further save copies it rather than giving it a second name.
    mutable bool givenAway = false;
    std::function<void()> listener;

    Impl(std::optional<ByteCount> capacity, std::string folder, ByteCount mappingLimit)
        : capacity(capacity), folder(std::move(folder)), mapping(mappingLimit)
    {
    }

    ~Impl() { dropFile(); }

    void notify() const
    {
        if (listener)
            listener();
    }

    int openFile() const
    {
        return folder.empty() ? openTextFile(textFolderCandidates()).fd : openUnnamedFile(folder);
    }

    void dropFile()
    {
        mapping.release();
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        givenAway = false;
    }

    // A file the text may be written into: a new one at first, and a copy
    // of the text when its file now belongs to a saved target.
    void ownFile()
    {
        if (fd >= 0 && !givenAway)
            return;
        const int fresh = openFile();
        if (fresh < 0)
            textFull();
        if (fd >= 0 && !copyFileBytes(fd, size, fresh)) {
            ::close(fresh);
            textFull();
        }
        dropFile();
        fd = fresh;
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
        ownFile();
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
        if (fd >= 0 && !givenAway)
            (void)!::ftruncate(fd, static_cast<off_t>(size));
    }

    // Just past the first LF at or after `at`; the end of the text when
    // there is none.
    ByteOffset afterLineEnd(ByteOffset at) const
    {
        constexpr ByteCount piece = ByteCount{1} << 20;
        while (at < size) {
            const auto bytes = mapping.view(FileMapping::scanned, fd, size, at, std::min(piece, size - at));
            if (bytes.empty())
                return size;
            if (const void* lf = std::memchr(bytes.data(), '\n', bytes.size()))
                return at + static_cast<ByteOffset>(static_cast<const char*>(lf) - bytes.data()) + 1;
            at += bytes.size();
        }
        return size;
    }
};

MergedTextStore::MergedTextStore(std::optional<ByteCount> capacity, std::string folder, ByteCount mappingLimit)
    : impl_(new Impl(capacity, std::move(folder), mappingLimit))
{
}

MergedTextStore::~MergedTextStore()
{
    delete impl_;
}

void MergedTextStore::Clear()
{
    // A file handed over as a target must keep every byte.
    if (impl_->givenAway)
        impl_->dropFile();
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
    TargetContent content;
    content.length = length;
    content.write = [from, length](int to) { return copyFileBytes(from, length, to); };
    content.linkable = impl_->givenAway ? -1 : from;
    if (writeTargetFile(path, content) == SaveOutcome::linked)
        impl_->givenAway = true;
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
    const LineIndex::Start nearest = impl_->lines.nearestStart(line);
    ByteOffset at = nearest.offset;
    for (auto rest = line - nearest.line; rest > 0; --rest)
        at = impl_->afterLineEnd(at);
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
    length = std::min(length, impl_->size - offset);
    return impl_->mapping.view(FileMapping::shown, impl_->fd, impl_->size, offset, length);
}

void MergedTextStore::setChangeListener(std::function<void()> listener)
{
    impl_->listener = std::move(listener);
}

}  // namespace velmor
