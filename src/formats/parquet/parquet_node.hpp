// The node classes of Parquet mappings share ParquetNode: a node reads and writes the part of a
// table it stands for (the root the table, the row node its rows, a column node one cell per row)
// through the positions below.
#pragma once

#include "mapping/tree_node.hpp"
#include "mapping/value_transfer.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tablix {
class IArrowTable;
class IParquetWriter;
class ColumnData;
}  // namespace tablix

namespace flk {

struct ReadHeader;
struct WriteHeader;
class ArrowTableColumnNode;

// Where a read stands: the table, which holds one row group of the file at a time, and as it
// descends, the column and row of the cell being read.
struct TableReadAt {
    static constexpr size_t kNoColumn = static_cast<size_t>(-1);   // at a row, before its cells
    explicit TableReadAt(tablix::IArrowTable& t) : table(t) {}
    tablix::IArrowTable& table;
    int32_t group = 0;
    size_t column = kNoColumn;
    int64_t row = 0;           // within the row group
    int64_t groupStart = 0;    // the rows of the file before the group
    std::string_view header;   // the column's name
    ReadValue value;           // the cell's value, reused from cell to cell
};

// "row group 2, column qty, row 5": the read's place, all counted from 1, the row over the file.
std::string tablePlace(const TableReadAt& at);

// Where a write stands: the file being written, and as it descends, the columns being built (one
// per header column), the columns the current row filled and the column that writes a default.
struct TableWriteAt {
    explicit TableWriteAt(tablix::IParquetWriter& w) : writer(w) {}
    tablix::IParquetWriter& writer;   // takes the rows built a part at a time
    const WriteHeader* header = nullptr;
    std::vector<std::shared_ptr<tablix::ColumnData>> columns;
    std::vector<bool> filled;
    std::vector<const ArrowTableColumnNode*> defaults;   // per column: the node writing its default, or nullptr
    // Per child of the table, the column it alone fills with one cell per row; empty when the
    // children are not all so.
    std::vector<size_t> childColumns;
    // Whether writing a row's cells moves every cursor of the table past the row: then nothing is
    // left for finishing the row to do.
    bool cellsConsumeRow = false;
    std::string text, key;   // a value's text and a column's key, reused from cell to cell
};

class ParquetNode : public TreeNode {
public:
    virtual bool readParquet(ReadState& state, TableReadAt& at);
    virtual bool writeParquet(WriteState& state, TableWriteAt& at);
    // Only the root takes an ExternalBinding; under any other node it is refused as an element
    // the node does not accept.
    bool acceptsExternalBinding() const override { return false; }
};

// Reads row group `group` of the file into at.table; false after raising the library's failure.
bool readRowGroup(ReadState& state, TableReadAt& at, int32_t group);

// Every node of a Parquet tree is a ParquetNode: the factory below makes no other.
inline ParquetNode& asParquet(TreeNode& node) { return static_cast<ParquetNode&>(node); }

enum class ParquetParent { Root, Table };

// The node for a child element, or nullptr when the parent does not accept it.
std::shared_ptr<TreeNode> makeParquetNode(ParquetParent parent, std::string_view element);

}  // namespace flk
