#include "file_mapping.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

namespace velmor {

namespace {

// Windows start and end on these bounds, so that a walk through the text in
// small pieces maps a new window only every few pieces.
constexpr ByteCount granule = ByteCount{1} << 20;

ByteCount pageSize()
{
    static const ByteCount size = static_cast<ByteCount>(::sysconf(_SC_PAGESIZE));
    return size;
}

ByteCount roundDown(ByteCount value, ByteCount step)
{
    return value / step * step;
}

}  // namespace

std::string_view FileMapping::view(Window window, int fd, ByteCount size, ByteOffset offset, ByteCount length)
{
    if (const char* text = mapWhole(fd, size))
        return {text + offset, static_cast<std::size_t>(length)};
    const Region& region = mapWindow(window, fd, size, offset, length);
    if (!region.base || offset < region.start || offset >= region.start + region.length)
        return {};
    const ByteCount inside = std::min(length, region.start + region.length - offset);
    return {region.base + (offset - region.start), static_cast<std::size_t>(inside)};
}

void FileMapping::release()
{
    unmap(whole_);
    wholeRefused_ = false;
    for (Region& window : windows_)
        unmap(window);
}

const char* FileMapping::mapWhole(int fd, ByteCount size)
{
    if (whole_.base)
        return whole_.base;
    if (wholeRefused_ || size > limit_ || size > std::numeric_limits<std::size_t>::max())
        return nullptr;
    whole_.length = size;
    if (!map(whole_, fd))
        wholeRefused_ = true;
    return whole_.base;
}

// The window that holds [offset, offset + length), or as much of it from
// `offset` on as can be mapped: on a refusal the window starts at the page of
// `offset` and is halved, down to that one page.
const FileMapping::Region& FileMapping::mapWindow(Window window, int fd, ByteCount size, ByteOffset offset,
                                                  ByteCount length)
{
    Region& region = windows_[window];
    if (region.holds(offset, length))
        return region;
    unmap(region);
    const ByteCount page = pageSize();
    const ByteOffset firstPage = roundDown(offset, page);
    ByteOffset start = roundDown(offset, granule);
    ByteOffset end = std::min(size, roundDown(offset + length + granule - 1, granule));
    const ByteCount most = std::max(roundDown(limit_, page), page);
    if (end - start > most) {
        start = firstPage;
        end = std::min(size, start + most);
    }
    for (;;) {
        region.start = start;
        region.length = end - start;
        if (map(region, fd))
            break;
        if (start < firstPage)
            start = firstPage;
        else if (end - start > page)
            end = start + std::max(roundDown((end - start) / 2, page), page);
        else
            break;
    }
    return region;
}

bool FileMapping::map(Region& region, int fd)
{
    void* base = ::mmap(nullptr, static_cast<std::size_t>(region.length), PROT_READ, MAP_SHARED, fd,
                        static_cast<off_t>(region.start));
    region.base = base == MAP_FAILED ? nullptr : static_cast<const char*>(base);
    return region.base != nullptr;
}

void FileMapping::unmap(Region& region)
{
    if (region.base)
        ::munmap(const_cast<char*>(region.base), static_cast<std::size_t>(region.length));
    region = Region{};
}

}  // namespace velmor
