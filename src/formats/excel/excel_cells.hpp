// Cells as the column nodes read and write them: a cell's value converted for the storage of the
// column's target, and values written as cells of their own type (numbers, texts, calendar days).
#pragma once

#include "formats/excel/excel_node.hpp"
#include "mapping/value_transfer.hpp"

#include <string>

namespace flk {

class MappingState;
class MolvoIOHandler;

// The elements a column reads and writes, when its values are elements: those of its maps-to
// element parameter's range, or of the index its binds-to binds.
struct ElementColumn {
    MolvoIOHandler* names = nullptr;   // gives the names of the elements; nullptr: not an element column
    int set = 0;                       // host handle of the set the elements belong to
    bool calendar = false;
};
ElementColumn elementColumn(const TreeNode& node, MappingState& state);

// "B5" for row 4, column 1.
std::string cellReference(int row, int col);

enum class CellRead { Value, NoValue, Failed };

// The cell at `at` converted for the node's target: Value fills out, NoValue for a cell without a
// value (empty, formatting only, a formula never calculated, an error code), Failed after raising.
CellRead readCell(const TreeNode& node, ReadState& state, const WorkbookReadAt& at, ReadValue& out);

// Write one cell of the current row; false after raising what the workbook refused.
bool writeNumberCell(WorkbookWriteAt& at, int column, double value);
bool writeTextCell(WorkbookWriteAt& at, int column, const std::string& text);
// An element: a date cell for a day (or time) of a calendar, else its name.
bool writeElementCell(WorkbookWriteAt& at, int column, const ElementColumn& elements, int element, const TreeNode& node);

}  // namespace flk
