// Where a Parquet read went wrong: a file that cannot be read, and a cell that cannot be converted
// or bound, raise their error and then one warning "<document>, row group G, column NAME, row R:
// reason", all counted from 1, the row over the file. A read that matches no column says so.
#include "parquet/parquet_fixture.hpp"

namespace flk::test {
namespace {

std::string table(const std::string& columns) { return "<MolvoParquetMapping><ParquetMapping>" + columns + "</ParquetMapping></MolvoParquetMapping>"; }
std::string byId(const std::string& columns) { return table(R"(<ColumnMapping name="id" binds-to="o"/>)" + columns); }

// orders.parquet broken in one place: its footer, or the first bytes of the first column's data.
std::string broken(const std::string& name, std::string bytes) {
    if (name == "magic") return "PAR2" + bytes.substr(4);
    if (name == "truncated") return bytes.substr(0, bytes.size() / 2);
    for (size_t at = 4; at < 24; ++at) bytes[at] = '\xff';
    return bytes;
}

struct PlaceCase {
    const char* title;
    std::string mapping;
    std::string file;      // a DuckDB table, or "@name" for one of broken()
    const char* error;     // in the error raised first
    const char* warning;   // the start of the warning that follows it, after "<document>, "
};

const PlaceCase kCases[] = {
    // The file cannot be read.
    {"a file without the magic bytes", byId(""), "@magic", "magic bytes PAR1",
     "footer: not a Parquet file: the magic bytes PAR1 are missing at its start or end"},
    {"a truncated file", byId(""), "@truncated", "broken.parquet: ", "footer: "},
    {"a column's data that cannot be read names its row group and column", byId(""), "@data", "broken.parquet: ", "row group 1, column id: "},
    // A cell cannot be converted or bound.
    {"a text that is not a number", byId(R"(<ColumnMapping name="text" maps-to="Total"/>)"), "orders",
     "Exception occurred while reading data: invalid stod argument from document",
     "row group 2, column text, row 4: the cell holds the text 'abc', which is not a number, for the identifier Total"},
    {"an integer beyond the identifier's range", byId(R"(<ColumnMapping name="items" maps-to="Items"/>)"), "wrapping",
     "Row 3 of column items holds 2147483648", "row group 2, column items, row 3: the cell holds 2147483648, beyond the range of the integer identifier Items"},
    {"an element outside the range of an element parameter", byId(R"(<ColumnMapping name="day" maps-to="OrderDay" binds-skip-non-existing="0"/>)"),
     "orders", "Element 2023-06-01 is not in the range of OrderDay",
     "row group 2, column day, row 4: Element 2023-06-01 is not in the range of OrderDay"},
    {"an element that cannot be created",
     table(R"x(<ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" binds-to="f" binds-existing="1" binds-skip-non-existing="0"/>
               <ColumnMapping name="qty" maps-to="Qty(o,f)"/>)x"),
     "lines", "Element pear could not be created for index f", "row group 1, column product, row 2: Element pear could not be created for index f"},
    {"a row that its binding cannot number names the row",
     "<MolvoParquetMapping><RowMapping iterative-binds-to=\"l\" iterative-existing=\"1\"><ColumnMapping name=\"product\" maps-to=\"Note\"/>"
     "</RowMapping></MolvoParquetMapping>",
     "lines", "No existing element found with ordinal 1 for index l", "row group 1, row 1: No existing element found with ordinal 1 for index l"},
};

class ParquetPlaces : public ParquetTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(ParquetPlaces, TheErrorIsFollowedByTheWarningThatNamesThePlace) {
    const PlaceCase& c = GetParam();
    ASSERT_EQ(1, addMapping("m", c.mapping)) << errorsJoined();
    std::wstring source = duckDbFile(c.file);
    if (c.file[0] == '@') source = file("broken.parquet", broken(c.file.substr(1), read(duckDbFile("orders"))));
    EXPECT_EQ(0, readTable("m", source));
    const auto& raised = model().errors();
    ASSERT_EQ(2u, raised.size()) << errorsJoined();
    EXPECT_EQ(1, raised[0].severity);
    EXPECT_NE(std::string::npos, toUtf8(raised[0].message).find(c.error)) << errorsJoined();
    EXPECT_EQ(2, raised[1].severity);
    EXPECT_EQ(0u, toUtf8(raised[1].message).rfind(toUtf8(source) + ", " + c.warning, 0)) << errorsJoined();
}

INSTANTIATE_TEST_SUITE_P(Cases, ParquetPlaces, ::testing::ValuesIn(kCases), CaseTitle());

TEST_F(ParquetTest, ATableThatMatchesNoColumnSaysSoOnce) {
    ASSERT_EQ(1, addMapping("m", table(R"(<ColumnMapping name="ids" binds-to="o"/><ColumnMapping name="totals" maps-to="Total"/>)")));
    ASSERT_EQ(1, readTable("m", duckDbFile("orders")));
    EXPECT_EQ("Reading " + toUtf8(duckDbFile("orders")) +
                  ": none of the columns claimed (ids, totals) was met, so they read nothing; the columns met: id, customer, total, items, big, ...\n",
              errorsJoined());
    model().clearErrors();
    ASSERT_EQ(1, readTable("m", duckDbFile("empty")));
    EXPECT_EQ("Reading " + toUtf8(duckDbFile("empty")) + ": none of the columns claimed (ids, totals) was met, so they read nothing; the columns met: id, total\n",
              errorsJoined());
}

}  // namespace
}  // namespace flk::test
