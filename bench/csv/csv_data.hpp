// The benchmark's table: a key that names an element, a number, an integer and a string (some
// with a comma and quotes, so quoted), made from a fixed seed; and the two references it is
// measured against: the table written with one fwrite per row, and a plain split of a CSV file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

constexpr int kDefaultRows = 1000000;
constexpr unsigned kSeed = 20240611;

// The number of rows: kDefaultRows, or FLK_BENCH_ROWS when set (smaller runs for profiling).
int rowCount();

struct Table {
    std::vector<std::string> keys, texts;
    std::vector<double> numbers;
    std::vector<int> integers;
};

Table makeTable();

// Writes the table as CSV with the header key,x,n,s, one fwrite per row, and returns its size.
size_t writeTable(const Table& table, const std::string& path);

// Reads the file and splits it into fields the fastest simple way (memchr for line ends,
// delimiters and quotes); returns the number of fields, or 0 when the file cannot be read.
size_t splitFile(const std::string& path, size_t& fieldBytes);

}  // namespace bench
