// A column of a sheet: one cell per row, read into or written from the column's target.
#include "formats/excel/excel_nodes.hpp"

#include "formats/excel/excel_cells.hpp"
#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/column_table.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/read_scope.hpp"

#include <pugixml.hpp>

#include <cmath>

namespace flk {
// A column has no child elements; their message has always read "an ExcelColumnMapping".
bool ExcelColumnNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    parseAttributes(element, mapping, kTableColumnAttributes);
    bool ok = true;
    for (const pugi::xml_node& child : element.children()) {
        if (child.type() != pugi::node_element) continue;
        raiseError("Mapping type " + std::string(child.name()) + " not supported underneath an ExcelColumnMapping");
        ok = false;
    }
    return ok;
}

bool ExcelColumnNode::readWorkbook(ReadState& state, WorkbookReadAt& at) {
    ReadValue& value = at.value;
    CellRead cell = readCell(*this, state, at, value);
    return cell != CellRead::Failed && transferCell(*this, state, at.header, cell == CellRead::Value, value);
}

bool ExcelColumnNode::writeStored(WriteState& state, WorkbookWriteAt& at, int column, const MolvoValueW& value) const {
    MolvoIOHandler& target = *state.mapping().references[size_t(mapsToReference())].target;
    switch (targetKindOf(&target)) {
        case TargetKind::Numeric:
            if (std::isfinite(value.Double)) return writeNumberCell(at, column, value.Double);
            state.notes().writtenAsNull(target.name());   // no cell holds NaN or infinity
            return true;
        case TargetKind::String:
            at.text.clear();
            if (value.String) appendUtf8(at.text, value.String);
            return writeTextCell(at, column, at.text);
        case TargetKind::Element:
            return value.Int <= 0 || writeElementCell(at, column, elementColumn(*this, state), value.Int, *this);
        default: return writeNumberCell(at, column, value.Int);
    }
}

bool ExcelColumnNode::writeDefault(WriteState& state, WorkbookWriteAt& at, int column) const {
    if (mapsToReference() < 0) return true;
    MolvoValueW stored;
    if (!state.mapping().references[size_t(mapsToReference())].target->defaultValue(stored)) return true;
    return writeStored(state, at, column, stored);
}

bool ExcelColumnNode::writeBoundElement(WriteState& state, WorkbookWriteAt& at, int column) const {
    int element = state.tuple()[size_t(bindsToIndex())];
    return element <= 0 || writeElementCell(at, column, elementColumn(*this, state), element, *this);
}

bool ExcelColumnNode::writeWorkbook(WriteState& state, WorkbookWriteAt& at) {
    size_t column = 0;
    if (!writeKey(state, at.key) || !at.header->find(at.key, column)) return true;
    int col = int(column);
    at.filled[column] = true;
    if (mapsToReference() >= 0) {
        if (hasValueAt(state, mapsToReference(), false)) {
            ValueCursor& cursor = state.cursor(mapsToReference());
            bool ok = writeStored(state, at, col, cursor.value());
            cursor.advance();
            return ok;
        }
        bool dense = attributes().writeDefaults || hasValueAt(state, forceDenseReference(), false);
        return !dense || writeDefault(state, at, col);
    }
    if (bindsToIndex() >= 0) return writeBoundElement(state, at, col);
    return attributes_.value.empty() || writeTextCell(at, col, attributes_.value);
}

}  // namespace flk
