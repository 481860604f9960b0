// One column of a table: a field per row, read into the identifier or index the column maps to,
// and written from it.
#include "formats/csv/csv_nodes.hpp"

#include "frame/utf8.hpp"
#include "host/molvo_io_handler.hpp"
#include "mapping/column_table.hpp"
#include "mapping/document_drivers.hpp"
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

// How a field failed its conversion: the text of the failure the read reports, and why, for the
// warning that places it.
struct Refused {
    std::string text;   // empty: converted. A copy: the exception that gave it is gone by then
    const char* why = "";
};

// A field for its target. Text is kept in the room value already has, as a table's strings come
// one per row: the shared conversion would take a new string for each.
Refused convertField(TargetKind kind, std::string_view field, ReadValue& value) {
    try {
        if (kind == TargetKind::Integer) {
            convertText(kind, std::string(field), value);
            return {};
        }
        beginConversion(kind, value);
        if (value.isText) {
            value.text.assign(field);
            return {};
        }
        if (!isCsvNumber(field)) return {"Not a number.", "is not a number"};
        value.text.clear();
        // Only a number beyond the range of doubles gets here: the shared conversion says so.
        if (leadingDecimal(field, value.number) != LeadingDecimal::Number) convertText(kind, std::string(field), value);
        return {};
    } catch (const std::invalid_argument& e) {
        return {e.what(), "is not an integer"};
    } catch (const std::out_of_range& e) {
        return {e.what(), kind == TargetKind::Integer ? "is beyond the range of integers" : "is beyond the range of numbers"};
    }
}

// A shown value is cut to this many bytes, so that a field of any size makes a message of a line.
constexpr size_t kShownFieldBytes = 40;

bool refuse(const TreeNode& column, ReadState& state, std::string_view field, const Refused& refused) {
    raiseReadException(refused.text, state.documentName());
    std::string shown(field.substr(0, kShownFieldBytes));
    if (shown.size() < field.size()) shown += "...";
    const IdentifierReference& target = state.mapping().references[size_t(column.mapsToReference())];
    state.warnAtPlace("'" + shown + "' " + refused.why + ", which " + toUtf8(target.target->name()) + " needs");
    return false;
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
    Refused refused = convertField(kind, field, value);
    if (!refused.text.empty()) return scope.end(refuse(*this, state, field, refused));
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
