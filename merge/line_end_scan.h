#pragma once
// Finds the CR and LF bytes of a text sixteen bytes at a time. Text lines are
// short, so one pass that reports every line-end byte in order costs far less
// than a search call per line.
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmor {

// Calls on(p) for each p in [begin, end) where *p is LF or, when
// `withCr`, CR; in order.
template <bool withCr, typename OnByte>
inline void forEachLineEndByte(const char* begin, const char* end, OnByte&& on)
{
    const char* p = begin;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hits = _mm_cmpeq_epi8(bytes, lf);
        if (withCr)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, cr));
        for (auto mask = static_cast<std::uint32_t>(_mm_movemask_epi8(hits)); mask != 0; mask &= mask - 1)
            on(p + __builtin_ctz(mask));
    }
#endif
    for (; p < end; ++p)
        if (*p == '\n' || (withCr && *p == '\r'))
            on(p);
}

}  // namespace velmor
