// The node classes of Excel mappings share ExcelNode: a node reads and writes the part of a
// workbook it stands for (the root the book, a sheet node a sheet, the row node its rows, a column
// node one cell per row) through the positions below.
#pragma once

#include "mapping/column_table.hpp"
#include "mapping/tree_node.hpp"
#include "mapping/value_transfer.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xlsxbook {
class Book;
class Format;
class Sheet;
}  // namespace xlsxbook

namespace flk {

struct WriteHeader;
class ExcelColumnNode;

// Where a read stands: the book, and as it descends, the sheet and the cell with its header text
// (row and col -1 before the read stands at a row or cell); and the tables it met.
struct WorkbookReadAt {
    explicit WorkbookReadAt(xlsxbook::Book& b) : book(b) {}
    xlsxbook::Book& book;
    xlsxbook::Sheet* sheet = nullptr;
    std::string sheetName;
    int row = -1, col = -1;
    std::string_view header;
    ReadValue value;   // the cell's value, reused from cell to cell
    TableMatches matches;
};

// Where a write stands: the book with its date formats, and as it descends, the sheet being
// written, its header and the row being filled.
struct WorkbookWriteAt {
    explicit WorkbookWriteAt(xlsxbook::Book& b) : book(b) {}
    xlsxbook::Book& book;
    xlsxbook::Format* dateFormat = nullptr;       // built-in date format, for calendar days
    xlsxbook::Format* dateTimeFormat = nullptr;   // built-in date and time format, for times of day
    xlsxbook::Sheet* sheet = nullptr;
    std::string sheetName;
    const WriteHeader* header = nullptr;
    int row = 0;
    std::vector<bool> filled;   // per header column: a cell of the current row was written
    std::vector<const ExcelColumnNode*> defaults;   // per header column: the column writing its default, or nullptr
    std::string text, key;      // a value's text and a column's key, reused from cell to cell
    bool overflow = false;      // a row beyond the sheet's last one was to be written
};

class ExcelNode : public TreeNode {
public:
    virtual bool readWorkbook(ReadState& state, WorkbookReadAt& at);
    virtual bool writeWorkbook(WriteState& state, WorkbookWriteAt& at);
    // Only the root takes an ExternalBinding; under any other node it is refused as an element
    // the node does not accept.
    bool acceptsExternalBinding() const override { return false; }
};

// Every node of an Excel tree is an ExcelNode: the factory below makes no other.
inline ExcelNode& asExcel(TreeNode& node) { return static_cast<ExcelNode&>(node); }

enum class ExcelParent { Root, Sheet, Row };

// The node for a child element, or nullptr when the parent does not accept it.
std::shared_ptr<TreeNode> makeExcelNode(ExcelParent parent, std::string_view element);

}  // namespace flk
