// Writing workbooks: a table of mapping, model data and the cells written, each workbook read back
// by our workbook library and by openpyxl; round trips in which what a mapping writes reads back
// to the same identifier contents; the sheet-name rules and the row limit.
#include "excel/excel_fixture.hpp"
#include "support/log_capture.hpp"

#include <limits>

namespace flk::test {
namespace {

struct WriteCase {
    const char* title;
    std::string mapping;
    std::vector<Assign> data;
    const char* cells;                       // as excel_fixture.hpp's cellsOf and openpyxl_cells.py print them
    std::vector<const wchar_t*> roundTrip;   // identifiers that read back to what was written
};

std::string sheet(const std::string& name, const std::string& columns, const std::string& rowAttributes = "") {
    return "<ExcelSheetMapping name=\"" + name + "\"><ExcelRowMapping " + rowAttributes + ">" + columns +
           "</ExcelRowMapping></ExcelSheetMapping>";
}
std::string book(const std::string& sheets) { return "<MolvoExcelMapping>" + sheets + "</MolvoExcelMapping>"; }

const std::string kOrderColumns = R"(
  <ColumnMapping name="id" binds-to="o"/><ColumnMapping name="customer" maps-to="Customer"/>
  <ColumnMapping name="total" maps-to="Total"/><ColumnMapping name="items" maps-to="Items"/>
  <ColumnMapping name="day" maps-to="OrderDay"/>)";

const WriteCase kCases[] = {
    {"numbers, texts and calendar days as cells of their own type, under a frozen header",
     book(sheet("Orders", kOrderColumns)),
     {{L"Total", {L"A1"}, 12.5}, {L"Total", {L"A2"}, -3.0}, {L"Customer", {L"A1"}, std::wstring(L"Zoë & \"Co\"")},
      {L"Items", {L"A2"}, 7.0}, {L"OrderDay", {L"A1"}, std::wstring(L"2024-03-04")}},
     "Orders frozen at A2\n"
     "Orders!A1 s:id\nOrders!B1 s:customer\nOrders!C1 s:total\nOrders!D1 s:items\nOrders!E1 s:day\n"
     "Orders!A2 s:A1\nOrders!B2 s:Zoë & \"Co\"\nOrders!C2 n:12.5\nOrders!E2 d:2024-03-04\n"
     "Orders!A3 s:A2\nOrders!C3 n:-3\nOrders!D3 n:7\n",
     {L"Total", L"Customer", L"Items", L"OrderDay"}},
    {"sheets in mapping order, columns directly under a sheet",
     book(R"(<SheetMapping name="Totals"><ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Total"/></SheetMapping>
             <SheetMapping name="Lines"><ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" binds-to="p"/>
             <ColumnMapping name="qty" maps-to="Qty"/></SheetMapping>)"),
     {{L"Qty", {L"A1", L"pear"}, 2.0}, {L"Qty", {L"A1", L"apple"}, 3.0}, {L"Total", {L"A1"}, 5.0}},
     "Totals frozen at A2\nTotals!A1 s:id\nTotals!B1 s:total\nTotals!A2 s:A1\nTotals!B2 n:5\n"
     "Lines frozen at A2\nLines!A1 s:order\nLines!B1 s:product\nLines!C1 s:qty\n"
     "Lines!A2 s:A1\nLines!B2 s:apple\nLines!C2 n:3\nLines!A3 s:A1\nLines!B3 s:pear\nLines!C3 n:2\n",
     {L"Qty", L"Total"}},
    {"a sheet per element its name binds",
     book(R"(<SheetMapping name-regex=".*" name-binds-to="s"><ColumnMapping name="id" binds-to="o"/>
             <ColumnMapping name="amount" maps-to="Amount"/></SheetMapping>)"),
     {{L"Amount", {L"North", L"A1"}, 1.0}, {L"Amount", {L"South", L"A2"}, 2.0}},
     "North frozen at A2\nNorth!A1 s:id\nNorth!B1 s:amount\nNorth!A2 s:A1\nNorth!B2 n:1\n"
     "South frozen at A2\nSouth!A1 s:id\nSouth!B1 s:amount\nSouth!A2 s:A2\nSouth!B2 n:2\n",
     {L"Amount"}},
    {"write-filter leaves out sheets",
     book(R"(<SheetMapping name-regex=".*" name-binds-to="s" write-filter="Shown"><ColumnMapping name="id" binds-to="o"/>
             <ColumnMapping name="amount" maps-to="Amount"/></SheetMapping>)"),
     {{L"Amount", {L"North", L"A1"}, 1.0}, {L"Amount", {L"South", L"A2"}, 2.0}, {L"Shown", {L"South"}, 1.0}},
     "South frozen at A2\nSouth!A1 s:id\nSouth!B1 s:amount\nSouth!A2 s:A2\nSouth!B2 n:2\n", {}},
    {"a pattern column writes a column per element of its index",
     book(sheet("Plan", R"x(<ColumnMapping name="product" binds-to="p"/>
                           <ColumnMapping name-regex="[0-9]+" name-regex-prefix="y" name-binds-to="o" maps-to="Qty(o,p)"/>)x")),
     {{L"Qty", {L"2023", L"apple"}, 1.0}, {L"Qty", {L"2024", L"pear"}, 2.0}},
     "Plan frozen at A2\nPlan!A1 s:product\nPlan!B1 s:y2023\nPlan!C1 s:y2024\n"
     "Plan!A2 s:apple\nPlan!B2 n:1\nPlan!A3 s:pear\nPlan!C3 n:2\n",
     {L"Qty"}},
    {"missing values leave cells empty, write-defaults fills them",
     book(sheet("Orders", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Total" write-defaults="1"/>
                            <ColumnMapping name="items" maps-to="Items"/>)")),
     {{L"Total", {L"A1"}, 4.0}, {L"Items", {L"A2"}, 2.0}},
     "Orders frozen at A2\nOrders!A1 s:id\nOrders!B1 s:total\nOrders!C1 s:items\n"
     "Orders!A2 s:A1\nOrders!B2 n:4\nOrders!A3 s:A2\nOrders!B3 n:0\nOrders!C3 n:2\n",
     {L"Total", L"Items"}},
    {"dense-write writes the rows its identifier holds, with defaults",
     book(sheet("Orders", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Total" dense-write="Paid"/>)")),
     {{L"Total", {L"A1"}, 4.0}, {L"Paid", {L"A3"}, 1.0}},
     "Orders frozen at A2\nOrders!A1 s:id\nOrders!B1 s:total\nOrders!A2 s:A1\nOrders!B2 n:4\nOrders!A3 s:A3\nOrders!B3 n:0\n",
     {L"Total"}},
    {"write-filter leaves out rows",
     book(sheet("Orders", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Total"/>)",
                R"(write-filter="Paid")")),
     {{L"Total", {L"A1"}, 1.0}, {L"Total", {L"A2"}, 2.0}, {L"Paid", {L"A2"}, 1.0}},
     "Orders frozen at A2\nOrders!A1 s:id\nOrders!B1 s:total\nOrders!A2 s:A2\nOrders!B2 n:2\n", {}},
    {"iterative rows are written in their binding's order",
     book(sheet("Notes", R"(<ColumnMapping name="note" maps-to="Note"/><ColumnMapping name="kind" value="memo"/>)",
                R"(iterative-binds-to="l" iterative-prefix="line-")")),
     {{L"Note", {L"line-1"}, std::wstring(L"first")}, {L"Note", {L"line-2"}, std::wstring(L"second")}},
     "Notes frozen at A2\nNotes!A1 s:note\nNotes!B1 s:kind\nNotes!A2 s:first\nNotes!B2 s:memo\nNotes!A3 s:second\nNotes!B3 s:memo\n",
     {L"Note"}},
    {"elements of other sets are written by name, an hourly calendar as dates with times",
     book(sheet("Orders", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="fav" maps-to="Favourite"/>
                            <ColumnMapping name="stamp" maps-to="Stamp"/>)")),
     {{L"Favourite", {L"A1"}, std::wstring(L"pear")}, {L"Stamp", {L"A2"}, std::wstring(L"2024-12-31 18:00")}},
     "Orders frozen at A2\nOrders!A1 s:id\nOrders!B1 s:fav\nOrders!C1 s:stamp\n"
     "Orders!A2 s:A1\nOrders!B2 s:pear\nOrders!A3 s:A2\nOrders!C3 d:2024-12-31 18:00:00\n",
     {L"Favourite", L"Stamp"}},
    {"a calendar index column writes dates",
     book(sheet("Days", R"(<ColumnMapping name="day" binds-to="d"/><ColumnMapping name="sales" maps-to="Sales"/>)")),
     {{L"Sales", {L"2024-03-04"}, 5.5}, {L"Sales", {L"2024-12-31"}, 1.0}},
     "Days frozen at A2\nDays!A1 s:day\nDays!B1 s:sales\nDays!A2 d:2024-03-04\nDays!B2 n:5.5\nDays!A3 d:2024-12-31\nDays!B3 n:1\n",
     {L"Sales"}},
    {"a sheet without data keeps its header", book(sheet("Orders", R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Total"/>)")),
     {}, "Orders frozen at A2\nOrders!A1 s:id\nOrders!B1 s:total\n", {}},
    {"a sheet name of 31 characters is written",
     book(sheet(std::string(31, 'x'), R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Total"/>)")),
     {{L"Total", {L"A1"}, 1.0}},
     "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx frozen at A2\nxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx!A1 s:id\nxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx!B1 s:total\n"
     "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx!A2 s:A1\nxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx!B2 n:1\n",
     {L"Total"}},
};

class ExcelWriteCases : public ExcelTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ExcelWriteCases, GiveTheseCells) {
    const WriteCase& c = GetParam();
    for (const Assign& a : c.data) give(a.identifier, a.tuple, a.value);
    ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
    std::wstring out = path("out.xlsx");
    ASSERT_EQ(writeBook("m", out), 1) << errorsJoined();
    EXPECT_EQ(cellsOf(read(out)), c.cells);
    EXPECT_EQ(openpyxlCellsOf(out), c.cells);
    std::vector<std::string> before;
    for (const wchar_t* identifier : c.roundTrip) before.push_back(contents(identifier));
    ASSERT_EQ(readBook("m", out), 1) << errorsJoined();
    for (size_t i = 0; i < c.roundTrip.size(); ++i) EXPECT_EQ(contents(c.roundTrip[i]), before[i]) << toUtf8(c.roundTrip[i]);
    EXPECT_EQ(errorsJoined(), "");
}

INSTANTIATE_TEST_SUITE_P(Excel, ExcelWriteCases, ::testing::ValuesIn(kCases), CaseTitle());

// The workbooks of the cases as another spreadsheet program opens them: the same cells, dates as
// dates, the header frozen. One Calc run for all of them, as Calc takes seconds to start.
TEST_F(ExcelTest, WrittenWorkbooksOpenInLibreOfficeWithTheSameCells) {
    if (!std::filesystem::exists("/usr/bin/soffice")) GTEST_SKIP() << "LibreOffice Calc is not installed";
    std::filesystem::path books = std::filesystem::temp_directory_path() / ("flk-calc-books-" + std::to_string(::getpid()));
    std::filesystem::create_directories(books);
    std::vector<std::wstring> files;
    std::string expected;
    for (const WriteCase& c : kCases) {
        TearDown();   // a fresh model and mapping registry for each case
        SetUp();
        for (const Assign& a : c.data) give(a.identifier, a.tuple, a.value);
        ASSERT_EQ(addMapping("m", c.mapping), 1) << c.title << ": " << errorsJoined();
        files.push_back(fromUtf8((books / (std::to_string(files.size()) + ".xlsx")).string()));
        ASSERT_EQ(writeBook("m", files.back()), 1) << c.title << ": " << errorsJoined();
        expected += "== " + toUtf8(files.back()) + "\n" + c.cells;
    }
    EXPECT_EQ(libreOfficeCellsOf(files), expected);
    std::filesystem::remove_all(books);
}

struct RefusedCase {
    const char* title;
    std::string mapping;
    std::vector<Assign> data;
    const char* errors;
};

const std::string kTotals = R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Total"/>)";

const RefusedCase kRefused[] = {
    {"a sheet name of 32 characters", book(sheet(std::string(32, 'x'), kTotals)), {},
     "WriteToStream: Excel sheet name xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx should not exceed 32 characters\n"},
    {"a sheet name with a character workbooks forbid", book(sheet("Q1/Q2", kTotals)), {},
     "WriteToStream: Excel sheet name Q1/Q2 contains '/', which workbooks do not allow in sheet names ([ ] : * ? / \\)\n"},
    {"an element that names a sheet as workbooks forbid",
     book(R"(<SheetMapping name-regex=".*" name-binds-to="s"><ColumnMapping name="id" binds-to="o"/>
             <ColumnMapping name="amount" maps-to="Amount"/></SheetMapping>)"),
     {{L"Amount", {L"ok", L"A1"}, 1.0}, {L"Amount", {L"[draft]", L"A1"}, 1.0}},
     "WriteToStream: Excel sheet name [draft] contains '[', which workbooks do not allow in sheet names ([ ] : * ? / \\)\n"},
    {"two sheets of one name", book(sheet("Orders", kTotals) + sheet("orders", kTotals)), {},
     "WriteToStream: Error adding sheet 'orders': a sheet named 'Orders' exists already\n"},
    {"a sheet whose pattern binds no name",
     book("<SheetMapping name-regex='O.*'><ColumnMapping name='id' binds-to='o'/></SheetMapping>"), {},
     "WriteToStream: Excel sheet node with name-regex 'O.*' has no sheet name to write: a sheet written needs a name or a "
     "name-binds-to\n"},
    {"a workbook without sheets",
     book(R"(<SheetMapping name-regex=".*" name-binds-to="s"><ColumnMapping name="id" binds-to="o"/>
             <ColumnMapping name="amount" maps-to="Amount"/></SheetMapping>)"),
     {}, "WriteToStream: Error saving Excel XSLX document "},
};

class ExcelRefusedWrites : public ExcelTest, public ::testing::WithParamInterface<RefusedCase> {};

// A write that fails leaves the file that was there as it was.
TEST_P(ExcelRefusedWrites, FailWithTheseMessages) {
    const RefusedCase& c = GetParam();
    for (const Assign& a : c.data) give(a.identifier, a.tuple, a.value);
    ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
    std::wstring out = file("out.xlsx", "what was there");
    EXPECT_EQ(writeBook("m", out), 0);
    std::string errors = errorsJoined();
    EXPECT_EQ(errors.rfind(c.errors, 0), 0u) << errors;
    bool generated = errors.find("Error saving") != std::string::npos;
    EXPECT_EQ(errors.find("WriteToStream: Error generating Excel XLSX document " + toUtf8(out) + "\n") != std::string::npos, !generated)
        << errors;
    EXPECT_EQ(read(out), "what was there");
}

INSTANTIATE_TEST_SUITE_P(Excel, ExcelRefusedWrites, ::testing::ValuesIn(kRefused), CaseTitle());

TEST_F(ExcelTest, NumbersNoCellHoldsAreLeftEmptyAndReported) {
    give(L"Total", {L"A1"}, std::numeric_limits<double>::quiet_NaN());
    give(L"Total", {L"A2"}, 2.0);
    ASSERT_EQ(addMapping("m", book(sheet("Orders", kTotals))), 1);
    LogCapture log(dir_ / "log.txt");
    std::wstring out = path("out.xlsx");
    ASSERT_EQ(writeBook("m", out), 1) << errorsJoined();
    EXPECT_EQ(cellsOf(read(out)), "Orders frozen at A2\nOrders!A1 s:id\nOrders!B1 s:total\nOrders!A2 s:A1\nOrders!A3 s:A2\nOrders!B3 n:2\n");
    EXPECT_NE(log.text().find("Total"), std::string::npos) << log.text();
    EXPECT_EQ(errorsJoined(), "Writing " + toUtf8(out) +   // the host hears of it too
                                  ": 1 values of Total that the document cannot hold (NaN or infinite numbers) were written as null\n");
}

TEST_F(ExcelTest, AWorkbookRoundTripsThroughAMemoryStream) {
    give(L"Total", {L"A1"}, 1.25);
    give(L"OrderDay", {L"A1"}, std::wstring(L"2024-02-29"));
    ASSERT_EQ(addMapping("m", book(sheet("Orders", kOrderColumns))), 1);
    ASSERT_EQ(writeBook("m", L"#book"), 1) << errorsJoined();
    ASSERT_EQ(ReadFromFile(L"#book", L"m", 1, 1, 1), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Total"), "A1=1.25");
    EXPECT_EQ(contents(L"OrderDay"), "A1=2024-02-29");
}

// A sheet holds 1,048,576 rows, the header among them.
TEST_F(ExcelTest, ASheetTakesAtMost1048575DataRows) {
    ASSERT_EQ(addMapping("m", book(sheet("Lines", R"(<ColumnMapping name="n" maps-to="Note"/>)",
                                         R"(iterative-binds-to="l" iterative-prefix="")"))), 1);
    const int rows = xlsxbook::kMaxRows - 1;
    for (int i = 1; i <= rows; ++i) give(L"Note", {std::to_wstring(i)}, std::wstring(L"x"));
    std::wstring out = path("out.xlsx");
    ASSERT_EQ(writeBook("m", out), 1) << errorsJoined();
    give(L"Note", {std::to_wstring(rows + 1)}, std::wstring(L"x"));
    EXPECT_EQ(writeBook("m", out), 0);
    EXPECT_EQ(errorsJoined(), "WriteToStream: Sheet Lines contains more than 1048576 rows\n"
                              "WriteToStream: Error generating Excel XLSX document " + toUtf8(out) + "\n");
    std::string written = read(out);   // the workbook that was written first
    struct Release {
        void operator()(xlsxbook::Book* b) const { b->release(); }
    };
    std::unique_ptr<xlsxbook::Book, Release> loaded(xlsxbook::createBook());
    ASSERT_TRUE(loaded->load(written.data(), written.size())) << loaded->errorMessage();
    EXPECT_EQ(loaded->getSheet(0)->lastRow(), xlsxbook::kMaxRows);
    EXPECT_STREQ(loaded->getSheet(0)->readStr(xlsxbook::kMaxRows - 1, 0), "x");
}

}  // namespace
}  // namespace flk::test
