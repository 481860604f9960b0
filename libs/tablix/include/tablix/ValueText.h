// Text forms of cell values: numbers in their shortest exact decimal form, dates, times and
// timestamps in ISO 8601 (fractions of a second only when present, in the column's unit).
#pragma once

#include <string>

#include "tablix/ColumnData.h"

namespace tablix {

// The text of a value; a null gives the empty string.
std::string toText(const Value& value);

}  // namespace tablix
