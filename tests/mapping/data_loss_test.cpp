// What the modeller hears of their data that a read or write could not carry whole: names and
// strings cut, integers saturated, read or written. Each reaches the host as a warning (severity 2), once per
// identifier per read or write with its count, never once per value.
#include "support/mapping_fixture.hpp"

#include <utility>

namespace flk::test {
namespace {

const std::wstring kLongName(9000, L'k');
const std::wstring kLongerName(9500, L'm');
const std::wstring kLongestWholeName(8192, L'w');

struct DataLossCase {
    const char* title;
    const char* mapping;
    std::string file;       // the document's name in the test's folder; its extension names its kind
    std::string document;   // read when not empty, else written
    std::vector<Assign> model;
    std::vector<std::string> warnings;   // "{doc}" stands for the document's path
};

const DataLossCase kCases[] = {
    {"integers beyond 32 bits in XML text saturate, and cut labels are counted beside them",
     R"(<MolvoXMLMapping><ElementObjectMapping name="products"><ElementObjectMapping name="product">
          <AttributeMapping name="name" binds-to="p"/><AttributeMapping name="count" maps-to="Count"/>
          <ElementValueMapping name="label" maps-to="Label"/></ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     "doc.xml",
     "<products><product name='apple' count='99999999999'><label>" + std::string(2000, 'a') +
         "</label></product><product name='pear' count='-5000000000'/><product name='fig' count='2147483647'>"
         "<label>" + std::string(1025, 'f') + "</label></product><product name='lime' count='-2147483648'/></products>",
     {},
     {"Reading {doc}: 2 values for Count were outside the 32-bit integer range and were stored as -2147483648 or 2147483647",
      "Reading {doc}: 2 strings for Label were cut to the max-string-size 1024 of node 'label'; the longest had 2000 characters"}},
    {"names longer than the host's name buffer are cut when written, each name once",
     R"(<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex=".*" name-binds-to="p" maps-to="Price"/>
        </ObjectMapping></MolvoJSONMapping>)",
     "out.json", "",
     {{L"Price", {kLongName}, 1.0}, {L"Price", {kLongerName}, 2.0}, {L"Price", {L"apple"}, 3.0}},
     {"Writing {doc}: 2 element names of p were cut to 8192 characters; the longest had 9500 characters"}},
    {"an element parameter's long value is cut once however often it is written",
     R"(<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="order" binds-to="o"/>
          <CSVColumnMapping name="favourite" maps-to="Favourite"/></CSVTableMapping></MolvoCSVMapping>)",
     "out.csv", "",
     {{L"Products", {kLongName}, 1.0}, {L"Favourite", {L"A1"}, kLongName}, {L"Favourite", {L"A2"}, kLongName}},
     {"Writing {doc}: 1 element names of Favourite were cut to 8192 characters; the longest had 9000 characters"}},
    {"strings longer than the node's max-string-size are cut when written",
     R"(<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex=".*" name-binds-to="p" maps-to="Label"/>
          <ValueMapping name="title" maps-to="Title" max-string-size="2000"/></ObjectMapping></MolvoJSONMapping>)",
     "out.json", "",
     {{L"Label", {L"apple"}, std::wstring(2000, L'a')}, {L"Label", {L"pear"}, std::wstring(1500, L'p')},
      {L"Label", {L"fig"}, std::wstring(1024, L'f')}, {L"Title", {}, std::wstring(2001, L't')}},
     {"Writing {doc}: 2 strings of Label were cut to the max-string-size 1024; the longest had 2000 characters",
      "Writing {doc}: 1 strings of Title were cut to the max-string-size 2000; the longest had 2001 characters"}},
    {"numbers beyond 32 bits written with number-type integer saturate",
     R"(<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex=".*" name-binds-to="p" maps-to="Price" number-type="integer"/>
        </ObjectMapping></MolvoJSONMapping>)",
     "out.json", "",
     {{L"Price", {L"apple"}, 3e9}, {L"Price", {L"pear"}, -1e12}, {L"Price", {L"fig"}, 2147483647.0}},
     {"Writing {doc}: 2 values of Price were outside the 32-bit range of number-type integer and were written as "
      "-2147483648 or 2147483647"}},
    {"names and strings at their limits are written whole and not reported",
     R"(<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex=".*" name-binds-to="p" maps-to="Label"/>
        </ObjectMapping></MolvoJSONMapping>)",
     "out.json", "",
     {{L"Label", {kLongestWholeName}, std::wstring(1024, L'x')}},
     {}},
};

class DataLoss : public MappingTest, public ::testing::WithParamInterface<DataLossCase> {
protected:
    // Raised errors and warnings as "<severity> <message>".
    std::vector<std::string> raised() {
        std::vector<std::string> out;
        for (const auto& e : model().errors()) out.push_back(std::to_string(e.severity) + " " + toUtf8(e.message));
        return out;
    }
};

TEST_P(DataLoss, IsReportedToTheHostOncePerIdentifierWithItsCount) {
    const DataLossCase& c = GetParam();
    assignAll(c.model);
    ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
    model().clearErrors();
    const std::wstring document = c.document.empty() ? path(c.file) : file(c.file, c.document);
    const int result = c.document.empty() ? WriteToFile(document.c_str(), L"m", 0) : ReadFromFile(document.c_str(), L"m", 0, 0, 0);
    EXPECT_EQ(result, 1) << errorsJoined();
    std::vector<std::string> expected;
    for (std::string warning : c.warnings) expected.push_back("2 " + warning.replace(warning.find("{doc}"), 5, toUtf8(document)));
    EXPECT_EQ(raised(), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DataLoss, ::testing::ValuesIn(kCases), CaseTitle());

// The counts belong to one read or write: the next one starts from nothing.
TEST_F(DataLoss, TheNextWriteCountsAfresh) {
    ASSERT_EQ(addMapping("m", kCases[1].mapping), 1);
    assignAll(kCases[1].model);
    ASSERT_EQ(WriteToFile(path("out.json").c_str(), L"m", 0), 1);
    ASSERT_EQ(raised().size(), 1u);
    ASSERT_EQ(WriteToFile(path("out.json").c_str(), L"m", 0), 1);
    EXPECT_EQ(raised().size(), 2u);
    EXPECT_EQ(raised()[0], raised()[1]);
}

}  // namespace
}  // namespace flk::test
