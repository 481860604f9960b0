// A table's data rows: each row is one element of the row node's iterative binding, its fields
// read by the columns their headers name; written back with one header line and a line per tuple.
#include "formats/csv/csv_nodes.hpp"

#include "formats/csv/csv_table_reader.hpp"
#include "formats/csv/csv_writer.hpp"
#include "mapping/column_table.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/value_transfer.hpp"

#include <algorithm>

namespace flk {
namespace {

const std::vector<std::string_view> kRowAttributes{"name", "alt-name", "write-filter", "iterative-binds-to",
                                                    "iterative-prefix", "iterative-existing", "binds-skip-non-existing"};

// Per header column, the column node whose default fills it when no node wrote it, or nullptr.
std::vector<const CSVColumnNode*> defaultColumns(const ColumnTable& columns, const WriteHeader& header) {
    std::vector<const CSVColumnNode*> defaults;
    for (const std::string& name : header.names) {
        auto* column = static_cast<const CSVColumnNode*>(columns.defaultServer(name));
        defaults.push_back(column && column->writesDefaults() ? column : nullptr);
    }
    return defaults;
}

}  // namespace

std::shared_ptr<TreeNode> CSVRowNode::makeChild(std::string_view element) {
    return makeCsvNode(CsvParent::Table, element);
}

bool CSVRowNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    setRowsInScope();
    return parseElement(element, mapping, "CSVTableMapping", kRowAttributes, nullptr);
}

// Each row opens its own scope: the iterative binding moves on to the row's element, and a row
// its element lookup skips leaves out that row only. A value that cannot be bound or converted is
// placed at its field (at the row's start, for the row's own binding).
bool CSVRowNode::readCSVRows(ReadState& state, CsvTableReader& table) {
    ReadHeader header;
    if (!table.readHeader(header.names)) return false;
    ColumnTable columns(*this);
    columns.match(header);
    TableMatches matches;
    matches.met(*this, header);
    matches.warnUnmatched(state);
    size_t field = CsvPlace::kNoField;
    ScopedPlaceSource place(state, [&] { return table.fieldPlace(field); });
    ReadValue value;
    while (table.next()) {
        field = CsvPlace::kNoField;
        ReadScope scope(*this, state, name());
        if (!scope.entered()) {
            if (scope.notEnteredResult()) continue;
            return false;
        }
        const CsvRow& row = table.row();
        bool ok = columns.readRow(state, header, [&](size_t column, TreeNode& child) {
            field = column;
            return asCsv(child).readCSVField(state, header.names[column], row[column], value);
        });
        if (!scope.end(ok)) return false;
    }
    return !table.failed();
}

// The header once, then a row per tuple of the row node's own indices (its iterative binding)
// and, within each, per tuple of the indices its columns bind.
bool CSVRowNode::writeCSVRows(WriteState& state, CsvWriter& output) {
    ColumnTable columns(*this);
    WriteHeader header = columns.header(state);
    output.row(header.names);
    std::vector<const CSVColumnNode*> defaults = defaultColumns(columns, header);
    std::vector<std::string> fields(header.names.size());
    std::vector<bool> written(fields.size());
    CsvField field;
    auto writeChild = [&](TreeNode& child) {
        if (!asCsv(child).writeCSVField(state, field)) return false;
        size_t column = 0;
        if (field.present && header.find(field.header, column)) {
            fields[column].swap(field.text);
            written[column] = true;
        }
        return true;
    };
    auto endRow = [&] {
        for (size_t i = 0; i < fields.size(); ++i)
            if (!written[i] && defaults[i]) defaults[i]->writeDefault(state, fields[i]);
        output.row(fields);
        for (std::string& text : fields) text.clear();
        std::fill(written.begin(), written.end(), false);
    };
    return forEachTuple(state, *this, [&] { return columns.writeRows(state, writeChild, endRow); });
}

}  // namespace flk
