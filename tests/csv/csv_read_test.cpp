// Reading CSV tables: one table of mapping, text and the identifier contents it gives, then the
// cases that need more than one read or a generated input.
#include "csv/csv_fixture.hpp"
#include "support/log_capture.hpp"

#include <sys/resource.h>

namespace flk::test {
namespace {

using namespace std::string_literals;   // texts with NUL bytes in them

struct ReadCase {
    const char* title;
    const char* mapping;
    std::string text;
    int result;
    std::vector<std::pair<const wchar_t*, const char*>> expected;   // identifier, contents
    const char* error = "";   // expected in the raised errors, after "ReadFromStream: "
};

const char* const kStrictProducts = R"(<MolvoCSVMapping><CSVTableMapping>
  <CSVColumnMapping name="product" binds-to="p" binds-existing="1" binds-skip-non-existing="0"/>
  <CSVColumnMapping name="price" maps-to="Price"/></CSVTableMapping></MolvoCSVMapping>)";

const ReadCase kCases[] = {
    // The delimiter and the header row.
    {"a comma table", kCsvProducts, "product,price,count,label\napple,1.5,3,red\npear,2,4,green\n", 1,
     {{L"Price", "apple=1.5 pear=2"}, {L"Count", "apple=3 pear=4"}, {L"Label", "apple=red pear=green"}}},
    {"semicolons between three names and three fields", kCsvProducts, "product;price;label\napple;1.5;red\npear;2;x\n", 1,
     {{L"Price", "apple=1.5 pear=2"}, {L"Label", "apple=red pear=x"}}},
    {"commas inside semicolon rows: the higher score wins", kCsvProducts,
     "product;label\napple;red, ripe\npear;green, hard\n", 1, {{L"Label", "apple=red, ripe pear=green, hard"}}},
    {"on equal scores the comma wins",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p"/>
          <CSVColumnMapping name="label;note" maps-to="Label"/></CSVTableMapping></MolvoCSVMapping>)",
     "product,label;note\napple,a;b\n", 1, {{L"Label", "apple=a;b"}}},
    {"a tab table", kCsvProducts, "product\tprice\napple\t1\n", 1, {{L"Price", "apple=1"}}},
    {"a pipe table", kCsvProducts, "product|price\napple|1\n", 1, {{L"Price", "apple=1"}}},
    {"a title line before the header", kCsvProducts,
     "Price list 2024\nproduct,price,count,label\napple,1.5,3,red\npear,2,4,green\n", 1,
     {{L"Price", "apple=1.5 pear=2"}, {L"Label", "apple=red pear=green"}}},
    {"columns in any order, index columns first, others ignored", kCsvProducts,
     "price,extra,product\n1.5,x,apple\n2,y,pear\n", 1, {{L"Price", "apple=1.5 pear=2"}}},
    {"alt-name is a second header text",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p"/>
          <CSVColumnMapping name="price" alt-name="cost" maps-to="Price"/></CSVTableMapping></MolvoCSVMapping>)",
     "product,cost\napple,1\n", 1, {{L"Price", "apple=1"}}},
    {"a header byte-order mark is skipped", kCsvProducts, "\xEF\xBB\xBFproduct,price\napple,1\n", 1, {{L"Price", "apple=1"}}},
    // Quoting and line ends.
    {"a quoted comma and line break are one field", kCsvProducts,
     "product,label\napple,\"red, ripe\nand sweet\"\npear,\"say \"\"hi\"\"\"\n", 1,
     {{L"Label", "apple=red, ripe\nand sweet pear=say \"hi\""}}},
    {"quoted header names and numbers", kCsvProducts, "\"product\",\"price\"\n\"apple\",\"1.5\"\n", 1,
     {{L"Price", "apple=1.5"}}},
    {"text after a closing quote belongs to the field", kCsvProducts, "product,label\napple,\"a,b\"c\n", 1,
     {{L"Label", "apple=a,bc"}}},
    {"a quote inside an unquoted field is text", kCsvProducts, "product,label\napple,5\" pipe\n", 1,
     {{L"Label", "apple=5\" pipe"}}},
    {"fields are not trimmed", kCsvProducts, "product,label\napple, red \n", 1, {{L"Label", "apple= red "}}},
    {"CR LF, CR and LF all end rows", kCsvProducts, "product,price\r\napple,1\rpear,2\nfig,3\r\n", 1,
     {{L"Price", "apple=1 pear=2 fig=3"}}},
    {"a last row without a line end is read", kCsvProducts, "product,price\napple,1", 1, {{L"Price", "apple=1"}}},
    {"lines without any byte hold no rows", kCsvProducts, "\nproduct,price\n\napple,1\n\n\n", 1, {{L"Price", "apple=1"}}},
    {"an empty last field after a delimiter", kCsvProducts, "product,label,price\napple,,1\npear,x,\n", 1,
     {{L"Price", "apple=1"}, {L"Label", "pear=x"}}},
    // Rows of another width, and empty input.
    {"a row with one field too many is skipped and the rows after it read", kCsvProducts,
     "product,price\napple,1,x\npear,2\n", 1, {{L"Price", "pear=2"}},
     ": 1 rows with another number of fields than the 2 of the header were skipped; the first on line 2"},
    {"a row with a field too few is skipped", kCsvProducts, "product,price\napple\npear,2\n", 1, {{L"Price", "pear=2"}},
     ": 1 rows with another number of fields than the 2 of the header were skipped; the first on line 2"},
    {"empty input reads no rows", kCsvProducts, "", 1, {{L"Price", ""}}},
    {"a byte-order mark alone reads no rows", kCsvProducts, "\xEF\xBB\xBF", 1, {{L"Price", ""}}},
    {"a header alone reads no rows", kCsvProducts, "product,price\n", 1, {{L"Price", ""}}},
    // Numbers.
    {"numbers with blanks, a sign, a fraction or an exponent", kCsvProducts,
     "product,price\napple, -1.5e2 \npear,.5\nfig,3.\nkiwi,2E-1\nlime,7e+0\n", 1,
     {{L"Price", "apple=-150 pear=0.5 fig=3 kiwi=0.2 lime=7"}}},
    {"an empty numeric or integer field is a missing value", kCsvProducts, "product,price,count\napple,,\npear,2,3\n", 1,
     {{L"Price", "pear=2"}, {L"Count", "pear=3"}}},
    {"a word in a numeric column is not a number", kCsvProducts, "product,price\napple,1\npear,cheap\n", 0, {},
     "Exception occurred while reading data: Not a number. from document "},
    {"a leading plus is not a number", kCsvProducts, "product,price\napple,+1\n", 0, {}, "Not a number."},
    {"a decimal comma is not a number", kCsvProducts, "product;price\napple;1,5\n", 0, {}, "Not a number."},
    {"blanks alone are not a number", kCsvProducts, "product,price\napple,  \n", 0, {}, "Not a number."},
    {"hexadecimal is not a number", kCsvProducts, "product,price\napple,0x10\n", 0, {}, "Not a number."},
    {"nan is not a number", kCsvProducts, "product,price\napple,nan\n", 0, {}, "Not a number."},
    {"an exponent without digits is not a number", kCsvProducts, "product,price\napple,1e\n", 0, {}, "Not a number."},
    {"a number beyond the range of doubles", kCsvProducts, "product,price\napple,1e999\n", 0, {},
     "Exception occurred while reading data: stod argument out of range from document "},
    {"integer columns take what starts with an integer", kCsvProducts, "product,count\napple,12\npear,7.9\n", 1,
     {{L"Count", "apple=12 pear=7"}}},
    {"a word in an integer column fails", kCsvProducts, "product,count\napple,many\n", 0, {}, "invalid stoi argument"},
    // Bindings.
    {"the row's iterative binding numbers the rows", kCsvNotes, "note\na\nb\n", 1, {{L"Note", "line-1=a line-2=b"}}},
    {"name-regex columns bind the element their header names", kCsvOrderColumns,
     "product,order A1,order A2,other\napple,3,4,x\npear,,1,y\n", 1, {{L"Qty", "A1,apple=3 A2,apple=4 A2,pear=1"}}},
    {"a header equal to a column's name wins over a pattern",
     R"x(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p"/>
          <CSVColumnMapping name-regex=".*" name-binds-to="o" maps-to="Qty(o,p)"/></CSVTableMapping></MolvoCSVMapping>)x",
     "product,A1\napple,3\n", 1, {{L"Qty", "A1,apple=3"}}},
    {"name-regex-from matches the set's names",
     R"x(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="o" binds-to="o"/>
          <CSVColumnMapping name-regex-from="Fruit" name-binds-to="p" maps-to="Qty(o,p)"/></CSVTableMapping></MolvoCSVMapping>)x",
     "o,apple,pear\nA1,1,2\n", 1, {{L"Qty", "A1,apple=1"}}},
    {"a row skipped by its element lookup skips that row only",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p" binds-existing="1"/>
          <CSVColumnMapping name="price" maps-to="Price"/></CSVTableMapping></MolvoCSVMapping>)",
     "product,price\nkiwi,1\napple,2\n,3\npear,4\n", 1, {{L"Price", "apple=2 pear=4"}}},
    {"binds-skip-non-existing 0 names the element", kStrictProducts, "product,price\nkiwi,1\n", 0, {{L"Price", ""}},
     "Element kiwi could not be created for index p"},
    {"element parameters take element names",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="id" binds-to="o"/>
          <CSVColumnMapping name="fav" maps-to="Favourite"/></CSVTableMapping></MolvoCSVMapping>)",
     "id,fav\nA1,pear\nA2,fig\n", 1, {{L"Favourite", "A1=pear A2=fig"}}},
    {"force-dense marks every row met, with or without a value",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p"/>
          <CSVColumnMapping name="price" maps-to="Price" force-dense="Keep"/></CSVTableMapping></MolvoCSVMapping>)",
     "product,price\napple,\npear,2\n", 1, {{L"Keep", "apple=1 pear=1"}, {L"Price", "pear=2"}}},
    {"read-normalize composes names",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p" read-normalize="nfc"/>
          <CSVColumnMapping name="price" maps-to="Price"/></CSVTableMapping></MolvoCSVMapping>)",
     "product,price\ncafe\xCC\x81,1\n", 1, {{L"Price", "caf\xC3\xA9=1"}}},
    {"a namespace qualifies names unless they begin with ::",
     R"(<MolvoCSVMapping molvo-namespace="shop"><CSVTableMapping>
          <CSVColumnMapping name="product" binds-to="::p"/><CSVColumnMapping name="price" maps-to="::Price"/>
        </CSVTableMapping></MolvoCSVMapping>)",
     "product,price\napple,1\n", 1, {{L"Price", "apple=1"}}},
    // Input that is not a table of text.
    {"an unterminated quote at the end is reported", kCsvProducts, "product,label\napple,ok\npear,\"open\nstill open\n", 0,
     {}, "ends inside the quoted field that begins on line 3: its closing quote is missing"},
    {"invalid UTF-8 names the byte and its line", kCsvProducts, "product,label\napple,ok\npear,\xFF\n", 0,
     {{L"Label", ""}}, "is not UTF-8 text: invalid byte 0xFF on line 3"},
    {"an encoded surrogate is not UTF-8", kCsvProducts, "product,label\napple,\xED\xA0\x80\n", 0, {},
     "is not UTF-8 text: invalid byte 0xA0 on line 2"},
    {"an overlong encoding is not UTF-8", kCsvProducts, "product,label\napple,\xC0\xAF\n", 0, {},
     "is not UTF-8 text: invalid byte 0xC0 on line 2"},
    {"a character cut by the end of the input", kCsvProducts, "product,label\r\napple,\xE2\x82", 0, {},
     "is not UTF-8 text: invalid byte 0xE2 on line 2"},
    {"a NUL byte is not text", kCsvProducts, "product,label\napple,a\0b\n"s, 0, {}, "is not text: it holds a NUL byte on line 2"},
    {"bytes of a binary file are not text", kCsvProducts, "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s, 0, {},
     "is not UTF-8 text: invalid byte 0x89 on line 1"},
};

class CsvRead : public CsvTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(CsvRead, GivesTheIdentifierContents) {
    const ReadCase& c = GetParam();
    ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
    model().clearErrors();
    EXPECT_EQ(readCsv("m", c.text, 0, 1), c.result) << errorsJoined();
    for (const auto& [identifier, expected] : c.expected) EXPECT_EQ(contents(identifier), expected) << toUtf8(identifier);
    if (*c.error) {
        // Errors carry the export's name; the warnings of a read that succeeds are raised as they are.
        std::string raised = errorsJoined();
        if (c.result == 0) {
            EXPECT_EQ(raised.rfind("ReadFromStream: ", 0), 0u) << raised;
        }
        EXPECT_NE(raised.find(c.error), std::string::npos) << raised;
    } else {
        EXPECT_EQ(errorsJoined(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvRead, ::testing::ValuesIn(kCases), CaseTitle());

// The parse errors name the document, and a warning that follows names the place; the
// line-length message is the one modellers know.
TEST_F(CsvTest, ParseErrorsNameTheDocument) {
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    EXPECT_EQ(readCsv("m", "product,label\napple,\"open"), 0);
    EXPECT_EQ(errorsJoined(), "ReadFromStream: CSV stream " + documentName() +
                                  " ends inside the quoted field that begins on line 2: its closing quote is missing\n" + documentName() +
                                  ", line 2, column 7 (label): the quoted field that begins here has no closing quote\n");
}

// A line of 65535 bytes is read, one of 65536 fails, whether a line end follows or not; a line
// end inside quotes ends a line as well.
TEST_F(CsvTest, LinesOf65536BytesOrMoreFail) {
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    const std::string fail = "ReadFromStream: CSV stream " + documentName() + " contains lines >= 65536 characters\n" + documentName() +
                             ", line 2, column 1: the line reaches 65536 bytes, beyond the longest a line may be\n";
    auto line = [](size_t bytes) { return "apple," + std::string(bytes - 6, 'x'); };
    struct Case {
        std::string text;
        size_t rows;   // read; 0 when the read fails
    } cases[] = {
        {"product,label\n" + line(65535) + "\npear,y\n", 2},
        {"product,label\n" + line(65536) + "\npear,y\n", 0},
        {"product,label\n" + line(65535), 1},
        {"product,label\n" + line(65536), 0},
        {"product,label\r\n" + line(65535) + "\r\npear,y\r\n", 2},
        {"product,label\napple,\"" + std::string(65520, 'x') + "\n" + std::string(65520, 'x') + "\"\n", 1},
        {"product,label\napple,\"" + std::string(65529, 'x') + "\n\"\n", 0},
    };
    for (const Case& c : cases) {
        model().empty(L"Label");
        model().clearErrors();
        EXPECT_EQ(readCsv("m", c.text), c.rows ? 1 : 0) << c.text.size();
        if (c.rows) {   // the long field read is cut to the label's strings, and the host hears of it
            ASSERT_EQ(model().errors().size(), 1u) << errorsJoined();
            EXPECT_NE(errorsJoined().find(": 1 strings for Label were cut to the max-string-size 1024 of node 'label'"),
                      std::string::npos) << errorsJoined();
        } else {
            EXPECT_EQ(errorsJoined(), fail) << c.text.size();
        }
        EXPECT_EQ(model().card(L"Label"), c.rows) << c.text.size();
    }
}

// Blocks of input are cut wherever the bytes fall: a quoted field with line ends and doubled
// quotes, a CR LF, a delimiter or a multi-byte character is read the same across every cut.
TEST_F(CsvTest, RowsReadTheSameWhereverTheInputBlocksAreCut) {
    ASSERT_EQ(addMapping("m", kCsvNotes), 1);
    const std::string note = "a \"\"quoted\"\"\r\nnote, \xC3\xA9t\xC3\xA9";   // as written in the file
    const std::string value = "a \"quoted\"\r\nnote, \xC3\xA9t\xC3\xA9";      // as read
    for (size_t shift = 0; shift < 40; ++shift) {
        // The note's opening quote lies 35 bytes before the first cut, then one byte later each time.
        std::string text = "note\r\n" + std::string(40000, 'y') + "\r\n" + std::string(25491 + shift, 'y') + "\r\n";
        text += "\"" + note + "\"\r\nlast\r\n";
        model().empty(L"Note");
        ASSERT_EQ(readCsv("m", text, 0, 1), 1) << shift << errorsJoined();
        EXPECT_EQ(std::get<std::wstring>(model().get(L"Note", {L"line-3"})), fromUtf8(value)) << shift;
        EXPECT_EQ(std::get<std::wstring>(model().get(L"Note", {L"line-4"})), L"last") << shift;
    }
}

// A row that quoted line ends spread over many lines is held whole until it ends, up to a limit.
TEST_F(CsvTest, ARowOverTheSizeLimitFailsNamingItsLine) {
    ASSERT_EQ(addMapping("m", kCsvNotes), 1);
    std::string lines;
    for (int i = 0; i < 90000; ++i) lines += std::string(99, 'z') + "\n";   // 9 MB in one quoted field
    EXPECT_EQ(readCsv("m", "note\nfirst\n\"" + lines + "\"\n"), 0);
    EXPECT_EQ(errorsJoined(), "ReadFromStream: CSV stream " + documentName() +
                                  " contains a row of 8388608 bytes or more, beginning on line 3\n" + documentName() +
                                  ", line 3, column 1 (note): the row reaches 8388608 bytes in this field, beyond the largest a row may be\n");
}

// Rows skipped for their width are not silent: one warning per read, to the host and the log,
// with their count and the line of the first; a read without such rows warns of nothing.
TEST_F(CsvTest, RowsOfAnotherWidthAreCountedInOneWarning) {
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    LogCapture log(dir_ / "flk.log");
    ASSERT_EQ(readCsv("m", "Title\n\nproduct,price\napple,1\npear,2,x\n\nfig\n\"kiwi\n\",3\nlime,4,,\nplum,5\nsloe,6\n"), 1)
        << errorsJoined();
    EXPECT_EQ(contents(L"Price"), "apple=1 kiwi=3 plum=5 sloe=6");
    std::string warning = "Reading " + documentName() +
                          ": 3 rows with another number of fields than the 2 of the header were skipped; the first on line 5\n";
    EXPECT_EQ(errorsJoined(), warning);
    EXPECT_EQ(log.text(), "WARN - " + warning);
    model().clearErrors();
    ASSERT_EQ(readCsv("m", "product,price\napple,1\n"), 1);
    EXPECT_EQ(log.text().find("WARN", 10), std::string::npos);
    EXPECT_EQ(errorsJoined(), "");
}

TEST_F(CsvTest, IterativeCountersContinueAcrossReadsUntilReset) {
    ASSERT_EQ(addMapping("m", kCsvNotes), 1);
    ASSERT_EQ(readCsv("m", "note\na\nb\n", 0, 1), 1);
    ASSERT_EQ(readCsv("m", "note\nc\n"), 1);
    EXPECT_EQ(contents(L"Note"), "line-1=a line-2=b line-3=c");
    ASSERT_EQ(readCsv("m", "note\nd\n", 0, 1), 1);
    EXPECT_EQ(contents(L"Note"), "line-1=d line-2=b line-3=c");
}

TEST_F(CsvTest, IterativeResetOnTheRootRestartsTheRowsAtEveryRead) {
    ASSERT_EQ(addMapping("m", R"(<MolvoCSVMapping iterative-reset="1"><CSVTableMapping iterative-binds-to="l" iterative-prefix="n">
          <CSVColumnMapping name="note" maps-to="Note"/></CSVTableMapping></MolvoCSVMapping>)"), 1);
    ASSERT_EQ(readCsv("m", "note\na\nb\n"), 1);
    ASSERT_EQ(readCsv("m", "note\nc\n"), 1);
    EXPECT_EQ(contents(L"Note"), "n1=c n2=b");
}

TEST_F(CsvTest, IterativeExistingTakesTheElementsInOrder) {
    model().assign(L"Lines", {L"first"}, 1.0);
    model().assign(L"Lines", {L"second"}, 1.0);
    ASSERT_EQ(addMapping("m", R"(<MolvoCSVMapping><CSVTableMapping iterative-binds-to="l" iterative-existing="1">
          <CSVColumnMapping name="note" maps-to="Note"/></CSVTableMapping></MolvoCSVMapping>)"), 1);
    EXPECT_EQ(readCsv("m", "note\na\nb\nc\n", 0, 1), 0);
    EXPECT_EQ(errorsJoined(), "ReadFromStream: No existing element found with ordinal 3 for index l\n" + documentName() +
                                  ", line 4, column 1: No existing element found with ordinal 3 for index l\n");
}

TEST_F(CsvTest, AFailedReadKeepsTheBatchesFlushedBeforeAndDropsTheRest) {
    constexpr int kRows = 1500;   // more than one batch of 1024
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    std::string text = "product,price\n";
    for (int i = 1; i <= kRows; ++i) text += "p" + std::to_string(i) + "," + std::to_string(i) + "\n";
    EXPECT_EQ(readCsv("m", text + "last,none\n"), 0);
    EXPECT_EQ(model().card(L"Price"), 1024u);
    ASSERT_EQ(readCsv("m", "product,price\nx,1\n"), 1);
    EXPECT_EQ(model().card(L"Price"), 1025u);
}

TEST_F(CsvTest, EmptyReferencedEmptiesTheTargetsEvenWhenTheTextFails) {
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    ASSERT_EQ(readCsv("m", "product,price\napple,1\n"), 1);
    EXPECT_EQ(readCsv("m", "product,price\npear,\xFF\n", 1), 0);
    EXPECT_EQ(contents(L"Price"), "");
}

TEST_F(CsvTest, MemoryStreamsReadLikeFiles) {
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    model().assign(L"Price", {L"apple"}, 1.5);
    ASSERT_EQ(WriteToFile(L"#prices", L"m", 0), 1) << errorsJoined();
    model().empty(L"Price");
    ASSERT_EQ(ReadFromFile(L"#prices", L"m", 0, 0, 0), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Price"), "apple=1.5");
}

// Bytes of an input that a generator makes as they are asked for: the text of a table of any size
// without holding it.
class GeneratedTable : public std::streambuf {
public:
    explicit GeneratedTable(size_t rows) : rows_(rows) {}

protected:
    int_type underflow() override {
        if (made_ > rows_) return traits_type::eof();
        int size = made_ == 0 ? std::snprintf(line_, sizeof line_, "product,price,label\n")
                              : std::snprintf(line_, sizeof line_, "p%zu,1.5,\"some text, quoted \"\"here\"\"\r\nand on\"\n", made_ % 1000);
        ++made_;
        setg(line_, line_, line_ + size);
        return traits_type::to_int_type(line_[0]);
    }

private:
    size_t rows_, made_ = 0;
    char line_[128];
};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kFreedMemoryIsKept = true;   // the address sanitizer holds freed blocks back for a while
#else
constexpr bool kFreedMemoryIsKept = false;
#endif

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// An input far larger than any buffer is read in memory that does not grow with it: the model's
// values aside (here 1000 products), only a block and a row are held.
TEST_F(CsvTest, AnInputOfAnySizeIsReadInBoundedMemory) {
    constexpr size_t kRows = 1000000;   // about 60 MB
    constexpr long kMaxGrowthKilobytes = 32 * 1024;
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    long before = peakResidentKilobytes();
    GeneratedTable table(kRows);
    std::istream input(&table);
    ASSERT_EQ(ReadFromStream(&input, L"generated", L"m", 0, 0, 0), 1) << errorsJoined();
    EXPECT_EQ(model().card(L"Price"), 1000u);
    EXPECT_EQ(std::get<std::wstring>(model().get(L"Label", {L"p7"})), L"some text, quoted \"here\"\r\nand on");
    if (!kFreedMemoryIsKept) {
        EXPECT_LT(peakResidentKilobytes() - before, kMaxGrowthKilobytes);
    }
}

}  // namespace
}  // namespace flk::test
