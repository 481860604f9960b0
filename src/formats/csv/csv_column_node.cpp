// One column of a table: a field per row, read into the identifier or index the column maps to,
// and written from it.
#include "formats/csv/csv_nodes.hpp"

#include "host/molvo_io_handler.hpp"
#include "mapping/column_table.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/read_scope.hpp"
#include "mapping/value_text.hpp"
#include "mapping/value_transfer.hpp"

#include <cmath>
#include <stdexcept>

namespace flk {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Blanks around it, an optional "-", decimal digits with at most one ".", and an optional
// exponent: the only numbers a field of a numeric column may hold.
bool isCsvNumber(std::string_view text) {
    size_t at = 0, end = text.size();
    while (at < end && isBlank(text[at])) ++at;
    while (end > at && isBlank(text[end - 1])) --end;
    if (at < end && text[at] == '-') ++at;
    size_t digits = 0;
    bool point = false;
    for (; at < end && (isDigit(text[at]) || (text[at] == '.' && !point)); ++at) {
        if (text[at] == '.') point = true;
        else ++digits;
    }
    if (digits == 0) return false;
    if (at < end && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < end && (text[at] == '-' || text[at] == '+')) ++at;
        if (at == end || !isDigit(text[at])) return false;
        while (at < end && isDigit(text[at])) ++at;
    }
    return at == end;
}

// A field for its target. Text is kept in the room value already has, as a table's strings come
// one per row: the shared conversion would take a new string for each.
void convertField(TargetKind kind, std::string_view field, ReadValue& value) {
    if (kind == TargetKind::Integer) return convertText(kind, std::string(field), value);
    beginConversion(kind, value);
    if (value.isText) {
        value.text.assign(field);
        return;
    }
    if (!isCsvNumber(field)) throw std::runtime_error("Not a number.");
    value.text.clear();
    // Only a number beyond the range of doubles gets here: the shared conversion says so.
    if (leadingDecimal(field, value.number) != LeadingDecimal::Number) convertText(kind, std::string(field), value);
}

}  // namespace

bool CSVColumnNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    return parseElement(element, mapping, "CSVColumnMapping", kTableColumnAttributes, nullptr);
}

// An empty field of a numeric or integer column is a missing value: the column leaves its target
// as it is, which is what a write of a missing value gives back.
bool CSVColumnNode::readCSVField(ReadState& state, std::string_view header, std::string_view field, ReadValue& value) {
    ReadScope scope(*this, state, header);
    if (!scope.entered()) return scope.notEnteredResult();
    TargetKind kind = readTargetKind(*this, state);
    if (field.empty() && (kind == TargetKind::Numeric || kind == TargetKind::Integer)) return scope.end(true);
    convertField(kind, field, value);
    return scope.end(transferValue(*this, state, value));
}

bool CSVColumnNode::writeDefault(WriteState& state, std::string& text) const {
    if (mapsToReference() < 0) return false;
    MolvoIOHandler& target = *state.mapping().references[size_t(mapsToReference())].target;
    MolvoValueW stored;
    if (!target.defaultValue(stored)) return false;
    appendStoredText(text, target, stored, *this);
    return true;
}

// Without maps-to: the name of the element bound to the binds-to index, or the constant value.
bool CSVColumnNode::writeUnmapped(WriteState& state, std::string& text) const {
    if (bindsToIndex() >= 0) {
        int element = state.tuple()[size_t(bindsToIndex())];
        if (element <= 0) return false;
        text = normalizedForWrite(state.mapping().indexTable[size_t(bindsToIndex())]->elementName(element));
        return true;
    }
    text = attributes_.value;
    return !text.empty();
}

bool CSVColumnNode::writeCSVField(WriteState& state, CsvField& field) {
    field.present = false;
    field.text.clear();
    if (!writeKey(state, field.header)) return true;
    if (mapsToReference() < 0) {
        field.present = writeUnmapped(state, field.text);
        return true;
    }
    if (hasValueAt(state, mapsToReference(), false)) {
        ValueCursor& cursor = state.cursor(mapsToReference());
        MolvoIOHandler& target = *state.mapping().references[size_t(mapsToReference())].target;
        // No text stands for NaN or an infinity that reads back: such a value is left empty, as
        // a missing one is, and reported.
        if (targetKindOf(&target) == TargetKind::Numeric && !std::isfinite(cursor.value().Double))
            state.notes().writtenAsNull(target.name());
        else
            appendStoredText(field.text, target, cursor.value(), *this);
        cursor.advance();
        field.present = true;
    } else if (attributes().writeDefaults || hasValueAt(state, forceDenseReference(), false)) {
        field.present = writeDefault(state, field.text);
    }
    return true;
}

}  // namespace flk
