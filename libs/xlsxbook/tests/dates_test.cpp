// Date numbers of both date systems, checked against values that spreadsheet programs show.
#include <gtest/gtest.h>

#include <limits>

#include "cell_text.h"
#include "dates.h"
#include "number_formats.h"

namespace xlsxbook {
namespace {

struct DateCase {
  double serial;
  bool date1904;
  DateParts parts;
};

const DateCase kDates[] = {
    {1, false, {1900, 1, 1}},
    {59, false, {1900, 2, 28}},
    {60, false, {1900, 2, 29}},  // the leap day that never was
    {61, false, {1900, 3, 1}},
    {0, false, {1899, 12, 31}},
    {36526, false, {2000, 1, 1}},
    {45352.5729166667, false, {2024, 3, 1, 13, 45}},
    {45352.25, false, {2024, 3, 1, 6}},
    {43831.000011574, false, {2020, 1, 1, 0, 0, 1}},
    {2958465, false, {9999, 12, 31}},
    {0, true, {1904, 1, 1}},
    {1, true, {1904, 1, 2}},
    {43830, true, {2024, 1, 1}},
    {34519.5, true, {1998, 7, 5, 12}},
};

TEST(Dates, UnpackMatchesSpreadsheetPrograms) {
  for (const DateCase& c : kDates) {
    DateParts p;
    ASSERT_TRUE(unpackDate(c.serial, c.date1904, &p)) << c.serial;
    EXPECT_EQ(p.year, c.parts.year) << c.serial;
    EXPECT_EQ(p.month, c.parts.month) << c.serial;
    EXPECT_EQ(p.day, c.parts.day) << c.serial;
    EXPECT_EQ(p.hour, c.parts.hour) << c.serial;
    EXPECT_EQ(p.minute, c.parts.minute) << c.serial;
    EXPECT_EQ(p.second, c.parts.second) << c.serial;
  }
}

TEST(Dates, PackIsTheInverseOfUnpack) {
  for (const DateCase& c : kDates) {
    const double packed = packDate(c.parts, c.date1904);
    EXPECT_NEAR(packed, c.serial, 1e-8) << c.parts.year << "-" << c.parts.month << "-" << c.parts.day;
  }
  // Every day across the leap-day quirk and some years beyond round-trips with milliseconds.
  for (int day = 0; day < 3000; day += 7) {
    for (bool system : {false, true}) {
      DateParts p;
      ASSERT_TRUE(unpackDate(day + 0.123456, system, &p));
      const double again = packDate(p, system);
      EXPECT_NEAR(again, day + 0.123456, 1.0 / 86400000) << day;
    }
  }
}

TEST(Dates, RejectsWhatNoSystemHolds) {
  DateParts p;
  EXPECT_FALSE(unpackDate(-1, false, &p));
  EXPECT_FALSE(unpackDate(1e12, false, &p));
  EXPECT_FALSE(unpackDate(std::numeric_limits<double>::quiet_NaN(), false, &p));
  EXPECT_EQ(packDate({1899, 12, 30}, false), -1);
  EXPECT_EQ(packDate({1903, 12, 31}, true), -1);
  EXPECT_EQ(packDate({1900, 2, 29}, true), -1);  // only the 1900 system keeps the leap day
  EXPECT_EQ(packDate({2023, 2, 29}, false), -1);
  EXPECT_EQ(packDate({2024, 13, 1}, false), -1);
  EXPECT_EQ(packDate({2024, 1, 1, 24}, false), -1);
}

TEST(CellText, IsoDatesAndNumbersAsWorksheetsHoldThem) {
  struct Case {
    const char* text;
    double serial;  // -1: must fail
  } cases[] = {
      {"2024-03-01", 45352},           {"2024-03-01T12:00:00", 45352.5}, {"2024-03-01 06:00:00.5", 45352.25 + 0.5 / 86400},
      {"12:00:00", 0.5},               {"1900-02-29", 60},                {"2024-02-30", -1},
      {"noon", -1},                    {"2024-03-01T1200", -1},           {"", -1},
  };
  for (const Case& c : cases) {
    double serial = 0;
    const bool ok = parseIsoDate(c.text, false, &serial);
    EXPECT_EQ(ok, c.serial >= 0) << c.text;
    if (ok) {
      EXPECT_NEAR(serial, c.serial, 1e-9) << c.text;
    }
  }
  double n = 0;
  EXPECT_TRUE(parseCellNumber(" 1.5E+3 ", &n));
  EXPECT_EQ(n, 1500);
  EXPECT_TRUE(parseCellNumber("1.797693134862316e+308", &n));  // rounded past the largest double
  EXPECT_EQ(n, std::numeric_limits<double>::max());
  EXPECT_TRUE(parseCellNumber("-1e-400", &n));
  EXPECT_EQ(n, 0);
  for (const char* bad : {"inf", "nan", "1,5", "12abc", "", "--1"}) EXPECT_FALSE(parseCellNumber(bad, &n)) << bad;
}

TEST(NumberFormats, DateCodesAreRecognised) {
  struct Case {
    const char* code;
    bool isDate;
  } cases[] = {
      {"yyyy-mm-dd", true},      {"d/m/yy h:mm", true},      {"[h]:mm:ss", true},
      {"mm:ss.0", true},         {"[$-409]mmmm d, yyyy", true}, {"dd\" days\"", true},
      {"General", false},        {"0.00", false},            {"0.00E+00", false},
      {"#,##0\" days\"", false}, {"[Red]#,##0", false},      {"\\d0", false},
      {"_(* #,##0_)", false},    {"@", false},               {"0;[Red]-0", false},
  };
  for (const Case& c : cases) EXPECT_EQ(isDateFormatCode(c.code), c.isDate) << c.code;
  for (int id : {14, 15, 17, 18, 21, 22, 45, 46, 47}) EXPECT_TRUE(isBuiltinDateFormat(id)) << id;
  for (int id : {0, 1, 2, 9, 10, 11, 12, 37, 44, 49}) EXPECT_FALSE(isBuiltinDateFormat(id)) << id;
}

}  // namespace
}  // namespace xlsxbook
