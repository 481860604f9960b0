#include "ColumnFiller.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "Limits.h"
#include "Metadata.h"
#include "tablix/Exception.h"

namespace tablix {

namespace {

constexpr size_t kExactDecimalBytes = 16;
constexpr double kCharsRoomMargin = 1.05;   // strings of the rows to come may be a little longer

// A big-endian two's complement integer of at most 16 bytes.
__int128 bigEndianToInteger(std::string_view bytes) {
    if (bytes.empty()) return 0;
    unsigned __int128 u = 0;
    for (char c : bytes) u = (u << 8) | static_cast<uint8_t>(c);
    if (static_cast<int8_t>(bytes[0]) < 0 && bytes.size() < kExactDecimalBytes) u |= ~static_cast<unsigned __int128>(0) << (8 * bytes.size());
    return static_cast<__int128>(u);
}

// A wider one (beyond any decimal's 38 digits), to double precision.
double bigEndianToDouble(std::string_view bytes) {
    const bool negative = static_cast<int8_t>(bytes[0]) < 0;
    double v = 0;
    for (char c : bytes) v = v * 256 + static_cast<uint8_t>(negative ? ~c : c);
    return negative ? -(v + 1) : v;
}

// The shortest text of unscaled * 10^-scale: its digits with the point `scale` places from the
// right, without the zeros that end the fraction (nor the point when nothing is left after it).
void appendDecimalText(__int128 unscaled, int32_t scale, std::string& out) {
    const bool negative = unscaled < 0;
    unsigned __int128 u = negative ? -static_cast<unsigned __int128>(unscaled) : static_cast<unsigned __int128>(unscaled);
    char digits[limits::kMaxDecimalPrecision + 2];   // least significant first; 39 digits at most, or the scale's and one
    int32_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + static_cast<int>(u % 10));
        u /= 10;
    } while (u != 0);
    while (n <= scale) digits[n++] = '0';
    int32_t fractionEnd = 0;   // the fraction's zeros at its end are left out
    while (fractionEnd < scale && digits[fractionEnd] == '0') ++fractionEnd;
    if (negative) out += '-';
    for (int32_t i = n - 1; i >= scale; --i) out += digits[i];
    if (fractionEnd < scale) out += '.';
    for (int32_t i = scale - 1; i >= fractionEnd; --i) out += digits[i];
}

// A decimal too wide to be exact, as the shortest text of its nearest double.
void appendDoubleText(double v, std::string& out) {
    char text[32];
    out.append(text, std::to_chars(text, text + sizeof text, v).ptr);
}

double halfToDouble(std::string_view bytes) {
    const uint16_t h = static_cast<uint16_t>(static_cast<uint8_t>(bytes[0]) | (static_cast<uint8_t>(bytes[1]) << 8));
    const int sign = h >> 15, exponent = (h >> 10) & 0x1F, mantissa = h & 0x3FF;
    double v;
    if (exponent == 0) v = std::ldexp(mantissa, -24);
    else if (exponent == 31) v = mantissa ? NAN : INFINITY;
    else v = std::ldexp(mantissa + 1024, exponent - 25);
    return sign ? -v : v;
}

}  // namespace

template <class T, class Source, class Convert>
void ColumnFiller::scatter(PodArray<T>& target, const Source& source, const uint8_t* levels, size_t rows, Convert convert) {
    const size_t at = target.size();
    target.resize(at + rows);
    PodArray<uint8_t>& valid = column_.valid_;
    const size_t validAt = valid.size();
    valid.resize(validAt + rows);
    T* out = target.data() + at;
    uint8_t* flags = valid.data() + validAt;
    if (!levels) {
        for (size_t i = 0; i < rows; ++i) out[i] = convert(source[i]);
        std::fill(flags, flags + rows, 1);
        return;
    }
    const uint8_t present = static_cast<uint8_t>(plan_.maxDefinition);
    size_t k = 0;
    for (size_t i = 0; i < rows; ++i) {
        const bool has = levels[i] == present;
        flags[i] = has;
        out[i] = has ? convert(source[k]) : T{};
        k += has;
    }
}

void ColumnFiller::appendStrings(const std::vector<std::string_view>& source, const uint8_t* levels, size_t rows) {
    appendTexts(source, levels, rows);
    PodArray<uint8_t>& valid = column_.valid_;
    for (size_t i = 0; i < rows; ++i) valid.push_back(!levels || levels[i] == plan_.maxDefinition);
}

// The characters and offsets of texts, one a row (empty for a missing value), paid for from the
// memory budget.
void ColumnFiller::appendTexts(const std::vector<std::string_view>& source, const uint8_t* levels, size_t rows) {
    PodArray<uint64_t>& offsets = column_.offsets_;
    PodArray<char>& chars = column_.chars_;
    size_t bytes = 0;
    for (const std::string_view& s : source) bytes += s.size();
    if (!memory_.take(bytes))
        throw Exception("column " + plan_.name + ": its strings take more than " + memory_.describe());
    makeRoomForChars(bytes, rows);
    size_t k = 0;
    for (size_t i = 0; i < rows; ++i) {
        if (!levels || levels[i] == plan_.maxDefinition) {
            const std::string_view& s = source[k++];
            chars.append(s.data(), s.size());
        }
        offsets.push_back(chars.size());
    }
}

// Decimals keep their exact text, and their double is the one nearest to it: dividing the
// unscaled integer, once past 2^53, would round twice.
void ColumnFiller::appendDecimals(const Lanes& dense, const uint8_t* levels, size_t rows) {
    std::string texts;   // the page's present decimals end to end
    std::vector<size_t> ends;
    auto exact = [&](__int128 unscaled) {
        appendDecimalText(unscaled, plan_.scale, texts);
        ends.push_back(texts.size());
    };
    if (plan_.conversion == Conversion::DecimalBytes) {
        for (std::string_view v : dense.bytes) {
            if (v.size() <= kExactDecimalBytes) {
                exact(bigEndianToInteger(v));
                continue;
            }
            appendDoubleText(bigEndianToDouble(v) / std::pow(10.0, plan_.scale), texts);
            ends.push_back(texts.size());
        }
    } else if (plan_.physical.type == meta::Int32) {
        for (int32_t v : dense.i32) exact(v);
    } else {
        for (int64_t v : dense.i64) exact(v);
    }
    std::vector<std::string_view> views;
    views.reserve(ends.size());
    for (size_t i = 0, start = 0; i < ends.size(); start = ends[i++]) views.emplace_back(texts.data() + start, ends[i] - start);
    auto nearest = [](std::string_view text) {
        double v = 0;
        std::from_chars(text.data(), text.data() + text.size(), v);
        return v;
    };
    scatter(column_.doubles_, views, levels, rows, nearest);
    if (column_.offsets_.empty()) column_.offsets_.push_back(0);
    column_.decimalText_ = true;
    appendTexts(views, levels, rows);
}

// Characters that outgrow their room get room for all the column's rows at the length per row of
// the pages read so far: an allocation or two instead of a doubling series, each step of which
// copies them all again into fresh memory. Room not written takes no memory, and the budget
// still bounds it.
void ColumnFiller::makeRoomForChars(size_t bytes, size_t rows) {
    PodArray<char>& chars = column_.chars_;
    const size_t need = chars.size() + bytes;
    if (need <= chars.capacity()) return;
    const size_t rowsSoFar = static_cast<size_t>(column_.size_) + rows;
    const size_t rowsReserved = column_.offsets_.capacity() > 0 ? column_.offsets_.capacity() - 1 : 0;
    const size_t rowsExpected = std::max(rowsSoFar, rowsReserved);
    const double projected = double(need) / double(rowsSoFar) * double(rowsExpected) * kCharsRoomMargin;
    chars.reserve(std::max(need, static_cast<size_t>(std::min(projected, double(need + memory_.left())))));
}

void ColumnFiller::appendUuids(const std::vector<std::string_view>& source, const uint8_t* levels, size_t rows) {
    static const char hex[] = "0123456789abcdef";
    std::vector<std::string> texts;
    std::vector<std::string_view> views;
    texts.reserve(source.size());
    for (const std::string_view& s : source) {
        std::string t;
        for (size_t i = 0; i < s.size(); ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10) t.push_back('-');
            t.push_back(hex[static_cast<uint8_t>(s[i]) >> 4]);
            t.push_back(hex[static_cast<uint8_t>(s[i]) & 15]);
        }
        texts.push_back(std::move(t));
    }
    for (const std::string& t : texts) views.emplace_back(t);
    appendStrings(views, levels, rows);
}

void ColumnFiller::appendNulls(size_t rows) {
    for (size_t i = 0; i < rows; ++i) column_.appendNull();
}

void ColumnFiller::append(const Lanes& dense, const uint8_t* levels, size_t rows) {
    const auto same = [](auto v) { return v; };
    switch (plan_.conversion) {
    case Conversion::Copy:
        switch (column_.type_) {
        case Int32:
        case Date: scatter(column_.int32s_, dense.i32, levels, rows, same); break;
        case Int64:
        case UInt64:
        case Timestamp:
        case Time: scatter(column_.int64s_, dense.i64, levels, rows, same); break;
        case Double: scatter(column_.doubles_, dense.f64, levels, rows, same); break;
        case String: appendStrings(dense.bytes, levels, rows); break;
        default: appendNulls(rows); return;
        }
        break;
    case Conversion::Widen: scatter(column_.int64s_, dense.i32, levels, rows, [](int32_t v) { return int64_t{v}; }); break;
    case Conversion::Unsigned32:
        scatter(column_.int64s_, dense.i32, levels, rows, [](int32_t v) { return static_cast<int64_t>(static_cast<uint32_t>(v)); });
        break;
    case Conversion::DecimalInt:
    case Conversion::DecimalBytes: appendDecimals(dense, levels, rows); break;
    case Conversion::Float16: scatter(column_.doubles_, dense.bytes, levels, rows, halfToDouble); break;
    case Conversion::Uuid: appendUuids(dense.bytes, levels, rows); break;
    case Conversion::None: appendNulls(rows); return;
    }
    column_.size_ += static_cast<int64_t>(rows);
}

}  // namespace tablix
