// What the tables of every document kind share (the row and column layouts of JSON, and the
// tables of CSV files, workbooks and Parquet files): a header's columns matched to the table
// node's children, index-binding columns read before the others, the header a write gives, the
// value node whose default fills a missing cell, and the walk over the rows of a write. The
// format supplies the cells.
#pragma once

#include "mapping/read_scope.hpp"
#include "mapping/tree_node.hpp"
#include "mapping/value_transfer.hpp"

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace flk {

// The attributes a column of a CSV, Excel or Parquet table accepts.
extern const std::vector<std::string_view> kTableColumnAttributes;

// The read of one cell by its column node once the cell is converted into value (present) or has
// no value: a cell without a value assigns nothing, but in an index column it is the empty name,
// which leaves the row out (or is refused where binds-skip-non-existing is off). False after
// raising.
bool transferCell(TreeNode& column, ReadState& state, std::string_view header, bool present, ReadValue& value);

// The columns of a table read from a document, each matched to the children that serve it.
struct ReadHeader {
    std::vector<std::string> names;   // in document order; a column without a name serves no child
    // (column, child) pairs: exact-name value columns that bind an index, then all the others.
    std::vector<std::pair<size_t, TreeNode*>> indexColumns, valueColumns;
    bool matchedAny() const { return !indexColumns.empty() || !valueColumns.empty(); }
};

// The tables a read met, by the node that read them: a node that met names (columns, or the sheets
// of a workbook) but matched none of them in the whole read reads nothing, misspelt or not, and
// the modeller hears of it once, when the read ends: one warning naming the names the node claims
// and the first names it met.
class TableMatches {
public:
    // what: the kind of the names, plural ("columns", "sheets").
    void met(const TreeNode& table, const std::vector<std::string>& names, bool matched, const char* what);
    void met(const TreeNode& table, const ReadHeader& header) { met(table, header.names, header.matchedAny(), "columns"); }
    // Warns of each node that met names and matched none; then forgets them.
    void warnUnmatched(const MappingState& state);

private:
    struct Entry {
        const TreeNode* table;
        bool matched;
        std::vector<std::string> names;   // the first few met, then "..."
        const char* what;
    };
    std::vector<Entry> entries_;
};

// The columns of a table being written, and where each name stands.
struct WriteHeader {
    std::vector<std::string> names;
    std::unordered_map<std::string, size_t> position;
    // The column a child's key names, or false when no column has that name.
    bool find(const std::string& key, size_t& column) const;
};

class ColumnTable {
public:
    explicit ColumnTable(const TreeNode& table) : table_(table) {}

    // ---- reading
    // The children serving a column: the child named so (by name or alt-name), else every child
    // whose pattern matches it.
    void serving(std::string_view column, std::vector<TreeNode*>& out) const;
    // Matches header.names to the children.
    void match(ReadHeader& header) const;
    // Reads one row: readCell(column, child) per matched cell, index columns first (a skipped
    // element leaves out the rest of the row); the indices the row's values bound are unbound after it.
    template <class ReadCell>
    bool readRow(ReadState& state, const ReadHeader& header, ReadCell&& readCell) const;

    // ---- writing
    // One column per child with a fixed name, and one per element of the set a name-binds-to child binds.
    WriteHeader header(WriteState& state) const;
    // The value node whose default fills a missing cell of the column, or nullptr.
    const TreeNode* defaultServer(std::string_view column) const;
    // Walks the table's tuples that pass its write filter as rows: writeChild(child) once per tuple
    // of each child within the row, then endRow() once per row. Stops at the first failed write.
    template <class WriteChild, class EndRow>
    bool writeRows(WriteState& state, WriteChild&& writeChild, EndRow&& endRow) const;

private:
    const TreeNode& table_;
};

template <class ReadCell>
bool ColumnTable::readRow(ReadState& state, const ReadHeader& header, ReadCell&& readCell) const {
    bool ok = readIndexMembersFirst(state, [&](bool indexPass) {
        bool passOk = true;
        for (const auto& [column, child] : indexPass ? header.indexColumns : header.valueColumns) {
            passOk = readCell(column, *child) && passOk;
            if (indexPass && !passOk) return false;
        }
        return passOk;
    });
    table_.clearValueBindings(state);
    return ok;
}

template <class WriteChild, class EndRow>
bool ColumnTable::writeRows(WriteState& state, WriteChild&& writeChild, EndRow&& endRow) const {
    bool ok = true;
    while (ok && table_.nextTuple(state, 1)) {
        if (table_.writeFiltered(state)) {
            for (const auto& child : table_.children())
                ok = ok && table_.forEachTuple(state, *child, [&] { return writeChild(*child); });
            endRow();
        }
        table_.finishTuple(state, 1);
    }
    table_.releaseTuple(state, 1);
    return ok;
}

}  // namespace flk
