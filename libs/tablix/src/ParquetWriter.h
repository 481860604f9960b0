// Writing table columns as a Parquet file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Metadata.h"
#include "tablix/ArrowTable.h"

namespace tablix {

struct NamedColumn {
    std::string name;
    std::shared_ptr<const ColumnData> data;
};

// Serialises the columns (all of equal length and of a writable type) as a Parquet file.
std::vector<uint8_t> writeParquetColumns(const std::vector<NamedColumn>& columns, const WriteOptions& options);

// A Parquet file written a part of its rows at a time: each part's columns (of equal length, with
// the names and types of the first part) are cut into row groups of the options' size.
class ParquetFileWriter {
public:
    explicit ParquetFileWriter(const WriteOptions& options);
    void write(const std::vector<NamedColumn>& columns);
    // The file's bytes, footer included, once; an empty part written first and alone gives a file
    // of one empty row group.
    std::vector<uint8_t> finish();

private:
    bool started() const { return !metadata_.schema.empty(); }
    void startFile(const std::vector<NamedColumn>& columns);
    void checkSchema(const std::vector<NamedColumn>& columns) const;
    void writeGroup(const std::vector<NamedColumn>& columns, int64_t begin, int64_t end);

    WriteOptions options_;
    int32_t codec_;
    meta::FileMetaData metadata_;
    std::vector<uint8_t> file_;
};

}  // namespace tablix
