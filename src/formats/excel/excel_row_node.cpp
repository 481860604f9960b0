// The rows of a sheet: row 0 holds the column names, each row after it one tuple of the row
// node's binding, with one cell per column.
#include "formats/excel/excel_nodes.hpp"

#include "formats/excel/excel_cells.hpp"
#include "formats/excel/excel_limits.hpp"
#include "frame/call_context.hpp"
#include "mapping/column_table.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/value_text.hpp"

#include <xlsxbook/xlsxbook.h>

#include <algorithm>

namespace flk {
namespace {

const std::vector<std::string_view> kRowAttributes{"name", "alt-name", "iterative-binds-to", "iterative-prefix",
                                                   "iterative-existing", "binds-skip-non-existing", "write-filter"};

// The header texts, one per column up to the last one used. A number names its column by its
// shortest text (years as column names); any other cell names no column.
std::vector<std::string> headerNames(const xlsxbook::Sheet& sheet) {
    std::vector<std::string> names(size_t(sheet.lastRow() > 0 ? sheet.lastCol() : 0));
    for (int col = 0; col < int(names.size()); ++col) {
        xlsxbook::CellType type = sheet.cellType(0, col);
        if (type == xlsxbook::CellType::String) names[size_t(col)] = sheet.readStr(0, col);
        else if (type == xlsxbook::CellType::Number) names[size_t(col)] = numberText(sheet.readNum(0, col));
    }
    return names;
}

}  // namespace

std::shared_ptr<TreeNode> ExcelRowNode::makeChild(std::string_view element) {
    return makeExcelNode(ExcelParent::Row, element);
}

bool ExcelRowNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    setRowsInScope();
    return parseElement(element, mapping, "ExcelRowMapping", kRowAttributes, nullptr);
}

std::shared_ptr<ExcelRowNode> ExcelRowNode::implicitRow(Mapping& mapping) {
    auto row = std::make_shared<ExcelRowNode>();
    row->mapping_ = &mapping;
    row->setRowsInScope();
    return row;
}

// Every row after the header advances the row node's binding, empty rows too, so that the
// elements a read numbers stay in step with the sheet's rows.
bool ExcelRowNode::readWorkbook(ReadState& state, WorkbookReadAt& at) {
    ReadHeader header;
    header.names = headerNames(*at.sheet);
    ColumnTable table(*this);
    table.match(header);
    at.matches.met(*this, header);
    auto readCell = [&](size_t column, TreeNode& child) {
        at.col = int(column);
        at.header = header.names[column];
        return asExcel(child).readWorkbook(state, at);
    };
    for (int row = 1; row < at.sheet->lastRow(); ++row) {
        at.row = row;
        at.col = -1;
        ReadScope scope(*this, state, name());
        if (!scope.entered()) {
            if (scope.notEnteredResult()) continue;   // this row's element was skipped
            return false;
        }
        if (!scope.end(table.readRow(state, header, readCell))) return false;
    }
    return true;
}

bool ExcelRowNode::writeHeader(WorkbookWriteAt& at) const {
    const std::vector<std::string>& names = at.header->names;
    for (size_t col = 0; col < names.size(); ++col)
        if (!writeTextCell(at, int(col), names[col])) return false;
    return at.sheet->split(1, 0) || raiseError("Cannot freeze the header of sheet " + at.sheetName + ": " + at.book.errorMessage());
}

// Columns that no child wrote in this row get the default of the column serving them, where it
// writes defaults.
bool ExcelRowNode::fillDefaults(WriteState& state, WorkbookWriteAt& at) const {
    bool ok = true;
    for (size_t col = 0; col < at.defaults.size(); ++col)
        if (at.defaults[col] && !at.filled[col]) ok = at.defaults[col]->writeDefault(state, at, int(col)) && ok;
    return ok;
}

bool ExcelRowNode::writeRows(WriteState& state, WorkbookWriteAt& at) {
    bool ok = true;
    auto writeChild = [&](TreeNode& child) {
        if (at.row > kMaxExcelDataRows) return !(at.overflow = true);
        return asExcel(child).writeWorkbook(state, at);
    };
    auto endRow = [&] {
        if (at.row > kMaxExcelDataRows) at.overflow = true;
        else ok = fillDefaults(state, at) && ok;
        ++at.row;
        std::fill(at.filled.begin(), at.filled.end(), false);
    };
    ok = ColumnTable(*this).writeRows(state, writeChild, endRow) && ok;
    return ok && !at.overflow;
}

bool ExcelRowNode::writeWorkbook(WriteState& state, WorkbookWriteAt& at) {
    ColumnTable table(*this);
    WriteHeader header = table.header(state);
    at.header = &header;
    at.row = 0;
    at.filled.assign(header.names.size(), false);
    at.defaults.assign(header.names.size(), nullptr);
    for (size_t col = 0; col < header.names.size(); ++col) {
        auto* server = static_cast<const ExcelColumnNode*>(table.defaultServer(header.names[col]));
        if (server && server->writesDefaults()) at.defaults[col] = server;
    }
    bool ok = writeHeader(at);
    at.row = 1;
    at.overflow = false;
    ok = ok && forEachTuple(state, *this, [&] { return writeRows(state, at); });
    at.header = nullptr;
    if (at.overflow) return raiseError("Sheet " + at.sheetName + " contains more than " + std::to_string(xlsxbook::kMaxRows) + " rows");
    return ok;
}

}  // namespace flk
