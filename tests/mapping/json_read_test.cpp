// Reading JSON documents: one table of mapping, document and the identifier contents it gives.
#include "support/mapping_fixture.hpp"
#include "support/log_capture.hpp"

#include <sys/resource.h>

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

// One mapping for each of the three ways a document is read: whole, as a top-level array item by
// item (kOrders), and as a top-level row table row by row.
const char* const kPriceKeys = R"(<MolvoJSONMapping><ObjectMapping>
  <ValueMapping name-regex=".*" name-binds-to="p" maps-to="Price"/></ObjectMapping></MolvoJSONMapping>)";
const char* const kPriceRows = R"(<MolvoJSONMapping><RowOrientedObjectMapping>
  <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
</RowOrientedObjectMapping></MolvoJSONMapping>)";
const char* const kTopValue = R"(<MolvoJSONMapping><ValueMapping maps-to="Title"/></MolvoJSONMapping>)";

const ReadCase kCases[] = {
    {"nested objects and arrays", kOrders,
     R"([{"id":"A1","customer":"Zoë","total":12.5,"lines":[{"product":"apple","qty":3},{"product":"kiwi","qty":2}]},
         {"id":"A2","customer":"Bob","total":3,"lines":[]}])",
     1,
     {{L"Customer", "A1=Zoë A2=Bob"}, {L"Total", "A1=12.5 A2=3"}, {L"Qty", "A1,apple=3 A1,kiwi=2"}}},
    {"an index member after the values that depend on it is still read first", kOrders,
     R"([{"total":7,"lines":[{"qty":4,"product":"pear"}],"customer":"Ann","id":"B1"}])", 1,
     {{L"Total", "B1=7"}, {L"Qty", "B1,pear=4"}, {L"Customer", "B1=Ann"}}},
    {"a byte-order mark is skipped", kOrders, "\xEF\xBB\xBF[{\"id\":\"A1\",\"total\":1}]", 1, {{L"Total", "A1=1"}}},
    {"two top-level values fail", kOrders, R"([{"id":"A1","total":1}] [])", 0, {{L"Total", ""}},
     "ReadFromStream: Error parsing JSON document "},
    {"a byte-order mark before a top-level object or table is skipped",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
        </RowOrientedObjectMapping></MolvoJSONMapping>)",
     "\xEF\xBB\xBF{\"meta\":[\"product\",\"price\"],\"data\":[[\"apple\",2]]}", 1, {{L"Price", "apple=2"}}},
    {"two top-level objects fail",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="p" maps-to="Price"/></ObjectMapping></MolvoJSONMapping>)",
     R"({"apple":1}{"pear":2})", 0, {{L"Price", ""}}, "ReadFromStream: Error parsing JSON document "},
    {"two top-level tables fail",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
        </RowOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"meta":["product","price"],"data":[["apple",2]]} {"meta":[],"data":[]})", 0, {{L"Price", ""}},
     "ReadFromStream: Error parsing JSON document "},
    {"an empty document fails", kOrders, " \n\t ", 0, {}, "Error parsing JSON document"},
    {"trailing commas are not JSON", kOrders, R"([{"id":"A1",}])", 0, {}, "Error parsing JSON document"},
    {"null where an object or array stands is skipped", kOrders, R"([null, {"id":"A1","lines":null}])", 1,
     {{L"Qty", ""}}},
    {"a scalar where an array is expected fails", kOrders, R"({"id":"A1"})", 0, {}, "Node  is not an array"},
    {"a scalar where an object is expected fails", kOrders, R"([3])", 0, {}, "Node '' is not an object"},
    {"null values read as 0 and empty", kOrders, R"([{"id":"A1","total":null,"customer":null}])", 1,
     {{L"Total", ""}, {L"Customer", ""}}},
    {"numbers beyond the int range keep their value, and integers saturate", kOrders,
     R"([{"id":"A1","total":1e35,"lines":[{"product":"apple","qty":1e35},{"product":"pear","qty":-1e35}]}])", 1,
     {{L"Total", "A1=1e+35"}, {L"Qty", "A1,apple=2.14748e+09 A1,pear=-2.14748e+09"}},
     ": 2 values for Qty were outside the 32-bit integer range and were stored as -2147483648 or 2147483647"},
    {"booleans and numbers convert by storage", kOrders,
     R"([{"id":"A1","total":true,"customer":false},{"id":"A2","total":"2.5kg","customer":1.5},
         {"id":"A3","customer":12345678901}])",
     1, {{L"Total", "A1=1 A2=2.5"}, {L"Customer", "A1=false A2=1.5 A3=12345678901"}}},
    {"a string that is no number aborts the read", kOrders, R"([{"id":"A1","total":"many"}])", 0, {},
     "Exception occurred while reading data: invalid stod argument from document "},
    {"an integer string out of range aborts the read", kOrders,
     R"([{"id":"A1","lines":[{"product":"apple","qty":"99999999999"}]}])", 0, {}, "stoi argument out of range"},
    {"element names are trimmed and empty ones skipped", kOrders,
     R"([{"id":" A1\t","total":1},{"id":"","total":2}])", 1, {{L"Total", "A1=1"}}},
    {"name-regex without parentheses binds the whole key",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex="item_.*" name-binds-to="p" maps-to="Price"/>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"item_apple":1,"other":2})", 1, {{L"Price", "item_apple=1"}}},
    {"name-regex with a group binds the group",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex='item_(.*)' name-binds-to='p' maps-to='Price'/>
          <ValueMapping name="item_fixed" maps-to="Title"/>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"item_apple":1,"item_pear":2,"item_fixed":"exact name wins"})", 1,
     {{L"Price", "apple=1 pear=2"}, {L"Title", "=exact name wins"}}},
    {"name-regex-prefix and postfix frame the pattern",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex="[a-z]+" name-regex-prefix="p_" name-regex-postfix="_x" name-binds-to="p" maps-to="Price"/>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"p_apple_x":1,"p_pear":2})", 1, {{L"Price", "apple=1"}}},
    {"name-regex-from matches the set's names literally",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex-from="Fruit" name-binds-to="p" maps-to="Price"/>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"apple":1,"pear":2})", 1, {{L"Price", "apple=1"}}},
    {"binds-existing skips names that are not elements",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="p" binds-existing="1" maps-to="Price"/>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"apple":1,"kiwi":2})", 1, {{L"Price", "apple=1"}}},
    {"binds-existing with skipping off reports the name",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="p" binds-existing="1" binds-skip-non-existing="0" maps-to="Price"/>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"kiwi":2})", 0, {}, "Element kiwi could not be created for index p"},
    {"binds-existing spelled true is false",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="p" binds-existing="true" maps-to="Price"/>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"kiwi":2})", 1, {{L"Price", "kiwi=2"}}},
    {"singleton-as-array reads a bare item",
     R"(<MolvoJSONMapping><ArrayMapping singleton-as-array="1"><ObjectMapping>
          <ValueMapping name="p" binds-to="p"/><ValueMapping name="v" maps-to="Price"/>
        </ObjectMapping></ArrayMapping></MolvoJSONMapping>)",
     R"({"p":"apple","v":4})", 1, {{L"Price", "apple=4"}}},
    {"empty-as-bool reads booleans as objects",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ObjectMapping name-regex=".*" name-binds-to="p" maps-to="Present" empty-as-bool="1"/>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"apple":true,"pear":{},"kiwi":false})", 1, {{L"Present", "apple=1 pear=1"}}},
    {"empty-as-bool spelled true leaves booleans refused",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ObjectMapping name-regex=".*" name-binds-to="p" maps-to="Present" empty-as-bool="true"/>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"apple":true})", 0, {}, "Node 'apple' is not an object"},
    {"force-dense marks every object met",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ObjectMapping name-regex=".*" name-binds-to="p" force-dense="Keep">
            <ValueMapping name="price" maps-to="Price"/>
          </ObjectMapping>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"apple":{"price":2},"pear":{}})", 1, {{L"Keep", "apple=1 pear=1"}, {L"Price", "apple=2"}}},
    {"element parameters take element names",
     R"(<MolvoJSONMapping><ArrayMapping><ObjectMapping>
          <ValueMapping name="id" binds-to="o"/><ValueMapping name="fav" maps-to="Favourite"/>
        </ObjectMapping></ArrayMapping></MolvoJSONMapping>)",
     R"([{"id":"A1","fav":"pear"},{"id":"A2","fav":"fig"}])", 1, {{L"Favourite", "A1=pear A2=fig"}}},
    {"read-normalize composes names",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="p" read-normalize="nfc" maps-to="Price"/>
        </ObjectMapping></MolvoJSONMapping>)",
     "{\"cafe\xCC\x81\":1}", 1, {{L"Price", "caf\xC3\xA9=1"}}},
    {"row-oriented tables read index columns first",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="price" maps-to="Price"/><ColumnMapping name="product" binds-to="p"/>
        </RowOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"meta":["price","ignored","product"],"data":[[1.5,"x","apple"],[2,"y","fig"]]})", 1,
     {{L"Price", "apple=1.5 fig=2"}}},
    {"data before meta reads the same",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
        </RowOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"data":[["apple",1.5]],"x":{"meta":[]},"meta":["product","price"]})", 1, {{L"Price", "apple=1.5"}}},
    {"rows with nested values and later members",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
        </RowOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"meta":["product","extra","price"],"data":[["apple",{"a":[1,{"b":2}]},1.5],["pear",[],2]],"data":[["fig",null,9]]})",
     1, {{L"Price", "apple=1.5 pear=2"}}},
    {"a row of the wrong length fails",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping name="t">
          <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
        </RowOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"meta":["product","price"],"data":[["apple",1],["pear"]]})", 0, {{L"Price", ""}},
     "A row of node 't' contains 1 columns instead of 2"},
    {"a table without meta fails",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping name="t">
          <ColumnMapping name="product" binds-to="p"/></RowOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"data":[]})", 0, {}, "Node 't' does not have a 'meta' field"},
    {"empty meta and data read nothing",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="product" binds-to="p"/></RowOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"meta":[],"data":[]})", 1, {{L"Price", ""}}},
    {"column-oriented tables read row by row",
     R"(<MolvoJSONMapping><ColumnOrientedObjectMapping>
          <RowMapping name="price" maps-to="Price"/><RowMapping name="product" binds-to="p"/>
        </ColumnOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"price":[1,2],"product":["apple","pear"]})", 1, {{L"Price", "apple=1 pear=2"}}},
    {"column arrays of different lengths fail",
     R"(<MolvoJSONMapping><ColumnOrientedObjectMapping name="t">
          <RowMapping name="product" binds-to="p"/></ColumnOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"product":["apple","pear","fig"],"other":[1,2,3,4]})", 0, {},
     "Child other of node t is not an array, or does not have the same size as other arrays underneath this node"},
    {"const-binds-to fixes the element of a column table's rows",
     R"x(<MolvoJSONMapping><ObjectMapping><ColumnOrientedObjectMapping name="apple" const-binds-to="p" const-binds-value="apple">
          <RowMapping name="order" binds-to="o"/><RowMapping name="qty" maps-to="Qty(o,p)"/>
        </ColumnOrientedObjectMapping></ObjectMapping></MolvoJSONMapping>)x",
     R"({"apple":{"qty":[3,1],"order":["A1","A2"]}})", 1, {{L"Qty", "A1,apple=3 A2,apple=1"}}},
    {"a value with an object or array where a scalar stands reads as 0 or empty", kOrders,
     R"([{"id":"A1","total":{"a":1},"customer":[1]}])", 1, {{L"Total", ""}, {L"Customer", ""}}},
    {"iterative-binds-to numbers the items",
     R"(<MolvoJSONMapping><ArrayMapping><ObjectMapping iterative-binds-to="l" iterative-prefix="line-">
          <ValueMapping name="note" maps-to="Note"/></ObjectMapping></ArrayMapping></MolvoJSONMapping>)",
     R"([{"note":"a"},{"note":"b"}])", 1, {{L"Note", "line-1=a line-2=b"}}},
    {"invalid UTF-8 in a string is a parse error", kOrders, "[{\"id\":\"A1\",\"customer\":\"\xFF\xFE\"}]", 0,
     {{L"Customer", ""}}, "ReadFromStream: Error parsing JSON document "},
    {"invalid UTF-8 in a member name is a parse error",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="p" maps-to="Price"/></ObjectMapping></MolvoJSONMapping>)",
     "{\"a\xC3\":1}", 0, {{L"Price", ""}}, "Error parsing JSON document"},
    {"objects go on after a failing member, arrays stop at the first",
     R"(<MolvoJSONMapping><ArrayMapping name="list"><ObjectMapping>
          <ObjectMapping name="a"/><ObjectMapping name="b"/></ObjectMapping></ArrayMapping></MolvoJSONMapping>)",
     R"([{"a":1,"b":2},{"a":3}])", 0, {},
     "ReadFromStream: Node 'a' is not an object\nReadFromStream: Node 'b' is not an object\n"},
    {"a named array holding a scalar fails",
     R"(<MolvoJSONMapping><ObjectMapping><ArrayMapping name="lines"><ValueMapping maps-to="Title"/></ArrayMapping>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"lines":3})", 0, {}, "ReadFromStream: Node lines is not an array\n"},
    {"a meta field that is not an array fails",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping name="t">
          <ColumnMapping name="product" binds-to="p"/></RowOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"meta":"product","data":[]})", 0, {}, "ReadFromStream: The 'meta' field of node 't' is not an array\n"},
    {"a table without data fails",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping name="t">
          <ColumnMapping name="product" binds-to="p"/></RowOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"meta":["product"]})", 0, {}, "ReadFromStream: Node t does not have a 'data' field\n"},
    {"a data field that is not an array fails",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping name="t">
          <ColumnMapping name="product" binds-to="p"/></RowOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"meta":["product"],"data":{}})", 0, {}, "ReadFromStream: The 'data' field of node 't' is not an array\n"},
    {"with an empty meta any non-empty row fails",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping name="t">
          <ColumnMapping name="product" binds-to="p"/></RowOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"meta":[],"data":[[1]]})", 0, {}, "A row of node 't' contains 1 columns instead of 0"},
    {"a table that is not an object fails",
     R"(<MolvoJSONMapping><ObjectMapping><RowOrientedObjectMapping name="t">
          <ColumnMapping name="product" binds-to="p"/></RowOrientedObjectMapping>
          <ColumnOrientedObjectMapping name="c"><RowMapping name="product" binds-to="p"/></ColumnOrientedObjectMapping>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"t":[],"c":3})", 0, {}, "ReadFromStream: Node 't' is not an object\nReadFromStream: Node 'c' is not an object\n"},
    {"a column member that is not an array fails",
     R"(<MolvoJSONMapping><ColumnOrientedObjectMapping name="t">
          <RowMapping name="product" binds-to="p"/></ColumnOrientedObjectMapping></MolvoJSONMapping>)",
     R"({"product":["apple"],"other":"x"})", 0, {},
     "Child other of node t is not an array, or does not have the same size as other arrays underneath this node"},
    {"an empty column-oriented object reads no rows",
     R"(<MolvoJSONMapping><ColumnOrientedObjectMapping>
          <RowMapping name="product" binds-to="p"/><RowMapping name="price" maps-to="Price"/>
        </ColumnOrientedObjectMapping></MolvoJSONMapping>)",
     R"({})", 1, {{L"Price", ""}}},
    {"a column served by several patterns is read by each",
     R"x(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="product" binds-to="p"/>
          <ColumnMapping name-regex="p.*" name-binds-to="o" maps-to="Qty(o,p)"/>
          <ColumnMapping name-regex=".*e" name-binds-to="o" maps-to="Qty(o,p)"/>
        </RowOrientedObjectMapping></MolvoJSONMapping>)x",
     R"({"meta":["product","pe","ae"],"data":[["apple",1,2]]})", 1, {{L"Qty", "pe,apple=1 ae,apple=2"}}},
    {"embedded mapping values must be strings",
     R"(<MolvoJSONMapping><ObjectMapping><ValueMapping name="doc" embedded-mapping="m"/></ObjectMapping></MolvoJSONMapping>)",
     R"({"doc":3})", 0, {}, "ReadFromStream: Embedded mapping node doc needs to be of string type\n"},
    {"base64 with more than two characters after a line break fails",
     R"(<MolvoJSONMapping><ObjectMapping><ValueMapping name="doc" embedded-mapping="m" base64-encoded="no"/>
        </ObjectMapping></MolvoJSONMapping>)",
     R"({"doc":"e3\n0="})", 0, {}, "ReadFromStream: Base64-encoded string contains invalid characters\n"},
    {"base64 embedded documents read with their mapping",
     R"(<MolvoJSONMapping><ObjectMapping><ValueMapping name="doc" embedded-mapping="m" base64-encoded=""/>
          <ValueMapping name="title" maps-to="Title"/></ObjectMapping></MolvoJSONMapping>)",
     R"({"doc":"eyJ0aXRsZSI6IngifQ"})", 1, {{L"Title", "=x"}}},
    // A document that ends inside a multi-byte character: the parser's UTF-8 check looks past
    // the end of the text for the rest of the character.
    {"a character cut at the end of a whole document fails", kPriceKeys, "{\"apple\":\"\xF0", 0, {},
     "ReadFromStream: Error parsing JSON document "},
    {"a character cut at the end of a streamed array fails", kOrders, "[{\"id\":\"\xF1", 0, {},
     "ReadFromStream: Error parsing JSON document "},
    {"a character cut at the end of a streamed table fails", kPriceRows, "{\"meta\":[\"product\"],\"data\":[[\"\xE2\x82", 0,
     {}, "ReadFromStream: Error parsing JSON document "},
    // Every byte of the document counts: a NUL byte does not end it.
    {"a NUL byte after a whole document fails", kTopValue, "\"t\"\0 garbage"s, 0, {{L"Title", ""}},
     "ReadFromStream: Error parsing JSON document "},
    {"a NUL byte after a streamed array fails", kOrders, "[{\"id\":\"A1\",\"total\":1}]\0[]"s, 0, {{L"Total", ""}},
     "ReadFromStream: Error parsing JSON document "},
    {"a NUL byte after a streamed table fails", kPriceRows, "{\"meta\":[\"product\",\"price\"],\"data\":[]} \0 "s, 0,
     {}, "ReadFromStream: Error parsing JSON document "},
    // A half surrogate is no character.
    {"a lone low surrogate fails", kOrders, R"([{"id":"A1","customer":"\udc00"}])", 0, {{L"Customer", ""}},
     "ReadFromStream: Error parsing JSON document "},
    {"a lone low surrogate in a whole document fails", kTopValue, R"("x\uDFFFy")", 0, {{L"Title", ""}},
     "ReadFromStream: Error parsing JSON document "},
    {"a lone high surrogate fails", kOrders, R"([{"id":"A1","customer":"\ud800x"}])", 0, {{L"Customer", ""}},
     "ReadFromStream: Error parsing JSON document "},
    {"surrogate pairs and escaped backslashes before u0000 read", kOrders,
     R"([{"id":"A1","customer":"\ud83d\ude00\\u0000\\\u00e9"}])", 1, {{L"Customer", "A1=\xF0\x9F\x98\x80\\u0000\\\xC3\xA9"}}},
    // Strings read into numbers: decimal numbers only, what follows them ignored.
    {"NaN in a string is no number", kOrders, R"([{"id":"A1","total":"NaN"}])", 0, {{L"Total", ""}},
     "Exception occurred while reading data: invalid stod argument from document "},
    {"inf in a string is no number", kOrders, R"([{"id":"A1","total":"inf"}])", 0, {{L"Total", ""}},
     "invalid stod argument"},
    {"-Infinity in a string is no number", kOrders, R"([{"id":"A1","total":" -Infinity"}])", 0, {{L"Total", ""}},
     "invalid stod argument"},
    {"a decimal number out of range in a string fails", kOrders, R"([{"id":"A1","total":"1e999"}])", 0, {{L"Total", ""}},
     "stod argument out of range"},
    {"strings read as the decimal number they start with", kOrders,
     R"([{"id":"A1","total":"0x1p4"},{"id":"A2","total":" +2.5e1x"},{"id":"A3","total":".5"},{"id":"A4","total":"-7e-1."}])",
     1, {{L"Total", "A2=25 A3=0.5 A4=-0.7"}}},
    {"a namespace qualifies names unless they begin with ::",
     R"(<MolvoJSONMapping molvo-namespace="shop"><ObjectMapping>
          <ValueMapping name="title" maps-to="::Title"/></ObjectMapping></MolvoJSONMapping>)",
     R"({"title":"T"})", 1, {{L"Title", "=T"}}},
};

class JsonRead : public MappingTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(JsonRead, GivesTheIdentifierContents) {
    const ReadCase& c = GetParam();
    ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
    model().clearErrors();   // warnings about the mapping: only the read's own messages are compared
    EXPECT_EQ(readText("m", c.document, 0, 1), c.result) << errorsJoined();
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

INSTANTIATE_TEST_SUITE_P(Cases, JsonRead, ::testing::ValuesIn(kCases), CaseTitle());

TEST_F(MappingTest, IterativeCountersContinueAcrossReadsUntilReset) {
    ASSERT_EQ(addMapping("m", R"(<MolvoJSONMapping><ArrayMapping><ObjectMapping iterative-binds-to="l" iterative-prefix="n">
          <ValueMapping name="note" maps-to="Note"/></ObjectMapping></ArrayMapping></MolvoJSONMapping>)"), 1);
    ASSERT_EQ(readText("m", R"([{"note":"a"},{"note":"b"}])", 0, 1), 1);
    ASSERT_EQ(readText("m", R"([{"note":"c"}])"), 1);
    EXPECT_EQ(contents(L"Note"), "n1=a n2=b n3=c");
    ASSERT_EQ(ReadFromFile(path("doc.json").c_str(), L"m", 0, 0, 1), 1);   // counters reset
    EXPECT_EQ(contents(L"Note"), "n1=c n2=b n3=c");
}

TEST_F(MappingTest, ADeepDocumentFailsCleanly) {
    constexpr int kDepth = 100000;
    ASSERT_EQ(addMapping("m", kOrders), 1);
    std::string deep(kDepth, '[');
    deep += std::string(kDepth, ']');
    EXPECT_EQ(readText("m", deep), 0);
    EXPECT_NE(errorsJoined().find("Error parsing JSON document"), std::string::npos);
    std::string objects;
    for (int i = 0; i < kDepth; ++i) objects += "{\"a\":";
    EXPECT_EQ(readText("m", objects + "1" + std::string(kDepth, '}')), 0);
}

TEST_F(MappingTest, AFailedReadKeepsTheBatchesFlushedBeforeAndDropsTheRest) {
    constexpr int kItems = 1500;   // more than one batch of 1024
    ASSERT_EQ(addMapping("m", R"(<MolvoJSONMapping><ArrayMapping><ObjectMapping>
          <ValueMapping name="id" binds-to="o"/><ValueMapping name="total" maps-to="Total"/>
        </ObjectMapping></ArrayMapping></MolvoJSONMapping>)"), 1);
    std::string doc = "[";
    for (int i = 1; i <= kItems; ++i) doc += "{\"id\":\"o" + std::to_string(i) + "\",\"total\":" + std::to_string(i) + "},";
    doc += "7]";
    EXPECT_EQ(readText("m", doc), 0);
    EXPECT_EQ(model().card(L"Total"), 1024u);
    // Nothing left over leaks into the next read.
    ASSERT_EQ(readText("m", R"([{"id":"x","total":1}])"), 1);
    EXPECT_EQ(model().card(L"Total"), 1025u);
}

// The reset flags of a read reach the mapping of its embedded documents once: the second document
// neither empties what the first one read nor numbers its items from the start again.
TEST_F(MappingTest, EmbeddedDocumentsOfOneReadAreResetOnceAndKeepEachOthersValues) {
    ASSERT_EQ(addMapping("inner", R"(<MolvoJSONMapping><ArrayMapping><ObjectMapping iterative-binds-to="l" iterative-prefix="n">
          <ValueMapping name="note" maps-to="Note"/></ObjectMapping></ArrayMapping></MolvoJSONMapping>)"), 1);
    ASSERT_EQ(addMapping("outer", R"(<MolvoJSONMapping><ArrayMapping><ValueMapping embedded-mapping="inner"/>
        </ArrayMapping></MolvoJSONMapping>)"), 1);
    model().assign(L"Lines", {L"old"}, 1.0);
    model().assign(L"Note", {L"old"}, std::wstring(L"x"));
    const char* doc = R"(["[{\"note\":\"a\"}]","[{\"note\":\"b\"}]"])";
    ASSERT_EQ(readText("outer", doc, 1, 1), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Note"), "n1=a n2=b");
    ASSERT_EQ(readText("outer", doc, 1, 1), 1) << errorsJoined();   // the next read starts afresh
    EXPECT_EQ(contents(L"Note"), "n1=a n2=b");
}

// A name the pattern cannot decide on within the matcher's limits fails the read: counting it as
// "no match" would drop its value without a word.
TEST_F(MappingTest, ANamePatternThatBacktracksWithoutEndFailsTheReadNamingPatternAndName) {
    ASSERT_EQ(addMapping("m", R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex="(a+)+b" name-binds-to="p" maps-to="Price"/></ObjectMapping></MolvoJSONMapping>)"),
              1);
    std::string key(150, 'a');
    key += "bc";
    EXPECT_EQ(readText("m", "{\"aab\":1,\"" + key + "\":2}"), 0);
    EXPECT_NE(errorsJoined().find("The name-regex '(a+)+b' could not be matched against the name '" + key +
                                  "': match limit exceeded"),
              std::string::npos)
        << errorsJoined();
    EXPECT_EQ(contents(L"Price"), "");
}

TEST_F(MappingTest, EmptyReferencedEmptiesMapsToTargetsEvenWhenTheDocumentFails) {
    ASSERT_EQ(addMapping("m", kOrders), 1);
    ASSERT_EQ(readText("m", R"([{"id":"A1","total":4}])"), 1);
    EXPECT_EQ(readText("m", "not json", 1), 0);
    EXPECT_EQ(contents(L"Total"), "");
}

// Strings longer than a node's max-string-size are cut to it, and the read says so once when it
// ends, per node: with the limit and the longest length met, in characters, not bytes.
TEST_F(MappingTest, StringsCutToTheMaxStringSizeAreReportedOncePerRead) {
    ASSERT_EQ(addMapping("m", R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name="title" maps-to="Title" max-string-size="2000"/>
          <ArrayMapping name="orders"><ObjectMapping>
            <ValueMapping name="id" binds-to="o"/><ValueMapping name="customer" maps-to="Customer"/>
          </ObjectMapping></ArrayMapping></ObjectMapping></MolvoJSONMapping>)"), 1);
    std::string accents;   // 1024 characters in 2048 bytes: not cut
    for (int i = 0; i < 1024; ++i) accents += "\xC3\xA9";
    std::string doc = "{\"title\":\"" + std::string(2001, 't') + "\",\"orders\":[{\"id\":\"A1\",\"customer\":\"" +
                      std::string(1500, 'x') + "\"},{\"id\":\"A2\",\"customer\":\"" + accents +
                      "\"},{\"id\":\"A3\",\"customer\":\"" + std::string(3000, 'y') + "\"}]}";
    LogCapture log(dir_ / "flk.log");
    ASSERT_EQ(readText("m", doc), 1) << errorsJoined();
    std::string name = toUtf8(path("doc.json"));
    std::string title = "Reading " + name + ": 1 strings for Title were cut to the max-string-size 2000 of "
                        "node 'title'; the longest had 2001 characters\n";
    std::string customer = "Reading " + name + ": 2 strings for Customer were cut to the max-string-size 1024 of "
                           "node 'customer'; the longest had 3000 characters\n";
    EXPECT_EQ(errorsJoined(), title + customer);   // the host hears of it as warnings
    EXPECT_EQ(log.text(), "WARN - " + title + "WARN - " + customer);
    EXPECT_EQ(std::get<std::wstring>(model().get(L"Customer", {L"A3"})), std::wstring(1024, L'y'));
    EXPECT_EQ(std::get<std::wstring>(model().get(L"Customer", {L"A2"})), std::wstring(1024, L'\u00e9'));
    std::string before = log.text();
    ASSERT_EQ(readText("m", R"({"orders":[{"id":"A1","customer":"short"}]})"), 1);
    EXPECT_EQ(log.text(), before);   // nothing is carried into the next read
}

// A stream that serves a text but claims another size when asked where its end lies.
class ClaimingBuffer : public std::streambuf {
public:
    ClaimingBuffer(std::string text, std::streamoff claimed) : text_(std::move(text)), claimed_(claimed) {
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

protected:
    pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode) override {
        if (off != 0) return pos_type(-1);
        return dir == std::ios::end ? pos_type(claimed_) : pos_type(gptr() - eback());
    }
    pos_type seekpos(pos_type at, std::ios::openmode) override {
        if (at < 0 || size_t(at) > text_.size()) return pos_type(-1);
        setg(eback(), eback() + std::streamoff(at), egptr());
        return at;
    }

private:
    std::string text_;
    std::streamoff claimed_;
};

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The buffer grows with the bytes that arrive, whatever size the stream claims: a claim far
// beyond them is neither allocated nor filled, and one short of them still gets them all.
TEST_F(MappingTest, ADocumentIsReadWhateverSizeItsStreamClaims) {
    constexpr long kMaxGrowthKilobytes = 128 * 1024;
    ASSERT_EQ(addMapping("m", kPriceKeys), 1);
    std::string big = "{";   // about 150 KB, more than one input block
    for (int i = 0; i < 8000; ++i) big += "\"product-" + std::to_string(i) + "\":" + std::to_string(i + 1) + ",";
    big.back() = '}';
    struct Case {
        const char* what;
        const std::string& text;
        std::streamoff claimed;
        size_t values;
    } cases[] = {
        {"a terabyte claimed for eleven bytes", "{\"apple\":1}", std::streamoff(1) << 40, 1},
        {"two gigabytes claimed for eleven bytes", "{\"apple\":1}", std::streamoff(1) << 31, 1},
        {"three bytes claimed for all of a large document", big, 3, 8000},
        {"the exact size claimed", big, std::streamoff(big.size()), 8000},
        {"nothing claimed", big, 0, 8000},
    };
    for (const Case& c : cases) {
        model().empty(L"Price");
        long before = peakResidentKilobytes();
        ClaimingBuffer buffer(c.text, c.claimed);
        std::istream input(&buffer);
        EXPECT_EQ(ReadFromStream(&input, L"mem", L"m", 0, 0, 0), 1) << c.what << "\n" << errorsJoined();
        EXPECT_EQ(model().card(L"Price"), c.values) << c.what;
        EXPECT_LT(peakResidentKilobytes() - before, kMaxGrowthKilobytes) << c.what;
    }
}

}  // namespace
}  // namespace flk::test
