#include "normalizer.h"

#include <algorithm>

#include "canonical_segment.h"
#include "normalization_tables.h"
#include "unicode_codecs.h"

namespace flk {
namespace {

using unicode::CanonicalSegment;
using unicode::NormRecord;

// Every code point below these limits is a starter that is already in the form, has no
// decomposition and never combines with what precedes it, so it needs no table lookup.
constexpr std::uint32_t kNfcQuickLimit = 0x300;
constexpr std::uint32_t kNfdQuickLimit = 0xC0;
// Units examined together by the quick scan over such characters.
constexpr std::size_t kScanBlock = 16;

struct FormRules {
  std::uint8_t notYes;    // flags that fail the quick check
  std::uint8_t boundary;  // flag of a character that starts a segment
  std::uint32_t quickLimit;
  bool compose;
};

constexpr FormRules kNfcRules{unicode::kFlagNfcNo | unicode::kFlagNfcMaybe,
                              unicode::kFlagNfcBoundary, kNfcQuickLimit, true};
constexpr FormRules kNfdRules{unicode::kFlagNfdNo, unicode::kFlagNfdBoundary, kNfdQuickLimit,
                              false};

const FormRules& rulesOf(NormalForm form) { return form == NormalForm::NFC ? kNfcRules : kNfdRules; }

constexpr std::uint32_t floorPowerOfTwo(std::uint32_t x) {
  std::uint32_t p = 1;
  while (p <= x / 2) p *= 2;
  return p;
}

template <class Codec>
std::uint32_t unitValue(typename Codec::Unit u) {
  if constexpr (sizeof(u) == 1) return static_cast<unsigned char>(u);
  else if constexpr (sizeof(u) == 2) return static_cast<std::uint16_t>(u);
  else return static_cast<std::uint32_t>(u);
}

// Skips the units at p that are below limit; p must point at one.
template <class Codec>
const typename Codec::Unit* skipBelow(const typename Codec::Unit* p,
                                      const typename Codec::Unit* end, std::uint32_t limit) {
  // A bitwise or of units stays below a power of two exactly when each unit does.
  const std::uint32_t blockLimit = floorPowerOfTwo(limit);
  ++p;
  while (static_cast<std::size_t>(end - p) >= kScanBlock) {
    std::uint32_t any = 0;
    for (std::size_t i = 0; i < kScanBlock; ++i) any |= unitValue<Codec>(p[i]);
    if (any >= blockLimit) break;
    p += kScanBlock;
  }
  while (p != end && unitValue<Codec>(*p) < limit) ++p;
  return p;
}

template <class Codec>
class SegmentWriter {
 public:
  using Unit = typename Codec::Unit;
  using String = typename Codec::String;

  SegmentWriter(const FormRules& rules, String& out) : rules_(rules), out_(out) {}

  // Decodes [begin, end), normalizes it and appends the result.
  void write(const Unit* begin, const Unit* end) {
    segment_.clear();
    for (const Unit* p = begin; p != end;) {
      const std::uint32_t c = Codec::decode(p, end);
      segment_.appendDecomposed(c, unicode::normRecord(c));
    }
    segment_.order();
    if (rules_.compose) segment_.compose();
    for (const unicode::SegmentChar& ch : segment_.chars()) Codec::encode(ch.c, out_);
  }

 private:
  const FormRules& rules_;
  String& out_;
  CanonicalSegment segment_;
};

// Appends the normalized text to out, or returns false, having written nothing, when the text
// is normalized already. Segments that pass the quick check are copied as they are.
template <class Codec>
bool normalizeInto(const FormRules& rules, const typename Codec::Unit* begin,
                   const typename Codec::Unit* end, typename Codec::String& out) {
  using Unit = typename Codec::Unit;
  const std::uint32_t quickLimit = std::min(rules.quickLimit, Codec::kSingleUnitLimit);
  SegmentWriter<Codec> writer(rules, out);
  const Unit* copied = begin;    // [copied, segment) is normalized but not yet written
  const Unit* segment = begin;   // start of the current segment
  bool segmentYes = true;
  std::uint32_t lastCcc = 0;
  auto closeSegment = [&](const Unit* segmentEnd) {
    if (segmentYes) return;
    out.append(copied, segment);
    writer.write(segment, segmentEnd);
    copied = segmentEnd;
  };
  for (const Unit* p = begin; p != end;) {
    if (unitValue<Codec>(*p) < quickLimit) {
      closeSegment(p);
      p = skipBelow<Codec>(p, end, quickLimit);
      segment = p - 1;
      segmentYes = true;
      lastCcc = 0;
      continue;
    }
    const Unit* start = p;
    const NormRecord& record = unicode::normRecord(Codec::decode(p, end));
    if ((record.flags & rules.boundary) && start != segment) {
      closeSegment(start);
      segment = start;
      segmentYes = true;
    }
    if ((record.flags & rules.notYes) || (record.ccc != 0 && lastCcc > record.ccc)) {
      segmentYes = false;
    }
    lastCcc = record.ccc;
  }
  closeSegment(end);
  if (copied == begin) return false;
  out.append(copied, end);
  return true;
}

template <class Codec, class View>
typename Codec::String normalizeCopy(NormalForm form, View text) {
  typename Codec::String out;
  if (!normalizeInto<Codec>(rulesOf(form), text.data(), text.data() + text.size(), out)) {
    out.assign(text.data(), text.size());
  }
  return out;
}

template <class Codec>
bool normalizeOwned(NormalForm form, typename Codec::String& text) {
  typename Codec::String out;
  if (!normalizeInto<Codec>(rulesOf(form), text.data(), text.data() + text.size(), out)) {
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
