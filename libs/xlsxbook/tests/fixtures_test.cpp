// Hand-made workbooks with what spreadsheet programs write beyond the simplest files: shared
// formulas, formula strings, errors, rich text, inline strings, namespace prefixes, absolute part
// names, cells without references, the 1904 system, and custom date formats.
#include <gtest/gtest.h>

#include "book_ptr.h"
#include "zip_fixture.h"

namespace xlsxbook {
namespace {

using testing::makeWorkbook;
using testing::makeZip;
using testing::newBook;
using testing::worksheet;

const char kStyles[] =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"3\"><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\\ hh:mm\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"#,##0.00&quot; d&quot;\"/>"
    "<numFmt numFmtId=\"166\" formatCode=\"[$-F400]h:mm:ss\\ AM/PM\"/></numFmts>"
    "<cellXfs count=\"6\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
    "<xf numFmtId=\"165\"/><xf numFmtId=\"166\"/><xf numFmtId=\"4\"/></cellXfs></styleSheet>";

TEST(Fixtures, ValuesAsSpreadsheetProgramsStoreThem) {
  const std::string sst =
      "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"3\" uniqueCount=\"3\">"
      "<si><t>plain</t></si>"
      "<si><r><rPr><b/></rPr><t xml:space=\"preserve\">bold </t></r><r><t>and &amp; plain</t></r>"
      "<rPh sb=\"0\" eb=\"1\"><t>PHONETIC</t></rPh></si>"
      "<si><t>a_x000D_b&#x263A;</t></si></sst>";
  const std::string sheet = worksheet(
      "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c></row>"
      "<row r=\"2\"><c r=\"A2\"><f>1+1</f><v>2</v></c>"
      "<c r=\"B2\"><f t=\"shared\" ref=\"B2:B3\" si=\"0\">A2*2</f><v>4</v></c>"
      "<c r=\"C2\" t=\"str\"><f>\"x\"&amp;\"y\"</f><v>xy</v></c>"
      "<c r=\"D2\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
      "<c r=\"E2\" t=\"b\"><v>1</v></c><c r=\"F2\" t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c>"
      "<c r=\"G2\"><f>NOW()</f></c><c r=\"H2\" s=\"5\"/><c r=\"I2\" t=\"s\"><v></v></c></row>"
      "<row r=\"3\"><c r=\"B3\"><f t=\"shared\" si=\"0\"/><v>8</v></c></row>"
      "<row r=\"7\"><c r=\"A7\" s=\"1\"><v>45352</v></c><c r=\"B7\" s=\"2\"><v>45352.5</v></c>"
      "<c r=\"C7\" s=\"3\"><v>45352</v></c><c r=\"D7\" s=\"4\"><v>0.75</v></c><c r=\"E7\" t=\"d\"><v>2024-03-01T12:00:00</v></c></row>");
  auto book = newBook();
  // A byte order mark, as some generators write, before the worksheet.
  const std::string bytes = makeWorkbook({{"Mixed", "\xEF\xBB\xBF" + sheet}}, sst, kStyles);
  ASSERT_TRUE(book->load(bytes.data(), bytes.size())) << book->errorMessage();
  Sheet* s = book->getSheet(0);
  EXPECT_STREQ(s->readStr(0, 0), "plain");
  EXPECT_STREQ(s->readStr(0, 1), "bold and & plain");
  EXPECT_STREQ(s->readStr(0, 2), "a\rb\xE2\x98\xBA");
  EXPECT_EQ(s->readNum(1, 0), 2);
  EXPECT_EQ(s->readNum(1, 1), 4);
  EXPECT_EQ(s->readNum(2, 1), 8);
  EXPECT_STREQ(s->readStr(1, 2), "xy");
  EXPECT_EQ(s->cellType(1, 3), CellType::Error);
  EXPECT_STREQ(s->readError(1, 3), "#DIV/0!");
  EXPECT_EQ(s->readStr(1, 3), nullptr);
  EXPECT_EQ(s->cellType(1, 4), CellType::Boolean);
  EXPECT_TRUE(s->readBool(1, 4));
  EXPECT_STREQ(s->readStr(1, 5), "inline");
  EXPECT_EQ(s->cellType(1, 6), CellType::Blank);  // a formula never calculated
  EXPECT_EQ(s->cellType(1, 7), CellType::Blank);  // formatting only
  EXPECT_EQ(s->cellType(1, 8), CellType::Blank);  // an empty value
  EXPECT_EQ(s->cellType(3, 0), CellType::Empty);  // rows 4 to 6 are absent
  EXPECT_TRUE(s->isDate(6, 0));
  EXPECT_TRUE(s->isDate(6, 1));
  EXPECT_FALSE(s->isDate(6, 2));  // " d" is quoted text, not a day
  EXPECT_TRUE(s->isDate(6, 3));
  EXPECT_EQ(s->readNum(6, 4), 45352.5);
  EXPECT_EQ(s->lastRow(), 7);
  EXPECT_EQ(s->lastCol(), 9);
}

TEST(Fixtures, PrefixedNamespacesAbsoluteTargetsAndImplicitReferences) {
  const std::string ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const std::string sheet =
      "<x:worksheet xmlns:x=\"" + ns + "\"><x:sheetViews><x:sheetView><x:pane xSplit=\"2\" ySplit=\"3\" "
      "state=\"frozen\"/></x:sheetView></x:sheetViews><x:sheetData>"
      "<x:row><x:c t=\"s\"><x:v>0</x:v></x:c><x:c><x:v>1.25</x:v></x:c></x:row>"
      "<x:row><x:c><x:v>2</x:v></x:c><x:c r=\"D2\"><x:v>3</x:v></x:c><x:c><x:v>4</x:v></x:c></x:row>"
      "</x:sheetData></x:worksheet>";
  const std::string bytes = makeZip({
      {"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"R1\" Type=\"" + rel + "/officeDocument\" Target=\"/xl/book.xml\"/></Relationships>"},
      {"xl/book.xml", "<x:workbook xmlns:x=\"" + ns + "\" xmlns:rel=\"" + rel + "\"><x:workbookPr date1904=\"true\"/>"
                      "<x:sheets><x:sheet name=\"Prefixed\" sheetId=\"7\" rel:id=\"R9\"/></x:sheets></x:workbook>"},
      {"xl/_rels/book.xml.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                 "<Relationship Id=\"R9\" Type=\"" + rel + "/worksheet\" Target=\"/xl/sheets/../data/s.xml\"/>"
                                 "<Relationship Id=\"R2\" Type=\"" + rel + "/sharedStrings\" Target=\"/xl/strings.xml\"/>"
                                 "</Relationships>"},
      {"xl/data/s.xml", sheet},
      {"xl/strings.xml", "<x:sst xmlns:x=\"" + ns + "\"><x:si><x:t>prefixed text</x:t></x:si></x:sst>"},
  });
  auto book = newBook();
  ASSERT_TRUE(book->load(bytes.data(), bytes.size())) << book->errorMessage();
  EXPECT_TRUE(book->isDate1904());
  Sheet* s = book->getSheet(0);
  EXPECT_STREQ(s->name(), "Prefixed");
  EXPECT_STREQ(s->readStr(0, 0), "prefixed text");
  EXPECT_EQ(s->readNum(0, 1), 1.25);
  EXPECT_EQ(s->readNum(1, 0), 2);
  EXPECT_EQ(s->readNum(1, 3), 3);
  EXPECT_EQ(s->readNum(1, 4), 4);  // the column after the last explicit reference
  EXPECT_EQ(s->splitRow(), 3);
  EXPECT_EQ(s->splitCol(), 2);
}

TEST(Fixtures, RowsAndCellsOutOfOrderAreSortedAndTheLastOfDuplicatesCounts) {
  const std::string sheet = worksheet(
      "<row r=\"5\"><c r=\"C5\"><v>53</v></c><c r=\"A5\"><v>51</v></c></row>"
      "<row r=\"2\"><c r=\"B2\"><v>22</v></c></row>"
      "<row r=\"5\"><c r=\"C5\"><v>99</v></c></row>");
  const std::string bytes = makeWorkbook({{"S", sheet}});
  auto book = newBook();
  ASSERT_TRUE(book->load(bytes.data(), bytes.size())) << book->errorMessage();
  Sheet* s = book->getSheet(0);
  EXPECT_EQ(s->readNum(1, 1), 22);
  EXPECT_EQ(s->readNum(4, 0), 51);
  EXPECT_EQ(s->readNum(4, 2), 99);
  EXPECT_EQ(s->lastRow(), 5);
  EXPECT_EQ(s->lastCol(), 3);
}

TEST(Fixtures, SheetsKeepWorkbookOrderAndChartSheetsTheirPlace) {
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const std::string ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const std::string bytes = makeZip({
      {"xl/workbook.xml", "<workbook xmlns=\"" + ns + "\" xmlns:r=\"" + rel + "\"><sheets>"
                          "<sheet name=\"Zeta\" sheetId=\"1\" r:id=\"rId2\"/><sheet name=\"Chart\" sheetId=\"3\" r:id=\"rId3\"/>"
                          "<sheet name=\"Alpha\" sheetId=\"2\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                     "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                                     "<Relationship Id=\"rId2\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet2.xml\"/>"
                                     "<Relationship Id=\"rId3\" Type=\"" + rel + "/chartsheet\" Target=\"chartsheets/sheet1.xml\"/>"
                                     "</Relationships>"},
      {"xl/worksheets/sheet1.xml", worksheet("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")},
      {"xl/worksheets/sheet2.xml", worksheet("<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>")},
  });
  auto book = newBook();
  ASSERT_TRUE(book->load(bytes.data(), bytes.size())) << book->errorMessage();
  ASSERT_EQ(book->sheetCount(), 3);
  EXPECT_STREQ(book->getSheet(0)->name(), "Zeta");
  EXPECT_EQ(book->getSheet(0)->readNum(0, 0), 2);
  EXPECT_STREQ(book->getSheet(1)->name(), "Chart");
  EXPECT_EQ(book->getSheet(1)->lastRow(), 0);
  EXPECT_STREQ(book->getSheet(2)->name(), "Alpha");
  EXPECT_EQ(book->getSheet(2)->readNum(0, 0), 1);
}

TEST(Fixtures, SharedStringsAndStylesWithoutTheirRelationshipsAreStillFound) {
  const std::string ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const std::string bytes = makeZip({
      {"xl/workbook.xml", "<workbook xmlns=\"" + ns + "\" xmlns:r=\"" + rel + "\"><sheets>"
                          "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                     "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                                     "</Relationships>"},
      {"xl/worksheets/sheet1.xml", worksheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>1</v></c></row>")},
      {"xl/sharedStrings.xml", "<sst xmlns=\"" + ns + "\"><si><t>found</t></si></sst>"},
      {"xl/styles.xml", kStyles},
  });
  auto book = newBook();
  ASSERT_TRUE(book->load(bytes.data(), bytes.size())) << book->errorMessage();
  EXPECT_STREQ(book->getSheet(0)->readStr(0, 0), "found");
  EXPECT_TRUE(book->getSheet(0)->isDate(0, 1));
}

TEST(Fixtures, LargeSharedStringsAndLongTextCrossTheScannerWindow) {
  // Texts of several megabytes force the streaming scanner to grow and refill its window.
  std::string big(3 << 20, 'a');
  big[12345] = '&';
  std::string escaped = big;
  escaped.replace(12345, 1, "&amp;");
  std::string sst = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
  for (int i = 0; i < 20000; ++i) sst += "<si><t>s" + std::to_string(i) + "</t></si>\n";
  sst += "<si><t>" + escaped + "</t></si></sst>";
  std::string rows;
  for (int r = 0; r < 20000; ++r)
    rows += "<row r=\"" + std::to_string(r + 1) + "\"><c r=\"A" + std::to_string(r + 1) + "\" t=\"s\"><v>" +
            std::to_string(r) + "</v></c></row>\n";
  rows += "<row r=\"20001\"><c r=\"A20001\" t=\"s\"><v>20000</v></c></row>";
  const std::string bytes = makeWorkbook({{"Big", worksheet(rows)}}, sst);
  auto book = newBook();
  ASSERT_TRUE(book->load(bytes.data(), bytes.size())) << book->errorMessage();
  Sheet* s = book->getSheet(0);
  EXPECT_EQ(s->lastRow(), 20001);
  EXPECT_STREQ(s->readStr(19999, 0), "s19999");
  EXPECT_EQ(std::string(s->readStr(20000, 0)), big);
}

}  // namespace
}  // namespace xlsxbook
