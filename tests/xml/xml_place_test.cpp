// Where an XML read names the place of what went wrong, what it met but read nothing of, and the
// document type declarations it passes over or refuses.
#include "formats/xml/xml_limits.hpp"
#include "xml_mapping_test.hpp"

namespace flk::test {
namespace {

// Orders whose ids, line products and owner must name elements that exist.
const char* const kExisting = R"(<MolvoXMLMapping><ElementObjectMapping name="orders">
  <AttributeMapping name="owner" binds-to="l" binds-existing="1" binds-skip-non-existing="0"/>
  <ElementObjectMapping name="order">
    <AttributeMapping name="id" binds-to="o"/>
    <ElementObjectMapping name="line">
      <AttributeMapping name="product" binds-to="p" binds-existing="1" binds-skip-non-existing="0"/>
      <ElementValueMapping name="sku" binds-to="p" binds-existing="1" binds-skip-non-existing="0"/>
    </ElementObjectMapping>
  </ElementObjectMapping>
</ElementObjectMapping></MolvoXMLMapping>)";

// Orders enough to fill several runs, each line naming an existing product.
std::string manyOrders(int count) {
    std::string text = "<orders>\n";
    for (int i = 0; i < count; ++i)
        text += "  <order id=\"o" + std::to_string(i) + "\"><line product=\"apple\"/><line product=\"pear\"/></order>\n";
    return text;
}

// A value that cannot be bound is named by the line and column of its attribute, or of the '<'
// of its element: in the document element's start tag, in its content read whole or in runs.
TEST_F(XmlMappingTest, AValueThatCannotBeBoundIsNamedByItsLineAndColumn) {
    ASSERT_EQ(addMapping("m", kExisting), 1) << errorsJoined();
    constexpr int kMany = 3 * int(kXmlRunBytes / 80);
    struct Case {
        const char* title;
        std::string document, error, place;
    } cases[] = {
        {"an attribute", "<orders>\n  <order id=\"A1\"><line product=\"kiwi\"/></order>\n</orders>",
         "Element kiwi could not be created for index p", "line 2, column 24"},
        {"an element's text", "<orders><order id=\"A1\">\n\t<line><sku>fig</sku></line></order></orders>",
         "Element fig could not be created for index p", "line 2, column 8"},
        {"an attribute of the document element", "<?xml version=\"1.0\"?>\n<orders owner=\"lime\"/>",
         "Element lime could not be created for index l", "line 2, column 9"},
        {"an attribute in a late run of a large document",
         manyOrders(kMany) + "  <order id=\"last\"><line product=\"kiwi\"/></order>\n</orders>",
         "Element kiwi could not be created for index p", "line " + std::to_string(kMany + 2) + ", column 26"},
        {"characters, not bytes", "<orders><order id=\"Zo\xC3\xAB\xC3\xAB\"><line product=\"kiwi\"/></order></orders>",
         "Element kiwi could not be created for index p", "line 1, column 32"},
    };
    for (const Case& c : cases) {
        model().clearErrors();
        EXPECT_EQ(readXml("m", c.document), 0) << c.title;
        EXPECT_EQ(errorsJoined(), "ReadFromStream: " + c.error + "\n" + docName() + ", " + c.place + ": " + c.error + "\n")
            << c.title;
    }
}

// An element that met child elements in a read, none of whose attributes or child elements any
// child of its node read, says so once when the read ends; an element of the node that had
// something read, or that met no child elements, keeps it quiet.
TEST_F(XmlMappingTest, AnElementNodeThatReadNothingOfWhatItMetSaysSo) {
    ASSERT_EQ(addMapping("m", kXmlOrders), 1);
    struct Case {
        const char* title;
        const char* document;
        const char* warning;   // after "Reading <document>: "
    } cases[] = {
        {"child elements of an element", "<orders><order><totl>1</totl><lne/></order><order><totl/></order></orders>",
         "node 'order' read none of the elements it met: 'totl', 'lne'"},
        {"child elements of the document element, read in runs", "<orders><ordr/>\n<ordr/><x>1</x></orders>",
         "node 'orders' read none of the elements it met: 'ordr', 'x'"},
        {"an attribute read is something read", "<orders><order id=\"A1\"><totl>1</totl></order></orders>", ""},
        {"another element of the node read something",
         "<orders><order><totl/></order><order><line product=\"apple\"/></order></orders>", ""},
        {"text alone meets no element", "<orders><order>text</order></orders>", ""},
    };
    for (const Case& c : cases) {
        model().clearErrors();
        EXPECT_EQ(readXml("m", c.document), 1) << c.title;
        EXPECT_EQ(errorsJoined(), *c.warning ? "Reading " + docName() + ": " + c.warning + "\n" : "") << c.title;
    }
}

// A document type declaration is passed over, whatever external definition it names (which is
// never fetched); one with an internal subset, which could define entities, is refused, as is
// one where none may stand.
TEST_F(XmlMappingTest, ADocumentTypeDeclarationIsPassedOverUnlessItHasAnInternalSubset) {
    ASSERT_EQ(addMapping("m", kXmlOrders), 1);
    const char* const orders = "<orders><order id=\"A1\"><total>2</total></order></orders>";
    const std::string read[] = {
        "<!DOCTYPE orders>\n",
        "<?xml version=\"1.0\"?>\n<!DOCTYPE orders SYSTEM \"file:///etc/passwd\">\n",
        "<!DOCTYPE orders PUBLIC \"-//Shop//Orders 1.0//EN\"\n  'http://shop.invalid/orders>.dtd' >",
        "<!-- a comment --><!DOCTYPE\torders ><?shop order?>",
    };
    for (const std::string& prolog : read) {
        model().clearErrors();
        model().empty(L"Total");
        EXPECT_EQ(readXml("m", prolog + orders), 1) << prolog << "\n" << errorsJoined();
        EXPECT_EQ(contents(L"Total"), "A1=2") << prolog;
    }
    struct Refused {
        std::string document, place;
    } refused[] = {
        {"<!DOCTYPE orders [\n  <!ENTITY e \"x\">\n]>\n<orders/>",
         "line 1, column 18: a document type declaration with an internal subset, which is not accepted"},
        {"<!DOCTYPE orders SYSTEM 'orders.dtd' [<!ENTITY e SYSTEM 'file:///etc/passwd'>]><orders>&e;</orders>",
         "line 1, column 38: a document type declaration with an internal subset, which is not accepted"},
        {"<orders/>\n<!DOCTYPE orders>", "line 2, column 1: a document type declaration where none may stand"},
        {"<!DOCTYPE orders>\n<!DOCTYPE orders>\n<orders/>", "line 2, column 1: a document type declaration where none may stand"},
        {"<orders><!DOCTYPE orders></orders>", "line 1, column 9: a document type declaration where none may stand"},
        {"<!DOCTYPE>\n<orders/>", "line 1, column 1: a document type declaration without a name"},
        {"<!DOCTYPE orders SYSTEM>\n<orders/>", "line 1, column 1: a malformed document type declaration"},
        {"<!DOCTYPE orders SYSTEM 'orders.dtd><orders/>", "line 1, column 1: a document type declaration that is not closed"},
    };
    for (const Refused& r : refused) {
        model().clearErrors();
        EXPECT_EQ(readXml("m", r.document), 0) << r.document;
        EXPECT_EQ(errorsJoined(), "ReadFromStream: Error parsing XML document " + docName() + "\n" + docName() + ", " +
                                      r.place + "\n");
    }
}

}  // namespace
}  // namespace flk::test
