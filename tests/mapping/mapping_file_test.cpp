// Mapping files: the grammar, the binding checks and their messages, and the registry.
#include "support/mapping_fixture.hpp"

namespace flk::test {
namespace {

struct FileCase {
    const char* title;
    const char* xml;
    int result;
    const char* error;   // expected among the raised errors ("" for none)
};

const FileCase kCases[] = {
    {"an unknown document element", "<MolvoYAMLMapping/>", 0,
     "AddMapping m: Mapping m contains a non-recognized mapping type MolvoYAMLMapping"},
    {"broken XML", "<MolvoJSONMapping><ObjectMapping></MolvoJSONMapping>", 0,
     "Unable to parse mapping file"},
    {"two children under the root",
     "<MolvoJSONMapping><ObjectMapping/><ArrayMapping><ValueMapping/></ArrayMapping></MolvoJSONMapping>", 0,
     "JSON root node should have a single child"},
    {"only an external binding under the root",
     "<MolvoJSONMapping><ExternalBinding binds-to='p' iterative-binding='p'/></MolvoJSONMapping>", 0,
     "JSON root node should have a single child"},
    {"an element a parent does not accept", "<MolvoJSONMapping><RowMapping/></MolvoJSONMapping>", 0,
     "Mapping type RowMapping not supported underneath a MolvoJSONMapping"},
    {"short forms under an object",
     "<MolvoJSONMapping><ObjectMapping><RowMapping name='r'><ColumnMapping name='p' binds-to='p'/></RowMapping>"
     "</ObjectMapping></MolvoJSONMapping>", 1, ""},
    {"a child under a value", "<MolvoJSONMapping><ValueMapping><ValueMapping/></ValueMapping></MolvoJSONMapping>", 0,
     "Mapping type ValueMapping not supported underneath a ValueMapping"},
    {"an external binding under a value",
     "<MolvoJSONMapping><ObjectMapping><ValueMapping name='v' maps-to='Title'><ExternalBinding binds-to='p' binding='Chosen'/>"
     "</ValueMapping></ObjectMapping></MolvoJSONMapping>", 0,
     "Mapping type ExternalBinding not supported underneath a ValueMapping"},
    {"an external binding under a row table",
     "<MolvoJSONMapping><RowOrientedObjectMapping><ExternalBinding binds-to='p' binding='Chosen'/>"
     "<ColumnMapping name='p' binds-to='p'/></RowOrientedObjectMapping></MolvoJSONMapping>", 0,
     "Mapping type ExternalBinding not supported underneath a RowOrientedObjectMapping"},
    {"an external binding under a column table",
     "<MolvoJSONMapping><ColumnOrientedObjectMapping><ExternalBinding binds-to='p' binding='Chosen'/>"
     "<RowMapping name='p' binds-to='p'/></ColumnOrientedObjectMapping></MolvoJSONMapping>", 0,
     "Mapping type ExternalBinding not supported underneath a ColumnOrientedObjectMapping"},
    {"an unknown attribute is reported but accepted",
     "<MolvoJSONMapping><ObjectMapping><ValueMapping name='a' colour='red' maps-to='Title'/></ObjectMapping></MolvoJSONMapping>",
     1, "Unknown attribute colour encountered in node ValueNode"},
    {"binds-to and maps-to on one value",
     "<MolvoJSONMapping><ObjectMapping><ValueMapping name='a' binds-to='p' maps-to='Title'/></ObjectMapping></MolvoJSONMapping>",
     0, "Only one of the binds-to, maps-to and value attributes can be specified at a time for node a"},
    {"two binding attributes",
     "<MolvoJSONMapping><ObjectMapping name-regex='.*' name-binds-to='p' iterative-binds-to='o'/></MolvoJSONMapping>", 0,
     "Only one of the binds-to, iterative-binds-to, name-binds-to and implicit-binds-to attributes"},
    {"name-regex under an array",
     "<MolvoJSONMapping><ArrayMapping><ValueMapping name-regex='.*'/></ArrayMapping></MolvoJSONMapping>", 0,
     "The name-regex attribute '.*' is not supported for child nodes of type ArrayNode"},
    {"a named child under a named array warns",
     "<MolvoJSONMapping><ObjectMapping><ArrayMapping name='a'><ValueMapping name='v' maps-to='Title'/></ArrayMapping>"
     "</ObjectMapping></MolvoJSONMapping>", 1,
     "The name-to attribute 'v' is not used for child nodes of node 'a' of type ArrayNode"},
    {"a child without a name",
     "<MolvoJSONMapping><ObjectMapping><ValueMapping maps-to='Title'/></ObjectMapping></MolvoJSONMapping>", 0,
     "Node should have uniquely one of 'name' or 'name-regex' or 'name-regex-from' attributes"},
    {"an array without a child", "<MolvoJSONMapping><ArrayMapping name='a'/></MolvoJSONMapping>", 0,
     "Array node a should have a single child node or an included mapping"},
    {"a pattern that does not compile",
     "<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex='(a' name-binds-to='p' maps-to='Price'/></ObjectMapping></MolvoJSONMapping>",
     0, "The name-regex attribute (a for node  could not be parsed: "},
    {"name-regex-from a parameter",
     "<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex-from='Price' name-binds-to='p' maps-to='Price'/></ObjectMapping></MolvoJSONMapping>",
     0, "The name-regex-from attribute value 'Price' does not refer to a simple set or index"},
    {"binds-to a parameter",
     "<MolvoJSONMapping><ArrayMapping><ValueMapping binds-to='Price'/></ArrayMapping></MolvoJSONMapping>", 0,
     "The binds-to attribute Price for node  refers to an identifier that is not an index or simple set"},
    {"maps-to an unknown identifier",
     "<MolvoJSONMapping><ObjectMapping><ValueMapping name='a' maps-to='Nothing'/></ObjectMapping></MolvoJSONMapping>", 0,
     "The maps-to attribute Nothing for node a refers to an non-existing identifier"},
    {"maps-to with too few bound indices",
     "<MolvoJSONMapping><ObjectMapping><ValueMapping name='a' maps-to='Price'/></ObjectMapping></MolvoJSONMapping>", 0,
     "The dimension of the maps-to attribute Price for node a does not coincide with the number of bound indices at this node"},
    {"maps-to listing an index not bound here",
     "<MolvoJSONMapping><ObjectMapping name-regex='.*' name-binds-to='o'><ValueMapping name='a' maps-to='Qty(o, p)'/>"
     "</ObjectMapping></MolvoJSONMapping>", 0,
     "Index p of identifier Qty, does not coincide with bound index"},
    {"maps-to with a wrong number of listed indices",
     "<MolvoJSONMapping><ObjectMapping name-regex='.*' name-binds-to='o'><ValueMapping name='a' maps-to='Qty(o)'/>"
     "</ObjectMapping></MolvoJSONMapping>", 0,
     "The dimension of the maps-to attribute Qty(o) for node a does not coincide with the specified number of indices"},
    {"maps-to over an index of another set",
     "<MolvoJSONMapping><ObjectMapping name-regex='.*' name-binds-to='o'><ValueMapping name='a' maps-to='Price(o)'/>"
     "</ObjectMapping></MolvoJSONMapping>", 0,
     "The root domain at position 1 of the maps-to attribute Price(o) for node a does not coincide with the root domain of index o"},
    {"const-binds-value that is no element",
     "<MolvoJSONMapping><ObjectMapping><ValueMapping name='a' const-binds-to='p' const-binds-value='fig' maps-to='Price'/>"
     "</ObjectMapping></MolvoJSONMapping>", 0,
     "The const-binds-value attribute fig for node a does not refer to an existing label for index p"},
    {"an embedded mapping that is not registered",
     "<MolvoJSONMapping><ObjectMapping><ValueMapping name='a' embedded-mapping='none'/></ObjectMapping></MolvoJSONMapping>",
     0, "The embedded mapping none cannot be found"},
    {"an external binding in the wrong place",
     "<MolvoJSONMapping><ObjectMapping><ExternalBinding binds-to='p' binding='Title'/></ObjectMapping></MolvoJSONMapping>",
     0, "ExternalBinding elements can only be placed underneath a root node or a node with an 'included-mapping' attribute"},
    {"an external binding without binding",
     "<MolvoJSONMapping><ExternalBinding binds-to='p'/><ObjectMapping/></MolvoJSONMapping>", 0,
     "An ExternalBinding element must have both a binds-to and binding/iterative-binding attribute"},
    {"an external binding to a string parameter",
     "<MolvoJSONMapping><ExternalBinding binds-to='p' binding='Title'/><ObjectMapping/></MolvoJSONMapping>", 0,
     "The binding attribute Title of ExternalBinding for node  should refer to an scalar element parameter"},
};

class MappingFile : public MappingTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(MappingFile, IsCheckedWithTheDocumentedMessages) {
    const FileCase& c = GetParam();
    EXPECT_EQ(addMapping("m", c.xml), c.result) << errorsJoined();
    if (*c.error) {
        EXPECT_NE(errorsJoined().find(c.error), std::string::npos) << errorsJoined();
    } else {
        EXPECT_EQ(errorsJoined(), "");
    }
    EXPECT_EQ(ReadFromFile(file("d.json", "{}").c_str(), L"m", 0, 0, 0), c.result);
}

INSTANTIATE_TEST_SUITE_P(Cases, MappingFile, ::testing::ValuesIn(kCases), CaseTitle());

// A mapping nested as deep as allowed reads and writes its document; one level more, or far more,
// is refused with the file's name instead of exhausting the stack.
TEST_F(MappingTest, MappingFilesNestAsDeepAsTheLimitAndNoDeeper) {
    auto nested = [](int depth) {   // elements in all, the document element included
        std::string open = "<MolvoJSONMapping><ObjectMapping>", close;
        for (int level = 3; level < depth; ++level) open += "<ObjectMapping name='a'>", close += "</ObjectMapping>";
        return open + "<ValueMapping name='v' maps-to='Title'/>" + close + "</ObjectMapping></MolvoJSONMapping>";
    };
    std::string document = R"({"v":"x"})";
    for (int level = 3; level < kMaxMappingDepth; ++level) document = R"({"a":)" + document + "}";
    ASSERT_EQ(addMapping("deep", nested(kMaxMappingDepth)), 1) << errorsJoined();
    ASSERT_EQ(readText("deep", document), 1) << errorsJoined();
    EXPECT_EQ(std::get<std::wstring>(model().get(L"Title", {})), L"x");
    EXPECT_EQ(writeText("deep"), document);
    for (int depth : {kMaxMappingDepth + 1, 20000}) {
        model().clearErrors();
        EXPECT_EQ(addMapping("deeper", nested(depth)), 0);
        EXPECT_EQ(errorsJoined(), "AddMapping deeper: Unable to parse mapping file " + toUtf8(path("deeper.xml")) +
                                      ": its elements are nested more than " + std::to_string(kMaxMappingDepth) +
                                      " deep\n");
    }
}

TEST_F(MappingTest, AFailedReAddRemovesTheEarlierMapping) {
    ASSERT_EQ(addMapping("m", "<MolvoJSONMapping><ObjectMapping/></MolvoJSONMapping>"), 1);
    EXPECT_EQ(addMapping("m", "<MolvoYAMLMapping/>"), 0);
    model().clearErrors();
    EXPECT_EQ(ReadFromFile(file("d.json", "{}").c_str(), L"m", 0, 0, 0), 0);
    EXPECT_EQ(errorsJoined(), "ReadFromStream: Cannot find mapping m for reading\n");
}

TEST_F(MappingTest, DeleteAndResetReportAsDocumented) {
    EXPECT_EQ(DeleteMapping(L"never"), 1);
    EXPECT_EQ(ResetMappingData(L"never", 1, 1, 1), 0);
    EXPECT_NE(errorsJoined().find("Cannot find mapping never"), std::string::npos);
    ASSERT_EQ(addMapping("m", "<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex='.*' name-binds-to='p' "
                              "maps-to='Price'/></ObjectMapping></MolvoJSONMapping>"), 1);
    ASSERT_EQ(readText("m", R"({"kiwi":3})"), 1);
    EXPECT_EQ(ResetMappingData(L"m", 1, 0, 0), 1);
    EXPECT_EQ(contents(L"Price"), "");
    EXPECT_EQ(model().elements(L"Products").size(), 3u);
}

TEST_F(MappingTest, AnExternalBindingFixesTheIndexForTheRead) {
    parameter(L"Chosen", {}, molvo::Storage::Element, std::wstring(L"pear"), L"Products");
    ASSERT_EQ(addMapping("m", R"(<MolvoJSONMapping><ExternalBinding binds-to="p" binding="Chosen"/>
        <ObjectMapping><ValueMapping name="price" maps-to="Price"/></ObjectMapping></MolvoJSONMapping>)"), 1)
        << errorsJoined();
    ASSERT_EQ(readText("m", R"({"price":5})"), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Price"), "pear=5");
    EXPECT_EQ(writeText("m"), R"({"price":5.0})");
}

TEST_F(MappingTest, EmbeddedDocumentsTravelBase64Encoded) {
    ASSERT_EQ(addMapping("inner", "<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex='.*' name-binds-to='p' "
                                  "maps-to='Price'/></ObjectMapping></MolvoJSONMapping>"), 1);
    ASSERT_EQ(addMapping("outer", "<MolvoJSONMapping><ObjectMapping><ValueMapping name='doc' embedded-mapping='inner' "
                                  "base64-encoded=''/></ObjectMapping></MolvoJSONMapping>"), 1);
    ASSERT_EQ(readText("outer", R"({"doc":"eyJhcHBsZSI6Mn0="})"), 1) << errorsJoined();   // {"apple":2}
    EXPECT_EQ(contents(L"Price"), "apple=2");
    EXPECT_EQ(writeText("outer"), R"({"doc":"eyJhcHBsZSI6Mi4wfQ=="})");
    EXPECT_EQ(readText("outer", R"({"doc":"eyJhcHBsZSI6Mn0=!!!"})"), 0);
    EXPECT_NE(errorsJoined().find("Base64-encoded string contains invalid characters"), std::string::npos);
    EXPECT_EQ(readText("outer", R"({"doc":3})"), 0);
    EXPECT_NE(errorsJoined().find("Embedded mapping node doc needs to be of string type"), std::string::npos);
}

TEST_F(MappingTest, IncludedMappingsReceiveTheBoundIndices) {
    ASSERT_EQ(addMapping("line", R"(<MolvoJSONMapping><ExternalBinding binds-to="o" iterative-binding="o"/>
        <ObjectMapping><ValueMapping name-regex=".*" name-binds-to="p" maps-to="Qty"/></ObjectMapping></MolvoJSONMapping>)"), 1)
        << errorsJoined();
    ASSERT_EQ(addMapping("order", R"(<MolvoJSONMapping><ObjectMapping>
        <ObjectMapping name-regex=".*" name-binds-to="o" included-mapping="@line"/></ObjectMapping></MolvoJSONMapping>)"), 1)
        << errorsJoined();
    ASSERT_EQ(readText("order", R"({"A1":{"apple":1,"pear":2},"A2":{"fig":3}})"), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Qty"), "A1,apple=1 A1,pear=2 A2,fig=3");
    EXPECT_EQ(writeText("order"), R"({"A1":{"apple":1,"pear":2},"A2":{"fig":3}})");

    // Added before the mapping it includes, it reads through it but cannot tell what to write.
    ASSERT_EQ(addMapping("early", R"(<MolvoJSONMapping><ObjectMapping>
        <ObjectMapping name-regex=".*" name-binds-to="o" included-mapping="@late"/></ObjectMapping></MolvoJSONMapping>)"), 1);
    ASSERT_EQ(addMapping("late", R"(<MolvoJSONMapping><ExternalBinding binds-to="o" iterative-binding="o"/>
        <ObjectMapping><ValueMapping name-regex=".*" name-binds-to="p" maps-to="Qty"/></ObjectMapping></MolvoJSONMapping>)"), 1);
    ASSERT_EQ(readText("early", R"({"A3":{"kiwi":4}})"), 1) << errorsJoined();
    EXPECT_NE(contents(L"Qty").find("A3,kiwi=4"), std::string::npos);
    EXPECT_EQ(writeText("early"), "<failed>");
    EXPECT_NE(errorsJoined().find("The included mapping late of node  was added after mapping early: add that mapping "
                                  "again to write through it"), std::string::npos) << errorsJoined();
    ASSERT_EQ(addMapping("early", R"(<MolvoJSONMapping><ObjectMapping>
        <ObjectMapping name-regex=".*" name-binds-to="o" included-mapping="@late"/></ObjectMapping></MolvoJSONMapping>)"), 1);
    EXPECT_EQ(writeText("early"), R"({"A1":{"apple":1,"pear":2},"A2":{"fig":3},"A3":{"kiwi":4}})");
}

}  // namespace
}  // namespace flk::test

namespace flk::test {
namespace {

TEST_F(MappingTest, UninitializeEmptiesTheRegistry) {
    ASSERT_EQ(addMapping("m", "<MolvoJSONMapping><ObjectMapping/></MolvoJSONMapping>"), 1);
    ASSERT_EQ(UninitializeFerrolink(), 1);
    EXPECT_EQ(ResetMappingData(L"m", 0, 0, 0), 0);
}

}  // namespace
}  // namespace flk::test
