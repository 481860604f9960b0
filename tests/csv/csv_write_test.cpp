// Writing CSV tables: a table of mapping, model data and the exact text written, each read back
// through the same mapping to the same identifier contents.
#include "csv/csv_fixture.hpp"
#include "support/log_capture.hpp"

#include <limits>

namespace flk::test {
namespace {

struct WriteCase {
    const char* title;
    const char* mapping;
    std::vector<Assign> data;
    const char* written;
};

const char* const kOrderLines = R"(<MolvoCSVMapping><CSVTableMapping>
  <CSVColumnMapping name="order" binds-to="o"/><CSVColumnMapping name="product" binds-to="p"/>
  <CSVColumnMapping name="qty" maps-to="Qty"/></CSVTableMapping></MolvoCSVMapping>)";

const WriteCase kCases[] = {
    {"a header line, then a line per element", kCsvProducts,
     {{L"Price", {L"pear"}, 2.0}, {L"Price", {L"apple"}, 1.5}, {L"Count", {L"apple"}, 3.0}, {L"Label", {L"pear"}, std::wstring(L"green")}},
     "product,price,count,label\napple,1.5,3,\npear,2,,green\n"},
    {"no data writes the header alone", kCsvProducts, {}, "product,price,count,label\n"},
    {"a quote and a comma: quoted, the quote doubled", kCsvProducts,
     {{L"Label", {L"apple"}, std::wstring(L"say \"hi\", then go")}, {L"Label", {L"pear"}, std::wstring(L"\"")}},
     "product,price,count,label\napple,,,\"say \"\"hi\"\", then go\"\npear,,,\"\"\"\"\n"},
    {"line ends in a value are quoted so that it reads back", kCsvProducts,
     {{L"Label", {L"apple"}, std::wstring(L"two\nlines")}, {L"Label", {L"pear"}, std::wstring(L"cr\r\nlf")}},
     "product,price,count,label\napple,,,\"two\nlines\"\npear,,,\"cr\r\nlf\"\n"},
    {"blanks, semicolons and non-ASCII text are written as they are", kCsvProducts,
     {{L"Label", {L"apple"}, std::wstring(L" Zo\u00eb; caf\u00e9 ")}}, "product,price,count,label\napple,,, Zo\xC3\xAB; caf\xC3\xA9 \n"},
    {"numbers in the shortest form that reads back", kCsvProducts,
     {{L"Price", {L"apple"}, 0.1}, {L"Price", {L"pear"}, 1e21}, {L"Price", {L"fig"}, -2.5e-7}, {L"Count", {L"fig"}, -3.0}},
     "product,price,count,label\napple,0.1,,\npear,1e+21,,\nfig,-2.5e-07,-3,\n"},
    {"rows follow the tuples of two index columns", kOrderLines,
     {{L"Qty", {L"A2", L"apple"}, 1.0}, {L"Qty", {L"A1", L"pear"}, 2.0}, {L"Qty", {L"A1", L"apple"}, 3.0}},
     "order,product,qty\nA2,apple,1\nA1,apple,3\nA1,pear,2\n"},
    {"a row per element of the row's iterative binding", kCsvNotes,
     {{L"Note", {L"line-1"}, std::wstring(L"a")}, {L"Note", {L"line-2"}, std::wstring(L"b, c")}}, "note\na\n\"b, c\"\n"},
    {"a column per element that a pattern column binds", kCsvOrderColumns,
     {{L"Qty", {L"A1", L"apple"}, 3.0}, {L"Qty", {L"A2", L"pear"}, 1.0}},
     "product,order A1,order A2\napple,3,\npear,,1\n"},
    {"write-defaults fills a missing value with the default",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p"/>
          <CSVColumnMapping name="price" maps-to="Price" write-defaults="1"/>
          <CSVColumnMapping name="label" maps-to="Label" write-defaults="1"/>
          <CSVColumnMapping name="count" maps-to="Count"/></CSVTableMapping></MolvoCSVMapping>)",
     {{L"Count", {L"apple"}, 3.0}, {L"Price", {L"pear"}, 2.0}}, "product,price,label,count\napple,0,,3\npear,2,,\n"},
    {"write-defaults fills the columns a pattern column names",
     R"x(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p"/>
          <CSVColumnMapping name-regex=".*" name-binds-to="o" maps-to="Qty(o,p)" write-defaults="1"/>
        </CSVTableMapping></MolvoCSVMapping>)x",
     {{L"Qty", {L"A1", L"apple"}, 3.0}, {L"Qty", {L"A2", L"pear"}, 1.0}}, "product,A1,A2\napple,3,0\npear,0,1\n"},
    {"force-dense writes the default where it marks a row",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p"/>
          <CSVColumnMapping name="price" maps-to="Price" force-dense="Keep"/></CSVTableMapping></MolvoCSVMapping>)",
     {{L"Keep", {L"pear"}, 1.0}, {L"Price", {L"apple"}, 2.0}}, "product,price\napple,2\npear,0\n"},
    {"write-filter on the table leaves out rows",
     R"(<MolvoCSVMapping><CSVTableMapping write-filter="Keep"><CSVColumnMapping name="product" binds-to="p"/>
          <CSVColumnMapping name="price" maps-to="Price"/></CSVTableMapping></MolvoCSVMapping>)",
     {{L"Price", {L"apple"}, 1.0}, {L"Price", {L"pear"}, 2.0}, {L"Keep", {L"pear"}, 1.0}}, "product,price\npear,2\n"},
    {"write-filter on a column leaves out its values",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p"/>
          <CSVColumnMapping name="price" maps-to="Price" write-filter="Keep"/><CSVColumnMapping name="count" maps-to="Count"/>
        </CSVTableMapping></MolvoCSVMapping>)",
     {{L"Price", {L"apple"}, 1.0}, {L"Price", {L"pear"}, 2.0}, {L"Count", {L"apple"}, 5.0}, {L"Keep", {L"pear"}, 1.0}},
     "product,price,count\napple,,5\npear,2,\n"},
    {"constant values and element parameters",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="kind" value="order"/>
          <CSVColumnMapping name="id" binds-to="o"/><CSVColumnMapping name="fav" maps-to="Favourite"/>
        </CSVTableMapping></MolvoCSVMapping>)",
     {{L"Favourite", {L"A1"}, std::wstring(L"pear")}}, "kind,id,fav\norder,A1,pear\n"},
    {"header names with a comma or a quote are quoted",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p"/>
          <CSVColumnMapping name='price, "net"' maps-to="Price"/></CSVTableMapping></MolvoCSVMapping>)",
     {{L"Price", {L"apple"}, 1.0}}, "product,\"price, \"\"net\"\"\"\napple,1\n"},
    {"write-normalize decomposes written names",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p" write-normalize="nfd" read-normalize="nfc"/>
          <CSVColumnMapping name="price" maps-to="Price"/></CSVTableMapping></MolvoCSVMapping>)",
     {{L"Price", {L"caf\u00e9"}, 1.0}}, "product,price\ncafe\xCC\x81,1\n"},
};

const wchar_t* const kCompared[] = {L"Price", L"Count", L"Label", L"Qty", L"Note", L"Favourite"};

class CsvWrite : public CsvTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(CsvWrite, WritesTheTextAndReadsItBack) {
    const WriteCase& c = GetParam();
    assignAll(c.data);
    ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
    std::vector<std::string> before;
    for (const wchar_t* id : kCompared) before.push_back(contents(id));
    EXPECT_EQ(writeCsv("m"), c.written) << errorsJoined();
    ASSERT_EQ(ReadFromFile(path("out.csv").c_str(), L"m", 1, 0, 1), 1) << errorsJoined();
    for (size_t k = 0; k < std::size(kCompared); ++k) {
        std::string expected = before[k];
        // What a filter left out is not read back.
        if (std::string(c.title).find("write-filter") != std::string::npos && k < 2) continue;
        EXPECT_EQ(contents(kCompared[k]), expected) << toUtf8(kCompared[k]);
    }
    EXPECT_EQ(errorsJoined(), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvWrite, ::testing::ValuesIn(kCases), CaseTitle());

// A row of one empty field is written as "", so that it reads back as a row: a line without any
// byte holds none, and rows numbered by an iterative binding would shift.
TEST_F(CsvTest, ARowOfOneEmptyFieldIsWrittenQuotedAndReadsBack) {
    model().declareParameter(L"Mark", molvo::ParameterDeclaration{{L"l"}, molvo::Storage::Numeric, 0.0, L""});
    ASSERT_EQ(addMapping("m", R"(<MolvoCSVMapping><CSVTableMapping iterative-binds-to="l" iterative-prefix="n">
          <CSVColumnMapping name="note" maps-to="Note" force-dense="Mark"/></CSVTableMapping></MolvoCSVMapping>)"), 1);
    for (const wchar_t* line : {L"n1", L"n2", L"n3"}) {
        model().assign(L"Lines", {line}, 1.0);
        model().assign(L"Mark", {line}, 1.0);
    }
    model().assign(L"Note", {L"n1"}, std::wstring(L"a"));
    model().assign(L"Note", {L"n3"}, std::wstring(L"c"));
    EXPECT_EQ(writeCsv("m"), "note\na\n\"\"\nc\n");
    ASSERT_EQ(ReadFromFile(path("out.csv").c_str(), L"m", 1, 0, 1), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Note"), "n1=a n3=c");
    EXPECT_EQ(contents(L"Mark"), "n1=1 n2=1 n3=1");
}

// No text stands for NaN or an infinity that a numeric column reads back: such values are left
// empty, as missing ones are, and each identifier is named once per write.
TEST_F(CsvTest, NumbersWithoutATextAreLeftEmptyAndReported) {
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    model().assign(L"Price", {L"apple"}, std::numeric_limits<double>::quiet_NaN());
    model().assign(L"Price", {L"pear"}, -std::numeric_limits<double>::infinity());
    model().assign(L"Count", {L"pear"}, 2.0);
    LogCapture log(dir_ / "flk.log");
    EXPECT_EQ(writeCsv("m"), "product,price,count,label\napple,,,\npear,,2,\n");
    std::string warning = "Writing " + toUtf8(path("out.csv")) +
                          ": 2 values of Price that the document cannot hold (NaN or infinite numbers) were written as null\n";
    EXPECT_EQ(errorsJoined(), warning);
    EXPECT_EQ(log.text(), "WARN - " + warning);
}

TEST_F(CsvTest, WritingToAStreamThatExistsFails) {
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    ASSERT_EQ(WriteToFile(L"#t", L"m", 0), 1);
    EXPECT_EQ(WriteToFile(L"#t", L"m", 0), 0);
    EXPECT_EQ(errorsJoined(), "WriteToFile: Stream #t already exists\n");
}

// Many rows go out through the writer's pieces in order, and read back whole.
TEST_F(CsvTest, ALargeTableRoundTrips) {
    constexpr int kRows = 20000;
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    for (int i = 0; i < kRows; ++i) {
        std::wstring product = L"product-" + std::to_wstring(i);
        model().assign(L"Products", {product}, 1.0);
        model().assign(L"Price", {product}, i * 0.25);
        model().assign(L"Label", {product}, L"text, with \"quotes\"\nand a line " + std::to_wstring(i));
    }
    std::string before = contents(L"Price") + contents(L"Label");
    std::string written = writeCsv("m");
    EXPECT_GT(written.size(), size_t(20) * kRows);
    ASSERT_EQ(ReadFromFile(path("out.csv").c_str(), L"m", 1, 0, 0), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Price") + contents(L"Label"), before);
}

// A CSV table carried as the text of a JSON value: written by its own mapping, read back through it.
TEST_F(CsvTest, ACsvTableEmbeddedInAJsonDocumentRoundTrips) {
    ASSERT_EQ(addMapping("table", kCsvProducts), 1);
    ASSERT_EQ(addMapping("outer", R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name="prices" embedded-mapping="table"/></ObjectMapping></MolvoJSONMapping>)"), 1);
    model().assign(L"Price", {L"apple"}, 1.5);
    model().assign(L"Label", {L"pear"}, std::wstring(L"a, \"b\""));
    std::wstring out = path("out.json");
    ASSERT_EQ(WriteToFile(out.c_str(), L"outer", 0), 1) << errorsJoined();
    EXPECT_EQ(read(out), R"({"prices":"product,price,count,label\napple,1.5,,\npear,,,\"a, \"\"b\"\"\"\n"})");
    ASSERT_EQ(ReadFromFile(out.c_str(), L"outer", 1, 0, 0), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Price") + " | " + contents(L"Label"), "apple=1.5 | pear=a, \"b\"");
}

}  // namespace
}  // namespace flk::test
