// Reading a whole Parquet file held in memory.
#pragma once

#include <memory>
#include <vector>

#include "MemoryBudget.h"
#include "Metadata.h"
#include "Schema.h"
#include "tablix/ColumnData.h"

namespace tablix {

struct ParquetFile {
    meta::FileMetaData metadata;
    std::vector<ColumnPlan> columns;
    size_t leafCount = 0;
    size_t dataEnd = 0;      // offset of the footer
    int64_t rowCount = 0;
    size_t chunkPadding = 0; // bytes a column chunk may extend beyond its declared size
    MemoryBudget memory;     // what reading may still take once every cell has its place
};

// Parses and checks the footer; throws tablix::Exception for a file that is not Parquet, is
// encrypted, whose metadata is malformed, or whose declared rows would take more memory than its
// size allows.
ParquetFile openParquet(const uint8_t* data, size_t size);

// Reads every column of the file (nested ones as columns without values).
std::vector<std::shared_ptr<ColumnData>> readParquetColumns(const uint8_t* data, const ParquetFile& file);

// Reads the rows of one row group into columns, one per column of the file, in place of their
// cells. A column is refilled where it is held nowhere else and its type and unit fit, keeping its
// room, and replaced by a new one otherwise. A failure in a column's data names the column
// (Exception::column).
void readParquetRowGroup(const uint8_t* data, const ParquetFile& file, size_t group, std::vector<std::shared_ptr<ColumnData>>& columns);

}  // namespace tablix
