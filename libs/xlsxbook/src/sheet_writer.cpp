#include "sheet_writer.h"

#include "book_impl.h"
#include "cell_ref.h"
#include "limits.h"
#include "xml_writer.h"

namespace xlsxbook {
namespace {

const char kXmlDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

void appendReference(const Cell& cell, std::string* out) {
  out->append("<c r=\"");
  appendColumnName(cell.col(), out);
  appendInt(cell.row() + 1, out);
  out->push_back('"');
  if (cell.style() != 0) {
    out->append(" s=\"");
    appendInt(long(cell.style()), out);
    out->push_back('"');
  }
}

void appendViews(const SheetImpl& sheet, bool selected, std::string* out) {
  out->append(selected ? "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\">"
                       : "<sheetViews><sheetView workbookViewId=\"0\">");
  const int row = sheet.splitRow(), col = sheet.splitCol();
  if (row > 0 || col > 0) {
    const char* pane = row > 0 && col > 0 ? "bottomRight" : row > 0 ? "bottomLeft" : "topRight";
    out->append("<pane");
    if (col > 0) out->append(" xSplit=\""), appendInt(col, out), out->push_back('"');
    if (row > 0) out->append(" ySplit=\""), appendInt(row, out), out->push_back('"');
    out->append(" topLeftCell=\"").append(cellName(row, col)).append("\" activePane=\"").append(pane);
    out->append("\" state=\"frozen\"/><selection pane=\"").append(pane).append("\"/>");
  }
  out->append("</sheetView></sheetViews>");
}

}  // namespace

void appendCellXml(const Cell& cell, const StringPool& strings, std::string* out) {
  appendReference(cell, out);
  switch (cell.type()) {
    case CellType::Number:
      out->append("><v>");
      appendNumber(cell.number(), out);
      out->append("</v></c>");
      return;
    case CellType::String:
      out->append(" t=\"s\"><v>");
      appendInt(long(cell.value), out);
      out->append("</v></c>");
      return;
    case CellType::Boolean:
      out->append(cell.value ? " t=\"b\"><v>1</v></c>" : " t=\"b\"><v>0</v></c>");
      return;
    case CellType::Error:   // the error code is kept in the pool, and written as its text
      out->append(" t=\"e\"><v>");
      appendEscaped(strings.view(std::uint32_t(cell.value)), false, out);
      out->append("</v></c>");
      return;
    default:
      out->append("/>");
      return;
  }
}

void appendInlineStringCell(const Cell& cell, std::string_view text, std::string* out) {
  appendReference(cell, out);
  out->append(needsSpacePreserve(text) ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">" : " t=\"inlineStr\"><is><t>");
  appendEscaped(text, false, out);
  out->append("</t></is></c>");
}

void appendWorksheetTail(std::string* out) {
  out->append("</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
              "header=\"0.3\" footer=\"0.3\"/></worksheet>");
}

void WorksheetGenerator::head(std::string* out) const { appendWorksheetHead(sheet_, selected_, out); }

void appendWorksheetHead(const SheetImpl& sheet, bool selected, std::string* out) {
  out->append(kXmlDecl);
  out->append("<worksheet xmlns=\"").append(kMainNs).append("\" xmlns:r=\"").append(kRelNs).append("\">");
  const int lastRow = sheet.lastRow(), lastCol = sheet.lastCol();
  out->append("<dimension ref=\"A1");
  if (lastRow > 0 && lastCol > 0 && (lastRow > 1 || lastCol > 1)) {
    out->push_back(':');
    out->append(cellName(lastRow - 1, lastCol - 1));
  }
  out->append("\"/>");
  appendViews(sheet, selected, out);
  out->append("<sheetFormatPr defaultRowHeight=\"15\"/><sheetData>");
}

void WorksheetGenerator::cells(std::string* out) {
  const std::vector<Cell>& cells = sheet_.cells().sorted();
  while (cell_ < cells.size() && out->size() < kWriteChunkBytes) {
    const Cell& cell = cells[cell_++];
    if (cell.row() != openRow_) {
      if (openRow_ >= 0) out->append("</row>");
      openRow_ = cell.row();
      out->append("<row r=\"");
      appendInt(openRow_ + 1, out);
      out->append("\">");
    }
    appendCellXml(cell, strings_, out);
  }
  if (cell_ == cells.size()) {
    if (openRow_ >= 0) out->append("</row>");
    phase_ = Phase::Tail;
  }
}

bool WorksheetGenerator::next(std::string* chunk) {
  switch (phase_) {
    case Phase::Head:
      head(chunk);
      phase_ = Phase::Cells;
      return true;
    case Phase::Cells:
      cells(chunk);
      return true;
    case Phase::Tail:
      appendWorksheetTail(chunk);
      phase_ = Phase::Done;
      return false;
    case Phase::Done:
      break;
  }
  return false;
}

bool SharedStringsGenerator::next(std::string* chunk) {
  if (!started_) {
    chunk->append(kXmlDecl);
    chunk->append("<sst xmlns=\"").append(kMainNs).append("\" uniqueCount=\"");
    appendInt(long(pool_.size()), chunk);
    chunk->append("\">");
    started_ = true;
  }
  while (index_ < pool_.size() && chunk->size() < kWriteChunkBytes) {
    const std::string_view text = pool_.view(std::uint32_t(index_++));
    chunk->append(needsSpacePreserve(text) ? "<si><t xml:space=\"preserve\">" : "<si><t>");
    appendEscaped(text, false, chunk);
    chunk->append("</t></si>");
  }
  if (index_ < pool_.size()) return true;
  chunk->append("</sst>");
  return false;
}

}  // namespace xlsxbook
