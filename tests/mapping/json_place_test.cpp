// Where a JSON read names the place of what went wrong: the document's message stays as it is and
// is followed by the warning "<document>, line L, column C[ (<member path>)]: <reason>", columns
// counted in characters; and what a read met but read nothing of.
#include "support/mapping_fixture.hpp"

namespace flk::test {
namespace {

using namespace std::string_literals;   // documents with NUL bytes in them

// The three ways a document is read: whole (a top-level object), item by item (a top-level
// array), row by row (a top-level table).
const char* const kWhole = R"(<MolvoJSONMapping><ObjectMapping>
  <ValueMapping name-regex=".*" name-binds-to="p" maps-to="Price"/></ObjectMapping></MolvoJSONMapping>)";
const char* const kRows = R"(<MolvoJSONMapping><RowOrientedObjectMapping>
  <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
</RowOrientedObjectMapping></MolvoJSONMapping>)";

struct PlaceCase {
    const char* title;
    const char* mapping;
    std::string document;
    const char* error;   // the error raised first, after the call context
    const char* place;   // the warning after it, after "<document>, "
};

class JsonPlace : public MappingTest {
protected:
    // Reads the document and checks the error and the located warning that follows it, alone.
    // An error "parse" is the document's parse message; one ending in "document " names the document.
    void expectPlace(const PlaceCase& c) {
        model().clearErrors();
        EXPECT_EQ(readText("m", c.document), 0) << c.title;
        std::string document = toUtf8(path("doc.json"));
        std::string error = std::string(c.error) == "parse" ? "Error parsing JSON document " : c.error;
        if (error.size() > 9 && error.compare(error.size() - 9, 9, "document ") == 0) error += document;
        EXPECT_EQ(errorsJoined(), "ReadFromStream: " + error + "\n" + document + ", " + c.place + "\n") << c.title;
    }
};

TEST_F(JsonPlace, ABrokenDocumentIsFollowedByWhereAndWhyItBroke) {
    std::string deep(10001, '[');
    const PlaceCase cases[] = {
        {"a missing name, whole", kWhole, "{\"apple\": 1,\n \"pear\": 2,,}", "parse",
         "line 2, column 12: Missing a name for object member"},
        {"columns count characters, not bytes", kWhole, "{\"prix\":\n  {\"caf\xC3\xA9\": 1, \"th\xC3\xA9\": 2 x}}", "parse",
         "line 2, column 24: Missing a comma or '}' after an object member"},
        {"an invalid value in an item", kOrders, "[{\"id\": \"A1\"},\n\t{\"id\": tru}]", "parse",
         "line 2, column 12: Invalid value"},
        {"a second top-level value after an array", kOrders, "[]\n\n  []", "parse",
         "line 3, column 3: The document root must not be followed by other values"},
        {"a broken row of a table", kRows, "{\"meta\": [\"product\", \"price\"],\n \"data\": [[\"apple\" 1]]}", "parse",
         "line 2, column 20: Missing a comma or ']' after an array element"},
        {"an empty document", kWhole, " \n ", "parse", "line 2, column 2: The document is empty"},
        {"a NUL byte", kWhole, "{\"apple\": 1}\0 {}"s, "parse", "line 1, column 13: a NUL byte, which JSON text cannot hold"},
        {"half a surrogate pair", kOrders, "[{\"id\": \"A1\",\n  \"customer\": \"x\\udc00\"}]", "parse",
         "line 2, column 17: an escape for the low half of a surrogate pair without its high half"},
        {"nesting beyond the limit", kWhole, deep, "parse", "line 1, column 10001: values nested more than 10000 deep"},
    };
    for (const PlaceCase& c : cases) {
        clearMappings();
        ASSERT_EQ(addMapping("m", c.mapping), 1) << c.title;
        expectPlace(c);
    }
}

// A value that cannot be bound or converted is named by its line, column and member path
// (JSONPath, items counted from 0), however the document is read: whole, item by item or row by
// row, and wherever in arrays of values that are not strings it stands.
TEST_F(JsonPlace, AValueThatCannotBeBoundOrConvertedIsNamedByItsPlace) {
    const char* existingOnly = R"(<MolvoJSONMapping><ObjectMapping>
  <ValueMapping name-regex=".*" name-binds-to="p" binds-existing="1" binds-skip-non-existing="0" maps-to="Price"/>
</ObjectMapping></MolvoJSONMapping>)";
    const char* itemsExistingOnly = R"(<MolvoJSONMapping><ArrayMapping>
  <ValueMapping binds-to="p" binds-existing="1" binds-skip-non-existing="0"/></ArrayMapping></MolvoJSONMapping>)";
    const char* nestedTable = R"(<MolvoJSONMapping><ObjectMapping><RowOrientedObjectMapping name="t">
  <ColumnMapping name="n" binds-to="p" binds-existing="1" binds-skip-non-existing="0"/>
</RowOrientedObjectMapping></ObjectMapping></MolvoJSONMapping>)";
    const char* rowsExistingOnly = R"(<MolvoJSONMapping><RowOrientedObjectMapping>
  <ColumnMapping name="product" binds-to="p" binds-existing="1" binds-skip-non-existing="0"/>
  <ColumnMapping name="price" maps-to="Price"/></RowOrientedObjectMapping></MolvoJSONMapping>)";
    const char* columns = R"(<MolvoJSONMapping><ColumnOrientedObjectMapping>
  <RowMapping name="product" binds-to="p" binds-existing="1" binds-skip-non-existing="0"/>
  <RowMapping name="price" maps-to="Price"/></ColumnOrientedObjectMapping></MolvoJSONMapping>)";
    const char* favourites = R"(<MolvoJSONMapping><ArrayMapping><ObjectMapping>
  <ValueMapping name="id" binds-to="o"/><ValueMapping name="fav" maps-to="Favourite" range-existing="1" binds-skip-non-existing="0"/>
</ObjectMapping></ArrayMapping></MolvoJSONMapping>)";
    const PlaceCase cases[] = {
        {"a member name that is no element", existingOnly, "{\n  \"apple\": 1,\n  \"kiwi\": 2\n}",
         "Element kiwi could not be created for index p",
         "line 3, column 11 ($.kiwi): Element kiwi could not be created for index p"},
        {"an integer out of range deep in an item", kOrders,
         "[{\"id\": \"A1\"},\n {\"id\": \"A2\", \"lines\": [{\"product\": \"apple\", \"qty\": 1},\n   "
         "{\"product\": \"pear\", \"qty\": \"99999999999\"}]}]",
         "Exception occurred while reading data: stoi argument out of range from document ",
         "line 3, column 31 ($[1].lines[1].qty): stoi argument out of range"},
        {"a number item read item by item", itemsExistingOnly, "[\"apple\",\n 7]",
         "Element 7 could not be created for index p", "line 2, column 2 ($[1]): Element 7 could not be created for index p"},
        {"a literal item read item by item", itemsExistingOnly, "[\"apple\", \"pear\",\n  true]",
         "Empty element encountered for index p", "line 2, column 3 ($[2]): an empty element name for index p"},
        {"a number after nested values, read whole", nestedTable,
         "{\"t\": {\"meta\": [\"x\", \"n\"],\n \"data\": [[[1, {\"a\": [2, true]}, null], -350]]}}",
         "Element -350 could not be created for index p",
         "line 2, column 41 ($.t.data[0][1]): Element -350 could not be created for index p"},
        {"a cell read row by row", rowsExistingOnly, "{\"meta\": [\"product\", \"price\"], \"data\": [[\"apple\", 1],\n[\"kiwi\", 2]]}",
         "Element kiwi could not be created for index p",
         "line 2, column 2 ($.data[1][0]): Element kiwi could not be created for index p"},
        {"a cell of a column", columns, "{\"price\": [1, 2],\n \"product\": [\"apple\", \"fig\"]}",
         "Element fig could not be created for index p",
         "line 2, column 23 ($.product[1]): Element fig could not be created for index p"},
        {"an element outside the range", favourites, "[{\"id\": \"A1\", \"fav\": \"pear\"},\n {\"id\": \"A2\", \"fav\": \"fig\"}]",
         "Element fig is not in the range of Favourite",
         "line 2, column 22 ($[1].fav): Element fig is not in the range of Favourite"},
        {"a key that needs quoting in the path", existingOnly, "{\"a b'c\": 1}",
         "Element a b'c could not be created for index p",
         "line 1, column 11 ($['a b\\'c']): Element a b'c could not be created for index p"},
    };
    for (const PlaceCase& c : cases) {
        clearMappings();
        ASSERT_EQ(addMapping("m", c.mapping), 1) << c.title;
        expectPlace(c);
    }
}

// \u0000 is text: documents holding it parse, and keys compare by their whole length. Only a
// string holding a NUL on its way to a name or a string of the model fails the read: the host's
// strings end at a NUL.
TEST_F(JsonPlace, ANulFailsOnlyWhereItWouldReachTheModel) {
    const PlaceCase failing[] = {
        {"in a member name bound as an element", kWhole, R"({"apple": 1, "k\u0000a": 2})",
         "Element name 'k\\u0000a' for index p holds a NUL character, which element names cannot hold",
         "line 1, column 26 ($['k\\u0000a']): Element name 'k\\u0000a' for index p holds a NUL character, which "
         "element names cannot hold"},
        {"in a value bound as an element", kOrders, R"([{"id": "A\u0000"}])",
         "Element name 'A\\u0000' for index o holds a NUL character, which element names cannot hold",
         "line 1, column 9 ($[0].id): Element name 'A\\u0000' for index o holds a NUL character, which element "
         "names cannot hold"},
        {"in a string value", kOrders, "[{\"id\": \"A1\",\n  \"customer\": \"Zo\\u0000\"}]",
         "The value of member 'customer' holds a NUL character, which the strings of Customer cannot hold",
         "line 2, column 15 ($[0].customer): The value of member 'customer' holds a NUL character, which the "
         "strings of Customer cannot hold"},
        {"in a table cell", kRows, R"({"meta": ["product", "price"], "data": [["\u0000", 1]]})",
         "Element name '\\u0000' for index p holds a NUL character, which element names cannot hold",
         "line 1, column 42 ($.data[0][0]): Element name '\\u0000' for index p holds a NUL character, which element "
         "names cannot hold"},
    };
    for (const PlaceCase& c : failing) {
        clearMappings();
        ASSERT_EQ(addMapping("m", c.mapping), 1) << c.title;
        expectPlace(c);
    }
    // The cases JSONTestSuite names y_object_escaped_null_in_key and y_string_null_escape, and the
    // NUL in places that reach nothing of the model.
    clearMappings();
    ASSERT_EQ(addMapping("title", R"(<MolvoJSONMapping><ObjectMapping><ValueMapping name="foo" maps-to="Title"/>
        <ArrayMapping name="items"><ValueMapping/></ArrayMapping></ObjectMapping></MolvoJSONMapping>)"), 1);
    ASSERT_EQ(addMapping("items", "<MolvoJSONMapping><ArrayMapping><ValueMapping/></ArrayMapping></MolvoJSONMapping>"), 1);
    ASSERT_EQ(addMapping("price", kOrders), 1);
    struct Accepted {
        const char* mapping;
        const char* document;
        const wchar_t* identifier;
        const char* contents;
    } accepted[] = {
        {"items", R"(["\u0000"])", L"Title", ""},                                // y_string_null_escape
        {"title", R"({"foo\u0000bar": 42, "items": ["\u0000"]})", L"Title", ""},   // y_object_escaped_null_in_key
        {"title", R"({"foo\u0000bar": "x", "foo": "y"})", L"Title", "=y"},
        {"price", R"([{"id": "A1", "total": "12\u0000"}])", L"Total", "A1=12"},
    };
    for (const Accepted& a : accepted) {
        model().clearErrors();
        model().empty(L"Title");
        EXPECT_EQ(readText(a.mapping, a.document), 1) << a.document << "\n" << errorsJoined();
        EXPECT_EQ(contents(a.identifier), a.contents) << a.document;
    }
}

// A node that met members in a read but read none of them says so once when the read ends,
// naming the first few; a node that read some object's members in the read, or met none, says
// nothing, and nothing is carried into the next read.
TEST_F(JsonPlace, ANodeThatMetMembersButReadNoneSaysSoOncePerRead) {
    ASSERT_EQ(addMapping("m", kOrders), 1);
    std::string document = toUtf8(path("doc.json"));
    const std::string unreadLines = "Reading " + document +
                                    ": the unnamed ObjectNode in node 'lines' read none of the members it met: 'sku', "
                                    "'amount', 'n', 'a', 'b', ...\n";
    struct Case {
        const char* title;
        const char* document;
        std::string warnings;
    } cases[] = {
        {"names beyond the first five are left out, each name once",
         R"([{"id": "A1", "lines": [{"sku": "x", "amount": 2}, {"sku": "y", "n": 1, "a": 1, "b": 2, "c": 3}]}])",
         unreadLines},
        {"one warning for the objects of several items",
         R"([{"id": "A1", "lines": [{"sku": "x", "amount": 2}]}, {"id": "A2", "lines": [{"n": 1, "a": 1, "b": 2, "c": 3}]}])",
         unreadLines},
        {"a node that read members of another object is quiet",
         R"([{"id": "A1", "lines": [{"sku": "x"}, {"product": "apple", "qty": 2}]}])", ""},
        {"empty objects are quiet", R"([{"id": "A1", "lines": [{}, {}]}, {}])", ""},
        {"the top-level node names its members", R"([{"order": "A1", "sum": 3}])",
         "Reading " + document + ": the unnamed ObjectNode read none of the members it met: 'order', 'sum'\n"},
    };
    for (const Case& c : cases) {
        model().clearErrors();
        EXPECT_EQ(readText("m", c.document), 1) << c.title;
        EXPECT_EQ(errorsJoined(), c.warnings) << c.title;
    }
    // A read that fails has its own messages.
    model().clearErrors();
    EXPECT_EQ(readText("m", R"([{"id": "A1", "lines": [{"sku": "x"}]}, 3])"), 0);
    EXPECT_EQ(errorsJoined(), "ReadFromStream: Node '' is not an object\n");
}

}  // namespace
}  // namespace flk::test
