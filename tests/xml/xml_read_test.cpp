// Reading XML documents: one table of mapping, document and the identifier contents it gives.
#include "support/log_capture.hpp"
#include "xml_mapping_test.hpp"

namespace flk::test {
namespace {

using namespace std::string_literals;   // documents with NUL bytes in them

struct ReadCase {
    const char* title;
    const char* mapping;
    std::string document;
    int result;
    std::vector<std::pair<const wchar_t*, const char*>> expected;   // identifier, contents
    const char* error = "";   // expected in the raised errors; all of them when it ends in a line end
};

// Products with an integer and a number in attributes and a label as element text.
const char* const kProducts = R"(<MolvoXMLMapping><ElementObjectMapping name="products">
  <ElementObjectMapping name="product">
    <AttributeMapping name="name" binds-to="p"/>
    <AttributeMapping name="count" maps-to="Count"/>
    <AttributeMapping name="price" maps-to="Price"/>
    <ElementValueMapping name="label" maps-to="Label"/>
  </ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)";
const char* const kPriceElements = R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
  <ElementValueMapping name-regex=".*" name-binds-to="p" maps-to="Price"/></ElementObjectMapping></MolvoXMLMapping>)";
// Order lines that name their order again, inside the order that binds it.
const char* const kLinesNamingOrder = R"(<MolvoXMLMapping><ElementObjectMapping name="orders">
  <ElementObjectMapping name="order"><AttributeMapping name="id" binds-to="o"/>
    <ElementObjectMapping name="line"><AttributeMapping name="order" binds-to="o"/>
      <AttributeMapping name="product" binds-to="p"/><AttributeMapping name="qty" maps-to="Qty"/>
  </ElementObjectMapping></ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)";
const char* const kTitle = R"(<MolvoXMLMapping><ElementValueMapping name="title" maps-to="Title"/></MolvoXMLMapping>)";

const char* const kParseError = "ReadFromStream: Error parsing XML document ";

const ReadCase kCases[] = {
    {"nested elements and attributes", kXmlOrders,
     R"(<orders><order id="A1" customer="Zoë"><total>12.5</total><line product="apple"><qty>3</qty></line>
        <line product="kiwi"><qty>2</qty></line></order><order id="A2" customer="Bob"><total>3</total></order></orders>)",
     1, {{L"Customer", "A1=Zoë A2=Bob"}, {L"Total", "A1=12.5 A2=3"}, {L"Qty", "A1,apple=3 A1,kiwi=2"}}},
    {"an index attribute after the values that depend on it is read first", kXmlOrders,
     R"(<orders><order customer="Ann" id="B1"><line product="pear"><qty>4</qty></line></order></orders>)", 1,
     {{L"Customer", "B1=Ann"}, {L"Qty", "B1,pear=4"}}},
    {"an index element after the values that depend on it is read first",
     R"(<MolvoXMLMapping><ElementObjectMapping name="orders"><ElementObjectMapping name="order">
          <ElementValueMapping name="total" maps-to="Total"/><ElementValueMapping name="id" binds-to="o"/>
        </ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     "<orders><order><total>7</total><id>B1</id></order><order><id>B2</id><total>8</total></order></orders>", 1,
     {{L"Total", "B1=7 B2=8"}}},
    {"a declaration, comments, instructions and a byte-order mark around the element", kXmlOrders,
     "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- book --><?app x?>\n"
     "<orders><order id=\"A1\"><total>1</total></order></orders>\n<!-- end -->\n",
     1, {{L"Total", "A1=1"}}},
    {"the document element's name is not checked", kXmlOrders, R"(<book><order id="A1"><total>1</total></order></book>)", 1,
     {{L"Total", "A1=1"}}},
    {"names are compared exactly: other letter case is ignored", kXmlOrders,
     R"(<orders><Order id="A1"><total>1</total></Order><order ID="A2" id="A3"><Total>2</Total></order></orders>)", 1,
     {{L"Total", ""}, {L"Customer", ""}}},
    {"numbers in attributes and text read from their start, never failing", kProducts,
     R"(<products><product name="apple" count="12abc" price="2.5kg"><label>a</label></product>
          <product name="pear" count="abc" price="kg"/><product name="fig" count="0x1F" price=" -1e2 "/>
          <product name="kiwi" count="  -0X10" price="0x10"/><product name="lime" count="99999999999" price="1e999"/>
          <product name="plum" count="-99999999999" price="-1e999"/><product name="nut" count="010" price="1e-999"/></products>)",
     1,
     {{L"Count", "apple=12 fig=31 kiwi=-16 lime=2.14748e+09 plum=-2.14748e+09 nut=10"},
      {L"Price", "apple=2.5 fig=-100 lime=inf plum=-inf"}, {L"Label", "apple=a"}},
     ": 2 values for Count were outside the 32-bit integer range and were stored as -2147483648 or 2147483647"},
    {"INF, -INF and NaN read as the numbers they stand for", kPriceElements,
     "<prices><apple>INF</apple><pear> -INF </pear><fig>NaN</fig><kiwi>inf</kiwi></prices>", 1,
     {{L"Price", "apple=inf pear=-inf fig=nan"}}},
    {"text is unescaped, CDATA and text split by comments are joined", kPriceElements,
     "<prices><apple>1<!-- c -->2<![CDATA[.5]]></apple><pear>&#51;&#x2E;5</pear></prices>", 1,
     {{L"Price", "apple=12.5 pear=3.5"}}},
    {"text keeps its blanks, and blanks alone are text", kProducts,
     "<products><product name='apple'><label> a &amp; b </label></product><product name='pear'><label>  </label></product>"
     "<product name='fig'><label>x&#13;\r\ny</label></product></products>",
     1, {{L"Label", "apple= a & b  pear=   fig=x\r\ny"}}},
    {"attribute values are unescaped and their line ends read as blanks", kProducts,
     "<products><product name=\"a&lt;b&amp;c&quot;d&apos;e\" count=\"1\"/><product name=\"x\ny\" count='2'/>"
     "<product name=\"t&#9;u&#10;v\" count='3'/></products>",
     1, {{L"Count", "a<b&c\"d'e=1 x y=2 t\tu\nv=3"}}},
    {"an empty element reads as 0 or the empty text", kProducts,
     "<products><product name='apple' count=''><label/></product></products>", 1, {{L"Count", ""}, {L"Label", ""}}},
    {"attributes bind elements by pattern",
     R"x(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <AttributeMapping name-regex="p_(.*)" name-binds-to="p" maps-to="Price"/>
          <AttributeMapping name="p_fixed" maps-to="Title"/></ElementObjectMapping></MolvoXMLMapping>)x",
     R"(<prices p_apple="1" p_pear="2" other="3" p_fixed="exact"/>)", 1, {{L"Price", "apple=1 pear=2"}, {L"Title", "=exact"}}},
    {"attributes and elements of one name are told apart",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name="v" maps-to="Title"/>
          <ElementObjectMapping name-regex=".*" name-binds-to="p"><AttributeMapping name="v" maps-to="Price"/></ElementObjectMapping>
        </ElementObjectMapping></MolvoXMLMapping>)",
     R"(<prices v="no"><v>text</v><apple v="1"><v>2</v></apple></prices>)", 1, {{L"Price", "apple=1"}, {L"Title", "=text"}}},
    {"name-regex-prefix and postfix frame the pattern",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name-regex="[a-z]+" name-regex-prefix="p_" name-regex-postfix="_x" name-binds-to="p" maps-to="Price"/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     "<prices><p_apple_x>1</p_apple_x><p_pear>2</p_pear></prices>", 1, {{L"Price", "apple=1"}}},
    {"name-regex-from matches the set's names",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name-regex-from="Fruit" name-binds-to="p" maps-to="Price"/></ElementObjectMapping></MolvoXMLMapping>)",
     "<prices><apple>1</apple><pear>2</pear></prices>", 1, {{L"Price", "apple=1"}}},
    {"binds-existing skips elements named after no element",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name-regex=".*" name-binds-to="p" binds-existing="1" maps-to="Price"/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     "<prices><apple>1</apple><kiwi>2</kiwi></prices>", 1, {{L"Price", "apple=1"}}},
    {"binds-existing with skipping off reports the name",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name-regex=".*" name-binds-to="p" binds-existing="1" binds-skip-non-existing="0" maps-to="Price"/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     "<prices><kiwi>2</kiwi></prices>", 0, {}, "Element kiwi could not be created for index p"},
    {"an index attribute that names no element skips its element",
     R"(<MolvoXMLMapping><ElementObjectMapping name="products"><ElementObjectMapping name="product">
          <AttributeMapping name="name" binds-to="p" binds-existing="1"/><ElementValueMapping name="price" maps-to="Price"/>
        </ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     "<products><product name='kiwi'><price>1</price></product><product name='pear'><price>2</price></product></products>", 1,
     {{L"Price", "pear=2"}}},
    {"an index attribute of a value element that names no element skips the element",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name="price" maps-to="Price"><AttributeMapping name="of" binds-to="p" binds-existing="1"/>
          </ElementValueMapping></ElementObjectMapping></MolvoXMLMapping>)",
     "<prices><price of='kiwi'>1</price><price of='pear'>2</price></prices>", 1, {{L"Price", "pear=2"}}},
    {"iterative-binds-to numbers repeated elements",
     R"(<MolvoXMLMapping><ElementObjectMapping name="notes">
          <ElementValueMapping name="note" iterative-binds-to="l" iterative-prefix="line-" maps-to="Note"/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     "<notes><note>a</note><other/><note>b</note></notes>", 1, {{L"Note", "line-1=a line-2=b"}}},
    {"iterative-binds-to on object elements",
     R"(<MolvoXMLMapping><ElementObjectMapping name="notes" iterative-reset="1">
          <ElementObjectMapping name="note" iterative-binds-to="l" iterative-prefix="n"><AttributeMapping name="text" maps-to="Note"/>
          </ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     "<notes><note text='a'/><note text='b'/></notes>", 1, {{L"Note", "n1=a n2=b"}}},
    {"const-binds-to fixes an element",
     R"x(<MolvoXMLMapping><ElementObjectMapping name="orders"><ElementObjectMapping name="apples" const-binds-to="p" const-binds-value="apple">
          <ElementValueMapping name-regex=".*" name-binds-to="o" maps-to="Qty(o,p)"/></ElementObjectMapping>
        </ElementObjectMapping></MolvoXMLMapping>)x",
     "<orders><apples><A1>3</A1><A2>1</A2></apples></orders>", 1, {{L"Qty", "A1,apple=3 A2,apple=1"}}},
    {"maps-to and force-dense mark the object elements met",
     R"(<MolvoXMLMapping><ElementObjectMapping name="products">
          <ElementObjectMapping name-regex=".*" name-binds-to="p" maps-to="Present" force-dense="Keep">
            <AttributeMapping name="price" maps-to="Price"/></ElementObjectMapping>
        </ElementObjectMapping></MolvoXMLMapping>)",
     "<products><apple price='2'/><pear/></products>", 1,
     {{L"Present", "apple=1 pear=1"}, {L"Keep", "apple=1 pear=1"}, {L"Price", "apple=2"}}},
    {"element parameters take element names, range-existing refuses new ones",
     R"(<MolvoXMLMapping><ElementObjectMapping name="orders"><ElementObjectMapping name="order">
          <AttributeMapping name="id" binds-to="o"/><AttributeMapping name="fav" maps-to="Favourite" range-existing="1"/>
        </ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)",
     "<orders><order id='A1' fav='pear'/><order id='A2' fav='fig'/></orders>", 1, {{L"Favourite", "A1=pear"}}},
    {"read-normalize composes names",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name-regex=".*" name-binds-to="p" read-normalize="nfc" maps-to="Price"/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     "<prices><cafe\xCC\x81>1</cafe\xCC\x81></prices>", 1, {{L"Price", "caf\xC3\xA9=1"}}},
    {"a value element as the document element", kTitle, "<title>Spring &amp; more</title>", 1, {{L"Title", "=Spring & more"}}},
    {"a value element's attributes are read with its text",
     R"(<MolvoXMLMapping><ElementObjectMapping name="prices">
          <ElementValueMapping name="price" maps-to="Price"><AttributeMapping name="of" binds-to="p"/>
            <AttributeMapping name="label" maps-to="Label"/></ElementValueMapping>
        </ElementObjectMapping></MolvoXMLMapping>)",
     "<prices><price label='green' of='apple'>1.5</price><price of='pear'>2</price></prices>", 1,
     {{L"Price", "apple=1.5 pear=2"}, {L"Label", "apple=green"}}},
    {"prefixed names are names like others",
     R"(<MolvoXMLMapping><ElementObjectMapping name="b:prices">
          <ElementValueMapping name="b:apple" const-binds-to="p" const-binds-value="apple" maps-to="Price"/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     "<b:prices xmlns:b='urn:b'><b:apple>4</b:apple><apple>5</apple></b:prices>", 1, {{L"Price", "apple=4"}}},
    {"embedded documents in base64 element text",
     R"(<MolvoXMLMapping><ElementObjectMapping name="d"><ElementValueMapping name="doc" embedded-mapping="m" base64-encoded=""/>
        </ElementObjectMapping></MolvoXMLMapping>)",
     "<d><doc>\n  PHRpdGxlPng8L3RpdGxlPg==</doc></d>", 0, {}, "Base64-encoded string contains invalid characters"},
    {"a document in UTF-16 with a byte-order mark", kTitle,
     "\xFF\xFE<\0t\0i\0t\0l\0e\0>\0\xE9\0<\0/\0t\0i\0t\0l\0e\0>\0"s, 1, {{L"Title", "=\xC3\xA9"}}},
    {"a document in UTF-16 without a byte-order mark", kTitle,
     "\0<\0?\0x\0m\0l\0?\0>\0<\0t\0i\0t\0l\0e\0>\0x\0<\0/\0t\0i\0t\0l\0e\0>"s, 1, {{L"Title", "=x"}}},
    {"a document in the encoding its declaration names", kTitle,
     "<?xml version='1.0' encoding='ISO-8859-1'?><title>caf\xE9</title>", 1, {{L"Title", "=caf\xC3\xA9"}}},
    // Malformed documents fail before any value is read.
    {"mismatched tags fail", kXmlOrders, "<orders><order id='A1'><total>1</order></orders>", 0, {{L"Total", ""}}, kParseError},
    {"an unclosed document element fails", kXmlOrders, "<orders><order id='A1'><total>1</total></order>", 0, {{L"Total", ""}},
     kParseError},
    {"an attribute naming its enclosing element's index confirms the element bound there", kLinesNamingOrder,
     "<orders><order id='A1'><line order=' A1' product='apple' qty='3'/></order>"
     "<order id='A2'><line product='pear' qty='4'/></order></orders>",
     1, {{L"Qty", "A1,apple=3 A2,pear=4"}, {L"Orders", "A1=1 A2=1"}}},
    {"an attribute naming another element than its enclosing element bound fails, creating none", kLinesNamingOrder,
     "<orders><order id='A1'><line order='B7' product='apple' qty='3'/></order></orders>", 0, {{L"Orders", "A1=1"}},
     "ReadFromStream: Value B7 of index o does not match its element A1 bound by the enclosing element\n/"},
    {"a second document element fails", kXmlOrders, "<orders><order id='A1'><total>1</total></order></orders><orders/>", 0,
     {{L"Total", ""}}, kParseError},
    {"text after the document element fails", kXmlOrders, "<orders><order id='A1'><total>1</total></order></orders>x", 0,
     {{L"Total", ""}}, kParseError},
    {"an empty document fails", kXmlOrders, " \n", 0, {}, kParseError},
    {"a document type declaration with an internal subset fails", kXmlOrders,
     "<!DOCTYPE orders [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><orders><order id='&b;'/></orders>", 0,
     {{L"Orders", ""}}, kParseError},
    {"an undefined entity fails", kXmlOrders, "<orders><order id='A1' customer='&nbsp;'/></orders>", 0, {{L"Customer", ""}},
     kParseError},
    {"a bare ampersand fails", kXmlOrders, "<orders><order id='A1'><total>1 & 2</total></order></orders>", 0, {{L"Total", ""}},
     kParseError},
    {"a reference to NUL fails", kXmlOrders, "<orders><order id='A1' customer='a&#0;b'/></orders>", 0, {{L"Customer", ""}},
     kParseError},
    {"a NUL byte fails", kXmlOrders, "<orders><order id='A1' customer='a\0b'/></orders>"s, 0, {{L"Customer", ""}}, kParseError},
    {"invalid UTF-8 fails", kXmlOrders, "<orders><order id='A1' customer='\xFF\xFE'/></orders>", 0, {{L"Customer", ""}},
     kParseError},
    {"a character cut at the end fails", kTitle, "<title>\xE2\x82", 0, {}, kParseError},
    {"an instruction whose target runs into other text fails", kXmlOrders,
     "<orders><?app!x?><order id='A1'/></orders>", 0, {{L"Orders", ""}}, kParseError},
    {"'<' in an attribute value fails", kXmlOrders, "<orders><order id='A<1'/></orders>", 0, {}, kParseError},
    {"an unquoted attribute value fails", kXmlOrders, "<orders><order id=A1/></orders>", 0, {}, kParseError},
    {"a malformed attribute of the document element fails", kXmlOrders, "<orders a='1' a><order id='A1'/></orders>", 0,
     {{L"Orders", ""}}, kParseError},
    {"a malformed document element that is a value fails", kTitle, "<title a=>x</title>", 0, {{L"Title", ""}}, kParseError},
    {"a namespace qualifies names unless they begin with ::",
     R"(<MolvoXMLMapping molvo-namespace="shop"><ElementValueMapping name="title" maps-to="::Title"/></MolvoXMLMapping>)",
     "<title>T</title>", 1, {{L"Title", "=T"}}},
};

class XmlRead : public XmlMappingTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(XmlRead, GivesTheIdentifierContents) {
    const ReadCase& c = GetParam();
    // A small mapping for the documents embedded in others.
    ASSERT_EQ(addMapping("m", kTitle), 1) << errorsJoined();
    ASSERT_EQ(addMapping("x", c.mapping), 1) << errorsJoined();
    model().clearErrors();   // warnings about the mapping: only the read's own messages are compared
    EXPECT_EQ(readXml("x", c.document, 0, 1), c.result) << errorsJoined();
    for (const auto& [identifier, expected] : c.expected) EXPECT_EQ(contents(identifier), expected) << toUtf8(identifier);
    if (*c.error) {
        std::string expected = c.error;
        if (expected.back() == '\n') EXPECT_EQ(errorsJoined(), expected);
        else EXPECT_NE(errorsJoined().find(expected), std::string::npos) << errorsJoined();
    }
    // A read that succeeds raises nothing but the warnings the case expects.
    if (c.result == 1 && !*c.error) {
        EXPECT_EQ(errorsJoined(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlRead, ::testing::ValuesIn(kCases), CaseTitle());

}  // namespace
}  // namespace flk::test
