// Helpers shared by the tablix tests: the outside test data, the DuckDB oracle, value comparison.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tablix/ArrowTable.h"

namespace tablix::test {

std::string testDataDir();            // empty when the outside test data is absent
bool oracleAvailable();
std::string tempPath(const std::string& name);

// What DuckDB read from one file.
struct OracleAnswer {
    std::string file;
    std::string error;                               // set when DuckDB could not read the file
    std::vector<std::string> names, types;
    std::vector<std::vector<std::optional<std::string>>> rows;
};
std::vector<OracleAnswer> oracleRead(const std::vector<std::string>& files);
// The same from hyparquet, the second independent reader (no types: `types` stays empty).
std::vector<OracleAnswer> hyparquetRead(const std::vector<std::string>& files);
std::vector<std::vector<std::optional<std::string>>> oracleQuery(const std::string& sql);
void oracleWrite(const std::string& file, const std::string& query, const std::string& options);

// Whether our value matches DuckDB's text of it, given DuckDB's column type.
bool sameAsOracle(const Value& ours, const std::optional<std::string>& theirs, const std::string& theirType);

// Present values of a type, for appendValue.
Value number(double v);
Value integer(int32_t type, int64_t v);
Value text(std::string_view v);

std::shared_ptr<IArrowTable> readFile(const std::string& path);
std::vector<std::vector<std::string>> parseCsv(const std::string& text);

}  // namespace tablix::test
