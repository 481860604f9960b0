// Included mappings and external bindings in XML mappings: the including element's indices reach
// the included mapping, which reads and writes the element's content.
#include "xml_mapping_test.hpp"

#include "molvo/molvo3.h"

namespace flk::test {
namespace {

// The quantities of one order's products, the order given from outside.
const char* const kLines = R"(<MolvoXMLMapping><ExternalBinding binds-to="o" iterative-binding="o"/>
  <ElementObjectMapping name="lines"><ElementValueMapping name-regex=".*" name-binds-to="p" maps-to="Qty"/>
  </ElementObjectMapping></MolvoXMLMapping>)";

class XmlIncluded : public XmlMappingTest {
protected:
    void SetUp() override {
        XmlMappingTest::SetUp();
        model().assign(L"Orders", {L"A1"}, 1.0);
        parameter(L"Picked", {}, molvo::Storage::Element, std::wstring(L"A1"), L"Orders");
        ASSERT_EQ(addMapping("lines", kLines), 1) << errorsJoined();
    }
};

TEST_F(XmlIncluded, TheIncludingElementsIndexReachesTheIncludedMappingBothWays) {
    ASSERT_EQ(addMapping("orders", R"(<MolvoXMLMapping><ElementObjectMapping name="orders">
        <ElementObjectMapping name-regex=".*" name-binds-to="o" included-mapping="@lines"/>
      </ElementObjectMapping></MolvoXMLMapping>)"), 1) << errorsJoined();
    const char* document = "<?xml version=\"1.0\"?><orders><A1><apple>1</apple><pear>2</pear></A1><A2><apple>3</apple></A2></orders>";
    ASSERT_EQ(readXml("orders", document), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Qty"), "A1,apple=1 A1,pear=2 A2,apple=3");
    // Each order's element is named by the including node, as it was read.
    EXPECT_EQ(writeXml("orders"), document);
}

TEST_F(XmlIncluded, AnExternalBindingOfTheRootFixesTheOrderForAWholeReadAndWrite) {
    ASSERT_EQ(addMapping("picked", R"(<MolvoXMLMapping><ExternalBinding binds-to="o" binding="Picked"/>
        <ElementObjectMapping name="lines"><ElementValueMapping name-regex=".*" name-binds-to="p" maps-to="Qty"/>
        </ElementObjectMapping></MolvoXMLMapping>)"), 1) << errorsJoined();
    ASSERT_EQ(readXml("picked", "<lines><apple>5</apple></lines>"), 1) << errorsJoined();
    model().assign(L"Orders", {L"A2"}, 1.0);
    model().assign(L"Qty", {L"A2", L"pear"}, 7.0);
    EXPECT_EQ(contents(L"Qty"), "A1,apple=5 A2,pear=7");
    EXPECT_EQ(writeXml("picked"), "<?xml version=\"1.0\"?><lines><apple>5</apple></lines>");
}

TEST_F(XmlIncluded, AnIncludedMappingOfAnotherKindIsRefused) {
    ASSERT_EQ(addMapping("json", R"(<MolvoJSONMapping><ExternalBinding binds-to="o" iterative-binding="o"/>
        <ObjectMapping><ValueMapping name-regex=".*" name-binds-to="p" maps-to="Qty"/></ObjectMapping></MolvoJSONMapping>)"), 1);
    ASSERT_EQ(addMapping("orders", R"(<MolvoXMLMapping><ElementObjectMapping name="orders">
        <ElementObjectMapping name-regex=".*" name-binds-to="o" included-mapping="@json"/>
      </ElementObjectMapping></MolvoXMLMapping>)"), 1) << errorsJoined();
    EXPECT_EQ(readXml("orders", "<orders><A1><apple>1</apple></A1></orders>"), 0);
    EXPECT_NE(errorsJoined().find("The method or operation is not implemented."), std::string::npos) << errorsJoined();
    EXPECT_EQ(contents(L"Qty"), "");
}

}  // namespace
}  // namespace flk::test
