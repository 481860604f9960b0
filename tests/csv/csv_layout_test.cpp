// The guess of a CSV input's delimiter and header weighs whole lines: a quote that does not close
// costs its own line, not the lines after it. The guess and its reasons are logged at Info.
#include "csv/csv_fixture.hpp"
#include "support/log_capture.hpp"

#include <memory>

namespace flk::test {
namespace {

const char* const kPricesAndLabels = R"(<MolvoCSVMapping><CSVTableMapping>
  <CSVColumnMapping name="product" binds-to="p"/><CSVColumnMapping name="price" maps-to="Price"/>
  <CSVColumnMapping name="label" maps-to="Label"/></CSVTableMapping></MolvoCSVMapping>)";

// A ";" table of a header and `rows` rows, the label of the row on line 12 replaced by `stray`.
std::string semicolonTable(int rows, const std::string& stray) {
    std::string text = "product;price;label\n";
    for (int i = 1; i <= rows; ++i)
        text += "p" + std::to_string(i) + ";" + std::to_string(i) + ";" + (i == 11 ? stray : "plain") + "\n";
    return text;
}

class CsvLayoutTest : public CsvTest {
protected:
    // The log is kept in the test's own folder, which exists only once the fixture is set up.
    void SetUp() override {
        CsvTest::SetUp();
        log_ = std::make_unique<LogCapture>(dir_ / "flk.log", "Ferrolink.FLK", log4cxx::Level::getInfo());
    }
    void TearDown() override {
        log_.reset();
        CsvTest::TearDown();
    }
    // The guess of the last read.
    std::string guessLogged() {
        std::string text = log_->text();
        size_t at = text.rfind("INFO - Reading " + documentName() + ": ");
        if (at == std::string::npos) return "<not logged>";
        at = text.find(": ", at) + 2;
        return text.substr(at, text.find('\n', at) - at);
    }
    std::unique_ptr<LogCapture> log_;
};

// A quote inside an unquoted field is text under every delimiter; one that opens a field and never
// closes is set aside by the guess, and the read then meets it as the quoting rules make it read:
// the field runs to the end of the input, which fails naming the field's place.
TEST_F(CsvLayoutTest, AStrayQuoteDoesNotOverturnTheDelimiterOfCleanLines) {
    ASSERT_EQ(addMapping("m", kPricesAndLabels), 1);
    for (int rows : {30, 2010}) {
        model().empty(L"Price");
        model().clearErrors();
        ASSERT_EQ(readCsv("m", semicolonTable(rows, "5\" pipe")), 1) << rows << errorsJoined();
        EXPECT_EQ(model().card(L"Price"), size_t(rows)) << rows;
        EXPECT_EQ(std::get<std::wstring>(model().get(L"Label", {L"p11"})), L"5\" pipe");
        EXPECT_EQ(guessLogged(), "delimiter ';', header on line 1: " + std::to_string(rows + 1) +
                                     " rows of 3 fields with it, next best ',' with " + std::to_string(rows + 1) + " rows of 1 field")
            << rows;

        model().clearErrors();
        EXPECT_EQ(readCsv("m", semicolonTable(rows, "\"abc")), 0) << rows;
        EXPECT_EQ(errorsJoined(), "ReadFromStream: CSV stream " + documentName() +
                                      " ends inside the quoted field that begins on line 12: its closing quote is missing\n" +
                                      documentName() + ", line 12, column 8 (label): the quoted field that begins here has no closing quote\n")
            << rows;
        EXPECT_EQ(guessLogged(), "delimiter ';', header on line 1: " + std::to_string(rows) + " rows of 3 fields with it, next best ',' with " +
                                     std::to_string(rows + 1) + " rows of 1 field; 1 line was left out of the guess for a quote that does not close")
            << rows;
    }
}

struct GuessCase {
    const char* title;
    std::string text;
    const char* logged;   // the guess as logged, after "Reading <document>: "
    const char* labels;   // what the read gives Label
};

std::string manyLineNotes(int rows, int lines) {
    std::string text = "product,label\n";
    for (int i = 1; i <= rows; ++i) {
        text += "p" + std::to_string(i) + ",\"";
        for (int line = 1; line < lines; ++line) text += "note\n";
        text += "end\"\n";
    }
    return text;
}

const GuessCase kGuesses[] = {
    {"quoted line breaks in every row keep their rows whole", manyLineNotes(3, 4),
     "delimiter ',', header on line 1: 4 rows of 2 fields over 13 lines with it, next best '|' with 13 rows of 1 field",
     "p1=note\nnote\nnote\nend p2=note\nnote\nnote\nend p3=note\nnote\nnote\nend"},
    {"a title line before the header", "Prices of 2024\nproduct|label\napple|red\npear|green\n",
     "delimiter '|', header on line 2: 3 rows of 2 fields with it, next best ',' with 4 rows of 1 field", "apple=red pear=green"},
    {"tabs", "product\tlabel\napple\tred, ripe\n", "delimiter tab, header on line 1: 2 rows of 2 fields with it, next best ',' with 1 row of 2 fields",
     "apple=red, ripe"},
    {"two stray quotes far apart each cost their own line", [] {
         std::string text = "product;label\n";
         for (int i = 1; i <= 600; ++i) text += "p" + std::to_string(i) + ";" + (i == 5 || i == 300 ? "\"open" : "x") + "\n";
         return text;
     }(),
     "delimiter ';', header on line 1: 599 rows of 2 fields with it, next best ',' with 601 rows of 1 field; 2 lines were left out of "
     "the guess for a quote that does not close",
     nullptr},
    {"nothing to guess from", "\n\r\n", "no row in the first bytes: delimiter ',', no header", ""},
};

class CsvGuess : public CsvLayoutTest, public ::testing::WithParamInterface<GuessCase> {};

TEST_P(CsvGuess, IsLoggedWithItsReasons) {
    const GuessCase& c = GetParam();
    ASSERT_EQ(addMapping("m", R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p"/>
          <CSVColumnMapping name="label" maps-to="Label"/></CSVTableMapping></MolvoCSVMapping>)"), 1);
    readCsv("m", c.text);
    EXPECT_EQ(guessLogged(), c.logged);
    if (c.labels) {
        EXPECT_EQ(contents(L"Label"), c.labels);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvGuess, ::testing::ValuesIn(kGuesses), CaseTitle());

}  // namespace
}  // namespace flk::test
