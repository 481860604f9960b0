#include "formats/excel/excel_nodes.hpp"

namespace flk {

bool ExcelNode::readWorkbook(ReadState&, WorkbookReadAt&) { notImplemented(); }
bool ExcelNode::writeWorkbook(WriteState&, WorkbookWriteAt&) { notImplemented(); }

std::shared_ptr<TreeNode> makeExcelNode(ExcelParent parent, std::string_view e) {
    bool column = e == "ExcelColumnMapping" || e == "ColumnMapping";
    switch (parent) {
        case ExcelParent::Root:
            if (e == "ExcelSheetMapping" || e == "SheetMapping" || e == "TableMapping") return std::make_shared<ExcelSheetNode>();
            return nullptr;
        case ExcelParent::Sheet:
            if (e == "ExcelRowMapping" || e == "RowMapping") return std::make_shared<ExcelRowNode>();
            return column ? std::make_shared<ExcelColumnNode>() : nullptr;
        case ExcelParent::Row: return column ? std::make_shared<ExcelColumnNode>() : nullptr;
    }
    return nullptr;
}

}  // namespace flk
