// The delimiter and the header row of a CSV input, guessed from its first bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace flk {

struct CsvLayout {
    char delimiter = ',';
    size_t headerRow = 0;   // counted from 0 among the rows (lines without any byte are none)
};

// Each candidate delimiter parses the sample; its score is the largest product of a field count
// and the number of rows with that many fields, and its header row the first row with that count
// (of two counts that score the same, the one met first). The strictly highest score wins, so the
// earlier candidate keeps a tie; without any row the layout is "," and row 0.
CsvLayout guessCsvLayout(std::string_view sample);

}  // namespace flk
