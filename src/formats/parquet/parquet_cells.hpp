// Cells as the column nodes read them: a cell of any storage type converted for the storage of
// the column's target, without loss where the target can hold the value.
#pragma once

#include "formats/parquet/parquet_node.hpp"

namespace tablix {
class ColumnData;
}

namespace flk {

enum class CellRead { Value, NoValue, Failed };

// The cell of `column` at at.row converted for the node's target into at.value: Value, NoValue
// for a null (and for a column no conversion reads), Failed after raising (a text that is not a
// number, read into a numeric target, fails with the messages of the shared text conversion) and
// warning of the cell's place.
// kind is readTargetKind of the node, decided once per read.
CellRead readCell(const TreeNode& node, ReadState& state, const tablix::ColumnData& column, TargetKind kind, TableReadAt& at);

// Whether cells of the storage type are read at all.
bool readableStorage(int32_t storageType);

}  // namespace flk
