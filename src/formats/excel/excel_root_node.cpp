// A workbook: loaded whole from the bytes of the input, its sheets handed to the sheet nodes that
// claim them by name; written by the sheet nodes, then saved whole to the output.
#include "formats/excel/excel_nodes.hpp"

#include "formats/excel/excel_cells.hpp"
#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/column_table.hpp"
#include "mapping/mapping_state.hpp"
#include "streams/stream_buffer.hpp"

#include <xlsxbook/xlsxbook.h>

#include <ostream>
#include <stdexcept>

namespace flk {
namespace {

struct ReleaseBook {
    void operator()(xlsxbook::Book* book) const { book->release(); }
};
using Workbook = std::unique_ptr<xlsxbook::Book, ReleaseBook>;

// The place a load failure names when it lies in no sheet.
constexpr const char* kWholeWorkbook = "workbook";

// The input's bytes are let go once the book holds its cells.
bool loadWorkbook(xlsxbook::Book& book, ReadState& state) {
    StreamBuffer bytes = StreamBuffer::read(state.input(), 0);
    if (book.load(bytes.data(), bytes.size())) return true;
    std::string name = toUtf8(state.documentName());
    std::string message = "Error loading Excel XLSX document " + name + ": " + book.errorMessage();
    if (name.find(".xlsx") == std::string::npos) message += " (FLK library does not support .xls documents, only .xlsx documents)";
    raiseError(message);
    warnModel(locatedMessage(name, *book.errorPlace() ? book.errorPlace() : kWholeWorkbook, book.errorReason()));
    return false;
}

// "sheet 'Orders' cell C17", or the row or sheet alone where the read stands at no cell yet.
std::string workbookPlace(const WorkbookReadAt& at) {
    if (!at.sheet) return {};
    std::string place = "sheet '" + at.sheetName + "'";
    if (at.row < 0) return place;
    return at.col < 0 ? place + " row " + std::to_string(at.row + 1) : place + " cell " + cellReference(at.row, at.col);
}

xlsxbook::Format* numberFormat(xlsxbook::Book& book, int id) {
    xlsxbook::Format* format = book.addFormat();
    return format && format->setNumFormat(id) ? format : nullptr;
}

}  // namespace

std::shared_ptr<TreeNode> ExcelRootNode::makeChild(std::string_view element) {
    return makeExcelNode(ExcelParent::Root, element);
}

bool ExcelRootNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    static const std::vector<std::string_view> accepted{"molvo-namespace", "namespace-uri", "iterative-reset"};
    bool ok = parseElement(element, mapping, "MolvoExcelMapping", accepted, nullptr);
    return checkTree(mapping) && ok;
}

bool ExcelRootNode::readDocument(ReadState& state) {
    Workbook book(xlsxbook::createBook());
    if (!loadWorkbook(*book, state)) return false;
    WorkbookReadAt at(*book);
    return readWorkbook(state, at);
}

// iterative-reset="1" restarts the numbering of the rows of every sheet, which stand one level
// further down than the children it resets elsewhere.
void ExcelRootNode::restartRowNumbering() const {
    if (!attributes_.iterativeResetAll) return;
    for (const auto& sheet : children())
        for (const auto& row : sheet->children())
            if (!row->attributes().iterativeBindsTo.empty()) iterativeCounter(row->attributes().iterativeBindsTo) = 0;
}

// Sheets are claimed as a table's columns are: by name or alt-name, else by every pattern that
// matches. A value that cannot be bound or converted is placed at its cell.
bool ExcelRootNode::readWorkbook(ReadState& state, WorkbookReadAt& at) {
    resetIterativeCounters();
    restartRowNumbering();
    ScopedPlaceSource place(state, [&at] { return workbookPlace(at); });
    bool ok = readSheets(state, at);
    at.matches.warnUnmatched(state);
    return ok;
}

bool ExcelRootNode::readSheets(ReadState& state, WorkbookReadAt& at) {
    ColumnTable sheets(*this);
    std::vector<TreeNode*> servers;
    std::vector<std::string> names;
    bool claimed = false;
    for (int index = 0; index < at.book.sheetCount(); ++index) {
        at.sheet = at.book.getSheet(index);
        if (!at.sheet) return raiseError("Error opening sheet " + std::to_string(index) + ": " + at.book.errorMessage());
        at.sheetName = at.sheet->name();
        at.row = at.col = -1;
        names.push_back(at.sheetName);
        sheets.serving(at.sheetName, servers);
        claimed = claimed || !servers.empty();
        for (TreeNode* sheet : servers)
            if (!asExcel(*sheet).readWorkbook(state, at)) return false;
    }
    at.matches.met(*this, names, claimed, "sheets");
    return true;
}

bool ExcelRootNode::writeDocument(WriteState& state, int) {
    Workbook book(xlsxbook::createBook());
    WorkbookWriteAt at(*book);
    std::string name = toUtf8(state.documentName());
    if (!writeWorkbook(state, at)) return raiseError("Error generating Excel XLSX document " + name);
    const char* data = nullptr;
    size_t size = 0;
    if (!book->save(&data, &size)) return raiseError("Error saving Excel XSLX document " + name + ": " + book->errorMessage());
    state.output().write(data, std::streamsize(size));
    if (!state.output()) throw std::runtime_error("Cannot write the Excel document to its output");
    return true;
}

// A sheet of a fixed name is written even without data, so that its header tells what it would
// hold and a read finds it; one whose name binds an index is written once per element with data.
// Every sheet is written, so that the problems of all of them are reported at once.
bool ExcelRootNode::writeWorkbook(WriteState& state, WorkbookWriteAt& at) {
    at.dateFormat = numberFormat(at.book, xlsxbook::kNumFormatDate);
    at.dateTimeFormat = numberFormat(at.book, xlsxbook::kNumFormatDateTime);
    if (!at.dateFormat || !at.dateTimeFormat) return raiseError("Cannot add the date formats to the workbook: " + std::string(at.book.errorMessage()));
    bool ok = true;
    for (const auto& sheet : children()) {
        auto write = [&] { return asExcel(*sheet).writeWorkbook(state, at); };
        if (sheet->bindsOwnIndices()) ok = forEachTuple(state, *sheet, write) && ok;
        else ok = (!sheet->writeFiltered(state) || write()) && ok;
    }
    return ok;
}

}  // namespace flk
