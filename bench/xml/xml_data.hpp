// The benchmark's document: elements each with a key attribute that names an element and three
// values (a number in an attribute, an integer and a string as element text), written from a
// fixed seed.
#pragma once

#include <string>

namespace bench {

constexpr int kDefaultRows = 1000000;
constexpr unsigned kSeed = 20240611;

// The number of elements: kDefaultRows, or FLK_BENCH_ROWS when set (smaller runs for profiling).
int rowCount();

// Writes the document to the file and returns its size in bytes.
size_t writeXmlFile(const std::string& path);

}  // namespace bench
