#include "text/normalizer.hpp"

#include "text/canonical_segment.hpp"
#include "text/hangul.hpp"
#include "text/normalization_tables.hpp"
#include "text/unicode_codecs.hpp"

#include <algorithm>
#include <cstring>

namespace flk {
namespace {

using unicode::CanonicalSegment;

// Every code point below these limits is a starter that is already in the form, has no
// decomposition and never combines with what precedes it, so it needs no table lookup.
constexpr std::uint32_t kNfcQuickLimit = 0x300;
constexpr std::uint32_t kNfdQuickLimit = 0xC0;
// Bytes examined together by the quick scan over long runs of such characters.
constexpr std::size_t kScanBlockBytes = 32;
// Text that needs no change is copied in chunks of about this size.
constexpr std::size_t kCopyChunkBytes = 16384;

struct FormRules {
    std::uint8_t notYes;    // flags that fail the quick check
    std::uint8_t boundary;  // flag of a character that starts a segment
    std::uint32_t quickLimit;
    bool compose;
};

constexpr FormRules kNfcRules{unicode::kFlagNfcNo | unicode::kFlagNfcMaybe, unicode::kFlagNfcBoundary,
                              kNfcQuickLimit, true};
constexpr FormRules kNfdRules{unicode::kFlagNfdNo, unicode::kFlagNfdBoundary, kNfdQuickLimit, false};

const FormRules& rulesOf(NormalForm form) {
    return form == NormalForm::NFC ? kNfcRules : kNfdRules;
}

constexpr std::uint32_t floorPowerOfTwo(std::uint32_t x) {
    std::uint32_t p = 1;
    while (p <= x / 2) p *= 2;
    return p;
}

template <class Codec>
std::uint32_t unitValue(typename Codec::Unit u) {
    if constexpr (sizeof(u) == 1)
        return static_cast<unsigned char>(u);
    else if constexpr (sizeof(u) == 2)
        return static_cast<std::uint16_t>(u);
    else
        return static_cast<std::uint32_t>(u);
}

// A word of units, each masked to the bits that make a unit reach blockLimit.
template <class Unit>
constexpr std::uint64_t replicatedMask(std::uint32_t blockLimit) {
    constexpr unsigned bits = 8 * sizeof(Unit);
    const std::uint64_t unitMask = ~std::uint64_t{blockLimit - 1} & ((std::uint64_t{1} << bits) - 1);
    std::uint64_t mask = 0;
    for (unsigned shift = 0; shift < 64; shift += bits) mask |= unitMask << shift;
    return mask;
}

// Skips the units at p that are below limit; p must point at one. Short runs are checked unit
// by unit; long ones a block of words at a time, where a bitwise or of units stays below a power
// of two exactly when each unit does.
template <class Codec>
const typename Codec::Unit* skipBelow(const typename Codec::Unit* p, const typename Codec::Unit* end,
                                      std::uint32_t limit) {
    using Unit = typename Codec::Unit;
    const Unit* const shortEnd = p + std::min<std::size_t>(end - p, kScanBlockBytes / sizeof(Unit));
    for (++p; p != shortEnd; ++p) {
        if (unitValue<Codec>(*p) >= limit) return p;
    }
    const std::uint64_t mask = replicatedMask<Unit>(floorPowerOfTwo(limit));
    while (static_cast<std::size_t>(end - p) * sizeof(Unit) >= kScanBlockBytes) {
        std::uint64_t words[kScanBlockBytes / sizeof(std::uint64_t)];
        std::memcpy(words, p, kScanBlockBytes);
        std::uint64_t any = 0;
        for (const std::uint64_t word : words) any |= word;
        if (any & mask) break;
        p += kScanBlockBytes / sizeof(Unit);
    }
    while (p != end && unitValue<Codec>(*p) < limit) ++p;
    return p;
}

// Normalizes texts in one encoding. Not thread-safe: each call makes its own.
template <class Codec>
class TextNormalizer {
public:
    using Unit = typename Codec::Unit;
    using String = typename Codec::String;

    explicit TextNormalizer(NormalForm form)
        : rules_(rulesOf(form)), quickLimit_(std::min(rules_.quickLimit, Codec::kSingleUnitLimit)) {}

    // Appends the normalized text to out, or returns false, having written nothing, when the
    // text is normalized already. Segments that pass the quick check are copied as they are.
    bool normalizeInto(const Unit* begin, const Unit* end, String& out) {
        const Unit* copied = begin;   // [copied, segment) is normalized but not yet written
        const Unit* segment = begin;  // start of the current segment
        bool segmentYes = true;
        std::uint32_t lastCcc = 0;
        // A segment ends where the next starts; one that failed the quick check is flushed. (Written
        // out at each end rather than as a lambda, so that the loop's pointers stay in registers.)
        for (const Unit* p = begin; p != end;) {
            if (unitValue<Codec>(*p) < quickLimit_) {
                if (!segmentYes) copied = flushSegment(copied, segment, p, out);
                p = skipBelow<Codec>(p, end, quickLimit_);
                segment = p - 1;
                segmentYes = true;
                lastCcc = 0;
                continue;
            }
            const Unit* start = p;
            const std::uint32_t properties = unicode::normProperties(Codec::decode(p, end));
            const std::uint32_t ccc = unicode::cccOf(properties);
            const std::uint8_t flags = unicode::flagsOf(properties);
            if ((flags & rules_.boundary) && start != segment) {
                if (!segmentYes) copied = flushSegment(copied, segment, start, out);
                segment = start;
                segmentYes = true;
            }
            if ((flags & rules_.notYes) || (ccc != 0 && lastCcc > ccc)) segmentYes = false;
            lastCcc = ccc;
        }
        if (!segmentYes) copied = flushSegment(copied, segment, end, out);
        if (copied == begin) return false;
        out.append(copied, end);
        return true;
    }

    // The normalized text, built chunk by chunk so that text that needs no change is copied
    // while it is still in the cache from the quick check. Chunks end before a unit below the
    // quick limit, which always starts a segment.
    String normalizeCopy(const Unit* begin, const Unit* end) {
        String out;
        out.reserve(end - begin);
        while (begin != end) {
            const Unit* chunkEnd = begin + std::min<std::size_t>(end - begin, kCopyChunkUnits);
            while (chunkEnd != end && unitValue<Codec>(*chunkEnd) >= quickLimit_) ++chunkEnd;
            if (!normalizeInto(begin, chunkEnd, out)) out.append(begin, chunkEnd);
            begin = chunkEnd;
        }
        return out;
    }

private:
    static constexpr std::size_t kCopyChunkUnits = kCopyChunkBytes / sizeof(Unit);

    // Appends the normalized text before the segment and the normalized segment [segment,
    // segmentEnd); returns the new end of what is written.
    const Unit* flushSegment(const Unit* copied, const Unit* segment, const Unit* segmentEnd, String& out) {
        out.append(copied, segment);
        writeSegment(segment, segmentEnd, out);
        return segmentEnd;
    }

    // Decodes [begin, end), normalizes it and appends the result.
    void writeSegment(const Unit* begin, const Unit* end, String& out) {
        const Unit* p = begin;
        const std::uint32_t first = Codec::decode(p, end);
        if (p == end && !rules_.compose) {
            writeDecomposition(first, out);
            return;
        }
        segment_.clear();
        segment_.appendDecomposed(first, unicode::normRecord(first));
        while (p != end) {
            const std::uint32_t c = Codec::decode(p, end);
            segment_.appendDecomposed(c, unicode::normRecord(c));
        }
        segment_.order();
        if (rules_.compose) segment_.compose();
        for (const unicode::SegmentChar& ch : segment_.chars()) Codec::encode(ch.c, out);
    }

    // The NFD of one character: its decomposition, which the tables hold in canonical order.
    static void writeDecomposition(std::uint32_t c, String& out) {
        const unicode::NormRecord& record = unicode::normRecord(c);
        if (record.flags & unicode::kFlagHangul) {
            std::uint32_t jamo[3];
            const int count = unicode::hangul::decompose(c, jamo);
            for (int i = 0; i < count; ++i) Codec::encode(jamo[i], out);
        } else if (record.length == 0) {
            Codec::encode(c, out);
        } else {
            const std::uint32_t* entry = unicode::kDecompositionPool + record.decomposition;
            for (unsigned i = 0; i < record.length; ++i) {
                Codec::encode(entry[i] & unicode::kPoolCodePointMask, out);
            }
        }
    }

    const FormRules& rules_;
    const std::uint32_t quickLimit_;
    CanonicalSegment segment_;
};

template <class Codec, class View>
typename Codec::String normalizeCopy(NormalForm form, View text) {
    return TextNormalizer<Codec>(form).normalizeCopy(text.data(), text.data() + text.size());
}

template <class Codec>
bool normalizeOwned(NormalForm form, typename Codec::String& text) {
    typename Codec::String out;
    if (!TextNormalizer<Codec>(form).normalizeInto(text.data(), text.data() + text.size(), out)) {
        return false;
    }
    text.swap(out);
    return true;
}

}  // namespace

std::wstring Normalizer::normalize(std::wstring_view text) const {
    return normalizeCopy<unicode::WideCodec>(form_, text);
}

std::string Normalizer::normalize(std::string_view utf8) const {
    return normalizeCopy<unicode::Utf8Codec>(form_, utf8);
}

std::u16string Normalizer::normalize(std::u16string_view utf16) const {
    return normalizeCopy<unicode::Utf16Codec<char16_t>>(form_, utf16);
}

bool Normalizer::normalizeInPlace(std::wstring& text) const {
    return normalizeOwned<unicode::WideCodec>(form_, text);
}

bool Normalizer::normalizeInPlace(std::string& utf8) const {
    return normalizeOwned<unicode::Utf8Codec>(form_, utf8);
}

const NormalizeNFC& NormalizeNFC::instance() {
    static const NormalizeNFC normalizer;
    return normalizer;
}

const NormalizeNFD& NormalizeNFD::instance() {
    static const NormalizeNFD normalizer;
    return normalizer;
}

const Normalizer* normalizerForForm(int form) {
    if (form == static_cast<int>(NormalForm::NFC)) return &NormalizeNFC::instance();
    if (form == static_cast<int>(NormalForm::NFD)) return &NormalizeNFD::instance();
    return nullptr;
}

const Normalizer* normalizerForName(std::string_view name) {
    if (name == "nfc") return &NormalizeNFC::instance();
    if (name == "nfd") return &NormalizeNFD::instance();
    return nullptr;
}

}  // namespace flk
