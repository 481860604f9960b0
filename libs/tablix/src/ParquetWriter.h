// Writing table columns as a Parquet file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tablix/ArrowTable.h"

namespace tablix {

struct NamedColumn {
    std::string name;
    std::shared_ptr<const ColumnData> data;
};

// Serialises the columns (all of equal length and of a writable type) as a Parquet file.
std::vector<uint8_t> writeParquetColumns(const std::vector<NamedColumn>& columns, const WriteOptions& options);

}  // namespace tablix
