// UTF-16 and UTF-32 in either byte order, converted by own code. The names UTF-16, UCS-2, UTF-32
// and UCS-4 carry a BOM in the data: on decoding a leading BOM selects the byte order and is
// dropped (without one the order is little-endian), on encoding one is written first.
#include "text/ucs_codec.hpp"
#include "text/ucs_exceptions.hpp"

#include <cstdint>
#include <cstring>

namespace UCS {
namespace {

constexpr bool kHostLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
constexpr std::uint32_t kBom = 0xFEFF;
constexpr std::uint32_t kHighFirst = 0xD800;
constexpr std::uint32_t kLowFirst = 0xDC00;
constexpr std::uint32_t kSurrogateEnd = 0xE000;
constexpr std::uint32_t kSupplementaryFirst = 0x10000;
constexpr std::uint32_t kCodePointEnd = 0x110000;

bool isSurrogate(std::uint32_t c) { return c >= kHighFirst && c < kSurrogateEnd; }

class UnicodeCodec final : public Codec {
public:
    UnicodeCodec(int unitBytes, bool bigEndian, bool bomInData, std::string name)
        : unitBytes_(unitBytes), bigEndian_(bigEndian), bomPending_(bomInData), name_(std::move(name)) {}

    Result decode(const char*& in, const char* inEnd, wchar_t*& out, wchar_t* outEnd) override {
        callStart_ = in;
        if (bomPending_ && !takeDataBom(in, inEnd)) return Result::kIncomplete;
        const Result result = unitBytes_ == 4 ? decode32(in, inEnd, out, outEnd) : decode16(in, inEnd, out, outEnd);
        consumed_ += in - callStart_;
        return result;
    }

    Result encode(const wchar_t*& in, const wchar_t* inEnd, char*& out, char* outEnd) override {
        if (bomPending_) {
            if (outEnd - out < unitBytes_) return Result::kOutputFull;
            put(out, kBom, unitBytes_);
            bomPending_ = false;
        }
        for (; in != inEnd; ++in, ++consumed_) {
            const auto c = static_cast<std::uint32_t>(*in);
            if (c >= kCodePointEnd || isSurrogate(c)) throw UnmappableCharacterException(kWideName, name_, consumed_ * sizeof(wchar_t));
            if (unitBytes_ == 4 || c < kSupplementaryFirst) {
                if (outEnd - out < unitBytes_) return Result::kOutputFull;
                put(out, c, unitBytes_);
            } else {
                if (outEnd - out < 4) return Result::kOutputFull;
                put(out, kHighFirst + ((c - kSupplementaryFirst) >> 10), 2);
                put(out, kLowFirst + ((c - kSupplementaryFirst) & 0x3FF), 2);
            }
        }
        return Result::kDone;
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

    Result decode32(const char*& in, const char* inEnd, wchar_t*& out, wchar_t* outEnd) {
        while (in != inEnd) {
            if (out == outEnd) return Result::kOutputFull;
            if (inEnd - in < 4) return Result::kIncomplete;
            const std::uint32_t c = get(in, 4);
            if (c >= kCodePointEnd || isSurrogate(c)) throw invalidInput(in);
            *out++ = static_cast<wchar_t>(c);
            in += 4;
        }
        return Result::kDone;
    }

    Result decode16(const char*& in, const char* inEnd, wchar_t*& out, wchar_t* outEnd) {
        while (in != inEnd) {
            if (out == outEnd) return Result::kOutputFull;
            if (inEnd - in < 2) return Result::kIncomplete;
            const std::uint32_t unit = get(in, 2);
            if (!isSurrogate(unit)) {
                *out++ = static_cast<wchar_t>(unit);
                in += 2;
                continue;
            }
            if (unit >= kLowFirst) throw invalidInput(in);
            if (inEnd - in < 4) return Result::kIncomplete;
            const std::uint32_t low = get(in + 2, 2);
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
