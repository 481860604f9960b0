// Where a workbook read went wrong: a workbook that does not load, and a cell that cannot be
// converted or bound, raise their error and then one warning "<document>, sheet 'Orders' cell
// C17: reason". A read that matches no sheet, or no column of a sheet, says so.
#include "excel/excel_fixture.hpp"

#include "zip_fixture.h"

namespace flk::test {
namespace {

using xlsxbook::testing::makeWorkbook;
using xlsxbook::testing::worksheet;

std::string sheetMapping(const std::string& sheet, const std::string& columns) {
    return "<MolvoExcelMapping><ExcelSheetMapping name=\"" + sheet + "\">" + columns + "</ExcelSheetMapping></MolvoExcelMapping>";
}

const std::string kIdAndTotal = sheetMapping("Orders", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Total"/>)");

// Workbooks that do not load, each broken at one place of sheet Orders.
std::string brokenBook(const std::string& name) {
    const std::string header = R"(<row r="1"><c r="A1" t="inlineStr"><is><t>id</t></is></c></row>)";
    if (name == "xml") return makeWorkbook({{"Orders", worksheet(header + R"(<row r="2"><c r="A2"><v>1</v></row>)")}});
    if (name == "value") return makeWorkbook({{"Orders", worksheet(header + R"(<row r="2"><c r="A2"/><c r="C2"><v>abc</v></c></row>)")}});
    if (name == "row") return makeWorkbook({{"Orders", worksheet(header + R"(<row r="x"><c><v>1</v></c></row>)")}});
    if (name == "reference") return makeWorkbook({{"Orders", worksheet(header + R"(<row r="7"><c r="7A"><v>1</v></c></row>)")}});
    return "id,total\nA1,1\n";
}

struct PlaceCase {
    const char* title;
    std::string mapping;
    std::string book;      // a workbook openpyxl wrote, or "@name" for one of brokenBook()
    const char* error;     // in the error raised first
    const char* warning;   // the warning that follows it, after "<document>, "
};

const PlaceCase kCases[] = {
    // The workbook does not load.
    {"XML that is not well-formed names the cell it breaks in", kIdAndTotal, "@xml", "is not well-formed XML",
     "sheet 'Orders' cell A2: part xl/worksheets/sheet1.xml is not well-formed XML: end tag </row> does not match the open <c> (at byte 201)"},
    {"a value that is not a number", kIdAndTotal, "@value", "sheet 'Orders', cell C2: the value 'abc' is not a number",
     "sheet 'Orders' cell C2: the value 'abc' is not a number"},
    {"a row number that is no number", kIdAndTotal, "@row", "sheet 'Orders' has a row numbered 'x'",
     "sheet 'Orders': a row numbered 'x', expected 1 to 1048576"},
    {"a cell reference that is no cell names its row", kIdAndTotal, "@reference", "has a cell reference '7A'",
     "sheet 'Orders' row 7: a cell reference '7A' that is not a cell of the sheet (A1 to XFD1048576)"},
    {"a file that is no archive lies in no sheet", kIdAndTotal, "@text", "not a zip archive", "workbook: the data is not a zip archive"},
    // A cell cannot be converted or bound.
    {"text in a numeric column",
     sheetMapping("Orders", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="customer" maps-to="Total"/>)"), "orders.xlsx",
     "Cell B2 of sheet Orders holds the text", "sheet 'Orders' cell B2: the cell holds the text 'Zoë', which is not a number, for the identifier Total"},
    {"a number beyond the integer range", sheetMapping("Big", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="items" maps-to="Items"/>)"),
     "orders.xlsx", "Cell B2 of sheet Big holds 3e+12", "sheet 'Big' cell B2: the cell holds 3e+12, beyond the range of the integer identifier Items"},
    {"a date for an element parameter of another set",
     sheetMapping("Orders", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="day" maps-to="Favourite"/>)"), "dates1900.xlsx",
     "Date-valued Excel column can only be mapped onto a calendar label",
     "sheet 'Orders' cell B2: the cell holds a date, which only the elements of a calendar can take"},
    {"an empty index cell where skipping is off",
     sheetMapping("Orders", R"(<ColumnMapping name="id" binds-to="o" binds-skip-non-existing="0"/><ColumnMapping name="total" maps-to="Total"/>)"),
     "gaps.xlsx", "Empty element encountered for index o", "sheet 'Orders' cell A3: an empty element name for index o"},
    {"an element that cannot be created",
     sheetMapping("Lines", R"x(<ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" binds-to="f" binds-existing="1"
                               binds-skip-non-existing="0"/><ColumnMapping name="qty" maps-to="Qty(o,f)"/>)x"),
     "orders.xlsx", "Element pear could not be created for index f", "sheet 'Lines' cell B3: Element pear could not be created for index f"},
    {"a row that its binding cannot number names the row",
     "<MolvoExcelMapping><ExcelSheetMapping name=\"Lines\"><RowMapping iterative-binds-to=\"l\" iterative-existing=\"1\">"
     "<ColumnMapping name=\"product\" maps-to=\"Note\"/></RowMapping></ExcelSheetMapping></MolvoExcelMapping>",
     "orders.xlsx", "No existing element found with ordinal 1 for index l", "sheet 'Lines' row 2: No existing element found with ordinal 1 for index l"},
};

class ExcelPlaces : public ExcelTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(ExcelPlaces, TheErrorIsFollowedByTheWarningThatNamesThePlace) {
    const PlaceCase& c = GetParam();
    ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
    std::wstring book = c.book[0] == '@' ? file("broken.xlsx", brokenBook(c.book.substr(1))) : openpyxlBook(c.book);
    EXPECT_EQ(readBook("m", book), 0);
    const auto& raised = model().errors();
    ASSERT_EQ(raised.size(), 2u) << errorsJoined();
    EXPECT_EQ(raised[0].severity, 1);
    EXPECT_NE(toUtf8(raised[0].message).find(c.error), std::string::npos) << errorsJoined();
    EXPECT_EQ(raised[1].severity, 2);
    EXPECT_EQ(toUtf8(raised[1].message).rfind(toUtf8(book) + ", " + c.warning, 0), 0u) << errorsJoined();
}

INSTANTIATE_TEST_SUITE_P(Excel, ExcelPlaces, ::testing::ValuesIn(kCases), CaseTitle());

// A sheet node that matches no sheet, or a row whose columns match none of the header, reads
// nothing and says so once per read; a node that matched in one of the sheets it read says nothing.
TEST_F(ExcelTest, NodesThatMatchNothingSaySoOncePerRead) {
    const std::string prefix = "Reading " + toUtf8(openpyxlBook("orders.xlsx")) + ": ";
    struct Case {
        std::string mapping;
        std::string warnings;
    } cases[] = {
        {sheetMapping("Order", R"(<ColumnMapping name="id" binds-to="o"/>)"),
         prefix + "none of the sheets claimed (Order) was met, so they read nothing; the sheets met: Orders, Lines, Notes, Big\n"},
        {sheetMapping("Orders", R"(<ColumnMapping name="ids" binds-to="o"/><ColumnMapping name="totals" maps-to="Total"/>)"),
         prefix + "none of the columns claimed by Orders (ids, totals) was met, so they read nothing; the columns met: id, customer, total, "
                  "items, day, ...\n"},
        {R"(<MolvoExcelMapping><ExcelSheetMapping name-regex="Orders|Lines" name-binds-to="s"><ColumnMapping name="qty" maps-to="Shown"/>
            </ExcelSheetMapping></MolvoExcelMapping>)", ""},
        {R"(<MolvoExcelMapping><ExcelSheetMapping name-regex="Orders|Notes" name-binds-to="s"><ColumnMapping name="qty" maps-to="Shown"/>
            </ExcelSheetMapping></MolvoExcelMapping>)",
         prefix + "none of the columns claimed (qty) was met, so they read nothing; the columns met: id, customer, total, items, day, ...\n"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
        model().clearErrors();
        EXPECT_EQ(readBook("m", openpyxlBook("orders.xlsx")), 1);
        EXPECT_EQ(errorsJoined(), c.warnings);
    }
}

}  // namespace
}  // namespace flk::test
