// Arithmetic decomposition and composition of the precomposed Hangul syllables: each syllable
// is a leading consonant, a vowel and an optional trailing consonant.
#pragma once

#include <cstdint>

namespace flk::unicode::hangul {

constexpr std::uint32_t kSBase = 0xAC00;
constexpr std::uint32_t kLBase = 0x1100;
constexpr std::uint32_t kVBase = 0x1161;
constexpr std::uint32_t kTBase = 0x11A7;  // one before the first trailing consonant
constexpr std::uint32_t kLCount = 19;
constexpr std::uint32_t kVCount = 21;
constexpr std::uint32_t kTCount = 28;
constexpr std::uint32_t kNCount = kVCount * kTCount;
constexpr std::uint32_t kSCount = kLCount * kNCount;  // 11172 syllables

inline bool isSyllable(std::uint32_t c) {
    return c - kSBase < kSCount;
}

// Writes the two or three jamo of a syllable to out and returns how many.
inline int decompose(std::uint32_t syllable, std::uint32_t out[3]) {
    const std::uint32_t index = syllable - kSBase;
    out[0] = kLBase + index / kNCount;
    out[1] = kVBase + (index % kNCount) / kTCount;
    const std::uint32_t trailing = index % kTCount;
    if (trailing == 0) return 2;
    out[2] = kTBase + trailing;
    return 3;
}

// The syllable made of first and second (leading + vowel, or LV syllable + trailing), or 0.
inline std::uint32_t compose(std::uint32_t first, std::uint32_t second) {
    if (first - kLBase < kLCount && second - kVBase < kVCount) {
        return kSBase + ((first - kLBase) * kVCount + (second - kVBase)) * kTCount;
    }
    if (isSyllable(first) && (first - kSBase) % kTCount == 0 && second - kTBase - 1 < kTCount - 1) {
        return first + (second - kTBase);
    }
    return 0;
}

}  // namespace flk::unicode::hangul
