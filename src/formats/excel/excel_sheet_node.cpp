// A sheet of the workbook, selected by its name when reading and added under it when writing.
// Its one child is the row node; column mappings standing directly under the sheet mapping are
// the columns of a row node the first of them makes.
#include "formats/excel/excel_nodes.hpp"

#include "formats/excel/excel_limits.hpp"
#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/read_scope.hpp"

#include <xlsxbook/xlsxbook.h>

#include <pugixml.hpp>

namespace flk {
namespace {

// The pattern attributes select sheets by their names, and name-binds-to writes one sheet per
// element of its index.
const std::vector<std::string_view> kSheetAttributes{"name", "alt-name", "write-filter", "name-regex", "name-regex-from",
                                                     "name-binds-to", "name-regex-prefix", "name-regex-postfix"};

}  // namespace

bool ExcelSheetNode::parseChild(const pugi::xml_node& child, Mapping& mapping, std::shared_ptr<TreeNode>& implicitRow) {
    std::string element = child.name();
    std::shared_ptr<TreeNode> node = makeExcelNode(ExcelParent::Sheet, element);
    if (!node) return raiseError("Mapping type " + element + " not supported underneath a ExcelSheetMapping");
    bool ok = node->parseMapping(child, mapping);
    if (!node->isValueNode()) return addChild(std::move(node), mapping, kPositionalChild) && ok;
    if (!implicitRow) {
        implicitRow = ExcelRowNode::implicitRow(mapping);
        ok = addChild(implicitRow, mapping, kPositionalChild) && ok;
    }
    return implicitRow->addChild(std::move(node), mapping, nullptr) && ok;
}

bool ExcelSheetNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    parseAttributes(element, mapping, kSheetAttributes);
    bool ok = true;
    std::shared_ptr<TreeNode> implicitRow;
    for (const pugi::xml_node& child : element.children())
        if (child.type() == pugi::node_element) ok = parseChild(child, mapping, implicitRow) && ok;
    if (children().size() != 1) {
        raiseError("Excel sheet node " + name() + " should have a single child row node");
        ok = false;
    }
    return ok;
}

bool ExcelSheetNode::readWorkbook(ReadState& state, WorkbookReadAt& at) {
    ReadScope scope(*this, state, at.sheetName);
    if (!scope.entered()) return scope.notEnteredResult();
    TreeNode* row = childNamed(kPositionalChild);
    return scope.end(!row || asExcel(*row).readWorkbook(state, at));
}

bool ExcelSheetNode::addSheet(WorkbookWriteAt& at, const std::string& sheetName) const {
    if (utf8Length(sheetName) > kMaxSheetNameLength)
        return raiseError("Excel sheet name " + sheetName + " should not exceed 32 characters");
    size_t bad = sheetName.find_first_of(kSheetNameForbidden);
    if (bad != std::string::npos)
        return raiseError("Excel sheet name " + sheetName + " contains '" + sheetName[bad] +
                          "', which workbooks do not allow in sheet names ([ ] : * ? / \\)");
    at.sheet = at.book.addSheet(sheetName.c_str());
    if (!at.sheet) return raiseError("Error adding sheet '" + sheetName + "': " + at.book.errorMessage());
    at.sheetName = sheetName;
    return true;
}

bool ExcelSheetNode::writeWorkbook(WriteState& state, WorkbookWriteAt& at) {
    std::string sheetName;
    if (!writeKey(state, sheetName))
        return raiseError("Excel sheet node with name-regex '" + attributes_.nameRegex +
                          "' has no sheet name to write: a sheet written needs a name or a name-binds-to");
    if (!addSheet(at, sheetName)) return false;
    TreeNode* row = childNamed(kPositionalChild);
    return !row || asExcel(*row).writeWorkbook(state, at);
}

}  // namespace flk
