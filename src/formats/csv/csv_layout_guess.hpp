// The delimiter and the header row of a CSV input, guessed from its first bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace flk {

// What one delimiter gives the sample: its rows of the width that weighs most (fields times the
// lines of the rows of that width), and the lines set aside because a quoted field opened on them
// does not close.
struct CsvDelimiterScore {
    char delimiter = ',';
    size_t width = 0, rows = 0, lines = 0;   // width * lines is the score
    std::uint64_t firstLine = 0;             // the line the first row of that width begins on
    size_t setAside = 0;
    size_t value() const { return width * lines; }
};

struct CsvLayout {
    char delimiter = ',';
    std::uint64_t headerLine = 1;   // the line the header row begins on, counted from 1
    CsvDelimiterScore chosen, runnerUp;   // why: the winner's score and the best of the others
};

// Each candidate delimiter reads the sample with the quoting rules of the format, but a line whose
// quoted field does not close within kCsvGuessMaxQuotedLines lines, or by the end of the sample,
// is set aside and the lines after it read afresh: a stray quote costs its own line only, instead
// of swallowing the lines after it. The rows are tallied by their number of fields, each weighing
// the lines it spans, so that rows whose quoted fields hold line breaks weigh as much as the lines
// another delimiter would cut them into. A candidate's score is the largest product of a field
// count and the lines of the rows with that many fields, and its header the first row with that
// count (of two counts that score the same, the one met first). The strictly highest score wins,
// so the earlier candidate keeps a tie; without any row the layout is "," and line 1. A row cut
// off by the end of the sample counts as it stands; one whose quote the end leaves open on its
// first line is left out.
CsvLayout guessCsvLayout(std::string_view sample);

// The guess and why, for the log: "delimiter ';', header on line 3: ...".
std::string describeCsvLayout(const CsvLayout& layout);

}  // namespace flk
