// Included mappings and external bindings: the including node's indices reach the included
// mapping, element parameters and iterative-bindings fix indices, and a string parameter can
// choose the mapping per tuple.
#include "text/base64.hpp"
#include "mapping/mapping_nesting.hpp"
#include "support/mapping_fixture.hpp"
#include "molvo/molvo3.h"

namespace flk::test {
namespace {

// Quantities of the products of one order, the order given from outside.
const char* const kLines = R"(<MolvoJSONMapping><ExternalBinding binds-to="o" iterative-binding="o" iterative-prefix="order-"/>
  <ObjectMapping><ValueMapping name-regex=".*" name-binds-to="p" maps-to="Qty"/></ObjectMapping></MolvoJSONMapping>)";

const char* const kCustomer = R"(<MolvoJSONMapping><ExternalBinding binds-to="o" iterative-binding="o"/>
  <ObjectMapping><ValueMapping name="customer" maps-to="Customer"/></ObjectMapping></MolvoJSONMapping>)";

class Included : public MappingTest {
protected:
    void SetUp() override {
        MappingTest::SetUp();
        int orders = model().handle(L"Orders"), element = 0, created = 0;
        for (const wchar_t* name : {L"A1", L"A2"}) MolvoSetElementNumberW(orders, name, 1, &element, &created);
        parameter(L"MappingOf", {L"o"}, molvo::Storage::String, std::wstring());
        parameter(L"Chosen", {}, molvo::Storage::Element, std::wstring(), L"Products");
        parameter(L"Picked", {}, molvo::Storage::Element, std::wstring(L"A1"), L"Orders");
        ASSERT_EQ(addMapping("line", kLines), 1) << errorsJoined();
        ASSERT_EQ(addMapping("customer", kCustomer), 1) << errorsJoined();
    }
};

TEST_F(Included, AStringParameterChoosesTheMappingPerTuple) {
    model().assign(L"MappingOf", {L"A1"}, std::wstring(L"line"));
    model().assign(L"MappingOf", {L"A2"}, std::wstring(L"customer"));
    ASSERT_EQ(addMapping("orders", R"(<MolvoJSONMapping><ObjectMapping>
        <ObjectMapping name-regex=".*" name-binds-to="o" binds-existing="1" included-mapping="MappingOf"/>
      </ObjectMapping></MolvoJSONMapping>)"), 1) << errorsJoined();
    ASSERT_EQ(readText("orders", R"({"A1":{"apple":1,"pear":2},"A2":{"customer":"Zoë"},"A3":{"x":1}})"), 1)
        << errorsJoined();
    EXPECT_EQ(contents(L"Qty"), "A1,apple=1 A1,pear=2");
    EXPECT_EQ(contents(L"Customer"), "A2=Zoë");
    EXPECT_EQ(writeText("orders"), R"({"A1":{"apple":1,"pear":2},"A2":{"customer":"Zoë"}})");

    model().assign(L"MappingOf", {L"A2"}, std::wstring(L"gone"));
    EXPECT_EQ(readText("orders", R"({"A2":{"customer":"Bo"}})"), 0);
    EXPECT_NE(errorsJoined().find("Cannot find included mapping gone in node "), std::string::npos) << errorsJoined();
    EXPECT_EQ(contents(L"Customer"), "A2=Zoë");
}

// The included mapping reads the including document: a value it cannot bind is named by its
// place there.
TEST_F(Included, AValueTheIncludedMappingCannotBindIsNamedByItsPlaceInTheDocument) {
    ASSERT_EQ(addMapping("strict", R"(<MolvoJSONMapping><ExternalBinding binds-to="o" iterative-binding="o"/>
        <ObjectMapping><ValueMapping name-regex=".*" name-binds-to="p" binds-existing="1" binds-skip-non-existing="0"
          maps-to="Qty"/></ObjectMapping></MolvoJSONMapping>)"), 1) << errorsJoined();
    model().assign(L"MappingOf", {L"A1"}, std::wstring(L"strict"));
    ASSERT_EQ(addMapping("orders", R"(<MolvoJSONMapping><ObjectMapping>
        <ObjectMapping name-regex=".*" name-binds-to="o" binds-existing="1" included-mapping="MappingOf"/>
      </ObjectMapping></MolvoJSONMapping>)"), 1) << errorsJoined();
    model().clearErrors();
    EXPECT_EQ(readText("orders", "{\"A1\": {\"apple\": 1,\n  \"kiwi\": 2}}"), 0);
    const std::string reason = "Element kiwi could not be created for index p";
    EXPECT_EQ(errorsJoined(), "ReadFromStream: " + reason + "\n" + toUtf8(path("doc.json")) + ", line 2, column 11 ($.A1.kiwi): " +
                                  reason + "\n");
}

TEST_F(Included, AMappingReadOnItsOwnNumbersItsIterativeBindingPerRead) {
    ASSERT_EQ(ResetMappingData(L"line", 0, 0, 1), 1);   // counters are process-wide
    ASSERT_EQ(readText("line", R"({"apple":2})"), 1) << errorsJoined();
    ASSERT_EQ(readText("line", R"({"pear":3})"), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Qty"), "order-1,apple=2 order-2,pear=3");
    // Written on its own, nothing says which order to write.
    EXPECT_EQ(writeText("line"), "<failed>");
    EXPECT_NE(errorsJoined().find("The iterative-binding attribute o cannot be bound"), std::string::npos);
    EXPECT_EQ(ResetMappingData(L"line", 0, 0, 1), 1);
    ASSERT_EQ(readText("line", R"({"apple":5})"), 1);
    EXPECT_EQ(contents(L"Qty"), "order-1,apple=5 order-2,pear=3");
}

TEST_F(Included, AnImplicitlyBoundIndexIsNamedByTheIncludedContent) {
    ASSERT_EQ(addMapping("order", R"(<MolvoJSONMapping><ExternalBinding binds-to="o" iterative-binding="o"/>
        <ObjectMapping><ValueMapping name="id" binds-to="o"/><ValueMapping name="customer" maps-to="Customer"/>
        </ObjectMapping></MolvoJSONMapping>)"), 1) << errorsJoined();
    ASSERT_EQ(addMapping("book", R"(<MolvoJSONMapping><ArrayMapping>
        <ObjectMapping implicit-binds-to="o" maps-to="Total" included-mapping="@order"/></ArrayMapping></MolvoJSONMapping>)"), 1)
        << errorsJoined();
    const char* book = R"([{"id":"A7","customer":"Ann"},{"customer":"Bo","id":"B2"}])";
    ASSERT_EQ(readText("book", book), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Customer"), "A7=Ann B2=Bo");
    EXPECT_EQ(contents(L"Total"), "A7=1 B2=1");
    EXPECT_EQ(writeText("book"), R"([{"id":"A7","customer":"Ann"},{"id":"B2","customer":"Bo"}])");
}

TEST_F(Included, AnElementParameterBelowTheIncludingNodeFixesAnotherIndex) {
    ASSERT_EQ(addMapping("qty", R"(<MolvoJSONMapping><ExternalBinding binds-to="o" iterative-binding="o"/>
        <ExternalBinding binds-to="p" iterative-binding="p"/>
        <ObjectMapping><ValueMapping name="n" maps-to="Qty"/></ObjectMapping></MolvoJSONMapping>)"), 1)
        << errorsJoined();
    ASSERT_EQ(addMapping("orders", R"(<MolvoJSONMapping><ObjectMapping>
        <ObjectMapping name-regex=".*" name-binds-to="o" included-mapping="@qty"><ExternalBinding binds-to="p" binding="Chosen"/>
        </ObjectMapping></ObjectMapping></MolvoJSONMapping>)"), 1) << errorsJoined();
    EXPECT_EQ(readText("orders", R"({"A1":{"n":4}})"), 0);
    EXPECT_NE(errorsJoined().find("External binding for p has no value"), std::string::npos) << errorsJoined();

    model().assign(L"Chosen", {}, std::wstring(L"pear"));
    model().assign(L"Qty", {L"A2", L"apple"}, 9.0);
    ASSERT_EQ(readText("orders", R"({"A1":{"n":4}})"), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Qty"), "A1,pear=4 A2,apple=9");
    EXPECT_EQ(writeText("orders"), R"({"A1":{"n":4}})");
}

TEST_F(Included, BindingsThatDoNotFitFailWhenUsed) {
    ASSERT_EQ(addMapping("picked", R"(<MolvoJSONMapping><ExternalBinding binds-to="o" binding="Picked"/>
        <ObjectMapping><ValueMapping name="customer" maps-to="Customer"/></ObjectMapping></MolvoJSONMapping>)"), 1)
        << errorsJoined();
    ASSERT_EQ(addMapping("two", R"(<MolvoJSONMapping><ObjectMapping><ObjectMapping name-regex=".*" name-binds-to="o">
        <ObjectMapping name-regex=".*" name-binds-to="p" included-mapping="@picked"/></ObjectMapping></ObjectMapping>
        </MolvoJSONMapping>)"), 1)
        << errorsJoined();
    EXPECT_EQ(readText("two", R"({"A1":{"apple":{}}})"), 0);
    EXPECT_NE(errorsJoined().find("More bindings specified for included mapping in node  than referenced mapping picked "
                                  "supports"), std::string::npos) << errorsJoined();
    ASSERT_EQ(addMapping("other", R"(<MolvoJSONMapping><ObjectMapping>
        <ObjectMapping name-regex=".*" name-binds-to="p" included-mapping="@picked"/></ObjectMapping></MolvoJSONMapping>)"), 1)
        << errorsJoined();
    EXPECT_EQ(readText("other", R"({"apple":{"customer":"Al"}})"), 0);
    EXPECT_NE(errorsJoined().find("Index p in external binding of node  does not coincide with external index o of "
                                  "referenced mapping picked"), std::string::npos) << errorsJoined();
    EXPECT_EQ(contents(L"Customer"), "");
}

struct CheckCase {
    const char* title;
    const char* xml;
    const char* error;
};

const CheckCase kChecks[] = {
    {"the including mapping has no such index",
     R"(<MolvoJSONMapping><ObjectMapping><ObjectMapping name-regex=".*" name-binds-to="p" included-mapping="@line"/>
        </ObjectMapping></MolvoJSONMapping>)",
     "The iterative-binding attribute o cannot be bound"},
    {"the including node does not bind it",
     R"(<MolvoJSONMapping><ObjectMapping>
          <ArrayMapping name="x"><ObjectMapping><ValueMapping name="id" binds-to="o"/></ObjectMapping></ArrayMapping>
          <ObjectMapping name="y" included-mapping="@line"/></ObjectMapping></MolvoJSONMapping>)",
     "The binding attribute o does not refer to a bound index"},
    {"below the root, the named index is not bound otherwise",
     R"(<MolvoJSONMapping><ObjectMapping><ObjectMapping name-regex=".*" name-binds-to="o" included-mapping="@line">
          <ExternalBinding binds-to="p" iterative-binding="p"/></ObjectMapping></ObjectMapping></MolvoJSONMapping>)",
     "The binding attribute p does not refer to a bound index"},
    {"below the root, binds-to is bound already",
     R"(<MolvoJSONMapping><ObjectMapping><ObjectMapping name-regex=".*" name-binds-to="o" included-mapping="@line">
          <ExternalBinding binds-to="o" iterative-binding="o"/></ObjectMapping></ObjectMapping></MolvoJSONMapping>)",
     "The iterative-binding attribute o cannot be bound"},
    {"root domains differ",
     R"(<MolvoJSONMapping><ExternalBinding binds-to="p" iterative-binding="o"/><ObjectMapping/></MolvoJSONMapping>)",
     "The root domains of the binds-to attribute p and iterative-binding attribute o are not identical"},
    {"both binding and iterative-binding",
     R"(<MolvoJSONMapping><ExternalBinding binds-to="p" binding="Chosen" iterative-binding="p"/><ObjectMapping/></MolvoJSONMapping>)",
     "Node  cannot have an external binding with both a 'binding' and 'iterative-binding' attribute"},
    {"a binding whose range is another set",
     R"(<MolvoJSONMapping><ExternalBinding binds-to="o" binding="Chosen"/><ObjectMapping/></MolvoJSONMapping>)",
     "The domain of the binds-to attribute o and the range of the binding attribute Chosen of ExternalBinding for node  "
     "should be the same"},
};

class IncludedChecks : public Included, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(IncludedChecks, RefuseTheMapping) {
    EXPECT_EQ(addMapping("m", GetParam().xml), 0);
    EXPECT_NE(errorsJoined().find(GetParam().error), std::string::npos) << errorsJoined();
}

INSTANTIATE_TEST_SUITE_P(Cases, IncludedChecks, ::testing::ValuesIn(kChecks), CaseTitle());

TEST_F(Included, MappingsThatIncludeThemselvesStopAtADepthLimit) {
    ASSERT_EQ(addMapping("inner", "<MolvoJSONMapping><ValueMapping embedded-mapping='inner'/></MolvoJSONMapping>"), 1);
    EXPECT_EQ(writeText("inner"), "<failed>");
    EXPECT_NE(errorsJoined().find("The embedded mapping inner would be written inside itself"), std::string::npos)
        << errorsJoined();

    ASSERT_EQ(addMapping("self", R"(<MolvoJSONMapping><ObjectMapping>
        <ValueMapping name="customer" maps-to="Title"/><ObjectMapping name="next" included-mapping="@self"/>
      </ObjectMapping></MolvoJSONMapping>)"), 1) << errorsJoined();
    ASSERT_EQ(readText("self", R"({"next":{"next":{"customer":"deep"}}})"), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Title"), "=deep");
    EXPECT_EQ(writeText("self"), "<failed>");
    EXPECT_NE(errorsJoined().find("Mapping self in node next is nested more than 64 mappings deep"), std::string::npos);

    std::string deep;
    for (int level = 0; level < 100; ++level) deep += R"({"next":)";
    EXPECT_EQ(readText("self", deep + "{}" + std::string(100, '}')), 0);
}

// Mappings as deep as allowed that include one another stop once their elements together nest
// deeper than a few such mappings, reading and writing alike, instead of exhausting the stack.
TEST_F(Included, IncludedMappingsTogetherNestNoDeeperThanTheLimit) {
    const int chain = kMaxMappingDepth - 4;   // objects named a between the top object and its member n
    std::string open = "<MolvoJSONMapping><ObjectMapping>", close;
    for (int level = 0; level < chain; ++level) open += "<ObjectMapping name='a'>", close += "</ObjectMapping>";
    ASSERT_EQ(addMapping("deep", open + "<ObjectMapping name='n' included-mapping='@deep'/>" + close +
                                     "</ObjectMapping></MolvoJSONMapping>"), 1) << errorsJoined();
    auto document = [&](int inclusions) {
        std::string text = "{}";
        for (int i = 0; i < inclusions; ++i) {
            text = R"({"n":)" + text + "}";
            for (int level = 0; level < chain; ++level) text = R"({"a":)" + text + "}";
        }
        return text;
    };
    const int mappings = MappingNesting::kMaxElementDepth / kMaxMappingDepth;   // each as deep as allowed, nearly
    EXPECT_EQ(readText("deep", document(mappings - 1)), 1) << errorsJoined();
    const std::string refused = "Mapping deep in node n would nest elements more than " +
                                std::to_string(MappingNesting::kMaxElementDepth) + " deep with the mappings around it";
    EXPECT_EQ(readText("deep", document(mappings)), 0);
    EXPECT_NE(errorsJoined().find("ReadFromStream: " + refused), std::string::npos) << errorsJoined();
    EXPECT_EQ(writeText("deep"), "<failed>");
    EXPECT_NE(errorsJoined().find("WriteToStream: " + refused), std::string::npos) << errorsJoined();
}

// So do embedded mappings: one as deep as allowed read inside itself, and a chain of such
// mappings written inside one another.
TEST_F(Included, EmbeddedMappingsTogetherNestNoDeeperThanTheLimit) {
    const int chain = kMaxMappingDepth - 4;   // objects named a between the top object and its member d
    auto deepMapping = [&](const std::string& embedded) {
        std::string open = "<MolvoJSONMapping><ObjectMapping>", close;
        for (int level = 0; level < chain; ++level) open += "<ObjectMapping name='a'>", close += "</ObjectMapping>";
        std::string member = embedded.empty() ? "<ValueMapping name='d' maps-to='Title'/>"
                                              : "<ValueMapping name='d' embedded-mapping='" + embedded + "' base64-encoded=''/>";
        return open + member + close + "</ObjectMapping></MolvoJSONMapping>";
    };
    auto document = [&](int embeddings) {
        std::string text = "{}";
        for (int i = 0; i < embeddings; ++i) {
            text = R"({"d":")" + base64Encode(text) + R"("})";
            for (int level = 0; level < chain; ++level) text = R"({"a":)" + text + "}";
        }
        return text;
    };
    const int mappings = MappingNesting::kMaxElementDepth / kMaxMappingDepth;
    const std::string refused = " would nest elements more than " + std::to_string(MappingNesting::kMaxElementDepth) +
                                " deep with the mappings around it";
    ASSERT_EQ(addMapping("self", deepMapping("self")), 1) << errorsJoined();
    EXPECT_EQ(readText("self", document(mappings - 1)), 1) << errorsJoined();
    EXPECT_EQ(readText("self", document(mappings)), 0);
    EXPECT_NE(errorsJoined().find("ReadFromStream: The embedded mapping self" + refused), std::string::npos) << errorsJoined();

    ASSERT_EQ(addMapping("e0", deepMapping("")), 1) << errorsJoined();
    for (int i = 1; i <= mappings; ++i)
        ASSERT_EQ(addMapping("e" + std::to_string(i), deepMapping("e" + std::to_string(i - 1))), 1) << errorsJoined();
    EXPECT_NE(writeText("e" + std::to_string(mappings - 1)), "<failed>") << errorsJoined();
    EXPECT_EQ(writeText("e" + std::to_string(mappings)), "<failed>");
    EXPECT_NE(errorsJoined().find("The embedded mapping e0" + refused), std::string::npos) << errorsJoined();
}

}  // namespace
}  // namespace flk::test
