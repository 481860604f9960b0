// Reading Parquet files: one table of mapping, file and the identifier contents it gives. The
// files are DuckDB's (parquet_fixture.cpp), or made here where a case needs a broken one.
#include "parquet/parquet_fixture.hpp"

#include "support/log_capture.hpp"

namespace flk::test {
namespace {

struct ReadCase {
    const char* title;
    std::string mapping;
    std::string file;   // a DuckDB table, or "@name" for one of brokenFile()
    int result;
    std::vector<std::pair<const wchar_t*, const char*>> expected;   // identifier, contents
    const char* error = "";
};

std::string table(const std::string& columns, const std::string& element = "ParquetMapping", const std::string& attributes = "") {
    return "<MolvoParquetMapping><" + element + " " + attributes + ">" + columns + "</" + element + "></MolvoParquetMapping>";
}
std::string byId(const std::string& columns) { return table(R"(<ColumnMapping name="id" binds-to="o"/>)" + columns); }

// Files that no writer makes on purpose.
std::string brokenFile(const std::string& name, const std::string& whole) {
    if (name == "truncated") return whole.substr(0, whole.size() / 2);
    if (name == "bad-magic") return "PAR2" + whole.substr(4);
    if (name == "lying-footer") {   // a footer length beyond the file
        std::string bytes = whole;
        bytes[bytes.size() - 8] = '\xff';
        bytes[bytes.size() - 7] = '\xff';
        return bytes;
    }
    if (name == "text") return "id,total\nA1,1\n";
    return "";
}

const ReadCase kCases[] = {
    {"cells of every type convert by the storage of their target",
     byId(R"(<ColumnMapping name="customer" maps-to="Customer"/><ColumnMapping name="total" maps-to="Total"/>
             <ColumnMapping name="items" maps-to="Items"/><ColumnMapping name="big" maps-to="Big"/>
             <ColumnMapping name="day" maps-to="OrderDay"/><ColumnMapping name="stamp" maps-to="Stamp"/>
             <ArrowTableColumnMapping name="paid" maps-to="Paid"/>)"),
     "orders", 1,
     {{L"Customer", "A1=Zoë A2=Bob A4=Ann"},
      {L"Total", "A1=12.5 A2=-2.75 A4=7"},
      {L"Items", "A1=3 A2=-2 A4=1000"},
      {L"Big", "A1=5e+09 A2=-7 A4=42"},
      {L"OrderDay", "A1=2024-03-04 A2=2024-12-31"},
      {L"Stamp", "A1=2024-12-31 10:00 A2=2025-01-01 23:00"},
      {L"Paid", "A1=1 A4=1"}}},
    {"cells read into strings keep their values as text",
     byId(R"(<ColumnMapping name="total" maps-to="Customer"/><ColumnMapping name="big" maps-to="BigText"/>
             <ColumnMapping name="stamp" maps-to="DayText"/>)"),
     "orders", 1,
     {{L"Customer", "A1=12.5 A2=-2.75 A4=7"},
      {L"BigText", "A1=5000000000 A2=-7 A4=42"},
      {L"DayText", "A1=2024-12-31T10:00:00 A2=2025-01-01T23:00:00 A4=2020-02-29T12:34:56.789000"}}},
    {"booleans, decimals and dates read as numbers",
     byId(R"(<ColumnMapping name="paid" maps-to="BigText"/><ColumnMapping name="amount" maps-to="Big"/>
             <ColumnMapping name="day" maps-to="DayNumber"/>)"),
     "orders", 1,
     {{L"BigText", "A1=1 A2=0 A4=1"}, {L"Big", "A1=19.99 A2=0.5 A4=1.23457e+06"}, {L"DayNumber", "A1=19786 A2=20088 A4=19509"}}},
    {"a date outside the calendar names no element of it",
     byId(R"(<ColumnMapping name="day" maps-to="OrderDay" binds-skip-non-existing="0"/>)"), "orders", 0, {{L"OrderDay", ""}},
     "Element 2023-06-01 is not in the range of OrderDay"},
    {"decimals keep all their digits in strings, whatever their physical type",
     byId(R"(<ColumnMapping name="wide" maps-to="BigText"/><ColumnMapping name="money" maps-to="DayText"/>
             <ColumnMapping name="small" maps-to="Customer"/>)"),
     "decimals", 1,
     {{L"BigText", "A1=12345678901234567890.1234567891 A2=-0.0000000001 A4=0"},
      {L"DayText", "A1=1234567890123456.78 A2=-0.5 A4=100"},
      {L"Customer", "A1=12345.6789 A2=-0.5 A4=7"}}},
    {"floating-point cells into an integer are truncated toward zero",
     byId(R"(<ColumnMapping name="total" maps-to="Items"/>)"), "orders", 1, {{L"Items", "A1=12 A2=-2 A4=7"}}},
    {"strings holding numbers read into numbers, truncated for integers",
     byId(R"(<ColumnMapping name="text" maps-to="Total"/>)"), "texts", 1, {{L"Total", "A1=3.5 A2=-1000 A4=7.9"}}},
    {"strings holding numbers are truncated for integers", byId(R"(<ColumnMapping name="text" maps-to="Items"/>)"), "texts", 1,
     {{L"Items", "A1=3 A2=-1000 A4=7"}}},
    {"a string that is not a number fails the read",
     byId(R"(<ColumnMapping name="text" maps-to="Total"/>)"), "orders", 0, {{L"Total", ""}},
     "Exception occurred while reading data: invalid stod argument from document"},
    {"an integer beyond the identifier's range names its column and row in the file",
     byId(R"(<ColumnMapping name="items" maps-to="Items"/>)"), "wrapping", 0, {{L"Items", ""}},
     "Row 3 of column items holds 2147483648, beyond the range of the integer identifier Items"},
    {"columns are matched by name or alt-name, others are ignored",
     table(R"(<ColumnMapping name="Bestellung" alt-name="order" binds-to="o"/><ColumnMapping name="product" binds-to="p"/>
              <ColumnMapping name="menge" alt-name="qty" maps-to="Qty"/>)"),
     "lines", 1, {{L"Qty", "A1,apple=3 A1,pear=2 A2,apple=1 A2,plum=9"}}},
    {"a row skipped by its element lookup skips that row only",
     table(R"(<ColumnMapping name="qty" maps-to="Qty"/><ColumnMapping name="order" binds-to="o"/>
              <ColumnMapping name="product" binds-to="p" binds-existing="1"/>)"),
     "lines", 1, {{L"Qty", "A1,apple=3 A1,pear=2 A2,apple=1"}}},
    {"a pattern column binds the element its header names",
     table(R"x(<ColumnMapping name="product" binds-to="p"/>
               <ColumnMapping name-regex="20[0-9][0-9]" name-binds-to="o" maps-to="Qty(o,p)"/>)x"),
     "wide", 1, {{L"Qty", "2023,apple=1 2023,pear=3 2024,apple=2"}}},
    {"rows number the elements of an iterative binding",
     table(R"(<ColumnMapping name="product" maps-to="Note"/>)", "RowMapping", R"(iterative-binds-to="l" iterative-prefix="L")"),
     "lines", 1, {{L"Note", "L1=apple L2=pear L3=plum L4=apple"}}},
    {"a claimed nested column assigns nothing", byId(R"(<ColumnMapping name="list" maps-to="Customer"/>
                                                       <ColumnMapping name="total" maps-to="Total"/>)"),
     "nested", 1, {{L"Customer", ""}, {L"Total", "A1=4.5 A2=1.5 A3=2.5"}},
     ": column list holds values of a type that cannot be read"},
    {"a table without rows reads nothing", byId(R"(<ColumnMapping name="total" maps-to="Total"/>)"), "empty", 1, {{L"Total", ""}}},
    {"a truncated file names the document", byId(""), "@truncated", 0, {}, "broken.parquet: "},
    {"a file without the Parquet magic is refused", byId(""), "@bad-magic", 0, {}, "magic bytes PAR1"},
    {"a footer length beyond the file is refused", byId(""), "@lying-footer", 0, {}, "exceeds the file's"},
    {"a text file is no Parquet file", byId(""), "@text", 0, {}, "not a Parquet file"},
};

class ParquetRead : public ParquetTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ParquetRead, GivesTheIdentifierContents) {
    const ReadCase& c = GetParam();
    ASSERT_EQ(1, addMapping("m", c.mapping)) << errorsJoined();
    std::wstring source = duckDbFile(c.file);
    if (c.file[0] == '@') source = file("broken.parquet", brokenFile(c.file.substr(1), read(duckDbFile("orders"))));
    EXPECT_EQ(c.result, readTable("m", source)) << errorsJoined();
    for (const auto& [identifier, contents] : c.expected) EXPECT_EQ(contents, this->contents(identifier)) << toUtf8(identifier);
    EXPECT_NE(std::string::npos, errorsJoined().find(c.error)) << errorsJoined();
    // A read that succeeds raises nothing but the warning the case expects.
    if (c.result == 1 && !*c.error) {
        EXPECT_EQ("", errorsJoined());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParquetRead, ::testing::ValuesIn(kCases), CaseTitle());

// Element-valued cells create the elements of their range in the order the rows name them, while
// numbers and texts may be read column by column.
TEST_F(ParquetTest, ElementCellsCreateTheirElementsInRowOrder) {
    parameter(L"Size", {L"o"}, molvo::Storage::Element, std::wstring(), L"Products");
    ASSERT_EQ(1, addMapping("m", table(R"(<ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" maps-to="Favourite"/>
                                          <ColumnMapping name="qty" maps-to="Size"/>)")));
    ASSERT_EQ(1, readTable("m", duckDbFile("lines"))) << errorsJoined();
    EXPECT_EQ("apple=1 pear=1 3=1 2=1 plum=1 9=1 1=1", contents(L"Products"));
}

TEST_F(ParquetTest, ClaimedNestedColumnIsNamedInOneWarning) {
    ASSERT_EQ(1, addMapping("m", byId(R"(<ColumnMapping name="list" maps-to="Customer"/>)")));
    model().clearErrors();
    LogCapture log(dir_ / "log.txt");
    ASSERT_EQ(1, readTable("m", duckDbFile("nested")));
    std::string text = log.text();
    EXPECT_NE(std::string::npos, text.find("column list holds values of a type that cannot be read")) << text;
    EXPECT_EQ(text.find("column list"), text.rfind("column list")) << "one warning per read, not per row group: " << text;
    // The host hears of it as the log does.
    ASSERT_EQ(model().errors().size(), 1u) << errorsJoined();
    EXPECT_EQ(model().errors()[0].severity, 2);
    EXPECT_EQ("WARN - " + errorsJoined(), text);
}

TEST_F(ParquetTest, FilesThatCannotBeReadAreNamed) {
    ASSERT_EQ(1, addMapping("m", byId(R"(<ColumnMapping name="total" maps-to="Total"/>)")));
    std::wstring missing = path("missing.parquet");
    EXPECT_EQ(0, readTable("m", missing));
    EXPECT_NE(std::string::npos, errorsJoined().find("Cannot open file " + toUtf8(missing) + " for reading")) << errorsJoined();
    model().clearErrors();
    EXPECT_EQ(0, readTable("m", dir_.wstring()));
    EXPECT_NE(std::string::npos, errorsJoined().find("it is a directory")) << errorsJoined();
    EXPECT_EQ("", contents(L"Total"));
}

}  // namespace
}  // namespace flk::test
