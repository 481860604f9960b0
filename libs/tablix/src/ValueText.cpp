#include "tablix/ValueText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tablix {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

int64_t unitsPerSecond(TimeUnit unit) {
    return unit == TimeUnit::Millis ? 1000 : unit == TimeUnit::Micros ? 1000000 : 1000000000;
}

int fractionDigits(TimeUnit unit) { return unit == TimeUnit::Millis ? 3 : unit == TimeUnit::Micros ? 6 : 9; }

// Floor division and modulo, so that instants before 1970 split into a day and a time of day.
int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t floorMod(int64_t a, int64_t b) { return a - floorDiv(a, b) * b; }

// Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
DateTimeParts civilDate(int64_t days) {
    days += 719468;
    const int64_t era = floorDiv(days, 146097);
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    DateTimeParts parts;
    parts.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    parts.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    parts.year = yoe + era * 400 + (parts.month <= 2);
    return parts;
}

// ISO 8601: four digits for the years 0 to 9999, and outside them the expanded form, a sign and
// as many digits as the year needs.
std::string dateText(int64_t days) {
    const DateTimeParts d = civilDate(days);
    const char* sign = d.year < 0 ? "-" : d.year > 9999 ? "+" : "";
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s%04lld-%02d-%02d", sign, static_cast<long long>(d.year < 0 ? -d.year : d.year), d.month, d.day);
    return buf;
}

std::string timeOfDayText(int64_t units, TimeUnit unit) {
    const int64_t perSecond = unitsPerSecond(unit);
    const int64_t seconds = floorDiv(units, perSecond), fraction = floorMod(units, perSecond);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    std::string text = buf;
    if (fraction != 0) {
        std::snprintf(buf, sizeof buf, ".%0*lld", fractionDigits(unit), static_cast<long long>(fraction));
        text += buf;
    }
    return text;
}

std::string doubleText(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, result.ptr);
}

int64_t unitsPerDay(TimeUnit unit) { return kSecondsPerDay * unitsPerSecond(unit); }

}  // namespace

DateTimeParts dateTimeParts(const Value& value) {
    if (value.type == Date) return civilDate(value.integer);
    if (value.type != Timestamp && value.type != Time) return {};
    const int64_t perDay = unitsPerDay(value.unit), perSecond = unitsPerSecond(value.unit);
    DateTimeParts parts = value.type == Timestamp ? civilDate(floorDiv(value.integer, perDay)) : DateTimeParts{};
    const int64_t ofDay = floorMod(value.integer, perDay), seconds = ofDay / perSecond;
    parts.hour = static_cast<int>(seconds / 3600);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.second = static_cast<int>(seconds % 60);
    parts.fraction = ofDay % perSecond;
    return parts;
}

std::string toText(const Value& value) {
    if (value.isNull) return {};
    switch (value.type) {
    case Double: return doubleText(value.number);
    case Int32:
    case Int64: return std::to_string(value.integer);
    case UInt64: return std::to_string(static_cast<uint64_t>(value.integer));
    case String: return std::string(value.text);
    case Date: return dateText(value.integer);
    case Time: return timeOfDayText(value.integer, value.unit);
    case Timestamp: {
        const int64_t perDay = unitsPerDay(value.unit);
        return dateText(floorDiv(value.integer, perDay)) + "T" + timeOfDayText(floorMod(value.integer, perDay), value.unit) +
               (value.utc ? "Z" : "");
    }
    default: return {};
    }
}

}  // namespace tablix
