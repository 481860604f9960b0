// Writing JSON documents: a table of mapping, model data and the exact text written, and round
// trips in which what a mapping writes reads back to the same identifier contents.
#include "support/mapping_fixture.hpp"
#include "support/log_capture.hpp"

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
    bool roundTrip = true;   // false where the written form loses precision on purpose
};

const char* kPrices = R"(<MolvoJSONMapping><ObjectMapping>
  <ValueMapping name-regex=".*" name-binds-to="p" maps-to="Price"/></ObjectMapping></MolvoJSONMapping>)";

// A text longer than any string buffer, and what the two ends of the max-string-size range keep of it.
const std::wstring kLongText(9000, L'x');
const std::string kKept1024 = "{\"apple\":\"" + std::string(1024, 'x') + "\"}";
const std::string kKept8192 = "{\"apple\":\"" + std::string(8192, 'x') + "\"}";

const WriteCase kCases[] = {
    {"members named after bound elements", kPrices, {{L"Price", {L"pear"}, 2.0}, {L"Price", {L"apple"}, 1.5}},
     R"({"apple":1.5,"pear":2.0})"},
    {"nested arrays follow the tuples", kOrders,
     {{L"Qty", {L"A1", L"pear"}, 2.0}, {L"Total", {L"A1"}, 4.0}, {L"Customer", {L"A2"}, std::wstring(L"Zoë")},
      {L"Qty", {L"A1", L"apple"}, 3.0}},
     "[{\"id\":\"A1\",\"total\":4.0,\"lines\":[{\"product\":\"apple\",\"qty\":3},{\"product\":\"pear\",\"qty\":2}]},"
     "{\"id\":\"A2\",\"customer\":\"Zo\xC3\xAB\"}]"},
    {"an identifier whose indices nest in another order is written whole",
     R"x(<MolvoJSONMapping><ObjectMapping><ObjectMapping name-regex=".*" name-binds-to="p">
          <ValueMapping name-regex=".*" name-binds-to="o" maps-to="Qty(o,p)"/>
        </ObjectMapping></ObjectMapping></MolvoJSONMapping>)x",
     {{L"Qty", {L"A1", L"pear"}, 2.0}, {L"Qty", {L"A1", L"apple"}, 3.0}, {L"Qty", {L"A2", L"apple"}, 1.0}},
     R"({"apple":{"A1":3,"A2":1},"pear":{"A1":2}})"},
    {"pretty output indents with tabs", kPrices, {{L"Price", {L"apple"}, 1.0}}, "{\n\t\"apple\": 1.0\n}", 1},
    {"no data writes an empty top-level object", kPrices, {}, "{}"},
    {"number types convert",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ObjectMapping name-regex=".*" name-binds-to="p">
            <ValueMapping name="i" maps-to="Price" number-type="integer"/>
            <ValueMapping name="b" maps-to="Count" number-type="boolean"/>
            <ValueMapping name="d" maps-to="Count" number-type="double"/>
          </ObjectMapping></ObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, -2.7}, {L"Count", {L"apple"}, 3.0}},
     R"({"apple":{"i":-2,"b":true,"d":3.0}})", 0, false},
    {"accept-any writes numbers, booleans and strings",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="p" maps-to="Label" accept-any="1"/></ObjectMapping></MolvoJSONMapping>)",
     {{L"Label", {L"apple"}, std::wstring(L"12")}, {L"Label", {L"pear"}, std::wstring(L"1.5")},
      {L"Label", {L"fig"}, std::wstring(L"true")}, {L"Label", {L"kiwi"}, std::wstring(L"abc")}},
     R"({"apple":12,"pear":1.5,"fig":true,"kiwi":"abc"})"},
    {"singleton-as-array writes a lone item bare",
     R"(<MolvoJSONMapping><ObjectMapping><ArrayMapping name="a" singleton-as-array="1">
          <ValueMapping maps-to="Title"/></ArrayMapping></ObjectMapping></MolvoJSONMapping>)",
     {{L"Title", {}, std::wstring(L"x")}}, R"({"a":"x"})"},
    {"dense-children writes defaults and empty objects",
     R"(<MolvoJSONMapping><ObjectMapping><ObjectMapping name-regex=".*" name-binds-to="p" dense-children="1">
          <ValueMapping name="price" maps-to="Price"/><ValueMapping name="count" maps-to="Count"/>
        </ObjectMapping></ObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, 1.0}}, R"({"apple":{"price":1.0,"count":0}})"},
    {"force-dense keeps objects without data",
     R"(<MolvoJSONMapping><ObjectMapping><ObjectMapping name-regex=".*" name-binds-to="p" force-dense="Keep">
          <ValueMapping name="price" maps-to="Price"/></ObjectMapping></ObjectMapping></MolvoJSONMapping>)",
     {{L"Keep", {L"pear"}, 1.0}, {L"Price", {L"apple"}, 2.0}}, R"({"apple":{"price":2.0},"pear":{}})"},
    {"write-filter selects tuples",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="p" maps-to="Price" write-filter="Keep"/></ObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, 1.0}, {L"Price", {L"pear"}, 2.0}, {L"Keep", {L"pear"}, 1.0}}, R"({"pear":2.0})", 0, false},
    {"empty-as-bool writes booleans",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ObjectMapping name-regex=".*" name-binds-to="p" maps-to="Present" empty-as-bool="1"/></ObjectMapping></MolvoJSONMapping>)",
     {{L"Present", {L"apple"}, 1.0}}, R"({"apple":true})"},
    {"constant values and element names",
     R"(<MolvoJSONMapping><ArrayMapping><ObjectMapping>
          <ValueMapping name="kind" value="fruit"/><ValueMapping name="p" binds-to="p"/>
          <ValueMapping name="v" maps-to="Price"/></ObjectMapping></ArrayMapping></MolvoJSONMapping>)",
     {{L"Price", {L"pear"}, 1.0}}, R"([{"kind":"fruit","p":"pear","v":1.0}])"},
    {"row-oriented layout with defaults in missing cells",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
          <ColumnMapping name="count" maps-to="Count"/></RowOrientedObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, 1.5}, {L"Count", {L"pear"}, 4.0}},
     R"({"meta":["product","price","count"],"data":[["apple",1.5,0],["pear",0.0,4]]})"},
    {"column-oriented layout",
     R"(<MolvoJSONMapping><ColumnOrientedObjectMapping>
          <RowMapping name="product" binds-to="p"/><RowMapping name="price" maps-to="Price"/>
        </ColumnOrientedObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, 1.5}, {L"Price", {L"pear"}, 2.0}}, R"({"product":["apple","pear"],"price":[1.5,2.0]})"},
    {"const-binds-to writes its one element",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name="apple" const-binds-to="p" const-binds-value="apple" maps-to="Price"/></ObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, 1.0}, {L"Price", {L"pear"}, 2.0}}, R"({"apple":1.0})", 0, false},
    {"write-normalize decomposes written names",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="p" write-normalize="nfd" maps-to="Price"/></ObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"caf\u00e9"}, 1.0}}, "{\"cafe\xCC\x81\":1.0}", 0, false},
    {"a top-level array written pretty, nested arrays included", kOrders,
     {{L"Qty", {L"A1", L"pear"}, 2.0}, {L"Total", {L"A1"}, 4.0}, {L"Customer", {L"A2"}, std::wstring(L"Zo\u00eb")}},
     "[\n\t{\n\t\t\"id\": \"A1\",\n\t\t\"total\": 4.0,\n\t\t\"lines\": [\n\t\t\t{\n\t\t\t\t\"product\": \"pear\",\n"
     "\t\t\t\t\"qty\": 2\n\t\t\t}\n\t\t]\n\t},\n\t{\n\t\t\"id\": \"A2\",\n\t\t\"customer\": \"Zo\xC3\xAB\"\n\t}\n]", 1},
    {"no data writes an empty top-level array", kOrders, {}, "[]", 1},
    {"row-oriented layout written pretty",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
        </RowOrientedObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, 1.5}, {L"Price", {L"pear"}, 2.0}},
     "{\n\t\"meta\": [\n\t\t\"product\",\n\t\t\"price\"\n\t],\n\t\"data\": [\n\t\t[\n\t\t\t\"apple\",\n\t\t\t1.5\n\t\t],\n"
     "\t\t[\n\t\t\t\"pear\",\n\t\t\t2.0\n\t\t]\n\t]\n}", 1},
    {"element parameters write names",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="o" maps-to="Favourite"/></ObjectMapping></MolvoJSONMapping>)",
     {{L"Favourite", {L"A1"}, std::wstring(L"pear")}}, R"({"A1":"pear"})"},
    {"row-oriented rows over two indices",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" binds-to="p"/>
          <ColumnMapping name="qty" maps-to="Qty"/></RowOrientedObjectMapping></MolvoJSONMapping>)",
     {{L"Qty", {L"A1", L"pear"}, 2.0}, {L"Qty", {L"A1", L"apple"}, 3.0}, {L"Qty", {L"A2", L"apple"}, 1.0}},
     R"({"meta":["order","product","qty"],"data":[["A1","apple",3],["A1","pear",2],["A2","apple",1]]})"},
    {"column-oriented columns named after elements",
     R"(<MolvoJSONMapping><ColumnOrientedObjectMapping>
          <RowMapping name="order" binds-to="o"/><RowMapping name-regex=".*" name-binds-to="p" maps-to="Qty"/>
        </ColumnOrientedObjectMapping></MolvoJSONMapping>)",
     {{L"Qty", {L"A1", L"pear"}, 2.0}, {L"Qty", {L"A1", L"apple"}, 3.0}, {L"Qty", {L"A2", L"apple"}, 1.0}},
     R"({"order":["A1","A2"],"apple":[3,1],"pear":[2,0]})"},
    {"row cells of every storage take their defaults",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="order" binds-to="o"/><ColumnMapping name="customer" maps-to="Customer"/>
          <ColumnMapping name="fav" maps-to="Favourite"/><ColumnMapping name="total" maps-to="Total" number-type="integer"/>
        </RowOrientedObjectMapping></MolvoJSONMapping>)",
     {{L"Customer", {L"A1"}, std::wstring(L"Zoë")}, {L"Favourite", {L"A2"}, std::wstring(L"pear")}, {L"Total", {L"A1"}, 4.0}},
     "{\"meta\":[\"order\",\"customer\",\"fav\",\"total\"],\"data\":[[\"A1\",\"Zo\xC3\xAB\",\"\",4],[\"A2\",\"\",\"pear\",0]]}"},
    {"const-binds-to on a column-oriented table",
     R"x(<MolvoJSONMapping><ObjectMapping><ColumnOrientedObjectMapping name="apple" const-binds-to="p" const-binds-value="apple">
          <RowMapping name="order" binds-to="o"/><RowMapping name="qty" maps-to="Qty(o,p)"/>
        </ColumnOrientedObjectMapping></ObjectMapping></MolvoJSONMapping>)x",
     {{L"Qty", {L"A1", L"pear"}, 2.0}, {L"Qty", {L"A1", L"apple"}, 3.0}, {L"Qty", {L"A2", L"apple"}, 1.0}},
     R"({"apple":{"order":["A1","A2"],"qty":[3,1]}})", 0, false},
    {"write-filter leaves out table rows",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping write-filter="Keep">
          <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
        </RowOrientedObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, 1.0}, {L"Price", {L"pear"}, 2.0}, {L"Keep", {L"pear"}, 1.0}},
     R"({"meta":["product","price"],"data":[["pear",2.0]]})", 0, false},
    {"force-dense writes a value's default",
     R"(<MolvoJSONMapping><ObjectMapping><ObjectMapping name-regex=".*" name-binds-to="p">
          <ValueMapping name="count" maps-to="Count" force-dense="Keep"/><ValueMapping name="label" maps-to="Label" force-dense="Keep"/>
        </ObjectMapping></ObjectMapping></MolvoJSONMapping>)",
     {{L"Keep", {L"pear"}, 1.0}, {L"Count", {L"apple"}, 2.0}},
     R"({"apple":{"count":2},"pear":{"count":0,"label":""}})"},
    {"max-string-size below the range acts as 1024",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="p" maps-to="Label" max-string-size="100"/></ObjectMapping></MolvoJSONMapping>)",
     {{L"Label", {L"apple"}, kLongText}}, kKept1024.c_str(), 0, false},
    {"max-string-size above the range acts as 8192",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name-regex=".*" name-binds-to="p" maps-to="Label" max-string-size="100000"/></ObjectMapping></MolvoJSONMapping>)",
     {{L"Label", {L"apple"}, kLongText}}, kKept8192.c_str(), 0, false},
    {"row tables per order, marked by maps-to even when empty",
     R"x(<MolvoJSONMapping><ObjectMapping><RowOrientedObjectMapping name-regex=".*" name-binds-to="o" maps-to="Total(o)">
          <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="qty" maps-to="Qty(o,p)"/>
        </RowOrientedObjectMapping></ObjectMapping></MolvoJSONMapping>)x",
     {{L"Total", {L"A1"}, 1.0}, {L"Total", {L"A2"}, 1.0}, {L"Qty", {L"A1", L"apple"}, 3.0}, {L"Qty", {L"A1", L"pear"}, 2.0}},
     R"({"A1":{"meta":["product","qty"],"data":[["apple",3],["pear",2]]},"A2":{"meta":["product","qty"],"data":[]}})"},
    {"column tables per order, marked by maps-to even when empty",
     R"x(<MolvoJSONMapping><ObjectMapping><ColumnOrientedObjectMapping name-regex=".*" name-binds-to="o" maps-to="Total(o)">
          <RowMapping name="product" binds-to="p"/><RowMapping name="qty" maps-to="Qty(o,p)"/>
        </ColumnOrientedObjectMapping></ObjectMapping></MolvoJSONMapping>)x",
     {{L"Total", {L"A1"}, 1.0}, {L"Total", {L"A2"}, 1.0}, {L"Qty", {L"A1", L"apple"}, 3.0}, {L"Qty", {L"A1", L"pear"}, 2.0}},
     R"({"A1":{"product":["apple","pear"],"qty":[3,2]},"A2":{"product":[],"qty":[]}})"},
    {"empty-as-bool with force-dense writes false",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ObjectMapping name-regex=".*" name-binds-to="p" maps-to="Present" force-dense="Keep" empty-as-bool="1"/>
        </ObjectMapping></MolvoJSONMapping>)",
     {{L"Present", {L"apple"}, 1.0}, {L"Keep", {L"apple"}, 1.0}, {L"Keep", {L"pear"}, 1.0}}, R"({"apple":true,"pear":false})"},
    {"numbers, integers and strings keep their form",
     R"(<MolvoJSONMapping><ObjectMapping><ObjectMapping name-regex=".*" name-binds-to="p">
          <ValueMapping name="price" maps-to="Price"/><ValueMapping name="count" maps-to="Count"/>
          <ValueMapping name="label" maps-to="Label"/></ObjectMapping></ObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, 0.1}, {L"Count", {L"apple"}, -3.0}, {L"Label", {L"pear"}, std::wstring(L"1.5")},
      {L"Price", {L"pear"}, 1e21}},
     R"({"apple":{"price":0.1,"count":-3},"pear":{"price":1e21,"label":"1.5"}})"},
    {"write-filter leaves out objects",
     R"(<MolvoJSONMapping><ObjectMapping><ObjectMapping name-regex=".*" name-binds-to="p" write-filter="Keep">
          <ValueMapping name="price" maps-to="Price"/></ObjectMapping></ObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, 1.0}, {L"Price", {L"pear"}, 2.0}, {L"Keep", {L"pear"}, 1.0}}, R"({"pear":{"price":2.0}})", 0, false},
    // JSON has no NaN or infinity: such values are written as null, and their members, items and
    // cells stay where they belong.
    {"values JSON cannot hold are written as null", kPrices,
     {{L"Price", {L"apple"}, kNaN}, {L"Price", {L"pear"}, kInfinity}, {L"Price", {L"fig"}, -kInfinity},
      {L"Price", {L"kiwi"}, 1.0}},
     R"({"apple":null,"pear":null,"fig":null,"kiwi":1.0})", 0, false},
    {"NaN is null whatever the number type",
     R"(<MolvoJSONMapping><ObjectMapping><ObjectMapping name-regex=".*" name-binds-to="p">
          <ValueMapping name="i" maps-to="Price" number-type="integer"/>
          <ValueMapping name="b" maps-to="Keep" number-type="boolean"/>
        </ObjectMapping></ObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, kNaN}, {L"Keep", {L"apple"}, kInfinity}}, R"({"apple":{"i":null,"b":null}})", 0, false},
    {"a streamed table keeps null cells in place",
     R"(<MolvoJSONMapping><RowOrientedObjectMapping>
          <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
        </RowOrientedObjectMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, kNaN}, {L"Price", {L"pear"}, 2.0}},
     "{\n\t\"meta\": [\n\t\t\"product\",\n\t\t\"price\"\n\t],\n\t\"data\": [\n\t\t[\n\t\t\t\"apple\",\n\t\t\tnull\n\t\t],\n"
     "\t\t[\n\t\t\t\"pear\",\n\t\t\t2.0\n\t\t]\n\t]\n}", 1, false},
    {"a streamed array keeps null members in place",
     R"(<MolvoJSONMapping><ArrayMapping><ObjectMapping>
          <ValueMapping name="p" binds-to="p"/><ValueMapping name="v" maps-to="Price"/></ObjectMapping></ArrayMapping></MolvoJSONMapping>)",
     {{L"Price", {L"apple"}, kNaN}, {L"Price", {L"pear"}, 2.0}}, R"([{"p":"apple","v":null},{"p":"pear","v":2.0}])", 0,
     false},
    {"a top-level value", R"(<MolvoJSONMapping><ValueMapping maps-to="Title"/></MolvoJSONMapping>)",
     {{L"Title", {}, std::wstring(L"x")}}, R"("x")"},
    {"pretty output indents each level with one tab", kOrders, {{L"Total", {L"A1"}, 4.0}},
     "[\n\t{\n\t\t\"id\": \"A1\",\n\t\t\"total\": 4.0\n\t}\n]", 1},
};

class JsonWrite : public MappingTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(JsonWrite, WritesTheDocumentAndReadsItBack) {
    const WriteCase& c = GetParam();
    assignAll(c.data);
    ASSERT_EQ(addMapping("m", c.mapping), 1) << errorsJoined();
    std::vector<std::string> before;
    for (const wchar_t* id : {L"Price", L"Count", L"Label", L"Qty", L"Total", L"Customer", L"Favourite", L"Present"})
        before.push_back(contents(id));
    EXPECT_EQ(writeText("m", c.pretty), c.written) << errorsJoined();
    // What the mapping wrote, the mapping reads back to the same contents.
    ASSERT_EQ(ReadFromFile(path("out.json").c_str(), L"m", 1, 0, 0), 1) << errorsJoined();
    size_t k = 0;
    for (const wchar_t* id : {L"Price", L"Count", L"Label", L"Qty", L"Total", L"Customer", L"Favourite", L"Present"}) {
        std::string after = contents(id);
        if (c.roundTrip) {
            EXPECT_EQ(after, before[k]) << toUtf8(id);
        }
        ++k;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, JsonWrite, ::testing::ValuesIn(kCases), CaseTitle());

// A base64 embedded document is written by its own mapping and read back through it.
TEST_F(MappingTest, EmbeddedDocumentsRoundTripInBase64) {
    ASSERT_EQ(addMapping("inner", kPrices), 1);
    ASSERT_EQ(addMapping("outer", R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name="doc" embedded-mapping="inner" base64-encoded="1"/><ValueMapping name="title" maps-to="Title"/>
        </ObjectMapping></MolvoJSONMapping>)"), 1);
    model().assign(L"Price", {L"apple"}, 2.0);
    model().assign(L"Title", {}, std::wstring(L"t"));
    EXPECT_EQ(writeText("outer"), R"({"doc":"eyJhcHBsZSI6Mi4wfQ==","title":"t"})");   // {"apple":2.0}
    model().empty(L"Price");
    ASSERT_EQ(ReadFromFile(path("out.json").c_str(), L"outer", 0, 0, 0), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Price"), "apple=2");
}

// A mapping that embeds itself, directly or through another, would write without end.
TEST_F(MappingTest, AMappingEmbeddedInItselfFailsToWrite) {
    ASSERT_EQ(addMapping("self", R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name="doc" embedded-mapping="self"/></ObjectMapping></MolvoJSONMapping>)"), 1);
    // A cycle needs a mapping added again once the one it embeds exists.
    ASSERT_EQ(addMapping("a", kPrices), 1);
    ASSERT_EQ(addMapping("b", R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name="inner" embedded-mapping="a"/></ObjectMapping></MolvoJSONMapping>)"), 1);
    ASSERT_EQ(addMapping("a", R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name="doc" embedded-mapping="b"/></ObjectMapping></MolvoJSONMapping>)"), 1);
    EXPECT_EQ(writeText("self"), "<failed>");
    EXPECT_EQ(errorsJoined(), "WriteToStream: The embedded mapping self would be written inside itself\n"
                              "WriteToStream: Error generating JSON document " + toUtf8(path("out.json")) + "\n");
    model().clearErrors();
    EXPECT_EQ(writeText("a"), "<failed>");
    EXPECT_NE(errorsJoined().find("The embedded mapping a would be written inside itself"), std::string::npos);
    model().clearErrors();
    EXPECT_EQ(writeText("b"), "<failed>");   // the guard is released after each write
    EXPECT_NE(errorsJoined().find("The embedded mapping b would be written inside itself"), std::string::npos);
}

// Each identifier with values written as null is named once per write with their count,
// embedded documents included, to the host as to the log.
TEST_F(MappingTest, ValuesWrittenAsNullAreReportedOncePerWriteAndIdentifier) {
    ASSERT_EQ(addMapping("inner", kPrices), 1);
    ASSERT_EQ(addMapping("m", R"(<MolvoJSONMapping><ObjectMapping>
          <ValueMapping name="a" embedded-mapping="inner"/><ValueMapping name="b" embedded-mapping="inner"/>
          <ObjectMapping name="keep"><ValueMapping name-regex=".*" name-binds-to="p" maps-to="Keep"/></ObjectMapping>
        </ObjectMapping></MolvoJSONMapping>)"), 1);
    model().assign(L"Price", {L"apple"}, kNaN);
    model().assign(L"Price", {L"pear"}, kInfinity);
    model().assign(L"Keep", {L"apple"}, -kInfinity);
    model().assign(L"Keep", {L"pear"}, 1.0);
    LogCapture log(dir_ / "flk.log");
    EXPECT_EQ(writeText("m"), R"({"a":"{\"apple\":null,\"pear\":null}","b":"{\"apple\":null,\"pear\":null}",)"
                              R"("keep":{"apple":null,"pear":1.0}})");
    std::string written = "Writing " + toUtf8(path("out.json")) + ": ";
    std::string price = written + "4 values of Price that the document cannot hold (NaN or infinite numbers) were written as null\n";
    std::string keep = written + "1 values of Keep that the document cannot hold (NaN or infinite numbers) were written as null\n";
    EXPECT_EQ(errorsJoined(), price + keep);
    EXPECT_EQ(log.text(), "WARN - " + price + "WARN - " + keep);
}

TEST_F(MappingTest, WritingTruncatesAnExistingFile) {
    ASSERT_EQ(addMapping("m", kPrices), 1);
    file("out.json", std::string(100, 'x'));
    EXPECT_EQ(writeText("m"), "{}");
}

}  // namespace
}  // namespace flk::test
