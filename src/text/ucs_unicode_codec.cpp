// UTF-16 and UTF-32 in either byte order, converted by own code. The names UTF-16, UCS-2, UTF-32
// and UCS-4 carry a BOM in the data: on decoding a leading BOM selects the byte order and is
// dropped (without one the order is little-endian), on encoding one is written first.
#include "text/ucs_codec.hpp"
#include "text/ucs_exceptions.hpp"
#include "text/unicode_codecs.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace UCS {
namespace {

constexpr bool kHostLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
constexpr std::uint32_t kBom = 0xFEFF;
using flk::unicode::kCodePointEnd;
using flk::unicode::kSupplementaryFirst;
using flk::unicode::kSurrogateEnd;
constexpr std::uint32_t kHighFirst = flk::unicode::kHighSurrogateFirst;
constexpr std::uint32_t kLowFirst = flk::unicode::kLowSurrogateFirst;
constexpr std::ptrdiff_t kMaxEncodedBytes = 4;

bool isSurrogate(std::uint32_t c) { return c >= kHighFirst && c < kSurrogateEnd; }

class UnicodeCodec final : public Codec {
public:
    UnicodeCodec(int unitBytes, bool bigEndian, bool bomInData, std::string name)
        : unitBytes_(unitBytes), bigEndian_(bigEndian), bomPending_(bomInData), name_(std::move(name)) {}

    Result decode(const char*& in, const char* inEnd, wchar_t*& out, wchar_t* outEnd) override {
        callStart_ = in;
        if (bomPending_ && !takeDataBom(in, inEnd)) return Result::kIncomplete;
        const bool swap = bigEndian_ == kHostLittleEndian;
        Result result;
        if (unitBytes_ == 4) {
            result = swap ? decode32<true>(in, inEnd, out, outEnd) : decode32<false>(in, inEnd, out, outEnd);
        } else {
            result = swap ? decode16<true>(in, inEnd, out, outEnd) : decode16<false>(in, inEnd, out, outEnd);
        }
        consumed_ += in - callStart_;
        return result;
    }

    Result encode(const wchar_t*& in, const wchar_t* inEnd, char*& out, char* outEnd) override {
        if (bomPending_) {
            if (outEnd - out < unitBytes_) return Result::kOutputFull;
            put(out, kBom, unitBytes_);
            bomPending_ = false;
        }
        const wchar_t* const start = in;
        // Every character fits in kMaxEncodedBytes: batches that fit need no check per character.
        for (size_t n; (n = std::min<size_t>(inEnd - in, (outEnd - out) / kMaxEncodedBytes)) > 0;) {
            encodeBatch(in, in + n, out, start);
        }
        Result result = Result::kDone;
        while (in != inEnd) {
            const int need = unitBytes_ == 4 || static_cast<std::uint32_t>(*in) < kSupplementaryFirst ? unitBytes_ : 4;
            if (outEnd - out < need) {
                result = Result::kOutputFull;
                break;
            }
            encodeBatch(in, in + 1, out, start);
        }
        consumed_ += in - start;
        return result;
    }

    void omitDataBom() override { bomPending_ = false; }

private:
    // Units are loaded and stored whole and byte-swapped when the order differs from the host's.
    std::uint32_t get(const char* p, int bytes) const {
        const bool swap = bigEndian_ == kHostLittleEndian;
        if (bytes == 2) {
            std::uint16_t unit;
            std::memcpy(&unit, p, 2);
            return swap ? __builtin_bswap16(unit) : unit;
        }
        std::uint32_t unit;
        std::memcpy(&unit, p, 4);
        return swap ? __builtin_bswap32(unit) : unit;
    }

    void put(char*& out, std::uint32_t value, int bytes) const {
        const bool swap = bigEndian_ == kHostLittleEndian;
        if (bytes == 2) {
            const auto unit = static_cast<std::uint16_t>(swap ? __builtin_bswap16(static_cast<std::uint16_t>(value)) : value);
            std::memcpy(out, &unit, 2);
        } else {
            const std::uint32_t unit = swap ? __builtin_bswap32(value) : value;
            std::memcpy(out, &unit, 4);
        }
        out += bytes;
    }

    void encodeBatch(const wchar_t*& in, const wchar_t* end, char*& out, const wchar_t* start) const {
        const bool swap = bigEndian_ == kHostLittleEndian;
        if (unitBytes_ == 4) {
            swap ? encodeUnits<4, true>(in, end, out, start) : encodeUnits<4, false>(in, end, out, start);
        } else {
            swap ? encodeUnits<2, true>(in, end, out, start) : encodeUnits<2, false>(in, end, out, start);
        }
    }

    template <int Bytes, bool Swap>
    void encodeUnits(const wchar_t*& in, const wchar_t* end, char*& out, const wchar_t* start) const {
        for (; in != end; ++in) {
            const auto c = static_cast<std::uint32_t>(*in);
            if (c >= kCodePointEnd || isSurrogate(c)) {
                throw UnmappableCharacterException(kWideName, name_, (consumed_ + (in - start)) * sizeof(wchar_t));
            }
            if (Bytes == 4) {
                store<std::uint32_t, Swap>(out, c);
            } else if (c < kSupplementaryFirst) {
                store<std::uint16_t, Swap>(out, c);
            } else {
                store<std::uint16_t, Swap>(out, kHighFirst + ((c - kSupplementaryFirst) >> 10));
                store<std::uint16_t, Swap>(out, kLowFirst + ((c - kSupplementaryFirst) & 0x3FF));
            }
        }
    }

    template <class Unit, bool Swap>
    static void store(char*& out, std::uint32_t value) {
        Unit unit = static_cast<Unit>(value);
        if (Swap) unit = sizeof(Unit) == 2 ? static_cast<Unit>(__builtin_bswap16(unit)) : static_cast<Unit>(__builtin_bswap32(unit));
        std::memcpy(out, &unit, sizeof(Unit));
        out += sizeof(Unit);
    }

    // False while fewer bytes than one unit have arrived; the BOM, if any, decides the order.
    bool takeDataBom(const char*& in, const char* inEnd) {
        if (inEnd - in < unitBytes_) return false;
        bomPending_ = false;
        bigEndian_ = false;
        if (get(in, unitBytes_) == kBom) {
            in += unitBytes_;
        } else {
            bigEndian_ = true;
            if (get(in, unitBytes_) == kBom) {
                in += unitBytes_;
            } else {
                bigEndian_ = false;
            }
        }
        return true;
    }

    UnmappableCharacterException invalidInput(const char* at) const {
        return UnmappableCharacterException(name_, kWideName, consumed_ + (at - callStart_));
    }

    template <class Unit, bool Swap>
    static std::uint32_t load(const char* p) {
        Unit unit;
        std::memcpy(&unit, p, sizeof(Unit));
        if (Swap) unit = sizeof(Unit) == 2 ? static_cast<Unit>(__builtin_bswap16(unit)) : static_cast<Unit>(__builtin_bswap32(unit));
        return unit;
    }

    template <bool Swap>
    Result decode32(const char*& in, const char* inEnd, wchar_t*& out, wchar_t* outEnd) {
        while (in != inEnd) {
            if (out == outEnd) return Result::kOutputFull;
            if (inEnd - in < 4) return Result::kIncomplete;
            const std::uint32_t c = load<std::uint32_t, Swap>(in);
            if (c >= kCodePointEnd || isSurrogate(c)) throw invalidInput(in);
            *out++ = static_cast<wchar_t>(c);
            in += 4;
        }
        return Result::kDone;
    }

    template <bool Swap>
    Result decode16(const char*& in, const char* inEnd, wchar_t*& out, wchar_t* outEnd) {
        while (in != inEnd) {
            // Runs without surrogates, as many as both buffers hold, need no other check.
            const std::ptrdiff_t run = std::min<std::ptrdiff_t>((inEnd - in) / 2, outEnd - out);
            const char* const runEnd = in + 2 * run;
            std::uint32_t unit = 0;
            while (in != runEnd && !isSurrogate(unit = load<std::uint16_t, Swap>(in))) {
                *out++ = static_cast<wchar_t>(unit);
                in += 2;
            }
            if (in == inEnd) break;
            if (out == outEnd) return Result::kOutputFull;
            if (inEnd - in < 2) return Result::kIncomplete;
            unit = load<std::uint16_t, Swap>(in);
            if (!isSurrogate(unit)) {
                *out++ = static_cast<wchar_t>(unit);
                in += 2;
                continue;
            }
            if (unit >= kLowFirst) throw invalidInput(in);
            if (inEnd - in < 4) return Result::kIncomplete;
            const std::uint32_t low = load<std::uint16_t, Swap>(in + 2);
            if (low < kLowFirst || low >= kSurrogateEnd) {
                throw invalidInput(in);
            }
            *out++ = static_cast<wchar_t>(kSupplementaryFirst + ((unit - kHighFirst) << 10) + (low - kLowFirst));
            in += 4;
        }
        return Result::kDone;
    }

    const int unitBytes_;
    bool bigEndian_;
    bool bomPending_;
    const std::string name_;
    size_t consumed_ = 0;  // bytes decoded, or wide characters encoded, before this call
    const char* callStart_ = nullptr;
};

}  // namespace

std::unique_ptr<Codec> makeUnicodeCodec(const ResolvedEncoding& encoding, const std::string& name) {
    switch (encoding.codePage) {
        case kUtf16LE: return std::make_unique<UnicodeCodec>(2, false, encoding.bomInData, name);
        case kUtf16BE: return std::make_unique<UnicodeCodec>(2, true, false, name);
        case kUtf32LE: return std::make_unique<UnicodeCodec>(4, false, encoding.bomInData, name);
        case kUtf32BE: return std::make_unique<UnicodeCodec>(4, true, false, name);
        default: return nullptr;
    }
}

}  // namespace UCS
