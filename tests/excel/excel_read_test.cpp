// Reading workbooks: one table of mapping, workbook and the identifier contents it gives. The
// workbooks are openpyxl's (tests/excel/make_workbooks.py), or made by hand where a case needs
// what openpyxl does not write (cached formula values, inline strings, broken archives).
#include "excel/excel_fixture.hpp"

#include "zip_fixture.h"

#include <map>

namespace flk::test {
namespace {

using xlsxbook::testing::makeWorkbook;
using xlsxbook::testing::makeZip;
using xlsxbook::testing::worksheet;

struct ReadCase {
    const char* title;
    std::string mapping;
    std::string book;   // a workbook openpyxl wrote, or "@name" for one of handMade()
    int result;
    std::vector<std::pair<const wchar_t*, const char*>> expected;   // identifier, contents
    const char* error = "";
};

std::string sheetMapping(const std::string& sheet, const std::string& columns, const std::string& rowAttributes = "") {
    return "<MolvoExcelMapping><ExcelSheetMapping name=\"" + sheet + "\"><ExcelRowMapping " + rowAttributes + ">" + columns +
           "</ExcelRowMapping></ExcelSheetMapping></MolvoExcelMapping>";
}

const std::string kOrderColumns = R"(
  <ExcelColumnMapping name="id" binds-to="o"/><ExcelColumnMapping name="customer" maps-to="Customer"/>
  <ExcelColumnMapping name="total" maps-to="Total"/><ExcelColumnMapping name="items" maps-to="Items"/>
  <ExcelColumnMapping name="day" maps-to="OrderDay"/><ExcelColumnMapping name="paid" maps-to="Paid"/>)";
const std::string kLines = R"(<MolvoExcelMapping><SheetMapping name="Lines">
  <ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" binds-to="p"/>
  <ColumnMapping name="qty" maps-to="Qty"/></SheetMapping></MolvoExcelMapping>)";
std::string dayInto(const std::string& column) {
    return sheetMapping("Orders", R"(<ColumnMapping name="id" binds-to="o"/>)" + column);
}

const std::string kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>";

// Workbooks as spreadsheet programs other than openpyxl write them, and broken ones.
std::string handMade(const std::string& name) {
    if (name == "values") {
        // Shared and inline strings, formulas with cached values, an error, a boolean, and cells
        // without a value: formatting only, a formula never calculated, an empty shared string.
        std::string sst = "<sst><si><t>id</t></si><si><t>text</t></si><si><t>number</t></si><si><t>F1</t></si>"
                          "<si><t>12.5</t></si><si><t></t></si></sst>";
        std::string rows =
            "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c></row>"
            "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>3</v></c><c r=\"B2\" t=\"str\"><f>\"a\"&amp;\"b\"</f><v>ab</v></c>"
            "<c r=\"C2\"><f>2*3</f><v>6</v></c></row>"
            "<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>F2</t></is></c><c r=\"B3\" t=\"inlineStr\"><is><r><t>in</t></r>"
            "<r><t>line</t></r></is></c><c r=\"C3\" t=\"s\"><v>4</v></c></row>"
            "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><t>F3</t></is></c><c r=\"B4\" t=\"e\"><v>#N/A</v></c>"
            "<c r=\"C4\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c></row>"
            "<row r=\"5\"><c r=\"A5\" t=\"inlineStr\"><is><t>F4</t></is></c><c r=\"B5\" t=\"b\"><v>1</v></c>"
            "<c r=\"C5\" t=\"b\"><v>0</v></c></row>"
            "<row r=\"6\"><c r=\"A6\" t=\"inlineStr\"><is><t>F5</t></is></c><c r=\"B6\" s=\"1\"/><c r=\"C6\"><f>NOW()</f></c></row>"
            "<row r=\"7\"><c r=\"A7\" t=\"inlineStr\"><is><t>F6</t></is></c><c r=\"B7\" t=\"s\"><v>5</v></c>"
            "<c r=\"C7\" s=\"1\"><v>45355</v></c></row>";
        return makeWorkbook({{"Values", worksheet(rows)}}, sst, kStyles);
    }
    if (name == "index-last")   // the column binding the index stands after the values
        return makeWorkbook({{"Orders", worksheet("<row><c t=\"inlineStr\"><is><t>total</t></is></c><c t=\"inlineStr\"><is><t>id</t></is></c></row>"
                                                  "<row><c><v>4</v></c><c t=\"inlineStr\"><is><t>A1</t></is></c></row>")}});
    if (name == "empty") return makeWorkbook({{"Orders", worksheet("")}});
    if (name == "legacy") return "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(4096, '\0');
    if (name == "text") return "id,total\nA1,1\n";
    if (name == "nothing") return "";
    if (name == "broken-sheet") return makeWorkbook({{"Orders", worksheet("<row><c><v>1</v></row>")}});
    if (name == "no-workbook") return makeZip({{"readme.txt", "hello"}});
    if (name == "escaping-path")   // a sheet that its relationship places outside the package
        return makeZip({{"[Content_Types].xml", "<Types/>"},
                        {"xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets><sheet name=\"Orders\" r:id=\"R1\"/></sheets></workbook>"},
                        {"xl/_rels/workbook.xml.rels",
                         "<Relationships><Relationship Id=\"R1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                         "relationships/worksheet\" Target=\"../../../etc/passwd\"/></Relationships>"},
                        {"../../etc/passwd", "<worksheet/>"}});
    if (name == "truncated") {
        std::string whole = makeWorkbook({{"Orders", worksheet("<row><c><v>1</v></c></row>")}});
        return whole.substr(0, whole.size() / 2);
    }
    if (name == "bomb") return makeWorkbook({{"Orders", "<worksheet>" + std::string(size_t(64) << 20, ' ') + "</worksheet>"}});
    return "";
}

const ReadCase kCases[] = {
    {"cells of every type convert by the storage of their target", sheetMapping("Orders", kOrderColumns), "orders.xlsx", 1,
     {{L"Customer", "A1=Zoë A2=Bob 1003=42"},
      {L"Total", "A1=12.5 A2=-2.75 1003=7.5"},
      {L"Items", "A1=3 A2=2 1003=-2"},
      {L"OrderDay", "A1=2024-03-04 A2=2024-12-31 1003=2024-03-05"},
      {L"Paid", "A1=1"}}},
    {"column mappings directly under a sheet form its row", kLines, "orders.xlsx", 1,
     {{L"Qty", "A1,apple=3 A1,pear=2 A2,apple=1"}}},
    {"a sheet is matched by its alt-name",
     R"(<MolvoExcelMapping><TableMapping name="Bestellzeilen" alt-name="Lines"><RowMapping>
          <ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" binds-to="p"/>
          <ColumnMapping name="menge" alt-name="qty" maps-to="Qty"/></RowMapping></TableMapping></MolvoExcelMapping>)",
     "orders.xlsx", 1, {{L"Qty", "A1,apple=3 A1,pear=2 A2,apple=1"}}},
    {"sheets are matched by a pattern that binds their names",
     R"(<MolvoExcelMapping><ExcelSheetMapping name-regex="Orders|Notes" name-binds-to="s">
          <ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Amount"/>
        </ExcelSheetMapping></MolvoExcelMapping>)",
     "orders.xlsx", 1, {{L"Amount", "Orders,A1=12.5 Orders,A2=-2.75 Orders,1003=7.5 Notes,N1=99"}}},
    {"a sheet that no node claims leaves the model unchanged, and a node that claims no sheet says so",
     sheetMapping("Missing", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Total"/>)"),
     "orders.xlsx", 1, {{L"Total", ""}}, "none of the sheets claimed (Missing) was met"},
    {"numbers as column names bind their elements",
     sheetMapping("Plan", R"x(<ColumnMapping name="product" binds-to="p"/>
                             <ColumnMapping name-regex="20[0-9][0-9]" name-binds-to="o" maps-to="Qty(o,p)"/>)x"),
     "years.xlsx", 1, {{L"Qty", "2023,apple=1 2023,pear=3 2024,apple=2"}}},
    {"date cells give the days of a calendar", dayInto(R"(<ColumnMapping name="day" maps-to="OrderDay"/>)"), "dates1900.xlsx",
     1, {{L"OrderDay", "A1=2024-03-04 A2=2024-12-31"}}},
    {"date cells of the 1904 system give the same days", dayInto(R"(<ColumnMapping name="day" maps-to="OrderDay"/>)"),
     "dates1904.xlsx", 1, {{L"OrderDay", "A1=2024-03-04 A2=2024-12-31"}}},
    {"a date cell binds a calendar index, a day outside it skips its row",
     sheetMapping("Orders", R"(<ColumnMapping name="day" binds-to="d"/><ColumnMapping name="total" maps-to="Sales"/>)"),
     "dates1904.xlsx", 1, {{L"Sales", "2024-03-04=1 2024-12-31=2"}}},
    {"a date cell with a time gives the hour of an hourly calendar", dayInto(R"(<ColumnMapping name="day" maps-to="Stamp"/>)"),
     "dates1900.xlsx", 1, {{L"Stamp", "A2=2024-12-31 18:00"}}},
    {"a date cell into a string gives its ISO 8601 text", dayInto(R"(<ColumnMapping name="day" maps-to="DayText"/>)"),
     "dates1904.xlsx", 1, {{L"DayText", "A1=2024-03-04 A2=2024-12-31 18:30:00 A3=2031-01-01"}}},
    {"a date cell into a number gives its serial", dayInto(R"(<ColumnMapping name="day" maps-to="Total"/>)"),
     "dates1900.xlsx", 1, {{L"Total", "A1=45355 A2=45657.8 A3=47849"}}},
    {"a date cell into an element parameter of another set fails",
     dayInto(R"(<ColumnMapping name="day" maps-to="Favourite"/>)"), "dates1900.xlsx", 0, {{L"Favourite", ""}},
     "ReadFromStream: Date-valued Excel column can only be mapped onto a calendar label"},
    {"a date cell into an index of another set fails",
     sheetMapping("Orders", R"(<ColumnMapping name="day" binds-to="p"/><ColumnMapping name="total" maps-to="Price"/>)"),
     "dates1900.xlsx", 0, {{L"Price", ""}}, "Date-valued Excel column can only be mapped onto a calendar label"},
    {"empty cells give no value and a row without its element is skipped",
     sheetMapping("Orders", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="customer" maps-to="Customer"/>
                               <ColumnMapping name="total" maps-to="Total"/>)"),
     "gaps.xlsx", 1, {{L"Customer", "A4=Dee"}, {L"Total", "A1=1 A8=8"}}},
    {"an empty index cell fails where skipping is off",
     sheetMapping("Orders", R"(<ColumnMapping name="id" binds-to="o" binds-skip-non-existing="0"/>
                               <ColumnMapping name="total" maps-to="Total"/>)"),
     "gaps.xlsx", 0, {{L"Total", ""}}, "Empty element encountered for index o"},
    {"iterative rows number their elements",
     sheetMapping("Lines", R"(<ColumnMapping name="product" maps-to="Note"/>)",
                  R"(iterative-binds-to="l" iterative-prefix="line-")"),
     "orders.xlsx", 1, {{L"Note", "line-1=apple line-2=pear line-3=apple"}}},
    {"every row after the header advances the numbering, empty ones too",
     sheetMapping("Orders", R"(<ColumnMapping name="customer" maps-to="Note"/>)",
                  R"(iterative-binds-to="l" iterative-prefix="line-")"),
     "gaps.xlsx", 1, {{L"Note", "line-2=nobody line-4=Dee"}}},
    {"a row skipped by its element lookup skips that row only",
     sheetMapping("Lines", R"x(<ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" binds-to="f" binds-existing="1"/>
                              <ColumnMapping name="qty" maps-to="Qty(o,f)"/>)x"),
     "orders.xlsx", 1, {{L"Qty", "A1,apple=3 A2,apple=1"}}},
    {"the index column is read first wherever it stands",
     sheetMapping("Orders", R"(<ColumnMapping name="total" maps-to="Total"/><ColumnMapping name="id" binds-to="o"/>)"),
     "@index-last", 1, {{L"Total", "A1=4"}}},
    {"text in a numeric column fails, naming the cell", sheetMapping("Orders", R"(<ColumnMapping name="id" binds-to="o"/>
                                                                                 <ColumnMapping name="customer" maps-to="Total"/>)"),
     "orders.xlsx", 0, {{L"Total", ""}},
     "ReadFromStream: Cell B2 of sheet Orders holds the text 'Zoë', which is not a number, for the identifier Total"},
    {"a number beyond the integer range fails",
     sheetMapping("Big", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="items" maps-to="Items"/>)"),
     "orders.xlsx", 0, {{L"Items", ""}}, "Cell B2 of sheet Big holds 3e+12, beyond the range of the integer identifier Items"},
    {"cached formula values, shared and inline strings; errors and cells without value give nothing",
     sheetMapping("Values", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="text" maps-to="Customer"/>
                               <ColumnMapping name="number" maps-to="Total"/>)"),
     "@values", 1, {{L"Customer", "F1=ab F2=inline F4=1"}, {L"Total", "F1=6 F2=12.5 F6=45355"}}},
    {"a workbook whose sheet is empty reads nothing", sheetMapping("Orders", R"(<ColumnMapping name="id" binds-to="o"/>)"),
     "@empty", 1, {{L"Total", ""}}},
};

class ExcelReadCases : public ExcelTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ExcelReadCases, GiveTheIdentifierContents) {
    const ReadCase& c = GetParam();
    ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
    std::wstring book = c.book[0] == '@' ? file(c.book.substr(1) + ".xlsx", handMade(c.book.substr(1))) : openpyxlBook(c.book);
    EXPECT_EQ(readBook("m", book), c.result) << errorsJoined();
    for (const auto& [identifier, expected] : c.expected) EXPECT_EQ(contents(identifier), expected) << toUtf8(identifier);
    std::string error = c.error, errors = errorsJoined();
    if (!error.empty() && error.back() == '\n') EXPECT_EQ(errors, error);
    else if (!error.empty()) EXPECT_NE(errors.find(error), std::string::npos) << errors;
    else EXPECT_EQ(errors, "");
}

INSTANTIATE_TEST_SUITE_P(Excel, ExcelReadCases, ::testing::ValuesIn(kCases), CaseTitle());

// Inputs that are no workbook fail with the load message and leave the model as it was; a name
// without ".xlsx" gets the note that only .xlsx workbooks are read.
TEST_F(ExcelTest, InputsThatAreNoWorkbookFailWithTheLoadMessage) {
    const std::map<std::string, std::string> cases{
        {"legacy:data.xls", "OLE2 compound document (a legacy .xls workbook"},
        {"nothing:orders.xlsx", "the data is empty"},
        {"text:orders.xlsx", "not a zip archive"},
        {"broken-sheet:orders.xlsx", "is not well-formed XML"},
        {"no-workbook:orders.xlsx", "no workbook part"},
        {"truncated:orders.xlsx", "truncated or damaged"},
        {"escaping-path:orders.xlsx", "refers to part etc/passwd, which the archive lacks"},
        {"bomb:orders.xlsx", "refusing a likely zip bomb"},
    };
    ASSERT_EQ(addMapping("m", sheetMapping("Orders", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Total"/>)")), 1);
    for (const auto& [which, reason] : cases) {
        std::string name = which.substr(which.find(':') + 1);
        std::wstring book = file(name, handMade(which.substr(0, which.find(':'))));
        model().clearErrors();
        EXPECT_EQ(readBook("m", book), 0) << which;
        std::string errors = errorsJoined();
        std::string expected = "ReadFromStream: Error loading Excel XLSX document " + toUtf8(book) + ": ";
        EXPECT_EQ(errors.rfind(expected, 0), 0u) << which << ": " << errors;
        EXPECT_NE(errors.find(reason), std::string::npos) << which << ": " << errors;
        bool noted = errors.find(" (FLK library does not support .xls documents, only .xlsx documents)\n") != std::string::npos;
        EXPECT_EQ(noted, name == "data.xls") << which << ": " << errors;
        EXPECT_EQ(model().card(L"Orders"), 0u) << which;
    }
}

TEST_F(ExcelTest, SeveralThousandRowsAreReadInOrder) {
    ASSERT_EQ(addMapping("m", sheetMapping("Orders", R"(<ColumnMapping name="id" binds-to="o"/>
        <ColumnMapping name="customer" maps-to="Customer"/><ColumnMapping name="total" maps-to="Total"/>)")), 1);
    ASSERT_EQ(readBook("m", openpyxlBook("many.xlsx")), 1) << errorsJoined();
    std::vector<std::wstring> orders = model().elements(L"Orders");
    ASSERT_EQ(orders.size(), 5000u);
    EXPECT_EQ(orders.front(), L"o1");
    EXPECT_EQ(orders.back(), L"o5000");
    EXPECT_EQ(std::get<double>(model().get(L"Total", {L"o4321"})), 2160.5);
    EXPECT_EQ(std::get<std::wstring>(model().get(L"Customer", {L"o4321"})), L"customer 53");
}

}  // namespace
}  // namespace flk::test

namespace flk::test {
namespace {

// The rows stand under the sheets, a level below the children iterative-reset="1" restarts
// elsewhere: on an Excel root it restarts the numbering of every sheet's rows.
TEST_F(ExcelTest, IterativeResetOnTheRootRestartsTheNumberingOfTheRows) {
    const std::string rows = R"(<ExcelSheetMapping name="Lines"><RowMapping iterative-binds-to="l" iterative-prefix="line-">
        <ColumnMapping name="product" maps-to="Note"/></RowMapping></ExcelSheetMapping></MolvoExcelMapping>)";
    ASSERT_EQ(addMapping("numbered", "<MolvoExcelMapping>" + rows), 1);
    ASSERT_EQ(addMapping("restarted", "<MolvoExcelMapping iterative-reset=\"1\">" + rows), 1);
    std::wstring book = openpyxlBook("orders.xlsx");
    ASSERT_EQ(ReadFromFile(book.c_str(), L"numbered", 1, 0, 1), 1);
    ASSERT_EQ(ReadFromFile(book.c_str(), L"numbered", 1, 0, 0), 1);
    EXPECT_EQ(contents(L"Note"), "line-4=apple line-5=pear line-6=apple");
    ASSERT_EQ(ReadFromFile(book.c_str(), L"restarted", 1, 0, 0), 1);
    EXPECT_EQ(contents(L"Note"), "line-1=apple line-2=pear line-3=apple");
    EXPECT_EQ(errorsJoined(), "");
}

}  // namespace
}  // namespace flk::test
