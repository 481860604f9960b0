// A cell's value for the column that reads it. Cells keep their own type: a number read into a
// string or an element name gives its shortest text, a boolean 1 or 0, a date cell the calendar
// element of its day (or its ISO 8601 text in a string); a text read into a number must be one.
#include "formats/excel/excel_cells.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "host/molvo_io_handler.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/value_text.hpp"

#include <xlsxbook/xlsxbook.h>

#include <climits>
#include <cmath>
#include <cstdio>

namespace flk {
namespace {

struct DateParts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
};

std::string targetName(const TreeNode& node, ReadState& state) {
    return toUtf8(state.mapping().references[size_t(node.mapsToReference())].target->name());
}

std::string cellWhere(const WorkbookReadAt& at) {
    return "Cell " + cellReference(at.row, at.col) + " of sheet " + at.sheetName;
}

// Raises "Cell C17 of sheet Orders <what>", then warns of "the cell <what>" at its place.
CellRead refuse(ReadState& state, const WorkbookReadAt& at, const std::string& what) {
    raiseError(cellWhere(at) + " " + what);
    state.warnAtPlace("the cell " + what);
    return CellRead::Failed;
}

// Integers are truncated toward zero, and must then fit the host's 32-bit integers.
CellRead setNumber(const TreeNode& node, ReadState& state, const WorkbookReadAt& at, double number, ReadValue& out) {
    if (out.kind != TargetKind::Integer) {
        out.number = number;
        return CellRead::Value;
    }
    double whole = std::trunc(number);
    if (whole < double(INT_MIN) || whole > double(INT_MAX))
        return refuse(state, at, "holds " + numberText(number) + ", beyond the range of the integer identifier " + targetName(node, state));
    out.number = whole;
    return CellRead::Value;
}

CellRead readNumber(const TreeNode& node, ReadState& state, const WorkbookReadAt& at, double number, ReadValue& out) {
    if (!out.isText) return setNumber(node, state, at, number, out);
    out.text = numberText(number);
    return CellRead::Value;
}

CellRead readText(const TreeNode& node, ReadState& state, const WorkbookReadAt& at, const char* text, ReadValue& out) {
    if (out.isText) {
        out.text = text;
        return CellRead::Value;
    }
    double number = 0;
    switch (leadingDecimal(text, number)) {
        case LeadingDecimal::Number: return setNumber(node, state, at, number, out);
        case LeadingDecimal::OutOfRange:
            return refuse(state, at,
                          "holds '" + std::string(text) + "', a number beyond the range of the identifier " + targetName(node, state));
        case LeadingDecimal::None: break;
    }
    if (std::string_view(text).find_first_not_of(" \t\n\r") == std::string_view::npos) return CellRead::NoValue;
    return refuse(state, at,
                  "holds the text '" + std::string(text) + "', which is not a number, for the identifier " + targetName(node, state));
}

std::string isoText(const DateParts& d) {
    char text[32];
    if (d.hour == 0 && d.minute == 0 && d.second == 0)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute, d.second);
    return text;
}

// The calendar element of the cell's date, by its name, so that the element lookup that follows
// treats it as any name; a date outside the calendar gives its ISO text, which names no element.
CellRead readDateElement(const TreeNode& node, ReadState& state, const DateParts& d, ReadValue& out) {
    ElementColumn elements = elementColumn(node, state);
    if (!elements.names) {
        out.text = isoText(d);
        return CellRead::Value;
    }
    if (!elements.calendar) {
        raiseError(std::string_view("Date-valued Excel column can only be mapped onto a calendar label"));
        state.warnAtPlace("the cell holds a date, which only the elements of a calendar can take");
        return CellRead::Failed;
    }
    int element = 0;
    if (MolvoSetDateToElement(elements.set, d.year, d.month, d.day, d.hour, d.minute, d.second, &element) == 1 && element > 0)
        out.text = elements.names->elementName(element);
    else
        out.text = isoText(d);
    return CellRead::Value;
}

CellRead readDate(const TreeNode& node, ReadState& state, const WorkbookReadAt& at, double serial, ReadValue& out) {
    DateParts d;
    if (!out.isText || !at.book.dateUnpack(serial, &d.year, &d.month, &d.day, &d.hour, &d.minute, &d.second, &d.msec))
        return readNumber(node, state, at, serial, out);
    if (out.kind == TargetKind::String) {
        out.text = isoText(d);
        return CellRead::Value;
    }
    return readDateElement(node, state, d, out);
}

}  // namespace

std::string cellReference(int row, int col) {
    std::string letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters + std::to_string(row + 1);
}

ElementColumn elementColumn(const TreeNode& node, MappingState& state) {
    ElementColumn column;
    if (node.mapsToReference() >= 0) {
        MolvoIOHandler& target = *state.mapping().references[size_t(node.mapsToReference())].target;
        if (targetKindOf(&target) != TargetKind::Element) return column;
        int calendar = 0;
        column.names = &target;
        column.set = target.rangeDomain().range();
        MolvoSetIsCalendar(column.set, &calendar);
        column.calendar = calendar == 1;
    } else if (node.bindsToIndex() >= 0) {
        MolvoIOHandler& index = *state.mapping().indexTable[size_t(node.bindsToIndex())];
        column.names = &index;
        column.set = index.handle();
        column.calendar = index.isCalendar();
    }
    return column;
}

CellRead readCell(const TreeNode& node, ReadState& state, const WorkbookReadAt& at, ReadValue& out) {
    const xlsxbook::Sheet& sheet = *at.sheet;
    beginConversion(readTargetKind(node, state), out);
    switch (sheet.cellType(at.row, at.col)) {
        case xlsxbook::CellType::Number:
            if (sheet.isDate(at.row, at.col)) return readDate(node, state, at, sheet.readNum(at.row, at.col), out);
            return readNumber(node, state, at, sheet.readNum(at.row, at.col), out);
        case xlsxbook::CellType::String: return readText(node, state, at, sheet.readStr(at.row, at.col), out);
        case xlsxbook::CellType::Boolean: return readNumber(node, state, at, sheet.readBool(at.row, at.col) ? 1 : 0, out);
        default: return CellRead::NoValue;
    }
}

}  // namespace flk
