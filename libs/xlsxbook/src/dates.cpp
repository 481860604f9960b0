#include "dates.h"

#include <cmath>

namespace xlsxbook {
namespace {

constexpr long kMsPerDay = 86400000L;
constexpr long kLeapDay1900 = 60;        // the 1900-02-29 that never was
constexpr long kMaxSerial1900 = 2958465;  // 9999-12-31

// Days from 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's algorithm).
long daysFromCivil(long y, long m, long d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(long z, DateParts* out) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  out->day = int(doy - (153 * mp + 2) / 5 + 1);
  out->month = int(mp < 10 ? mp + 3 : mp - 9);
  out->year = int(yoe + era * 400 + (out->month <= 2));
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

const long kEpoch1900 = daysFromCivil(1899, 12, 31);  // day 0 for serials before the leap day
const long kEpoch1900Late = daysFromCivil(1899, 12, 30);  // day 0 for serials after it
const long kEpoch1904 = daysFromCivil(1904, 1, 1);

}  // namespace

bool unpackDate(double value, bool date1904, DateParts* out) {
  const long maxSerial = date1904 ? kMaxSerial1900 - 1462 : kMaxSerial1900;
  if (!std::isfinite(value) || value < 0 || value >= double(maxSerial + 1)) return false;
  long days = long(std::floor(value));
  long ms = std::lround((value - double(days)) * double(kMsPerDay));
  if (ms >= kMsPerDay) {
    ++days;
    ms -= kMsPerDay;
  }
  if (date1904) {
    civilFromDays(kEpoch1904 + days, out);
  } else if (days == kLeapDay1900) {
    out->year = 1900, out->month = 2, out->day = 29;
  } else {
    civilFromDays((days < kLeapDay1900 ? kEpoch1900 : kEpoch1900Late) + days, out);
  }
  out->hour = int(ms / 3600000);
  out->minute = int(ms / 60000 % 60);
  out->second = int(ms / 1000 % 60);
  out->msec = int(ms % 1000);
  return true;
}

double packDate(const DateParts& p, bool date1904) {
  if (p.year < 1899 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 || p.hour < 0 ||
      p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59 || p.msec < 0 ||
      p.msec > 999)
    return -1;
  const bool leapDay1900 = !date1904 && p.year == 1900 && p.month == 2 && p.day == 29;
  if (!leapDay1900 && p.day > daysInMonth(p.year, p.month)) return -1;
  const long civil = daysFromCivil(p.year, p.month, p.day);
  long days;
  if (date1904) {
    days = civil - kEpoch1904;
  } else if (leapDay1900) {
    days = kLeapDay1900;
  } else {
    days = civil - kEpoch1900;
    if (days >= kLeapDay1900) days = civil - kEpoch1900Late;
  }
  if (days < 0) return -1;
  const long ms = ((p.hour * 60L + p.minute) * 60L + p.second) * 1000L + p.msec;
  return double(days) + double(ms) / double(kMsPerDay);
}

}  // namespace xlsxbook
