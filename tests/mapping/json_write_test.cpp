// Writing JSON documents: a table of mapping, model data and the exact text written, and round
// trips in which what a mapping writes reads back to the same identifier contents.
#include "mapping_fixture.hpp"

namespace flk::test {
namespace {

struct Assign {
    const wchar_t* identifier;
    std::vector<std::wstring> tuple;
    molvo::Value value;
};

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
};

class JsonWrite : public MappingTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(JsonWrite, WritesTheDocumentAndReadsItBack) {
    const WriteCase& c = GetParam();
    for (const Assign& a : c.data) {
        for (size_t k = 0; k < a.tuple.size(); ++k) {
            // Orders and products named in the data exist in their sets first.
            const wchar_t* set = a.identifier == std::wstring(L"Favourite") || a.identifier == std::wstring(L"Customer") ||
                                         a.identifier == std::wstring(L"Total") || (a.identifier == std::wstring(L"Qty") && k == 0)
                                     ? L"Orders" : L"Products";
            model().assign(set, {a.tuple[k]}, 1.0);
        }
        model().assign(a.identifier, a.tuple, a.value);
    }
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

INSTANTIATE_TEST_SUITE_P(Cases, JsonWrite, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.title;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

TEST_F(MappingTest, WritingTruncatesAnExistingFile) {
    ASSERT_EQ(addMapping("m", kPrices), 1);
    file("out.json", std::string(100, 'x'));
    EXPECT_EQ(writeText("m"), "{}");
}

}  // namespace
}  // namespace flk::test
