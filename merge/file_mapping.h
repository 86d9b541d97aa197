#pragma once
#include <sys/mman.h>

#include <cstddef>
#include <limits>

#include "text_units.h"

namespace velmor {

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

}  // namespace velmor
