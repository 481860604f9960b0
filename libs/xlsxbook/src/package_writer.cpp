// Writes the package: the small parts as strings, the worksheets and shared strings generated
// while they are compressed.
#include <ctime>

#include "book_impl.h"
#include "failure.h"
#include "package.h"
#include "sheet_writer.h"
#include "xml_writer.h"
#include "zip_writer.h"

namespace xlsxbook {
namespace {

const char kXmlDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kDocRel[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char kPkgRel[] = "http://schemas.openxmlformats.org/package/2006/relationships";
const char kSheetMl[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

std::string sheetPart(std::size_t i) { return "xl/worksheets/sheet" + std::to_string(i + 1) + ".xml"; }

std::string contentTypes(std::size_t sheets) {
  std::string x = kXmlDecl;
  x += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
  auto override = [&x](const std::string& part, const std::string& type) {
    x += "<Override PartName=\"/" + part + "\" ContentType=\"" + type + "\"/>";
  };
  override("xl/workbook.xml", std::string(kSheetMl) + "sheet.main+xml");
  for (std::size_t i = 0; i < sheets; ++i) override(sheetPart(i), std::string(kSheetMl) + "worksheet+xml");
  override("xl/styles.xml", std::string(kSheetMl) + "styles+xml");
  override("xl/sharedStrings.xml", std::string(kSheetMl) + "sharedStrings+xml");
  override("docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml");
  override("docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml");
  return x + "</Types>";
}

std::string relationship(std::size_t id, const std::string& type, const std::string& target) {
  return "<Relationship Id=\"rId" + std::to_string(id) + "\" Type=\"" + type + "\" Target=\"" + target + "\"/>";
}

std::string packageRels() {
  return std::string(kXmlDecl) + "<Relationships xmlns=\"" + kPkgRel + "\">" +
         relationship(1, std::string(kDocRel) + "/officeDocument", "xl/workbook.xml") +
         relationship(2, std::string(kPkgRel) + "/metadata/core-properties", "docProps/core.xml") +
         relationship(3, std::string(kDocRel) + "/extended-properties", "docProps/app.xml") + "</Relationships>";
}

std::string workbookRels(std::size_t sheets) {
  std::string x = std::string(kXmlDecl) + "<Relationships xmlns=\"" + kPkgRel + "\">";
  for (std::size_t i = 0; i < sheets; ++i)
    x += relationship(i + 1, std::string(kDocRel) + "/worksheet", "worksheets/sheet" + std::to_string(i + 1) + ".xml");
  x += relationship(sheets + 1, std::string(kDocRel) + "/styles", "styles.xml");
  x += relationship(sheets + 2, std::string(kDocRel) + "/sharedStrings", "sharedStrings.xml");
  return x + "</Relationships>";
}

std::string workbook(const BookImpl& book) {
  std::string x = std::string(kXmlDecl) + "<workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kDocRel + "\">";
  x += book.isDate1904() ? "<workbookPr date1904=\"1\"/>" : "<workbookPr/>";
  x += "<bookViews><workbookView activeTab=\"0\"/></bookViews><sheets>";
  for (std::size_t i = 0; i < book.sheets().size(); ++i) {
    x += "<sheet name=\"";
    appendEscaped(book.sheets()[i]->name(), true, &x);
    x += "\" sheetId=\"" + std::to_string(i + 1) + "\" r:id=\"rId" + std::to_string(i + 1) + "\"/>";
  }
  return x + "</sheets></workbook>";
}

std::string styles(const Styles& s) {
  std::string x = std::string(kXmlDecl) + "<styleSheet xmlns=\"" + kMainNs + "\">";
  if (!s.customFormats().empty()) {
    x += "<numFmts count=\"" + std::to_string(s.customFormats().size()) + "\">";
    for (const auto& [id, code] : s.customFormats()) {
      x += "<numFmt numFmtId=\"" + std::to_string(id) + "\" formatCode=\"";
      appendEscaped(code, true, &x);
      x += "\"/>";
    }
    x += "</numFmts>";
  }
  x += "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
       "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
       "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
       "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
       "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>";
  x += "<cellXfs count=\"" + std::to_string(s.xfCount()) + "\">";
  for (std::uint32_t i = 0; i < s.xfCount(); ++i) {
    const int fmt = s.xfNumFmt(i);
    x += "<xf numFmtId=\"" + std::to_string(fmt) + "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"";
    x += fmt != 0 ? " applyNumberFormat=\"1\"/>" : "/>";
  }
  return x + "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
             "</cellStyles></styleSheet>";
}

std::string coreProperties() {
  char now[32];
  const std::time_t t = std::time(nullptr);
  std::tm utc;
  gmtime_r(&t, &utc);
  std::strftime(now, sizeof now, "%Y-%m-%dT%H:%M:%SZ", &utc);
  const std::string stamp = std::string("xsi:type=\"dcterms:W3CDTF\">") + now;
  return std::string(kXmlDecl) +
         "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
         "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
         "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
         "<dc:creator>Ferrolink</dc:creator><dcterms:created " + stamp + "</dcterms:created>"
         "<dcterms:modified " + stamp + "</dcterms:modified></cp:coreProperties>";
}

std::string appProperties() {
  return std::string(kXmlDecl) +
         "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
         "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
         "<Application>Ferrolink</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop>"
         "</Properties>";
}

// A sheet written row by row: its rows are deflated already; its head (which tells its extent and
// frozen panes, known only now) and its open row and tail are deflated around them.
void addStreamedSheet(const SheetImpl& sheet, RowStream& rows, bool selected, std::vector<std::unique_ptr<Deflater>>* ends,
                      ZipWriter* zip, const std::string& part) {
  std::string text;
  appendWorksheetHead(sheet, selected, &text);
  ends->push_back(std::make_unique<Deflater>());
  Deflater& head = *ends->back();
  head.add(text);
  head.flush(false);
  const Deflated closed = rows.rows();
  text.clear();
  rows.appendOpenRow(&text);
  appendWorksheetTail(&text);
  ends->push_back(std::make_unique<Deflater>());
  Deflater& tail = *ends->back();
  tail.add(text);
  tail.flush(true);
  zip->addPart(part, {head.result(), closed, tail.result()});
}

}  // namespace

void writePackage(const BookImpl& book, OutputBuffer* out) {
  const auto& sheets = book.sheets();
  if (sheets.empty())
    throw Failure("a workbook without sheets cannot be saved: spreadsheet programs refuse to open one");
  // Generators and the deflated ends of streamed sheets are declared before the writer so that
  // they outlive its use of them.
  std::vector<std::unique_ptr<WorksheetGenerator>> generators;
  std::vector<std::unique_ptr<Deflater>> ends;
  SharedStringsGenerator sharedStrings(book.strings());
  ZipWriter zip(out);
  zip.addPart("[Content_Types].xml", contentTypes(sheets.size()));
  zip.addPart("_rels/.rels", packageRels());
  zip.addPart("docProps/app.xml", appProperties());
  zip.addPart("docProps/core.xml", coreProperties());
  zip.addPart("xl/workbook.xml", workbook(book));
  zip.addPart("xl/_rels/workbook.xml.rels", workbookRels(sheets.size()));
  zip.addPart("xl/styles.xml", styles(book.styles()));
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    if (RowStream* rows = sheets[i]->rowStream()) {
      addStreamedSheet(*sheets[i], *rows, i == 0, &ends, &zip, sheetPart(i));
      continue;
    }
    generators.push_back(std::make_unique<WorksheetGenerator>(*sheets[i], book.strings(), i == 0));
    zip.addPart(sheetPart(i), generators.back().get());
  }
  zip.addPart("xl/sharedStrings.xml", &sharedStrings);
  zip.finish();
}

}  // namespace xlsxbook
