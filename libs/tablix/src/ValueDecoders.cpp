#include "ValueDecoders.h"

#include <algorithm>
#include <cstring>

#include "DeltaDecoder.h"
#include "Limits.h"
#include "Metadata.h"
#include "RleHybrid.h"
#include "tablix/Exception.h"

namespace tablix {

namespace {

constexpr int64_t kJulianDayOfEpoch = 2440588;
constexpr int64_t kNanosPerDay = 86400LL * 1000000000LL;
constexpr int64_t kNanosPerMicro = 1000;
constexpr uint64_t kMicrosPerDay = 86400ULL * 1000000ULL;

[[noreturn]] void tooShort(int32_t encoding, size_t count, size_t size) {
    throw Exception(std::string(meta::encodingName(encoding)) + " data of " + std::to_string(size) +
                    " bytes is too short for " + std::to_string(count) + " values");
}

template <class T>
T load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
}

size_t fixedWidth(const PhysicalColumn& c) {
    switch (c.type) {
    case meta::Int32:
    case meta::Float: return 4;
    case meta::Int64:
    case meta::Double: return 8;
    case meta::Int96: return 12;
    case meta::FixedLenByteArray: return static_cast<size_t>(c.typeLength);
    default: return 0;
    }
}

// An INT96 timestamp: nanoseconds of the day, then the Julian day number. In nanoseconds only when
// it is a proper one (a time of day within its day) that 64-bit nanoseconds hold. In microseconds
// it is computed as its writers compute it, in 64-bit microseconds since the epoch that may wrap on
// the way: a writer that counted microseconds near the end of their range stored a day and a time
// of day that only the same arithmetic turns back into the instant it meant.
int64_t int96Time(const uint8_t* p, bool micros) {
    const int64_t nanosOfDay = load<int64_t>(p);
    const int64_t julianDay = load<int32_t>(p + 8);
    if (micros) {
        const uint64_t days = static_cast<uint64_t>(julianDay - kJulianDayOfEpoch);
        return static_cast<int64_t>(days * kMicrosPerDay + static_cast<uint64_t>(nanosOfDay / kNanosPerMicro));
    }
    if (nanosOfDay < 0 || nanosOfDay >= kNanosPerDay) throw Int96OutOfRange();
    const __int128 v = static_cast<__int128>(julianDay - kJulianDayOfEpoch) * kNanosPerDay + nanosOfDay;
    if (v < INT64_MIN || v > INT64_MAX) throw Int96OutOfRange();
    return static_cast<int64_t>(v);
}

void plainByteArrays(const uint8_t* data, size_t size, size_t count, Lanes& out) {
    size_t pos = 0;
    out.bytes.reserve(out.bytes.size() + std::min(count, size / 4));   // each value takes 4 bytes at least
    for (size_t i = 0; i < count; ++i) {
        if (size - pos < 4) tooShort(meta::Plain, count, size);
        const uint32_t n = load<uint32_t>(data + pos);
        pos += 4;
        if (n > size - pos)
            throw Exception("PLAIN byte array " + std::to_string(i) + " declares " + std::to_string(n) + " bytes, only " +
                            std::to_string(size - pos) + " remain in the page");
        out.bytes.emplace_back(reinterpret_cast<const char*>(data + pos), n);
        pos += n;
    }
}

void decodePlain(const PhysicalColumn& c, const uint8_t* data, size_t size, size_t count, Lanes& out) {
    if (c.type == meta::Boolean) {
        if (size * 8 < count) tooShort(meta::Plain, count, size);
        for (size_t i = 0; i < count; ++i) out.i32.push_back((data[i >> 3] >> (i & 7)) & 1);
        return;
    }
    if (c.type == meta::ByteArray) return plainByteArrays(data, size, count, out);
    const size_t width = fixedWidth(c);
    if (width == 0 || size / width < count) tooShort(meta::Plain, count, size);
    switch (c.type) {
    case meta::Int32: {
        const size_t at = out.i32.size();
        out.i32.resize(at + count);
        if (count) std::memcpy(out.i32.data() + at, data, count * 4);
        return;
    }
    case meta::Int64: {
        const size_t at = out.i64.size();
        out.i64.resize(at + count);
        if (count) std::memcpy(out.i64.data() + at, data, count * 8);
        return;
    }
    case meta::Double: {
        const size_t at = out.f64.size();
        out.f64.resize(at + count);
        if (count) std::memcpy(out.f64.data() + at, data, count * 8);
        return;
    }
    case meta::Float:
        for (size_t i = 0; i < count; ++i) out.f64.push_back(load<float>(data + 4 * i));
        return;
    case meta::Int96:
        for (size_t i = 0; i < count; ++i) out.i64.push_back(int96Time(data + 12 * i, c.int96AsMicros));
        return;
    default:   // FIXED_LEN_BYTE_ARRAY
        for (size_t i = 0; i < count; ++i) out.bytes.emplace_back(reinterpret_cast<const char*>(data + width * i), width);
        return;
    }
}

void decodeRleBooleans(const uint8_t* data, size_t size, size_t count, Lanes& out) {
    if (size < 4) tooShort(meta::Rle, count, size);
    const uint32_t length = load<uint32_t>(data);
    if (length > size - 4) throw Exception("RLE boolean data declares " + std::to_string(length) + " bytes, the page holds " + std::to_string(size - 4));
    const size_t at = out.i32.size();
    out.i32.resize(at + count);
    RleDecoder(data + 4, length, 1, "RLE boolean data").decode(out.i32.data() + at, count);
}

void decodeByteStreamSplit(const PhysicalColumn& c, const uint8_t* data, size_t size, size_t count, Lanes& out) {
    const size_t width = fixedWidth(c);
    if (width == 0 || c.type == meta::Int96) throw Exception(std::string("BYTE_STREAM_SPLIT is not defined for ") + meta::physicalTypeName(c.type));
    if (size / width < count) tooShort(meta::ByteStreamSplit, count, size);
    const size_t streamLength = count;   // every stream spans the page's values, nulls excluded
    uint8_t value[16];
    if (c.type == meta::FixedLenByteArray) {
        out.owned.resize(count * width);
        for (size_t i = 0; i < count; ++i)
            for (size_t b = 0; b < width; ++b) out.owned[i * width + b] = static_cast<char>(data[b * streamLength + i]);
        for (size_t i = 0; i < count; ++i) out.bytes.emplace_back(out.owned.data() + i * width, width);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        for (size_t b = 0; b < width; ++b) value[b] = data[b * streamLength + i];
        switch (c.type) {
        case meta::Int32: out.i32.push_back(load<int32_t>(value)); break;
        case meta::Int64: out.i64.push_back(load<int64_t>(value)); break;
        case meta::Float: out.f64.push_back(load<float>(value)); break;
        default: out.f64.push_back(load<double>(value)); break;
        }
    }
}

}  // namespace

void decodeValues(const PhysicalColumn& c, int32_t encoding, const uint8_t* data, size_t size, size_t count, Lanes& out) {
    switch (encoding) {
    case meta::Plain: return decodePlain(c, data, size, count, out);
    case meta::Rle:
        if (c.type != meta::Boolean) break;
        return decodeRleBooleans(data, size, count, out);
    case meta::DeltaBinaryPacked:
        if (c.type == meta::Int32) return decodeDeltaInt32(data, size, count, out.i32);
        if (c.type == meta::Int64) return decodeDeltaInt64(data, size, count, out.i64);
        break;
    case meta::DeltaLengthByteArray:
        if (c.type != meta::ByteArray) break;
        return decodeDeltaLengthByteArray(data, size, count, out);
    case meta::DeltaByteArray:
        if (c.type != meta::ByteArray && c.type != meta::FixedLenByteArray) break;
        return decodeDeltaByteArray(data, size, count, out);
    case meta::ByteStreamSplit: return decodeByteStreamSplit(c, data, size, count, out);
    default:
        throw Exception(std::string("the encoding ") + meta::encodingName(encoding) + " (" + std::to_string(encoding) + ") is not supported");
    }
    throw Exception(std::string("the encoding ") + meta::encodingName(encoding) + " cannot hold " + meta::physicalTypeName(c.type) + " values");
}

void decodeDictionaryIndices(const PhysicalColumn& c, const Lanes& dict, size_t dictSize, const uint8_t* data, size_t size,
                             size_t count, Lanes& out, std::vector<uint32_t>& indices) {
    if (count == 0) return;
    if (size < 1) throw Exception("dictionary indices are missing from a data page");
    const int bitWidth = data[0];
    indices.resize(count);
    RleDecoder(data + 1, size - 1, bitWidth, "dictionary indices").decode(indices.data(), count);
    for (uint32_t index : indices)
        if (index >= dictSize)
            throw Exception("dictionary index " + std::to_string(index) + " is out of range: the dictionary holds " + std::to_string(dictSize) + " values");
    const auto gather = [&](auto& target, const auto& source) {
        const size_t at = target.size();
        target.resize(at + count);
        for (size_t i = 0; i < count; ++i) target[at + i] = source[indices[i]];
    };
    switch (c.type) {
    case meta::Boolean:
    case meta::Int32: gather(out.i32, dict.i32); break;
    case meta::Int64:
    case meta::Int96: gather(out.i64, dict.i64); break;
    case meta::Float:
    case meta::Double: gather(out.f64, dict.f64); break;
    default: gather(out.bytes, dict.bytes); break;
    }
}

}  // namespace tablix
