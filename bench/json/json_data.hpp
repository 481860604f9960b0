// The benchmark's document: an array of objects, each with a key that names an element and three
// values (a number, an integer, a string), written from a fixed seed; and the same rows in the
// row-oriented layout.
#pragma once

#include <string>

namespace bench {

constexpr int kDefaultRows = 1000000;
constexpr unsigned kSeed = 20240611;

// The number of rows: kDefaultRows, or FLK_BENCH_ROWS when set (smaller runs for profiling).
int rowCount();

// Writes the document to the file and returns its size in bytes.
size_t writeObjectsFile(const std::string& path);
size_t writeRowsFile(const std::string& path);

}  // namespace bench
