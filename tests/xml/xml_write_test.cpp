// Writing XML documents: a table of mapping, model data and the exact text written, each read
// back by the same mapping to the same identifier contents; and the writes that must fail.
#include "xml_mapping_test.hpp"

#include <limits>

namespace flk::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct WriteCase {
    const char* title;
    const char* mapping;
    std::vector<Assign> data;
    const char* written;
    int pretty = 0;
    bool roundTrip = true;   // false where the write leaves values out on purpose
};

const char* const kDeclaration = "<?xml version=\"1.0\"?>";

const char* const kPrices = R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
  <ElementValueMapping name-regex=".*" name-binds-to="p" maps-to="Price"/></ElementObjectMapping></MolvoXMLMapping>)";

const std::vector<Assign> kOrderData = {{L"Qty", {L"A1", L"pear"}, 2.0},
                                        {L"Total", {L"A1"}, 4.0},
                                        {L"Customer", {L"A2"}, std::wstring(L"Zo\u00eb")},
                                        {L"Qty", {L"A1", L"apple"}, 3.0}};

const WriteCase kCases[] = {
    {"nested elements and attributes", kXmlOrders, kOrderData,
     "<?xml version=\"1.0\"?><orders><order id=\"A1\"><total>4.0</total><line product=\"apple\"><qty>3</qty></line>"
     "<line product=\"pear\"><qty>2</qty></line></order><order id=\"A2\" customer=\"Zo\xC3\xAB\"/></orders>"},
    {"pretty output indents with a tab per level", kXmlOrders, kOrderData,
     "<?xml version=\"1.0\"?>\n<orders>\n\t<order id=\"A1\">\n\t\t<total>4.0</total>\n\t\t<line product=\"apple\">\n"
     "\t\t\t<qty>3</qty>\n\t\t</line>\n\t\t<line product=\"pear\">\n\t\t\t<qty>2</qty>\n\t\t</line>\n\t</order>\n"
     "\t<order id=\"A2\" customer=\"Zo\xC3\xAB\" />\n</orders>\n",
     1},
    {"no data still writes the document element", kXmlOrders, {}, "<?xml version=\"1.0\"?><orders/>"},
    {"no data written pretty", kXmlOrders, {}, "<?xml version=\"1.0\"?>\n<orders />\n", 1},
    {"the namespace URI is the document element's last attribute",
     R"(<MolvoXMLMapping namespace-uri="urn:shop"><ElementObjectMapping name="prices">
          <AttributeMapping name="currency" value="EUR"/>
          <ElementValueMapping name-regex=".*" name-binds-to="p" maps-to="Price"/></ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Price", {L"apple"}, 1.0}},
     "<?xml version=\"1.0\"?><prices currency=\"EUR\" xmlns=\"urn:shop\"><apple>1.0</apple></prices>"},
    {"numbers in their shortest form, whole ones with .0", kPrices,
     {{L"Price", {L"apple"}, 2.0}, {L"Price", {L"pear"}, 0.1}, {L"Price", {L"fig"}, 1e21}, {L"Price", {L"kiwi"}, -1e-7},
      {L"Price", {L"lime"}, 123456.789}},
     "<?xml version=\"1.0\"?><prices><apple>2.0</apple><pear>0.1</pear><fig>1e21</fig><kiwi>-1e-7</kiwi>"
     "<lime>123456.789</lime></prices>"},
    {"numbers no decimal stands for as XML writes them", kPrices,
     {{L"Price", {L"apple"}, kNaN}, {L"Price", {L"pear"}, kInfinity}, {L"Price", {L"fig"}, -kInfinity}},
     "<?xml version=\"1.0\"?><prices><apple>NaN</apple><pear>INF</pear><fig>-INF</fig></prices>"},
    {"integers, strings and element names",
     R"(<MolvoXMLMapping><ElementObjectMapping name="products"><ElementObjectMapping name="product">
          <AttributeMapping name="name" binds-to="p"/><AttributeMapping name="count" maps-to="Count"/>
          <ElementValueMapping name="label" maps-to="Label"/></ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Count", {L"apple"}, -3.0}, {L"Label", {L"pear"}, std::wstring(L"1.5")}},
     "<?xml version=\"1.0\"?><products><product name=\"apple\" count=\"-3\"/><product name=\"pear\"><label>1.5</label>"
     "</product></products>"},
    {"text and attribute values are escaped so that they read back",
     R"(<MolvoXMLMapping><ElementObjectMapping name="products"><ElementValueMapping name="title" maps-to="Title"/>
          <ElementObjectMapping name-regex=".*" name-binds-to="p"><AttributeMapping name="label" maps-to="Label"/>
          </ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Title", {}, std::wstring(L"a<b&c>\"d'e\tf\r\ng ]]> ")}, {L"Label", {L"apple"}, std::wstring(L"a<b&c>\"d'e\tf\r\ng ")}},
     "<?xml version=\"1.0\"?><products><title>a&lt;b&amp;c&gt;\"d'e\tf&#13;\ng ]]&gt; </title>"
     "<apple label=\"a&lt;b&amp;c>&quot;d'e&#09;f&#13;&#10;g \"/></products>"},
    {"dense-children writes defaults",
     R"(<MolvoXMLMapping><ElementObjectMapping name="products"><ElementObjectMapping name-regex=".*" name-binds-to="p" dense-children="1">
          <AttributeMapping name="count" maps-to="Count"/><ElementValueMapping name="price" maps-to="Price"/>
          <ElementValueMapping name="label" maps-to="Label"/></ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Price", {L"apple"}, 1.0}},
     "<?xml version=\"1.0\"?><products><apple count=\"0\"><price>1.0</price><label/></apple></products>"},
    {"force-dense keeps elements without data",
     R"(<MolvoXMLMapping><ElementObjectMapping name="products"><ElementObjectMapping name-regex=".*" name-binds-to="p" force-dense="Keep">
          <ElementValueMapping name="price" maps-to="Price"/></ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Keep", {L"pear"}, 1.0}, {L"Price", {L"apple"}, 2.0}},
     "<?xml version=\"1.0\"?><products><apple><price>2.0</price></apple><pear/></products>"},
    {"force-dense on values writes their defaults",
     R"(<MolvoXMLMapping><ElementObjectMapping name="products"><ElementObjectMapping name-regex=".*" name-binds-to="p">
          <ElementValueMapping name="count" maps-to="Count" force-dense="Keep"/>
          <AttributeMapping name="label" maps-to="Label" force-dense="Keep"/></ElementObjectMapping></ElementObjectMapping>
        </MolvoXMLMapping>)",
     {{L"Keep", {L"pear"}, 1.0}, {L"Count", {L"apple"}, 2.0}},
     "<?xml version=\"1.0\"?><products><apple><count>2</count></apple><pear label=\"\"><count>0</count></pear></products>"},
    {"an element without data for its tuple is left out",
     R"(<MolvoXMLMapping><ElementObjectMapping name="orders"><ElementObjectMapping name-regex=".*" name-binds-to="o">
          <ElementObjectMapping name="lines"><ElementValueMapping name-regex=".*" name-binds-to="p" maps-to="Qty"/></ElementObjectMapping>
          <ElementValueMapping name="total" maps-to="Total"/></ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Total", {L"A1"}, 1.0}, {L"Qty", {L"A2", L"apple"}, 2.0}},
     "<?xml version=\"1.0\"?><orders><A1><total>1.0</total></A1><A2><lines><apple>2</apple></lines></A2></orders>"},
    {"write-filter selects tuples",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name-regex=".*" name-binds-to="p" maps-to="Price" write-filter="Keep"/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Price", {L"apple"}, 1.0}, {L"Price", {L"pear"}, 2.0}, {L"Keep", {L"pear"}, 1.0}},
     "<?xml version=\"1.0\"?><prices><pear>2.0</pear></prices>", 0, false},
    {"const-binds-to writes its one element",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name="apple" const-binds-to="p" const-binds-value="apple" maps-to="Price"/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Price", {L"apple"}, 1.0}, {L"Price", {L"pear"}, 2.0}}, "<?xml version=\"1.0\"?><prices><apple>1.0</apple></prices>", 0,
     false},
    {"constant values and bound element names",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices"><ElementObjectMapping name="price">
          <AttributeMapping name="kind" value="fruit"/><AttributeMapping name="of" binds-to="p"/>
          <ElementValueMapping name="v" maps-to="Price"/></ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Price", {L"pear"}, 1.0}},
     "<?xml version=\"1.0\"?><prices><price kind=\"fruit\" of=\"pear\"><v>1.0</v></price></prices>"},
    {"a value element with attributes",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name="price" maps-to="Price"><AttributeMapping name="of" binds-to="p"/>
            <AttributeMapping name="label" maps-to="Label"/></ElementValueMapping></ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Price", {L"apple"}, 1.5}, {L"Label", {L"apple"}, std::wstring(L"green")}, {L"Price", {L"pear"}, 2.0}},
     "<?xml version=\"1.0\"?>\n<prices>\n\t<price of=\"apple\" label=\"green\">1.5</price>\n\t<price of=\"pear\">2.0</price>\n"
     "</prices>\n",
     1},
    {"a value element as the document element", R"(<MolvoXMLMapping><ElementValueMapping name="title" maps-to="Title"/></MolvoXMLMapping>)",
     {{L"Title", {}, std::wstring(L"x")}}, "<?xml version=\"1.0\"?><title>x</title>"},
    {"an empty value element as the document element",
     R"(<MolvoXMLMapping><ElementValueMapping name="title" maps-to="Title"/></MolvoXMLMapping>)", {},
     "<?xml version=\"1.0\"?>\n<title />\n", 1},
    {"write-normalize decomposes written names",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name-regex=".*" name-binds-to="p" write-normalize="nfd" maps-to="Price"/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Price", {L"caf\u00e9"}, 1.0}}, "<?xml version=\"1.0\"?><prices><cafe\xCC\x81>1.0</cafe\xCC\x81></prices>", 0, false},
    {"write-normalize decomposes written strings, in text and in attributes",
     R"(<MolvoXMLMapping><ElementObjectMapping name="products"><ElementObjectMapping name="product">
          <AttributeMapping name="name" binds-to="p"/><AttributeMapping name="label" maps-to="Label" write-normalize="nfd"/>
          <ElementValueMapping name="note" maps-to="Label" write-normalize="nfd"/>
        </ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Label", {L"apple"}, std::wstring(L"caf\u00e9")}},
     "<?xml version=\"1.0\"?><products><product name=\"apple\" label=\"cafe\xCC\x81\"><note>cafe\xCC\x81</note></product>"
     "</products>",
     0, false},
    {"write-normalize composes written strings; without it they stay as stored",
     R"(<MolvoXMLMapping><ElementObjectMapping name="products"><ElementObjectMapping name="product">
          <AttributeMapping name="name" binds-to="p"/><AttributeMapping name="label" maps-to="Label"/>
          <ElementValueMapping name="note" maps-to="Label" write-normalize="nfc"/>
        </ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Label", {L"apple"}, std::wstring(L"cafe\u0301")}},
     "<?xml version=\"1.0\"?><products><product name=\"apple\" label=\"cafe\xCC\x81\"><note>caf\xC3\xA9</note></product>"
     "</products>",
     0, false},
    {"name-regex-prefix and postfix frame written names",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name-regex="[a-z]+" name-regex-prefix="p_" name-regex-postfix="_x" name-binds-to="p" maps-to="Price"/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Price", {L"apple"}, 1.0}}, "<?xml version=\"1.0\"?><prices><p_apple_x>1.0</p_apple_x></prices>"},
    {"element parameters write element names",
     R"(<MolvoXMLMapping><ElementObjectMapping name="orders">
          <ElementValueMapping name-regex=".*" name-binds-to="o" maps-to="Favourite"/></ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Favourite", {L"A1"}, std::wstring(L"pear")}}, "<?xml version=\"1.0\"?><orders><A1>pear</A1></orders>"},
    {"iterative-binds-to writes an element per tuple",
     R"(<MolvoXMLMapping><ElementObjectMapping name="notes" iterative-reset="1">
          <ElementValueMapping name="note" iterative-binds-to="l" iterative-prefix="n" maps-to="Note"/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     {{L"Note", {L"n1"}, std::wstring(L"a")}, {L"Note", {L"n2"}, std::wstring(L"b")}},
     "<?xml version=\"1.0\"?><notes><note>a</note><note>b</note></notes>"},
};

class XmlWrite : public XmlMappingTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(XmlWrite, WritesTheDocumentAndReadsItBack) {
    const WriteCase& c = GetParam();
    assignAll(c.data);
    ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
    auto snapshot = [&] {
        std::vector<std::string> all;
        for (const wchar_t* id : {L"Price", L"Count", L"Label", L"Qty", L"Total", L"Customer", L"Favourite", L"Title", L"Note"})
            all.push_back(contents(id));
        return all;
    };
    std::vector<std::string> before = snapshot();
    EXPECT_EQ(writeXml("m", c.pretty), c.written) << errorsJoined();
    // What the mapping wrote, the mapping reads back to the same contents.
    ASSERT_EQ(ReadFromFile(path("out.xml").c_str(), L"m", 1, 0, 1), 1) << errorsJoined();
    if (c.roundTrip) {
        EXPECT_EQ(snapshot(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlWrite, ::testing::ValuesIn(kCases), CaseTitle());

// A write that fails leaves no document behind, and says why.
TEST_F(XmlMappingTest, NamesThatAreNoXmlNamesAndTextXmlCannotHoldFailTheWrite) {
    ASSERT_EQ(addMapping("m", kPrices), 1);
    model().assign(L"Products", {L"\u00c4pfel (Elstar)"}, 1.0);
    model().assign(L"Price", {L"\u00c4pfel (Elstar)"}, 1.0);
    EXPECT_EQ(writeXml("m"), "<failed>");
    std::string document = toUtf8(path("out.xml"));
    EXPECT_EQ(errorsJoined(), "WriteToStream: Node '.*' cannot write '\xC3\x84pfel (Elstar)' as an XML name\n"
                              "WriteToStream: Error generating XML document " + document + "\n");
    EXPECT_FALSE(std::filesystem::exists(path("out.xml")));

    model().clearErrors();
    ASSERT_EQ(addMapping("t", R"(<MolvoXMLMapping><ElementValueMapping name="title" maps-to="Title"/></MolvoXMLMapping>)"), 1);
    model().assign(L"Title", {}, std::wstring(L"bell\u0007"));
    EXPECT_EQ(writeXml("t"), "<failed>");
    EXPECT_EQ(errorsJoined(), "WriteToStream: Node 'title' cannot write a text holding the character U+0007, which XML "
                              "documents cannot hold\nWriteToStream: Error generating XML document " + document + "\n");
}

TEST_F(XmlMappingTest, AStreamIsLeftUntouchedByAWriteThatFailsHalfway) {
    ASSERT_EQ(addMapping("m", kPrices), 1);
    for (std::wstring name : {L"apple", L"pear", L"zz z"}) {   // the last element written has no XML name
        model().assign(L"Products", {name}, 1.0);
        model().assign(L"Price", {name}, 1.0);
    }
    EXPECT_EQ(WriteToFile(L"#out", L"m", 0), 0);
    EXPECT_NE(errorsJoined().find("cannot write 'zz z' as an XML name"), std::string::npos) << errorsJoined();
    EXPECT_EQ(WriteStreamToFile("#out", toUtf8(path("stream.xml")).c_str()), 1);
    EXPECT_EQ(read(path("stream.xml")), "");
}

// A document element named after an element is written once: a second one would make two
// documents.
TEST_F(XmlMappingTest, ADocumentElementWrittenTwiceFails) {
    ASSERT_EQ(addMapping("m", R"(<MolvoXMLMapping><ElementValueMapping name-regex=".*" name-binds-to="p" maps-to="Price"/>
        </MolvoXMLMapping>)"), 1);
    model().assign(L"Price", {L"apple"}, 1.0);
    EXPECT_EQ(writeXml("m"), "<?xml version=\"1.0\"?><apple>1.0</apple>");
    model().assign(L"Price", {L"pear"}, 2.0);
    EXPECT_EQ(writeXml("m"), "<failed>");
    EXPECT_NE(errorsJoined().find("writes 2 document elements where a document has one"), std::string::npos) << errorsJoined();
}

// A base64 embedded document is written by its own mapping and read back through it.
TEST_F(XmlMappingTest, EmbeddedDocumentsRoundTripInBase64) {
    ASSERT_EQ(addMapping("inner", kPrices), 1);
    ASSERT_EQ(addMapping("outer", R"(<MolvoXMLMapping><ElementObjectMapping name="d">
          <ElementValueMapping name="doc" embedded-mapping="inner" base64-encoded="1"/>
          <ElementValueMapping name="raw" embedded-mapping="inner"/><ElementValueMapping name="title" maps-to="Title"/>
        </ElementObjectMapping></MolvoXMLMapping>)"), 1);
    model().assign(L"Price", {L"apple"}, 2.0);
    model().assign(L"Title", {}, std::wstring(L"t"));
    // <?xml version="1.0"?><prices><apple>2.0</apple></prices>
    EXPECT_EQ(writeXml("outer"), "<?xml version=\"1.0\"?><d><doc>PD94bWwgdmVyc2lvbj0iMS4wIj8+PHByaWNlcz48YXBwbGU+Mi4wPC9hcHBsZT48L3ByaWNlcz4="
                                 "</doc><raw>&lt;?xml version=\"1.0\"?&gt;&lt;prices&gt;&lt;apple&gt;2.0&lt;/apple&gt;"
                                 "&lt;/prices&gt;</raw><title>t</title></d>");
    model().empty(L"Price");
    ASSERT_EQ(ReadFromFile(path("out.xml").c_str(), L"outer", 0, 0, 0), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Price"), "apple=2");
}

}  // namespace
}  // namespace flk::test
