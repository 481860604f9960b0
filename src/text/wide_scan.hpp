// Scans over wide text that reading lines spends most of its own time in, four characters at a
// time where the processor allows.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ucsIO {

#if defined(__SSE2__)
static_assert(sizeof(wchar_t) == 4, "the vector scans compare 32-bit characters");
constexpr std::ptrdiff_t kScanLanes = 4;

// One bit per byte of the four characters at p that equal c.
inline int matchMask(const wchar_t* p, __m128i c) {
    return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), c));
}
#endif

// The first CR or LF in [p, end), or end.
inline const wchar_t* findLineEnd(const wchar_t* p, const wchar_t* end) {
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi32(L'\n');
    const __m128i cr = _mm_set1_epi32(L'\r');
    for (; end - p >= kScanLanes; p += kScanLanes) {
        const int mask = matchMask(p, lf) | matchMask(p, cr);
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask)) / sizeof(wchar_t);
    }
#endif
    while (p != end && *p != L'\n' && *p != L'\r') ++p;
    return p;
}

// The number of LFs in [p, end). Matches (-1 per lane) are summed in the vector and added up
// once at the end: no population count, which the baseline processor does not have.
inline std::uint64_t countLf(const wchar_t* p, const wchar_t* end) {
    std::uint64_t count = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi32(L'\n');
    __m128i lanes = _mm_setzero_si128();
    for (; end - p >= kScanLanes; p += kScanLanes) {
        lanes = _mm_sub_epi32(lanes, _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), lf));
    }
    std::uint32_t perLane[kScanLanes];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(perLane), lanes);
    for (const std::uint32_t n : perLane) count += n;
#endif
    for (; p != end; ++p) count += *p == L'\n';
    return count;
}

}  // namespace ucsIO
