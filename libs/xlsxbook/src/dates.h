// Date numbers: days since the epoch of the workbook's date system, the time as the fraction.
#ifndef XLSXBOOK_DATES_H
#define XLSXBOOK_DATES_H

namespace xlsxbook {

struct DateParts {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
};

// The 1900 system counts 1900-01-01 as day 1 and keeps the nonexistent 1900-02-29 as day 60, so that
// numbers agree with the programs that invented the format; day 0 is 1899-12-31. The 1904 system
// counts from 1904-01-01 as day 0. Values below 0 or beyond 9999-12-31 fail.
bool unpackDate(double value, bool date1904, DateParts* out);
// -1 for fields out of range or a date before the system's first day.
double packDate(const DateParts& parts, bool date1904);

}  // namespace xlsxbook

#endif  // XLSXBOOK_DATES_H
