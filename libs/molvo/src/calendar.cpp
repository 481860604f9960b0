#include "calendar.hpp"

#include <cstdio>
#include <stdexcept>

namespace molvo {
namespace {

constexpr int kMaxCalendarSlots = 10'000'000;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

DateTime civilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    DateTime r;
    r.day = int(doy - (153 * mp + 2) / 5 + 1);
    r.month = int(mp < 10 ? mp + 3 : mp - 9);
    r.year = int(yoe + era * 400 + (r.month <= 2));
    return r;
}

int64_t secondsOf(const DateTime& d) {
    return daysFromCivil(d.year, d.month, d.day) * 86400 + d.hour * 3600 + d.minute * 60 + d.second;
}

int64_t secondsPerUnit(CalendarUnit u) {
    switch (u) {
        case CalendarUnit::Day: return 86400;
        case CalendarUnit::Hour: return 3600;
        case CalendarUnit::Minute: return 60;
        case CalendarUnit::Second: return 1;
        default: return 0;
    }
}

bool validDate(const DateTime& d) {
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.hour < 0 || d.hour > 23 || d.minute < 0 ||
        d.minute > 59 || d.second < 0 || d.second > 59)
        return false;
    return civilFromDays(daysFromCivil(d.year, d.month, d.day)).day == d.day;
}

}  // namespace

DateTime parseDate(const std::wstring& text) {
    DateTime d;
    int n = swscanf(text.c_str(), L"%d-%d-%d %d:%d:%d", &d.year, &d.month, &d.day, &d.hour, &d.minute, &d.second);
    if (n < 3 || !validDate(d)) throw std::invalid_argument("invalid calendar date (expected YYYY-MM-DD[ hh:mm:ss])");
    return d;
}

int CalendarData::slotOf(const DateTime& d) const {
    if (!validDate(d)) return -1;
    int64_t slot;
    if (unit == CalendarUnit::Year) slot = d.year - first.year;
    else if (unit == CalendarUnit::Month) slot = (d.year - first.year) * 12 + (d.month - first.month);
    else {
        int64_t diff = secondsOf(d) - secondsOf(first);
        int64_t per = secondsPerUnit(unit);
        slot = diff >= 0 ? diff / per : -1;
    }
    return slot >= 0 && slot < slots ? int(slot) : -1;
}

DateTime CalendarData::dateOf(int slot) const {
    if (unit == CalendarUnit::Year) return DateTime{first.year + slot, 1, 1, 0, 0, 0};
    if (unit == CalendarUnit::Month) {
        int months = first.month - 1 + slot;
        return DateTime{first.year + months / 12, months % 12 + 1, 1, 0, 0, 0};
    }
    int64_t s = secondsOf(first) + slot * secondsPerUnit(unit);
    int64_t days = s >= 0 ? s / 86400 : (s - 86399) / 86400;
    DateTime d = civilFromDays(days);
    int64_t rest = s - days * 86400;
    d.hour = int(rest / 3600);
    d.minute = int(rest / 60 % 60);
    d.second = int(rest % 60);
    return d;
}

std::wstring CalendarData::nameOf(int slot) const {
    DateTime d = dateOf(slot);
    std::wstring out;
    wchar_t buf[16];
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%' || i + 1 == format.size()) { out += format[i]; continue; }
        switch (format[++i]) {
            case L'c': swprintf(buf, 16, L"%02d", d.year / 100); break;
            case L'y': swprintf(buf, 16, L"%02d", d.year % 100); break;
            case L'Y': swprintf(buf, 16, L"%04d", d.year); break;
            case L'm': swprintf(buf, 16, L"%02d", d.month); break;
            case L'd': swprintf(buf, 16, L"%02d", d.day); break;
            case L'H': swprintf(buf, 16, L"%02d", d.hour); break;
            case L'M': swprintf(buf, 16, L"%02d", d.minute); break;
            case L'S': swprintf(buf, 16, L"%02d", d.second); break;
            default: buf[0] = format[i]; buf[1] = 0;
        }
        out += buf;
    }
    return out;
}

CalendarData makeCalendar(const Calendar& declaration) {
    CalendarData c;
    c.unit = declaration.unit;
    c.first = parseDate(declaration.first);
    c.format = declaration.format.empty() ? L"%Y-%m-%d" : declaration.format;
    c.slots = kMaxCalendarSlots;
    int last = c.slotOf(parseDate(declaration.last));
    if (last < 0) throw std::invalid_argument("calendar ends before it begins or has more than 10,000,000 slots");
    c.slots = last + 1;
    return c;
}

}  // namespace molvo
