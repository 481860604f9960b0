// Where a CSV read went wrong: every failure to parse the input, and every field that cannot be
// bound or converted, raises its error and then one warning "<document>, line L, column C
// (header): reason", the column counted in characters. A read whose columns all miss says so.
#include "csv/csv_fixture.hpp"

namespace flk::test {
namespace {

using namespace std::string_literals;   // texts with NUL bytes in them

struct PlaceCase {
    const char* title;
    const char* mapping;
    std::string text;
    const char* error;     // in the error raised first
    const char* warning;   // the warning that follows it, after "<document>, "
};

const char* const kThreeColumns = R"(<MolvoCSVMapping><CSVTableMapping>
  <CSVColumnMapping name="product" binds-to="p"/><CSVColumnMapping name="label" maps-to="Label"/>
  <CSVColumnMapping name="price" maps-to="Price"/></CSVTableMapping></MolvoCSVMapping>)";

// A row whose line begins in the first block of input and ends in the second, with two-byte
// characters across the cut and a byte that is not text after it.
std::string acrossTheFirstBlock() {
    std::string text = "product,label\na," + std::string(65510, 'x') + "\n";   // the next line begins at 65527
    text += "pear,x";
    for (int i = 0; i < 10; ++i) text += "\xC3\xA9";
    return text + "\xFF\n";
}

const PlaceCase kCases[] = {
    // The input cannot be parsed.
    {"an open quote names the field it opens", kCsvProducts, "product,label\napple,ok\npear,\"open\nstill open\n",
     "ends inside the quoted field that begins on line 3", "line 3, column 6 (label): the quoted field that begins here has no closing quote"},
    {"columns count characters, not bytes", kCsvProducts, "product,label\n\"\xC3\xA4pfel\",\"open",
     "begins on line 2", "line 2, column 9 (label): the quoted field that begins here has no closing quote"},
    {"a byte on a later line of a row with a quoted line break", kCsvProducts, "product,label\n\"a\nb\xC3\xA9\",\xFF\n",
     "invalid byte 0xFF on line 3", "line 3, column 5 (label): the byte 0xFF, which is not UTF-8 text"},
    {"a NUL byte", kCsvProducts, "product,label\napple,a\0b\n"s, "it holds a NUL byte on line 2",
     "line 2, column 8 (label): a NUL byte, which text does not hold"},
    {"a character cut by the end of the input", kCsvProducts, "product,label\r\napple,\xE2\x82",
     "invalid byte 0xE2 on line 2", "line 2, column 7 (label): the character that begins here with 0xE2 is cut short by the end of the input"},
    {"a byte at the start of a row", kCsvProducts, "product,label\napple,x\n\xFF\n", "invalid byte 0xFF on line 3",
     "line 3, column 1 (product): the byte 0xFF, which is not UTF-8 text"},
    {"a byte in the header names no column", kCsvProducts, "prod\xFFuct,label\n", "invalid byte 0xFF on line 1",
     "line 1, column 5: the byte 0xFF, which is not UTF-8 text"},
    {"a line that the input blocks cut", kCsvProducts, acrossTheFirstBlock(), "invalid byte 0xFF on line 3",
     "line 3, column 17 (label): the byte 0xFF, which is not UTF-8 text"},
    // A field cannot be converted or bound.
    {"a word in a numeric column", kCsvProducts, "product,price\napple,1\npear,cheap\n",
     "Exception occurred while reading data: Not a number. from document ", "line 3, column 6 (price): 'cheap' is not a number, which Price needs"},
    {"a field on the second line of its row", kThreeColumns, "product,label,price\n\"ap\nple\",\"x\",cheap\n", "Not a number.",
     "line 3, column 10 (price): 'cheap' is not a number, which Price needs"},
    {"doubled quotes before the field", kCsvProducts, "product,price\n\"say \"\"hi\"\"\",cheap\n", "Not a number.",
     "line 2, column 14 (price): 'cheap' is not a number, which Price needs"},
    {"a CR LF inside a quoted field is one line", kThreeColumns, "product,label,price\r\n\"a\r\nb\",x,cheap\r\n", "Not a number.",
     "line 3, column 6 (price): 'cheap' is not a number, which Price needs"},
    {"characters before the field", kThreeColumns, "product,label,price\n\xC3\x84pfel,\xC3\xBCnd,cheap\n", "Not a number.",
     "line 2, column 11 (price): 'cheap' is not a number, which Price needs"},
    {"a long field is cut in the warning", kCsvProducts, "product,price\napple," + std::string(100, '7') + "x\n", "Not a number.",
     "line 2, column 7 (price): '7777777777777777777777777777777777777777...' is not a number, which Price needs"},
    {"a number beyond the range of doubles", kCsvProducts, "product,price\napple,1e999\n", "stod argument out of range",
     "line 2, column 7 (price): '1e999' is beyond the range of numbers, which Price needs"},
    {"an integer beyond its range", kCsvProducts, "product,count\napple,99999999999\n", "stoi argument out of range",
     "line 2, column 7 (count): '99999999999' is beyond the range of integers, which Count needs"},
    {"a word in an integer column", kCsvProducts, "product,count\napple,many\n", "invalid stoi argument",
     "line 2, column 7 (count): 'many' is not an integer, which Count needs"},
    {"an element that cannot be created",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p" binds-existing="1" binds-skip-non-existing="0"/>
          <CSVColumnMapping name="price" maps-to="Price"/></CSVTableMapping></MolvoCSVMapping>)",
     "price,product\n1,apple\n2,kiwi\n", "Element kiwi could not be created for index p",
     "line 3, column 3 (product): Element kiwi could not be created for index p"},
    {"an element outside the range of an element parameter",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="id" binds-to="o"/>
          <CSVColumnMapping name="fav" maps-to="Favourite" range-existing="1" binds-skip-non-existing="0"/></CSVTableMapping></MolvoCSVMapping>)",
     "id,fav\nA1,pear\nA2,fig\n", "Element fig is not in the range of Favourite",
     "line 3, column 4 (fav): Element fig is not in the range of Favourite"},
};

class CsvPlaces : public CsvTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(CsvPlaces, TheErrorIsFollowedByTheWarningThatNamesThePlace) {
    const PlaceCase& c = GetParam();
    ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
    model().clearErrors();
    EXPECT_EQ(readCsv("m", c.text), 0);
    // The error and its place come first; what the read reports when it ends (a text cut to the
    // node's max-string-size, say) may follow.
    const auto& raised = model().errors();
    ASSERT_GE(raised.size(), 2u) << errorsJoined();
    EXPECT_EQ(raised[0].severity, 1);
    EXPECT_EQ(toUtf8(raised[0].message).rfind("ReadFromStream: ", 0), 0u) << errorsJoined();
    EXPECT_NE(toUtf8(raised[0].message).find(c.error), std::string::npos) << errorsJoined();
    EXPECT_EQ(raised[1].severity, 2);
    EXPECT_EQ(toUtf8(raised[1].message), documentName() + ", " + c.warning);
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvPlaces, ::testing::ValuesIn(kCases), CaseTitle());

// A read that meets a header but none of the columns its table claims reads nothing, and says so
// once, naming what it claims and the first columns it met; a read that matches one column, or
// meets no header at all, says nothing.
TEST_F(CsvTest, ATableThatMatchesNoColumnSaysSoOnce) {
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    ASSERT_EQ(readCsv("m", "prodcut,prcie,a,b,c,d,e\napple,1,,,,,\npear,2,,,,,\n"), 1);
    EXPECT_EQ(errorsJoined(), "Reading " + documentName() +
                                  ": none of the columns claimed (product, price, count, label) was met, so they read nothing;"
                                  " the columns met: prodcut, prcie, a, b, c, ...\n");
    EXPECT_EQ(model().errors().at(0).severity, 2);
    EXPECT_EQ(contents(L"Price"), "");
    for (const char* text : {"product,prcie\napple,1\n", "", "\n\n"}) {
        model().clearErrors();
        ASSERT_EQ(readCsv("m", text), 1) << text;
        EXPECT_EQ(errorsJoined(), "") << text;
    }
}

TEST_F(CsvTest, TheNothingReadWarningNamesAltNamesAndPatterns) {
    ASSERT_EQ(addMapping("m", R"x(<MolvoCSVMapping><CSVTableMapping>
          <CSVColumnMapping name="product" alt-name="item" binds-to="p"/>
          <CSVColumnMapping name-regex="order (.*)" name-binds-to="o" maps-to="Qty(o,p)"/></CSVTableMapping></MolvoCSVMapping>)x"),
              1);
    ASSERT_EQ(readCsv("m", "produce,Order 1\nx,1\n"), 1);
    EXPECT_EQ(errorsJoined(), "Reading " + documentName() +
                                  ": none of the columns claimed (product or item, name-regex order (.*)) was met, so they"
                                  " read nothing; the columns met: produce, Order 1\n");
}

}  // namespace
}  // namespace flk::test
