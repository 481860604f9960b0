// CSV mapping files: the elements and attributes each class accepts, and the messages for the rest.
#include "csv/csv_fixture.hpp"

namespace flk::test {
namespace {

struct FileCase {
    const char* title;
    const char* xml;
    int result;
    const char* error;   // expected among the raised errors ("" for none)
};

const FileCase kCases[] = {
    {"every accepted attribute and element",
     R"x(<MolvoCSVMapping iterative-reset="l" molvo-namespace="" namespace-uri="urn:x">
          <ExternalBinding binds-to="o" binding="Current"/>
          <CSVTableMapping name="lines" alt-name="rows" write-filter="Keep2(o,l)" iterative-binds-to="l" iterative-prefix="n"
                           iterative-existing="0" binds-skip-non-existing="1">
            <CSVColumnMapping name="product" alt-name="item" binds-to="p" binds-existing="0" binds-skip-non-existing="1"
                              read-normalize="nfc" write-normalize="nfc"/>
            <CSVColumnMapping name="qty" maps-to="Qty(o,p)" range-existing="0" write-defaults="1" write-filter="Keep3"
                              dense-write="Keep3" max-string-size="2048"/>
            <ColumnMapping name-regex=".*" name-binds-to="c" name-regex-prefix="c-" name-regex-postfix="!" maps-to="Remark(o,l,c)"
                           force-dense="Keep3(o,l,p)"/>
            <ColumnMapping name-regex-from="Fruit" name-binds-to="c" maps-to="Remark(o,l,c)"/>
            <ColumnMapping name="kind" value="k"/>
          </CSVTableMapping></MolvoCSVMapping>)x",
     1, "The name-to attribute 'lines' is not used for child nodes of type CSVRootNode"},
    {"TableMapping, CSVRowMapping and RowMapping are tables too",
     R"(<MolvoCSVMapping><TableMapping><ColumnMapping name="p" binds-to="p"/></TableMapping></MolvoCSVMapping>)", 1, ""},
    {"CSVRowMapping", R"(<MolvoCSVMapping><CSVRowMapping><ColumnMapping name="p" binds-to="p"/></CSVRowMapping></MolvoCSVMapping>)", 1, ""},
    {"RowMapping", R"(<MolvoCSVMapping><RowMapping><ColumnMapping name="p" binds-to="p"/></RowMapping></MolvoCSVMapping>)", 1, ""},
    {"two tables", "<MolvoCSVMapping><CSVTableMapping/><TableMapping/></MolvoCSVMapping>", 0,
     "AddMapping m: CSV root node should have a single child"},
    {"no table", "<MolvoCSVMapping><ExternalBinding binds-to='o' binding='Current'/></MolvoCSVMapping>", 0,
     "CSV root node should have a single child"},
    {"an element of another kind under the root", "<MolvoCSVMapping><ObjectMapping/></MolvoCSVMapping>", 0,
     "Mapping type ObjectMapping not supported underneath a MolvoCSVMapping"},
    {"a table under a table", "<MolvoCSVMapping><CSVTableMapping><CSVTableMapping/></CSVTableMapping></MolvoCSVMapping>", 0,
     "Mapping type CSVTableMapping not supported underneath a CSVTableMapping"},
    {"an external binding under a table",
     "<MolvoCSVMapping><RowMapping><ExternalBinding binds-to='o' binding='Current'/></RowMapping></MolvoCSVMapping>", 0,
     "Mapping type ExternalBinding not supported underneath a CSVTableMapping"},
    {"an element under a column",
     "<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name='p' binds-to='p'><ValueMapping/></CSVColumnMapping>"
     "</CSVTableMapping></MolvoCSVMapping>", 0,
     "Mapping type ValueMapping not supported underneath a CSVColumnMapping"},
    {"an attribute the root does not take", "<MolvoCSVMapping delimiter=';'><CSVTableMapping/></MolvoCSVMapping>", 1,
     "Unknown attribute delimiter encountered in node CSVRootNode"},
    {"an attribute the table does not take",
     "<MolvoCSVMapping><CSVTableMapping binds-to='p'/></MolvoCSVMapping>", 1,
     "Unknown attribute binds-to encountered in node CSVRowNode"},
    {"an attribute a column does not take",
     "<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name='v' embedded-mapping='x' maps-to='Title'/></CSVTableMapping>"
     "</MolvoCSVMapping>", 1, "Unknown attribute embedded-mapping encountered in node CSVColumnNode"},
    {"a column without a name or pattern",
     "<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping binds-to='p'/></CSVTableMapping></MolvoCSVMapping>", 0,
     "Node should have uniquely one of 'name' or 'name-regex' or 'name-regex-from' attributes"},
    {"binds-to and maps-to on one column",
     "<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name='a' binds-to='p' maps-to='Title'/></CSVTableMapping>"
     "</MolvoCSVMapping>", 0, "Only one of the binds-to, maps-to and value attributes can be specified at a time for node a"},
    {"maps-to over an index the table does not bind",
     "<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name='a' maps-to='Price'/></CSVTableMapping></MolvoCSVMapping>", 0,
     "The dimension of the maps-to attribute Price for node a does not coincide with the number of bound indices at this node"},
};

class CsvMappingFile : public CsvTest, public ::testing::WithParamInterface<FileCase> {
protected:
    void SetUp() override {
        CsvTest::SetUp();
        set(L"Codes", L"c", {});
        parameter(L"Current", {}, molvo::Storage::Element, std::wstring(), L"Orders");
        parameter(L"Keep2", {L"o", L"l"}, molvo::Storage::Numeric, 0.0);
        parameter(L"Keep3", {L"o", L"l", L"p"}, molvo::Storage::Numeric, 0.0);
        parameter(L"Remark", {L"o", L"l", L"c"}, molvo::Storage::String, std::wstring());
    }
};

TEST_P(CsvMappingFile, IsCheckedWithTheDocumentedMessages) {
    const FileCase& c = GetParam();
    EXPECT_EQ(addMapping("m", c.xml), c.result) << errorsJoined();
    if (*c.error) {
        EXPECT_NE(errorsJoined().find(c.error), std::string::npos) << errorsJoined();
    } else {
        EXPECT_EQ(errorsJoined(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvMappingFile, ::testing::ValuesIn(kCases), CaseTitle());

// The table's name is not matched against anything: it is accepted with the warning every
// positional child gets.
TEST_F(CsvTest, ANamedTableIsAcceptedWithAWarning) {
    EXPECT_EQ(addMapping("m", R"(<MolvoCSVMapping><CSVTableMapping name="lines">
          <CSVColumnMapping name="product" binds-to="p"/></CSVTableMapping></MolvoCSVMapping>)"), 1);
    ASSERT_EQ(model().errors().size(), 1u);
    EXPECT_EQ(model().errors()[0].severity, 2);
    EXPECT_EQ(toUtf8(model().errors()[0].message), "The name-to attribute 'lines' is not used for child nodes of type CSVRootNode");
}

// An index fixed from outside holds for every row, read and written.
TEST_F(CsvTest, AnExternalBindingFixesAnIndexForTheWholeTable) {
    parameter(L"Current", {}, molvo::Storage::Element, std::wstring(), L"Orders");
    model().assign(L"Orders", {L"A7"}, 1.0);
    model().assign(L"Current", {}, std::wstring(L"A7"));
    ASSERT_EQ(addMapping("m", R"x(<MolvoCSVMapping><ExternalBinding binds-to="o" binding="Current"/><CSVTableMapping>
          <CSVColumnMapping name="product" binds-to="p"/><CSVColumnMapping name="qty" maps-to="Qty(o,p)"/>
        </CSVTableMapping></MolvoCSVMapping>)x"), 1) << errorsJoined();
    ASSERT_EQ(readCsv("m", "product,qty\napple,3\npear,4\n"), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Qty"), "A7,apple=3 A7,pear=4");
    model().assign(L"Orders", {L"A8"}, 1.0);
    model().assign(L"Qty", {L"A8", L"apple"}, 9.0);   // another order: not this table's
    EXPECT_EQ(writeCsv("m"), "product,qty\napple,3\npear,4\n");
}

}  // namespace
}  // namespace flk::test
