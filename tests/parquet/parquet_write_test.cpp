// Writing Parquet files: one table of mapping, model values and what DuckDB reads from the file
// written (column names and types, then the rows).
#include "parquet/parquet_fixture.hpp"

#include <filesystem>

namespace flk::test {
namespace {

struct WriteCase {
    const char* title;
    std::string mapping;
    std::vector<Assign> data;
    const char* duckdb;   // what DuckDB reads from the file, or "" when the write fails
    const char* error = "";
};

std::string table(const std::string& columns) {
    return "<MolvoParquetMapping><ParquetMapping>" + columns + "</ParquetMapping></MolvoParquetMapping>";
}

const std::vector<Assign> kOrders{{L"Customer", {L"A1"}, std::wstring(L"Zoë")},
                                  {L"Total", {L"A1"}, 12.5},
                                  {L"Total", {L"A2"}, -2.0},
                                  {L"Favourite", {L"A2"}, std::wstring(L"pear")}};
const std::vector<Assign> kQty{{L"Qty", {L"A1", L"apple"}, 3.0}, {L"Qty", {L"A1", L"pear"}, 2.0}, {L"Qty", {L"A2", L"pear"}, -7.0}};

const WriteCase kCases[] = {
    {"columns take the type of their target and missing values are nulls",
     table(R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="customer" maps-to="Customer"/>
              <ColumnMapping name="total" maps-to="Total"/><ColumnMapping name="favourite" maps-to="Favourite"/>)"),
     kOrders,
     "id VARCHAR, customer VARCHAR, total DOUBLE, favourite VARCHAR\n"
     "A1, Zoë, 12.5, NULL\n"
     "A2, NULL, -2.0, pear"},
    {"integer storage gives integer columns, one row per tuple",
     table(R"(<ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" binds-to="p"/>
              <ColumnMapping name="qty" maps-to="Qty"/>)"),
     kQty,
     "order VARCHAR, product VARCHAR, qty INTEGER\n"
     "A1, apple, 3\n"
     "A1, pear, 2\n"
     "A2, pear, -7"},
    {"a column of fewer indices than the row takes its value at each row's element, the others are left out",
     table(R"x(<ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" binds-to="p"/>
               <ColumnMapping name="qty" maps-to="Qty"/><ColumnMapping name="total" maps-to="Total(o)"/>)x"),
     {{L"Total", {L"A1"}, 12.5}, {L"Total", {L"A2"}, -2.0}, {L"Total", {L"A3"}, 7.0},
      {L"Qty", {L"A1", L"apple"}, 3.0}, {L"Qty", {L"A3", L"pear"}, 5.0}},
     "order VARCHAR, product VARCHAR, qty INTEGER, total DOUBLE\n"
     "A1, apple, 3, 12.5\n"
     "A3, pear, 5, 7.0"},
    {"write-defaults fills missing values with the default",
     table(R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="customer" maps-to="Customer" write-defaults="1"/>
              <ColumnMapping name="total" maps-to="Total" write-defaults="1"/>)"),
     kOrders,
     "id VARCHAR, customer VARCHAR, total DOUBLE\n"
     "A1, Zoë, 12.5\n"
     "A2, , -2.0"},
    {"a pattern column writes one column per element of its index",
     table(R"x(<ColumnMapping name="product" binds-to="p"/>
               <ColumnMapping name-regex="A[0-9]" name-binds-to="o" maps-to="Qty(o,p)"/>)x"),
     kQty,
     "product VARCHAR, A1 INTEGER, A2 INTEGER\n"
     "apple, 3, NULL\n"
     "pear, 2, -7"},
    {"a constant value is a string column",
     table(R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="source" value="shop"/>
              <ColumnMapping name="total" maps-to="Total"/>)"),
     kOrders,
     "id VARCHAR, source VARCHAR, total DOUBLE\n"
     "A1, shop, 12.5\n"
     "A2, shop, -2.0"},
    {"a write-filter on the rows leaves rows out and the rows after them keep their own values",
     R"(<MolvoParquetMapping><ParquetMapping write-filter="Keep"><ColumnMapping name="product" binds-to="p"/>
          <ColumnMapping name="price" maps-to="Price"/><ColumnMapping name="keep" maps-to="Keep"/></ParquetMapping></MolvoParquetMapping>)",
     {{L"Price", {L"apple"}, 1.5}, {L"Price", {L"pear"}, 2.5}, {L"Price", {L"plum"}, 4.0},
      {L"Keep", {L"apple"}, 1.0}, {L"Keep", {L"plum"}, 2.0}},
     "product VARCHAR, price DOUBLE, keep DOUBLE\n"
     "apple, 1.5, 1.0\n"
     "plum, 4.0, 2.0"},
    {"force-dense writes a row for every value it names, with the default where the column has none",
     table(R"(<ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price" force-dense="Keep"/>)"),
     {{L"Price", {L"apple"}, 1.5}, {L"Keep", {L"pear"}, 1.0}, {L"Price", {L"plum"}, 4.0}, {L"Keep", {L"plum"}, 1.0}},
     "product VARCHAR, price DOUBLE\n"
     "apple, 1.5\n"
     "pear, 0.0\n"
     "plum, 4.0"},
    {"a model without data writes the columns without rows",
     table(R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="total" maps-to="Total"/>)"), {},
     "id VARCHAR, total DOUBLE"},
    {"a column without a storage type fails the write",
     table(R"(<ColumnMapping name="id" binds-to="o"/><ColumnMapping name="nothing"/><ColumnMapping name="total" maps-to="Total"/>)"),
     kOrders, "", "Invalid storage type for column nothing"},
};

class ParquetWrite : public ParquetTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ParquetWrite, DuckDbReadsTheValuesWithTheirTypes) {
    const WriteCase& c = GetParam();
    ASSERT_EQ(1, addMapping("m", c.mapping)) << errorsJoined();
    assignAll(c.data);
    std::wstring out = path("out.parquet");
    int result = writeTable("m", out);
    EXPECT_NE(std::string::npos, errorsJoined().find(c.error)) << errorsJoined();
    if (*c.duckdb == '\0') {
        EXPECT_EQ(0, result);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(out))) << "a failed write leaves no file";
        return;
    }
    ASSERT_EQ(1, result) << errorsJoined();
    EXPECT_EQ(c.duckdb, duckDbView(out));
}

INSTANTIATE_TEST_SUITE_P(Cases, ParquetWrite, ::testing::ValuesIn(kCases), CaseTitle());

const char* const kOrdersMapping = R"(<MolvoParquetMapping><ParquetMapping>
  <ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" binds-to="p"/><ColumnMapping name="qty" maps-to="Qty"/>
</ParquetMapping></MolvoParquetMapping>)";

TEST_F(ParquetTest, WhatAMappingWritesItReadsBack) {
    ASSERT_EQ(1, addMapping("m", kOrdersMapping));
    assignAll(kQty);
    std::wstring out = path("out.parquet");
    ASSERT_EQ(1, writeTable("m", out)) << errorsJoined();
    std::string before = contents(L"Qty");
    ASSERT_EQ(1, readTable("m", out)) << errorsJoined();   // empties Qty first
    EXPECT_EQ(before, contents(L"Qty"));
}

// A table of more rows than a part holds goes to the file a part at a time: DuckDB finds every
// row, in row groups of the usual size, and the mapping reads them all back.
TEST_F(ParquetTest, ManyRowsAreWrittenAPartAtATime) {
    constexpr int kRows = 250001;
    int orders = 0, items = 0;
    ASSERT_EQ(1, MolvoIdentifierHandleCreateW(L"o", nullptr, nullptr, 0, &orders));
    ASSERT_EQ(1, MolvoIdentifierHandleCreateW(L"Items", nullptr, nullptr, 0, &items));
    for (int r = 1; r <= kRows; ++r) {
        int element = 0, created = 0;
        ASSERT_EQ(1, MolvoSetElementNumberW(orders, (L"A" + std::to_wstring(r)).c_str(), 1, &element, &created));
        MolvoValueW v{0, r % 1000 + 1, 0, nullptr};
        ASSERT_EQ(1, MolvoValueAssignW(items, &element, &v));
    }
    const char* mapping = R"(<MolvoParquetMapping><ParquetMapping>
      <ColumnMapping name="order" binds-to="o"/><ColumnMapping name="items" maps-to="Items"/></ParquetMapping></MolvoParquetMapping>)";
    ASSERT_EQ(1, addMapping("m", mapping));
    std::wstring out = path("out.parquet");
    ASSERT_EQ(1, writeTable("m", out)) << errorsJoined();
    const std::string file = toUtf8(out);
    auto totals = tablix::test::oracleQuery("SELECT count(*), count(DISTINCT \"order\"), sum(items), max(\"order\") FROM read_parquet('" +
                                            file + "')");
    ASSERT_EQ(1u, totals.size());
    EXPECT_EQ((std::vector<std::optional<std::string>>{"250001", "250001", "125125002", "A99999"}), totals[0]);
    auto groups = tablix::test::oracleQuery("SELECT count(DISTINCT row_group_id) FROM parquet_metadata('" + file + "')");
    EXPECT_EQ("3", groups.at(0).at(0).value_or(""));
    const std::string before = contents(L"Items");
    ASSERT_EQ(1, readTable("m", out)) << errorsJoined();
    EXPECT_EQ(before, contents(L"Items"));
}

// Parquet documents live in files only: "#" begins a file name, and no memory stream is made.
TEST_F(ParquetTest, HashNameIsAFileName) {
    ASSERT_EQ(1, addMapping("m", kOrdersMapping));
    assignAll(kQty);
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    int written = writeTable("m", L"#orders.parquet");
    bool isFile = std::filesystem::is_regular_file("#orders.parquet");
    int read = readTable("m", L"#orders.parquet");
    std::filesystem::current_path(before);
    EXPECT_EQ(1, written) << errorsJoined();
    EXPECT_TRUE(isFile);
    EXPECT_EQ(1, read) << errorsJoined();
    EXPECT_EQ("A1,apple=3 A1,pear=2 A2,pear=-7", contents(L"Qty"));
    EXPECT_EQ(0, DeleteStream("#orders.parquet")) << "no stream of that name was made";
}

}  // namespace
}  // namespace flk::test
