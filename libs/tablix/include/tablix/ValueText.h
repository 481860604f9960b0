// Text forms of cell values: numbers in their shortest exact decimal form, dates, times and
// timestamps in ISO 8601 (fractions of a second only when present, in the column's unit).
#pragma once

#include <cstdint>
#include <string>

#include "tablix/ColumnData.h"

namespace tablix {

// The text of a value; a null gives the empty string.
std::string toText(const Value& value);

// A date, timestamp or time of day split into its calendar parts (proleptic Gregorian; a time of
// day has the date 1970-01-01). The fraction counts the value's unit below the second.
struct DateTimeParts {
    int64_t year = 1970;
    int month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int64_t fraction = 0;
};
DateTimeParts dateTimeParts(const Value& value);

}  // namespace tablix
