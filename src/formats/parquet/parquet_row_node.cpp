// The rows of a table: each row is one element of the row node's iterative binding, its cells
// read by the column nodes that claim their columns; written as one column per header column,
// filled row by row from the tuples of the binding.
#include "formats/parquet/parquet_nodes.hpp"

#include "formats/parquet/parquet_cells.hpp"
#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/column_table.hpp"
#include "mapping/mapping_state.hpp"

#include <tablix/ArrowTable.h>

#include <algorithm>

namespace flk {
namespace {

// Rows of the table held before they go to the file as a part: a row group's.
constexpr int64_t kPartRows = tablix::WriteOptions().rowGroupRows;

const std::vector<std::string_view> kRowAttributes{"name", "alt-name", "write-filter", "iterative-binds-to",
                                                    "iterative-prefix", "iterative-existing", "binds-skip-non-existing"};

// Clears the columns the nodes hold on every way out of a read.
struct ClaimedColumns {
    explicit ClaimedColumns(const ReadHeader& h) : header(h) {}
    ~ClaimedColumns() {
        for (const auto* columns : {&header.indexColumns, &header.valueColumns})
            for (const auto& [column, child] : *columns) static_cast<ArrowTableColumnNode*>(child)->clearColumnData();
    }
    const ReadHeader& header;
};

}  // namespace

std::shared_ptr<TreeNode> ArrowTableRowNode::makeChild(std::string_view element) {
    return makeParquetNode(ParquetParent::Table, element);
}

bool ArrowTableRowNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    setRowsInScope();
    return parseElement(element, mapping, "ArrowTableMapping", kRowAttributes, nullptr);
}

// Says once per read, for each claimed column of a type that no cell conversion reads (nested
// lists, maps, structs, intervals), that it assigns nothing.
void ArrowTableRowNode::warnUnreadable(ReadState& state, const TableReadAt& at, const ReadHeader& header) const {
    std::vector<bool> warned(header.names.size());
    for (const auto* columns : {&header.indexColumns, &header.valueColumns}) {
        for (const auto& [column, child] : *columns) {
            const int32_t type = at.table.columnType(int32_t(column));
            if (readableStorage(type) || warned[column]) continue;
            warned[column] = true;
            warnModel("Reading " + toUtf8(state.documentName()) + ": column " + header.names[column] +
                      " holds values of a type that cannot be read (" + tablix::storageTypeName(type) +
                      "); nothing is assigned from it");
        }
    }
}

// Hands each claimed column's data of the row group read to the nodes that claimed it.
void ArrowTableRowNode::claimColumns(ReadState& state, const TableReadAt& at, const ReadHeader& header) const {
    for (const auto* columns : {&header.indexColumns, &header.valueColumns})
        for (const auto& [column, child] : *columns)
            static_cast<ArrowTableColumnNode*>(child)->setColumnData(state, column, at.table.columnData(int32_t(column)));
}

// The file's row groups are read one after the other, each row by row or column by column; the
// nodes let go of a group's columns before the next one refills them.
bool ArrowTableRowNode::readParquet(ReadState& state, TableReadAt& at) {
    ReadHeader header;
    for (int32_t column = 0; column < at.table.columnCount(); ++column) header.names.push_back(at.table.columnName(column));
    ColumnTable(*this).match(header);
    TableMatches matches;
    matches.met(*this, header);
    matches.warnUnmatched(state);
    warnUnreadable(state, at, header);
    const bool byColumn = readsByColumn(state, header);
    KeptRows kept;
    for (int32_t group = 0; group < at.table.rowGroupCount(); ++group) {
        at.group = group;
        if (!readRowGroup(state, at, group)) return false;
        ClaimedColumns claimed(header);
        claimColumns(state, at, header);
        if (!(byColumn ? readByColumn(state, at, header, kept) : readByRow(state, at, header))) return false;
        at.groupStart += at.table.rowCount();
    }
    return true;
}

bool ArrowTableRowNode::readCell(ReadState& state, TableReadAt& at, const ReadHeader& header, size_t column, TreeNode& child) const {
    at.column = column;
    at.header = header.names[column];
    return asParquet(child).readParquet(state, at);
}

bool ArrowTableRowNode::readByRow(ReadState& state, TableReadAt& at, const ReadHeader& header) {
    ColumnTable table(*this);
    auto readCell = [&](size_t column, TreeNode& child) { return this->readCell(state, at, header, column, child); };
    const int64_t rows = at.table.rowCount();
    for (at.row = 0; at.row < rows; ++at.row) {
        at.column = TableReadAt::kNoColumn;
        ReadScope scope(*this, state, name());
        if (!scope.entered()) {
            if (scope.notEnteredResult()) continue;   // this row's element was skipped
            return false;
        }
        if (!scope.end(table.readRow(state, header, readCell))) return false;
    }
    return true;
}

// Whether the rows may be read column by column: the row itself binds and marks nothing beyond
// what its cells bind for it, and no value cell does more than assign its value to an identifier
// at the row's tuple, so that what a row's values do is the same in any order. Element-valued
// targets stay in row order, as they create the elements of their range in the order the rows
// name them.
bool ArrowTableRowNode::readsByColumn(ReadState& state, const ReadHeader& header) const {
    if (hasPrologue() || resetsIterativeCounters() || leavesMarks() || bindsToIndex() >= 0) return false;
    for (const auto& [column, child] : header.valueColumns) {
        if (child->hasPrologue() || child->resetsIterativeCounters() || child->leavesMarks() || child->hasScopeBindings() ||
            child->bindsToIndex() >= 0 || child->mapsToReference() < 0)
            return false;
        TargetKind kind = readTargetKind(*child, state);
        if (kind == TargetKind::Element || kind == TargetKind::Holder) return false;
    }
    return true;
}

// The index columns are read row by row, as a row-by-row read reads them, and each row's tuple is
// kept; then each value column is read down all the rows, at the tuples kept, straight into its
// target. Each pass walks one column of the row group and one identifier of the model in order,
// instead of all of them at once.
bool ArrowTableRowNode::readByColumn(ReadState& state, TableReadAt& at, const ReadHeader& header, KeptRows& kept) const {
    const int64_t rows = at.table.rowCount();
    const std::vector<int>& tuple = state.tuple();
    kept.rows.clear();
    kept.tuples.clear();
    for (at.row = 0; at.row < rows; ++at.row) {
        for (const auto& [column, child] : header.indexColumns)
            if (!readCell(state, at, header, column, *child)) return false;
        if (!state.takeSkip()) {
            kept.tuples.insert(kept.tuples.end(), tuple.begin(), tuple.end());
            kept.rows.push_back(at.row);
        }
        clearValueBindings(state);
    }
    for (const auto& [column, child] : header.valueColumns) {
        at.column = column;
        at.header = header.names[column];
        if (!static_cast<const ArrowTableColumnNode&>(*child).readDown(state, at, kept.rows, kept.tuples)) return false;
    }
    clearValueBindings(state);
    return true;
}

void ArrowTableRowNode::prepareColumns(WriteState& state, TableWriteAt& at) const {
    ColumnTable table(*this);
    size_t count = at.header->names.size();
    at.columns.clear();
    at.defaults.assign(count, nullptr);
    at.filled.assign(count, false);
    for (size_t column = 0; column < count; ++column) {
        auto* server = static_cast<const ArrowTableColumnNode*>(table.defaultServer(at.header->names[column]));
        at.columns.push_back(std::make_shared<tablix::ColumnData>(server ? server->storageType(state) : tablix::Unsupported));
        if (server && server->writesDefaults()) at.defaults[column] = server;
    }
}

// Columns that no node wrote in a row get the default of the node serving them, where it writes
// defaults, else a null.
bool ArrowTableRowNode::writeRows(WriteState& state, TableWriteAt& at) const {
    auto writeChild = [&](TreeNode& child) { return asParquet(child).writeParquet(state, at); };
    auto endRow = [&] {
        for (size_t column = 0; column < at.columns.size(); ++column) {
            if (at.filled[column]) continue;
            if (!at.defaults[column] || !at.defaults[column]->writeDefault(state, at, column)) at.columns[column]->appendNull();
        }
        std::fill(at.filled.begin(), at.filled.end(), false);
        writePartWhenFull(at);
    };
    return ColumnTable(*this).writeRows(state, writeChild, endRow);
}

namespace {

// Whether the reference's indices are exactly the row's: then the rows, enumerated over every
// such reference, meet each of its values in turn and none is left behind a row.
bool indexedByRow(WriteState& state, int reference, const std::vector<int>& rowIndices) {
    if (reference < 0) return true;
    const std::vector<int>& indices = state.mapping().references[size_t(reference)].indices;
    if (indices.size() != rowIndices.size()) return false;
    for (int index : indices)
        if (std::find(rowIndices.begin(), rowIndices.end(), index) == rowIndices.end()) return false;
    return true;
}

}  // namespace

// Where every child writes one cell per row into a column of its own, every column has its child,
// and the values of every child are indexed by the row's indices alone, a row is its children's
// cells in turn: the walk over each child's tuples within the row and the lookup of its column by
// key are left out.
bool ArrowTableRowNode::cellsByChild(WriteState& state, TableWriteAt& at) const {
    at.childColumns.clear();
    at.cellsConsumeRow = false;
    if (children().size() != at.header->names.size()) return false;
    std::vector<int> rowIndices;
    for (const auto& child : children()) {
        int index = child->bindsToIndex();
        if (index < 0) continue;
        if (state.isExternallyBound(index) || std::find(rowIndices.begin(), rowIndices.end(), index) != rowIndices.end()) return false;
        rowIndices.push_back(index);
    }
    std::vector<bool> taken(at.header->names.size());
    std::vector<size_t> columns;
    for (const auto& child : children()) {
        const auto& node = static_cast<const ArrowTableColumnNode&>(*child);
        size_t column = 0;
        if (!node.oneCellPerRow() || !indexedByRow(state, node.mapsToReference(), rowIndices) ||
            !indexedByRow(state, node.forceDenseReference(), rowIndices) || !node.writeKey(state, at.key) ||
            !at.header->find(at.key, column) || taken[column])
            return false;
        taken[column] = true;
        columns.push_back(column);
    }
    at.childColumns = std::move(columns);
    at.cellsConsumeRow = cellsConsumeRow();
    return true;
}

// A cell whose value lies on the row consumes it, so when every reference of the table is the
// maps-to of a cell and no cell only looks at a force-dense one, a row written leaves no cursor on
// it.
bool ArrowTableRowNode::cellsConsumeRow() const {
    for (const auto& child : children())
        if (child->forceDenseReference() >= 0) return false;
    for (int reference : subtreeReferences()) {
        bool mapped = false;
        for (const auto& child : children()) mapped = mapped || child->mapsToReference() == reference;
        if (!mapped) return false;
    }
    return true;
}

bool ArrowTableRowNode::writeRowsByCell(WriteState& state, TableWriteAt& at) const {
    bool ok = true;
    while (ok && nextTuple(state, 1)) {
        bool written = writeFiltered(state);
        if (written) {
            for (size_t child = 0; ok && child < children().size(); ++child)
                ok = static_cast<const ArrowTableColumnNode&>(*children()[child]).writeCell(state, at, at.childColumns[child]);
            if (ok) writePartWhenFull(at);
        }
        if (!written || !ok || !at.cellsConsumeRow) finishTuple(state, 1);
    }
    releaseTuple(state, 1);
    return ok;
}

// A column no target gives a type (a value node without maps-to, binds-to or value) cannot be
// written: refused before any row is.
bool ArrowTableRowNode::typedColumns(const TableWriteAt& at) const {
    bool ok = true;
    for (size_t column = 0; column < at.columns.size(); ++column)
        if (at.columns[column]->type() == tablix::Unsupported)
            ok = raiseError("Invalid storage type for column " + at.header->names[column]) && ok;
    return ok;
}

// The rows built so far go to the file as its next part, which the columns then give up for the
// next rows, keeping their room: however many rows there are, a part's columns are all that is
// held. Parts of whole row groups give the file a whole table would.
void ArrowTableRowNode::writePart(TableWriteAt& at) const {
    at.writer.write(at.header->names, {at.columns.begin(), at.columns.end()});
    for (const auto& column : at.columns) column->clear();
}

void ArrowTableRowNode::writePartWhenFull(TableWriteAt& at) const {
    if (!at.columns.empty() && at.columns.front()->size() >= kPartRows) writePart(at);
}

bool ArrowTableRowNode::writeParquet(WriteState& state, TableWriteAt& at) {
    WriteHeader header = ColumnTable(*this).header(state);
    at.header = &header;
    prepareColumns(state, at);
    bool ok = typedColumns(at);
    bool byCell = cellsByChild(state, at);
    ok = ok && forEachTuple(state, *this, [&] { return byCell ? writeRowsByCell(state, at) : writeRows(state, at); });
    if (ok) writePart(at);
    at.columns.clear();
    at.header = nullptr;
    return ok;
}

}  // namespace flk
