#include "formats/csv/csv_layout_guess.hpp"

#include "formats/csv/csv_limits.hpp"
#include "formats/csv/csv_parser.hpp"

#include <algorithm>
#include <cstring>
#include <map>

namespace flk {
namespace {

struct Score {
    size_t value = 0;
    size_t firstRow = 0;
};

// A row cut off by the end of the sample counts as it stands; a quoted field left open there
// drops it.
Score scoreOf(std::string_view sample, char delimiter) {
    size_t given = 0;
    CsvParser parser(
        delimiter,
        [&](char* buffer, size_t capacity) {
            size_t size = std::min(capacity, sample.size() - given);
            std::memcpy(buffer, sample.data() + given, size);
            given += size;
            return size;
        },
        false);
    struct Tally {
        size_t rows = 0, firstRow = 0;
    };
    std::map<size_t, Tally> byWidth;
    CsvRow row;
    for (size_t index = 0; parser.next(row); ++index) {
        Tally& tally = byWidth[row.size()];
        if (tally.rows++ == 0) tally.firstRow = index;
    }
    Score best;
    for (const auto& [width, tally] : byWidth) {
        size_t value = width * tally.rows;
        if (value > best.value || (value == best.value && tally.firstRow < best.firstRow)) best = Score{value, tally.firstRow};
    }
    return best;
}

}  // namespace

CsvLayout guessCsvLayout(std::string_view sample) {
    CsvLayout layout;
    size_t best = 0;
    for (char delimiter : kCsvDelimiters) {
        Score score = scoreOf(sample, delimiter);
        if (score.value > best) {
            best = score.value;
            layout = CsvLayout{delimiter, score.firstRow};
        }
    }
    return layout;
}

}  // namespace flk
