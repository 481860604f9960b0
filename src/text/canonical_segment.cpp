#include "text/canonical_segment.hpp"

#include "text/hangul.hpp"

#include <algorithm>

namespace flk::unicode {
namespace {

// Runs of non-starters longer than this are sorted with std::stable_sort rather than by
// insertion, so that a long run of marks cannot make ordering quadratic.
constexpr std::size_t kInsertionSortLimit = 32;

void insertionSort(SegmentChar* first, SegmentChar* last) {
    for (SegmentChar* i = first + 1; i < last; ++i) {
        const SegmentChar ch = *i;
        SegmentChar* j = i;
        for (; j > first && j[-1].ccc > ch.ccc; --j) *j = j[-1];
        *j = ch;
    }
}

}  // namespace

void CanonicalSegment::appendDecomposed(std::uint32_t c, const NormRecord& record) {
    if (record.flags & kFlagHangul) {
        std::uint32_t jamo[3];
        const int count = hangul::decompose(c, jamo);
        for (int i = 0; i < count; ++i) chars_.push_back({jamo[i], 0});
        return;
    }
    if (record.length == 0) {
        chars_.push_back({c, record.ccc});
        return;
    }
    const std::uint32_t* entry = kDecompositionPool + record.decomposition;
    for (unsigned i = 0; i < record.length; ++i) {
        chars_.push_back({entry[i] & kPoolCodePointMask, entry[i] >> kPoolCccShift});
    }
}

void CanonicalSegment::order() {
    SegmentChar* const end = chars_.data() + chars_.size();
    SegmentChar* run = chars_.data();
    while (run != end) {
        if (run->ccc == 0) {
            ++run;
            continue;
        }
        SegmentChar* runEnd = run + 1;
        while (runEnd != end && runEnd->ccc != 0) ++runEnd;
        if (static_cast<std::size_t>(runEnd - run) <= kInsertionSortLimit) {
            insertionSort(run, runEnd);
        } else {
            std::stable_sort(run, runEnd,
                             [](const SegmentChar& a, const SegmentChar& b) { return a.ccc < b.ccc; });
        }
        run = runEnd;
    }
}

void CanonicalSegment::compose() {
    constexpr std::size_t kNoStarter = static_cast<std::size_t>(-1);
    std::size_t starter = kNoStarter;
    // Class of the last character kept after the starter; 0 while the starter is the last kept.
    std::uint32_t lastCcc = 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < chars_.size(); ++i) {
        const SegmentChar ch = chars_[i];
        const bool blocked = starter == kNoStarter || (lastCcc != 0 && lastCcc >= ch.ccc);
        if (!blocked) {
            const std::uint32_t composite = composePair(chars_[starter].c, ch.c);
            if (composite != 0) {
                chars_[starter].c = composite;
                continue;
            }
        }
        if (ch.ccc == 0) starter = kept;
        lastCcc = ch.ccc;
        chars_[kept++] = ch;
    }
    chars_.resize(kept);
}

std::uint32_t composePair(std::uint32_t first, std::uint32_t second) {
    if (const std::uint32_t syllable = hangul::compose(first, second)) return syllable;
    const NormRecord& record = normRecord(first);
    if (record.composition == 0) return 0;
    const std::uint32_t* list = kCompositionPool + record.composition;
    const std::uint32_t* pair = list + 1;
    const std::uint32_t* const pairsEnd = pair + 2 * list[0];
    for (; pair != pairsEnd; pair += 2) {
        if (pair[0] == second) return pair[1];
        if (pair[0] > second) break;  // pairs are sorted by second
    }
    return 0;
}

}  // namespace flk::unicode
