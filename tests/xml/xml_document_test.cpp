// Whole XML documents: where a malformed one broke, large documents read and written in runs,
// deep nesting, and the layout of written documents against pugixml's own.
#include "formats/xml/xml_limits.hpp"
#include "formats/xml/xml_output.hpp"
#include "support/log_capture.hpp"
#include "xml_mapping_test.hpp"

#include <sstream>

namespace flk::test {
namespace {

// Orders enough to fill several runs: each about 100 bytes.
std::string manyOrders(int count) {
    std::string text = "<orders>\n";
    for (int i = 0; i < count; ++i)
        text += "  <order id=\"o" + std::to_string(i) + "\" customer=\"c\"><total>" + std::to_string(i) +
                ".5</total><line product=\"apple\"><qty>1</qty></line></order>\n";
    return text;
}

constexpr int kManyOrders = 3 * int(kXmlRunBytes / 100);

// The document's message stays as it is; the warning after it says where the document broke
// and why, in characters from the start of the line.
TEST_F(XmlMappingTest, AMalformedDocumentIsFollowedByAWarningWithItsLineColumnAndReason) {
    ASSERT_EQ(addMapping("m", kXmlOrders), 1);
    struct Case {
        std::string document, place;
    } cases[] = {
        {"<orders>\n  <order id='A1'>\n    <total>1</order>\n</orders>", "line 3, column 13: the end tag 'order' where 'total' ends"},
        {"<orders>\n<order id='Zo\xC3\xAB' customer='&nbsp;'/></orders>",
         "line 2, column 27: the entity reference '&nbsp;', which is not defined"},
        {"<?xml version='1.0'?>\n<!DOCTYPE orders [\n<!ENTITY x 'y'>]>\n<orders/>",
         "line 2, column 18: a document type declaration with an internal subset, which is not accepted"},
        {"<orders>\n\t<order id='\xFF'/></orders>", "line 2, column 13: bytes that are not UTF-8"},
        {"<orders/>\n<orders/>", "line 2, column 1: a second document element"},
        {"<orders a='1' b>", "line 1, column 16: no value for attribute 'b'"},
        {"", "line 1, column 1: no document element"},
    };
    for (const Case& c : cases) {
        LogCapture log(dir_ / "flk.log");
        model().clearErrors();
        EXPECT_EQ(readXml("m", c.document), 0);
        EXPECT_EQ(errorsJoined(), "ReadFromStream: Error parsing XML document " + docName() + "\n" + docName() + ", " +
                                      c.place + "\n");
        EXPECT_EQ(log.text(), "WARN - " + docName() + ", " + c.place + "\n");
    }
}

TEST_F(XmlMappingTest, ALargeDocumentIsReadInRuns) {
    ASSERT_EQ(addMapping("m", kXmlOrders), 1);
    ASSERT_EQ(readXml("m", manyOrders(kManyOrders) + "</orders>"), 1) << errorsJoined();
    EXPECT_EQ(model().card(L"Total"), size_t(kManyOrders));
    EXPECT_EQ(model().card(L"Qty"), size_t(kManyOrders));
    EXPECT_EQ(std::get<double>(model().get(L"Total", {L"o" + std::to_wstring(kManyOrders - 1)})), kManyOrders - 0.5);
}

// Nothing is read from a document that breaks, however late: not even the values of the runs
// before the one where it breaks.
TEST_F(XmlMappingTest, ALargeDocumentThatBreaksAtItsEndAssignsNothing) {
    ASSERT_EQ(addMapping("m", kXmlOrders), 1);
    LogCapture log(dir_ / "flk.log");
    EXPECT_EQ(readXml("m", manyOrders(kManyOrders) + "<order></orders>"), 0);
    EXPECT_EQ(model().card(L"Total"), 0u);
    EXPECT_EQ(model().card(L"Orders"), 0u);
    EXPECT_NE(log.text().find(", line " + std::to_string(kManyOrders + 2) + ", column 8: the end tag 'orders' where 'order' ends"),
              std::string::npos)
        << log.text();
}

// An element that binds an index at the top may stand in the last run: every run is read for it
// before the others.
TEST_F(XmlMappingTest, AnIndexElementInTheLastRunIsReadBeforeTheRunsBeforeIt) {
    ASSERT_EQ(addMapping("m", R"(<MolvoXMLMapping><ElementObjectMapping name="orders">
        <ElementObjectMapping name="order"><AttributeMapping name="id" binds-to="p"/><ElementValueMapping name="total" maps-to="Qty"/>
        </ElementObjectMapping><ElementValueMapping name="book" binds-to="o"/></ElementObjectMapping></MolvoXMLMapping>)"),
              1) << errorsJoined();
    ASSERT_EQ(readXml("m", manyOrders(kManyOrders) + "<book>B7</book></orders>"), 1) << errorsJoined();
    EXPECT_EQ(model().card(L"Qty"), size_t(kManyOrders - 1));   // the first total, 0.5, is 0 as an integer
    EXPECT_EQ(std::get<double>(model().get(L"Qty", {L"B7", L"o3"})), 3.0);
}

// Documents nest as deep as the limit, the document element counted; deeper ones, however deep,
// fail as they are checked.
TEST_F(XmlMappingTest, DocumentsNestUpToTheLimitAndDeeperOnesFailCleanly) {
    ASSERT_EQ(addMapping("m", R"(<MolvoXMLMapping><ElementObjectMapping name="r">
        <ElementValueMapping name="t" maps-to="Title"/><ElementObjectMapping name="a"><ElementObjectMapping name="a">
        <ElementValueMapping name="t" maps-to="Title"/></ElementObjectMapping></ElementObjectMapping>
        </ElementObjectMapping></MolvoXMLMapping>)"), 1);
    auto nested = [](size_t depth, const std::string& inside) {   // below the document element
        std::string open, close;
        for (size_t i = 0; i < depth; ++i) open += "<a>", close += "</a>";
        return open + inside + close;
    };
    ASSERT_EQ(readXml("m", "<r>" + nested(kMaxXmlDepth - 2, "<t>deep</t>") + "<t>top</t></r>"), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Title"), "=top");
    ASSERT_EQ(readXml("m", "<r><a><a><t>second</t></a></a>" + nested(kMaxXmlDepth - 1, "") + "</r>"), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Title"), "=second");
    for (size_t depth : {kMaxXmlDepth, size_t(100000)}) {
        LogCapture log(dir_ / "flk.log");
        model().clearErrors();
        EXPECT_EQ(readXml("m", "<r><t>x</t>" + nested(depth, "") + "</r>"), 0);
        EXPECT_EQ(errorsJoined().rfind("ReadFromStream: Error parsing XML document " + docName() + "\n", 0), 0u);
        EXPECT_NE(log.text().find("elements nested more than " + std::to_string(kMaxXmlDepth) + " deep"), std::string::npos);
        EXPECT_EQ(contents(L"Title"), "=second");
    }
}

// The document element's children go out as they are written where its attributes come first in
// the mapping; the document is the same as the one written whole.
TEST_F(XmlMappingTest, ADocumentWrittenInRunsIsTheDocumentWrittenWhole) {
    const char* attributesFirst = R"(<MolvoXMLMapping namespace-uri="urn:o"><ElementObjectMapping name="orders">
        <AttributeMapping name="title" maps-to="Title"/>
        <ElementObjectMapping name-regex=".*" name-binds-to="o"><ElementValueMapping name="total" maps-to="Total"/>
        </ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)";
    const char* attributesLast = R"(<MolvoXMLMapping namespace-uri="urn:o"><ElementObjectMapping name="orders">
        <ElementObjectMapping name-regex=".*" name-binds-to="o"><ElementValueMapping name="total" maps-to="Total"/>
        </ElementObjectMapping><AttributeMapping name="title" maps-to="Title"/></ElementObjectMapping></MolvoXMLMapping>)";
    ASSERT_EQ(addMapping("first", attributesFirst), 1);
    ASSERT_EQ(addMapping("last", attributesLast), 1);
    model().assign(L"Title", {}, std::wstring(L"book"));
    for (int i = 1; i <= 3000; ++i) {
        model().assign(L"Orders", {L"o" + std::to_wstring(i)}, 1.0);
        model().assign(L"Total", {L"o" + std::to_wstring(i)}, i * 0.25);
    }
    for (int pretty : {0, 1}) {
        std::string streamed = writeXml("first", pretty), whole = writeXml("last", pretty);
        EXPECT_EQ(streamed, whole);
        std::string start = pretty ? "<?xml version=\"1.0\"?>\n<orders title=\"book\" xmlns=\"urn:o\">\n\t<o1>\n\t\t<total>"
                                   : "<?xml version=\"1.0\"?><orders title=\"book\" xmlns=\"urn:o\"><o1><total>";
        EXPECT_EQ(streamed.substr(0, start.size()), start);
    }
}

// Documents laid out as pugixml saves them, compact and indented, mixed content included.
TEST(XmlOutput, LaysDocumentsOutAsPugixmlSavesThem) {
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("root");
    root.append_attribute("a").set_value("1 & <2> \"3\" '4'");
    root.append_child("empty");
    pugi::xml_node value = root.append_child("value");
    value.append_attribute("unit").set_value("kg");
    value.append_child(pugi::node_pcdata).set_value("2.5 < 3 & \xC3\xA9");
    pugi::xml_node mixed = root.append_child("mixed");
    mixed.append_child(pugi::node_pcdata).set_value("text");
    mixed.append_child("inner").append_child("deeper");
    mixed.append_child(pugi::node_pcdata).set_value("tail");
    pugi::xml_node nested = root.append_child("nested");
    nested.append_child("x").append_child(pugi::node_pcdata).set_value("1");
    nested.append_child("y");
    for (bool pretty : {false, true}) {
        std::ostringstream reference;
        document.save(reference, "\t", pretty ? pugi::format_indent : pugi::format_raw, pugi::encoding_utf8);
        XmlOutput output(pretty, "");
        output.finish(root);
        EXPECT_EQ(output.text(), reference.str());
    }
}

}  // namespace
}  // namespace flk::test
