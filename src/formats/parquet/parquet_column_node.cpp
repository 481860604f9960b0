// A column of a table: one cell per row, read into or written from the column's target.
#include "formats/parquet/parquet_nodes.hpp"

#include "formats/parquet/parquet_cells.hpp"
#include "frame/call_context.hpp"
#include "host/molvo_io_handler.hpp"
#include "mapping/column_table.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/read_scope.hpp"
#include "mapping/value_text.hpp"

#include <tablix/ColumnData.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>

namespace flk {
bool ArrowTableColumnNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    parseAttributes(element, mapping, kTableColumnAttributes);
    bool ok = true;
    for (const pugi::xml_node& child : element.children()) {
        if (child.type() != pugi::node_element) continue;
        raiseError("Mapping type " + std::string(child.name()) + " not supported underneath an ArrowTableColumnMapping");
        ok = false;
    }
    return ok;
}

void ArrowTableColumnNode::setColumnData(ReadState& state, size_t column, std::shared_ptr<const tablix::ColumnData> data) {
    columns_.push_back(Claimed{column, std::move(data), readTargetKind(*this, state)});
}

void ArrowTableColumnNode::clearColumnData() { columns_.clear(); }

const ArrowTableColumnNode::Claimed* ArrowTableColumnNode::claimed(size_t column) const {
    for (const Claimed& c : columns_)
        if (c.column == column) return &c;
    return nullptr;
}

bool ArrowTableColumnNode::readParquet(ReadState& state, TableReadAt& at) {
    const Claimed* column = claimed(at.column);
    if (!column) return true;
    CellRead cell = readCell(*this, state, *column->data, column->kind, at);
    return cell != CellRead::Failed && transferCell(*this, state, at.header, cell == CellRead::Value, at.value);
}

bool ArrowTableColumnNode::readDown(ReadState& state, TableReadAt& at, const std::vector<int64_t>& rows,
                                    const std::vector<int>& tuples) const {
    const Claimed* column = claimed(at.column);
    if (!column) return true;
    std::vector<int>& tuple = state.tuple();
    const size_t dimension = tuple.size();
    for (size_t i = 0; i < rows.size(); ++i) {
        at.row = rows[i];
        CellRead cell = readCell(*this, state, *column->data, column->kind, at);
        if (cell == CellRead::NoValue) continue;
        std::copy_n(tuples.begin() + std::ptrdiff_t(i * dimension), dimension, tuple.begin());
        if (cell == CellRead::Failed || !assignToTarget(*this, state, at.value)) return false;
    }
    return true;
}

int32_t ArrowTableColumnNode::storageType(WriteState& state) const {
    if (mapsToReference() < 0) return bindsToIndex() >= 0 || !attributes_.value.empty() ? tablix::String : tablix::Unsupported;
    MolvoIOHandler& target = *state.mapping().references[size_t(mapsToReference())].target;
    switch (targetKindOf(&target)) {
        case TargetKind::Numeric: return tablix::Double;
        case TargetKind::String:
        case TargetKind::Element: return tablix::String;
        default: break;
    }
    bool integral = target.storage() == IdentifierHandle::kInteger || target.storage() == IdentifierHandle::kBinary;
    return integral || target.isSetOrIndex() ? tablix::Int32 : tablix::Unsupported;
}

// A column of a type this node's target does not give (two nodes serving one column) takes the
// value converted: text into strings, numbers into numbers.
bool ArrowTableColumnNode::appendStored(WriteState& state, TableWriteAt& at, size_t column, const MolvoValueW& value) const {
    tablix::ColumnData& data = *at.columns[column];
    MolvoIOHandler& target = *state.mapping().references[size_t(mapsToReference())].target;
    TargetKind kind = targetKindOf(&target);
    switch (data.type()) {
        case tablix::Double: data.appendDouble(kind == TargetKind::Numeric ? value.Double : double(value.Int)); break;
        case tablix::Int32: data.appendInteger(kind == TargetKind::Numeric ? int64_t(std::trunc(value.Double)) : value.Int); break;
        case tablix::String:
            if (kind == TargetKind::Element && value.Int <= 0) {
                data.appendNull();
                break;
            }
            at.text.clear();
            appendStoredText(at.text, target, value, *this);
            data.appendString(at.text);
            break;
        default: data.appendNull(); break;   // refused when the columns are handed over
    }
    return true;
}

bool ArrowTableColumnNode::writeDefault(WriteState& state, TableWriteAt& at, size_t column) const {
    if (mapsToReference() < 0) return false;
    MolvoValueW stored;
    if (!state.mapping().references[size_t(mapsToReference())].target->defaultValue(stored)) return false;
    return appendStored(state, at, column, stored);
}

// A column gets one cell per row: a second value the node has for the same row (a binds-to index
// the row does not bind) is left out.
bool ArrowTableColumnNode::writeParquet(WriteState& state, TableWriteAt& at) {
    size_t column = 0;
    if (!writeKey(state, at.key) || !at.header->find(at.key, column) || at.filled[column]) return true;
    at.filled[column] = true;
    return writeCell(state, at, column);
}

bool ArrowTableColumnNode::writeCell(WriteState& state, TableWriteAt& at, size_t column) const {
    tablix::ColumnData& data = *at.columns[column];
    if (mapsToReference() >= 0) {
        if (hasValueAt(state, mapsToReference(), false)) {
            ValueCursor& cursor = state.cursor(mapsToReference());
            bool ok = appendStored(state, at, column, cursor.value());
            cursor.advance();
            return ok;
        }
        bool dense = attributes().writeDefaults || hasValueAt(state, forceDenseReference(), false);
        if (!dense || !writeDefault(state, at, column)) data.appendNull();
        return true;
    }
    if (bindsToIndex() >= 0) {
        int element = state.tuple()[size_t(bindsToIndex())];
        if (element <= 0) data.appendNull();
        else data.appendString(normalizedForWrite(state.mapping().indexTable[size_t(bindsToIndex())]->elementName(element)));
    } else if (!attributes_.value.empty()) {
        data.appendString(attributes_.value);
    } else {
        data.appendNull();
    }
    return true;
}

// Its one cell per row is all there is to it: it binds no index of its own, nothing filters it
// and its key is a fixed name.
bool ArrowTableColumnNode::oneCellPerRow() const {
    return !bindsOwnIndices() && attributes_.writeFilter.empty() && attributes_.constBindsTo.empty() && nameBindsIndex() < 0 &&
           !name().empty();
}

}  // namespace flk
