// A cell's value for the column that reads it. Cells keep their own type: a number read into a
// string or an element name gives its shortest text (a decimal all its digits), an integer its
// decimal text, a boolean 1 or 0, a date or timestamp the calendar element of its day (or its ISO
// 8601 text); into a number, a date counts days and a timestamp or time of day seconds since
// 1970-01-01 or midnight. Integer targets take values truncated toward zero that must then fit the
// host's 32-bit integers.
#include "formats/parquet/parquet_cells.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "host/molvo_io_handler.hpp"
#include "mapping/document_drivers.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/value_text.hpp"

#include <tablix/ColumnData.h>
#include <tablix/ValueText.h>

#include <charconv>
#include <climits>
#include <cmath>

namespace flk {
namespace {

// The elements a column's values name: those of its maps-to element parameter's range, or of the
// index its binds-to binds.
struct ElementNames {
    MolvoIOHandler* names = nullptr;   // gives the names of the elements; nullptr: the values are no elements
    int set = 0;                       // host handle of the set the elements belong to
};

ElementNames elementNames(const TreeNode& node, ReadState& state) {
    if (node.mapsToReference() >= 0) {
        MolvoIOHandler& target = *state.mapping().references[size_t(node.mapsToReference())].target;
        if (targetKindOf(&target) != TargetKind::Element) return {};
        return {&target, target.rangeDomain().range()};
    }
    if (node.bindsToIndex() < 0) return {};
    MolvoIOHandler& index = *state.mapping().indexTable[size_t(node.bindsToIndex())];
    return {&index, index.handle()};
}

std::string targetName(const TreeNode& node, ReadState& state) {
    if (node.mapsToReference() < 0) return node.name();
    return toUtf8(state.mapping().references[size_t(node.mapsToReference())].target->name());
}

CellRead outOfRange(const TreeNode& node, ReadState& state, const TableReadAt& at, const std::string& value) {
    const std::string what = value + ", beyond the range of the integer identifier " + targetName(node, state);
    raiseError("Row " + std::to_string(at.groupStart + at.row + 1) + " of column " + std::string(at.header) + " holds " + what);
    state.warnAtPlace("the cell holds " + what);
    return CellRead::Failed;
}

// A shown text is cut to this many bytes, so that a cell of any size makes a message of a line.
constexpr size_t kShownTextBytes = 40;

// A text that a numeric target cannot take fails the read as the shared text conversion would.
CellRead notANumber(const TreeNode& node, ReadState& state, std::string_view text, const char* failure, const char* why) {
    raiseReadException(failure, state.documentName());
    std::string shown(text.substr(0, kShownTextBytes));
    if (shown.size() < text.size()) shown += "...";
    state.warnAtPlace("the cell holds the text '" + shown + "', " + why + ", for the identifier " + targetName(node, state));
    return CellRead::Failed;
}

CellRead setNumber(const TreeNode& node, ReadState& state, TableReadAt& at, double number) {
    ReadValue& out = at.value;
    if (out.kind != TargetKind::Integer) {
        out.number = number;
        return CellRead::Value;
    }
    double whole = std::trunc(number);
    if (!(whole >= double(INT_MIN) && whole <= double(INT_MAX))) return outOfRange(node, state, at, numberText(number));
    out.number = whole;
    return CellRead::Value;
}

template <class Integer>
CellRead readInteger(const TreeNode& node, ReadState& state, TableReadAt& at, Integer value) {
    if (at.value.isText) {
        char digits[24];
        at.value.text.assign(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
        return CellRead::Value;
    }
    if (at.value.kind == TargetKind::Integer && !(value >= Integer(INT_MIN) && value <= Integer(INT_MAX))) {
        return outOfRange(node, state, at, std::to_string(value));
    }
    at.value.number = double(value);
    return CellRead::Value;
}

CellRead readDouble(const TreeNode& node, ReadState& state, TableReadAt& at, double value) {
    if (!at.value.isText) return setNumber(node, state, at, value);
    at.value.text = numberText(value);
    return CellRead::Value;
}

CellRead readText(const TreeNode& node, ReadState& state, TableReadAt& at, std::string_view text) {
    if (at.value.isText) {
        at.value.text.assign(text);
        return CellRead::Value;
    }
    double number = 0;
    switch (leadingDecimal(text, number)) {
        case LeadingDecimal::None: return notANumber(node, state, text, "invalid stod argument", "which is not a number");
        case LeadingDecimal::OutOfRange:
            return notANumber(node, state, text, "stod argument out of range", "a number beyond the range of numbers");
        case LeadingDecimal::Number: break;
    }
    return setNumber(node, state, at, number);
}

double unitsPerSecond(tablix::TimeUnit unit) {
    return unit == tablix::TimeUnit::Millis ? 1e3 : unit == tablix::TimeUnit::Micros ? 1e6 : 1e9;
}

// The calendar element of the value's date and time, by its name, so that the element lookup that
// follows treats it as any name; a value outside the calendar, or elements of a set that is no
// calendar, get the ISO 8601 text, which names no element of a calendar.
void temporalName(const TreeNode& node, ReadState& state, const tablix::Value& cell, std::string& text) {
    ElementNames elements = elementNames(node, state);
    int calendar = 0, element = 0;
    if (elements.names && MolvoSetIsCalendar(elements.set, &calendar) == 1 && calendar == 1) {
        tablix::DateTimeParts d = tablix::dateTimeParts(cell);
        if (d.year >= 0 && d.year <= 9999 &&
            MolvoSetDateToElement(elements.set, int(d.year), d.month, d.day, d.hour, d.minute, d.second, &element) == 1 &&
            element > 0) {
            text = elements.names->elementName(element);
            return;
        }
    }
    text = tablix::toText(cell);
}

CellRead readTemporal(const TreeNode& node, ReadState& state, TableReadAt& at, const tablix::ColumnData& column) {
    tablix::Value cell;
    cell.type = column.type();
    cell.isNull = false;
    cell.integer = column.type() == tablix::Date ? column.int32s()[size_t(at.row)] : column.int64s()[size_t(at.row)];
    cell.unit = column.unit();
    cell.utc = column.utc();
    switch (at.value.kind) {
        case TargetKind::String: at.value.text = tablix::toText(cell); return CellRead::Value;
        case TargetKind::Element:
        case TargetKind::Holder: temporalName(node, state, cell, at.value.text); return CellRead::Value;
        default: break;
    }
    if (cell.type == tablix::Date) return setNumber(node, state, at, double(cell.integer));
    return setNumber(node, state, at, double(cell.integer) / unitsPerSecond(cell.unit));
}

}  // namespace

bool readableStorage(int32_t storageType) {
    switch (storageType) {
        case tablix::Double:
        case tablix::Int32:
        case tablix::String:
        case tablix::Int64:
        case tablix::UInt64:
        case tablix::Date:
        case tablix::Timestamp:
        case tablix::Time: return true;
        default: return false;
    }
}

CellRead readCell(const TreeNode& node, ReadState& state, const tablix::ColumnData& column, TargetKind kind, TableReadAt& at) {
    beginConversion(kind, at.value);
    size_t row = size_t(at.row);
    if (column.isNull(at.row)) return CellRead::NoValue;
    switch (column.type()) {
        case tablix::Double:
            // A decimal keeps all its digits where the target takes text.
            if (at.value.isText && column.hasDecimalText()) return readText(node, state, at, column.decimalText(at.row));
            return readDouble(node, state, at, column.doubles()[row]);
        case tablix::Int32: return readInteger(node, state, at, column.int32s()[row]);
        case tablix::Int64: return readInteger(node, state, at, column.int64s()[row]);
        case tablix::UInt64: return readInteger(node, state, at, uint64_t(column.int64s()[row]));
        case tablix::String: {
            const auto& offsets = column.offsets();
            return readText(node, state, at, std::string_view(column.chars()).substr(offsets[row], offsets[row + 1] - offsets[row]));
        }
        case tablix::Date:
        case tablix::Timestamp:
        case tablix::Time: return readTemporal(node, state, at, column);
        default: return CellRead::NoValue;
    }
}

}  // namespace flk
