// Cells written by the column nodes, each of its own type: numbers as numeric cells, texts as
// string cells, and the elements of a calendar as date cells.
#include "formats/excel/excel_cells.hpp"

#include "frame/call_context.hpp"
#include "host/molvo_io_handler.hpp"

#include <xlsxbook/xlsxbook.h>

namespace flk {
namespace {

bool refused(const WorkbookWriteAt& at, int column) {
    return raiseError("Cannot write cell " + cellReference(at.row, column) + " of sheet " + at.sheetName + ": " +
                      at.book.errorMessage());
}

bool writeNumber(WorkbookWriteAt& at, int column, double value, xlsxbook::Format* format) {
    return at.sheet->writeNum(at.row, column, value, format) || refused(at, column);
}

}  // namespace

bool writeNumberCell(WorkbookWriteAt& at, int column, double value) { return writeNumber(at, column, value, nullptr); }

bool writeTextCell(WorkbookWriteAt& at, int column, const std::string& text) {
    if (text.empty()) return true;   // an empty text is an empty cell
    return at.sheet->writeStr(at.row, column, text.c_str()) || refused(at, column);
}

// A day before the workbook's first date cannot be a date cell: it is written by its name.
bool writeElementCell(WorkbookWriteAt& at, int column, const ElementColumn& elements, int element, const TreeNode& node) {
    int year, month, day, hour, minute, second;
    if (elements.calendar && MolvoSetElementToDate(elements.set, element, &year, &month, &day, &hour, &minute, &second) == 1) {
        double date = at.book.datePack(year, month, day, hour, minute, second, 0);
        bool timeOfDay = hour != 0 || minute != 0 || second != 0;
        if (date >= 0) return writeNumber(at, column, date, timeOfDay ? at.dateTimeFormat : at.dateFormat);
    }
    return writeTextCell(at, column, node.normalizedForWrite(elements.names->elementName(element)));
}

}  // namespace flk
