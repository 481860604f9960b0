// XML mapping files: the elements and attributes each node class accepts, and the messages for
// what it does not.
#include "xml_mapping_test.hpp"

namespace flk::test {
namespace {

struct FileCase {
    const char* title;
    const char* xml;
    int result;
    const char* error;   // expected among the raised errors ("" for none)
};

const FileCase kCases[] = {
    {"every accepted attribute",
     "<MolvoXMLMapping molvo-namespace='' namespace-uri='urn:x' iterative-reset='1'>"
     "<ElementObjectMapping name='o' alt-name='a' binds-existing='1' binds-skip-non-existing='0' read-normalize='nfc'"
     " write-normalize='nfd' maps-to='Title' write-filter='Title' dense-write='Title' iterative-reset='Lines'"
     " dense-children='1'>"
     "<ElementObjectMapping name-regex='x(.*)' name-binds-to='p' name-regex-prefix='a' name-regex-postfix='b'/>"
     "<ElementObjectMapping name='i' iterative-binds-to='l' iterative-prefix='n' iterative-existing='0'/>"
     "<ElementObjectMapping name='c' const-binds-to='p' const-binds-value='apple' force-dense='Price'/>"
     "<ElementObjectMapping name='m' implicit-binds-to='p' included-mapping='@other'/>"
     "<ElementValueMapping name-regex-from='Fruit' name-binds-to='p' maps-to='Price' max-string-size='2000'"
     " range-existing='1' embedded-mapping='' base64-encoded=''/>"
     "<ElementValueMapping name='e' iterative-binds-to='l' iterative-prefix='n' iterative-existing='1' value='v'>"
     "<AttributeMapping name='k' binds-to='o' alt-name='key'/></ElementValueMapping>"
     "<ElementValueMapping name='f' const-binds-to='p' const-binds-value='pear' maps-to='Price' write-filter='Keep'/>"
     "<AttributeMapping name='t' maps-to='Title' max-string-size='4000' range-existing='0' read-normalize='nfd'"
     " write-normalize='nfc' force-dense='Title' dense-write='Title' write-filter='Title' binds-existing='1'"
     " binds-skip-non-existing='1'/>"
     "<AttributeMapping name-regex='.*' name-binds-to='p' name-regex-prefix='a' name-regex-postfix='b' maps-to='Price'/>"
     "<AttributeMapping name-regex-from='Fruit' name-binds-to='p' value='1'/>"
     "</ElementObjectMapping></MolvoXMLMapping>",
     1, ""},
    {"the document element's name in another case", "<MolvoXmlMapping><ElementValueMapping name='a'/></MolvoXmlMapping>", 0,
     "AddMapping m: Mapping m contains a non-recognized mapping type MolvoXmlMapping"},
    {"an attribute under the root", "<MolvoXMLMapping><AttributeMapping name='a'/></MolvoXMLMapping>", 0,
     "Mapping type AttributeMapping not supported underneath a MolvoXMLMapping"},
    {"a JSON node under the root", "<MolvoXMLMapping><ObjectMapping/></MolvoXMLMapping>", 0,
     "Mapping type ObjectMapping not supported underneath a MolvoXMLMapping"},
    {"two children under the root",
     "<MolvoXMLMapping><ElementObjectMapping name='a'/><ElementValueMapping name='b'/></MolvoXMLMapping>", 0,
     "XML root node should have a single child"},
    {"only an external binding under the root",
     "<MolvoXMLMapping><ExternalBinding binds-to='p' iterative-binding='p'/></MolvoXMLMapping>", 0,
     "XML root node should have a single child"},
    {"a JSON node under an object element",
     "<MolvoXMLMapping><ElementObjectMapping name='a'><ValueMapping name='v'/></ElementObjectMapping></MolvoXMLMapping>", 0,
     "Mapping type ValueMapping not supported underneath a ElementObjectMapping"},
    {"an element under a value element",
     "<MolvoXMLMapping><ElementValueMapping name='a'><ElementValueMapping name='b'/></ElementValueMapping></MolvoXMLMapping>",
     0, "Mapping type ElementValueMapping not supported underneath a ElementValueMapping"},
    {"an external binding under a value element",
     "<MolvoXMLMapping><ElementValueMapping name='a'><ExternalBinding binds-to='p' binding='Chosen'/></ElementValueMapping>"
     "</MolvoXMLMapping>",
     0, "Mapping type ExternalBinding not supported underneath a ElementValueMapping"},
    {"anything under an attribute",
     "<MolvoXMLMapping><ElementObjectMapping name='a'><AttributeMapping name='b'><AttributeMapping name='c'/>"
     "</AttributeMapping></ElementObjectMapping></MolvoXMLMapping>",
     0, "Mapping type AttributeMapping not supported underneath a AttributeMapping"},
    {"an external binding under an object element without included-mapping",
     "<MolvoXMLMapping><ElementObjectMapping name='a'><ExternalBinding binds-to='p' binding='Chosen'/></ElementObjectMapping>"
     "</MolvoXMLMapping>",
     0, "ExternalBinding elements can only be placed underneath a root node or a node with an 'included-mapping' attribute"},
    {"binds-to on an object element is unknown",
     "<MolvoXMLMapping><ElementObjectMapping name='a' binds-to='p'/></MolvoXMLMapping>", 1,
     "Unknown attribute binds-to encountered in node ElementObjectNode"},
    {"empty-as-bool on an object element is unknown",
     "<MolvoXMLMapping><ElementObjectMapping name='a' empty-as-bool='1'/></MolvoXMLMapping>", 1,
     "Unknown attribute empty-as-bool encountered in node ElementObjectNode"},
    {"dense-children on a value element is unknown",
     "<MolvoXMLMapping><ElementValueMapping name='a' dense-children='1'/></MolvoXMLMapping>", 1,
     "Unknown attribute dense-children encountered in node ElementValueNode"},
    {"number-type on a value element is unknown",
     "<MolvoXMLMapping><ElementValueMapping name='a' number-type='integer'/></MolvoXMLMapping>", 1,
     "Unknown attribute number-type encountered in node ElementValueNode"},
    {"iterative-binds-to on an attribute is unknown",
     "<MolvoXMLMapping><ElementObjectMapping name='a'><AttributeMapping name='b' iterative-binds-to='l'/>"
     "</ElementObjectMapping></MolvoXMLMapping>",
     1, "Unknown attribute iterative-binds-to encountered in node AttributeNode"},
    {"embedded-mapping on an attribute is unknown",
     "<MolvoXMLMapping><ElementObjectMapping name='a'><AttributeMapping name='b' embedded-mapping='m'/>"
     "</ElementObjectMapping></MolvoXMLMapping>",
     1, "Unknown attribute embedded-mapping encountered in node AttributeNode"},
    {"namespace-uri below the root is unknown",
     "<MolvoXMLMapping><ElementValueMapping name='a' namespace-uri='urn:x'/></MolvoXMLMapping>", 1,
     "Unknown attribute namespace-uri encountered in node ElementValueNode"},
    {"binds-to and maps-to on a value element",
     "<MolvoXMLMapping><ElementValueMapping name='a' binds-to='p' maps-to='Title'/></MolvoXMLMapping>", 0,
     "Only one of the binds-to, maps-to and value attributes can be specified at a time for node a"},
    {"value and maps-to on an attribute",
     "<MolvoXMLMapping><ElementObjectMapping name='a'><AttributeMapping name='b' value='1' maps-to='Title'/>"
     "</ElementObjectMapping></MolvoXMLMapping>",
     0, "Only one of the binds-to, maps-to and value attributes can be specified at a time for node b"},
    {"a child without a name",
     "<MolvoXMLMapping><ElementObjectMapping name='a'><ElementValueMapping maps-to='Title'/></ElementObjectMapping>"
     "</MolvoXMLMapping>",
     0, "Node should have uniquely one of 'name' or 'name-regex' or 'name-regex-from' attributes"},
    {"an included mapping with children",
     "<MolvoXMLMapping><ElementObjectMapping name='a' included-mapping='@x'><ElementValueMapping name='b'/>"
     "</ElementObjectMapping></MolvoXMLMapping>",
     0, "Node a with included-mapping attribute '@x' cannot have any child nodes"},
};

class XmlMappingFile : public XmlMappingTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(XmlMappingFile, IsCheckedWithTheDocumentedMessages) {
    const FileCase& c = GetParam();
    EXPECT_EQ(addMapping("m", c.xml), c.result) << errorsJoined();
    if (*c.error) {
        EXPECT_NE(errorsJoined().find(c.error), std::string::npos) << errorsJoined();
    } else {
        EXPECT_EQ(errorsJoined(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlMappingFile, ::testing::ValuesIn(kCases), CaseTitle());

}  // namespace
}  // namespace flk::test
