// Feeds arbitrary documents to ReadFromFile with fixed mappings that use every XML node class,
// and writes back what was read: documents whose element is read in runs, with and without an
// index bound at the top, and one whose document element is a value element, read whole.
#include "ferrolink/ferrolink.h"
#include "formats/xml/xml_outline.hpp"
#include "mapping/fuzz_model.hpp"

#include <pugixml.hpp>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <sstream>
#include <string>

namespace {

// Runs are read without being checked by the parser first: the outline must refuse whatever the
// parser would. Cut into runs as small as they come, every run of a document the outline lets
// pass must parse, and so must the document element whole.
void checkOutlineRefusesWhatTheParserWould(const std::uint8_t* data, std::size_t size) {
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    flk::XmlText text;
    flk::XmlProblem problem;
    flk::XmlOutline outline;
    if (!text.read(input, problem) || !flk::outlineXml(text.body(), 1, outline, problem)) return;
    auto parses = [&](flk::XmlRange range, unsigned options) {
        pugi::xml_document document;
        return bool(document.load_buffer(text.body().data() + range.begin, range.end - range.begin,
                                         pugi::parse_default | options, pugi::encoding_utf8));
    };
    if (!parses(outline.whole, 0)) __builtin_trap();
    for (const flk::XmlRange& run : outline.runs)
        if (!parses(run, pugi::parse_fragment)) __builtin_trap();
}

const char* kShopMapping = R"xml(<MolvoXMLMapping namespace-uri="urn:shop"><ElementObjectMapping name="shop">
  <AttributeMapping name="title" maps-to="Title"/>
  <ElementObjectMapping name="order">
    <AttributeMapping name="id" binds-to="o"/>
    <ElementValueMapping name="customer" maps-to="Customer"/>
    <ElementValueMapping name="total" maps-to="Total"/>
    <AttributeMapping name="fav" maps-to="Favourite"/>
    <ElementObjectMapping name="lines"><ElementValueMapping name-regex="(.*)" name-binds-to="p" maps-to="Qty"/></ElementObjectMapping>
  </ElementObjectMapping>
  <ElementObjectMapping name="prices" dense-children="1">
    <ElementValueMapping name-regex="p_(.*)" name-binds-to="p" maps-to="Price"/>
    <AttributeMapping name-regex="a_(.*)" name-binds-to="p" maps-to="Price"/>
  </ElementObjectMapping>
  <ElementObjectMapping name="numbered" iterative-reset="1">
    <ElementValueMapping name="c" iterative-binds-to="o" iterative-prefix="n" maps-to="Customer"/>
  </ElementObjectMapping>
  <ElementValueMapping name="price" maps-to="Price"><AttributeMapping name="of" binds-to="p"/></ElementValueMapping>
</ElementObjectMapping></MolvoXMLMapping>)xml";

// An index bound at the top by an element anywhere in the document element.
const char* kBookMapping = R"xml(<MolvoXMLMapping><ElementObjectMapping name="shop">
  <ElementValueMapping name="book" binds-to="o"/><ElementValueMapping name="customer" maps-to="Customer"/>
  <ElementObjectMapping name="lines"><AttributeMapping name-regex=".*" name-binds-to="p" maps-to="Qty"/></ElementObjectMapping>
</ElementObjectMapping></MolvoXMLMapping>)xml";

const char* kValueMapping = R"xml(<MolvoXMLMapping><ElementValueMapping name="t" maps-to="Title">
  <AttributeMapping name-regex=".*" name-binds-to="p" maps-to="Price"/></ElementValueMapping></MolvoXMLMapping>)xml";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = flk::fuzz::scratchPath("flk-fuzz-read-xml");
    static const std::wstring doc(base.begin(), base.end()), out = doc + L".out";
    static const bool ready = [] {
        flk::fuzz::declareModel();
        return flk::fuzz::addMapping(base, L"fuzz-shop", kShopMapping) &&
               flk::fuzz::addMapping(base, L"fuzz-value-at-top", kValueMapping) &&
               flk::fuzz::addMapping(base, L"fuzz-book", kBookMapping);
    }();
    if (!ready) __builtin_trap();
    checkOutlineRefusesWhatTheParserWould(data, size);
    FILE* f = std::fopen(base.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    for (const wchar_t* mapping : {L"fuzz-shop", L"fuzz-value-at-top", L"fuzz-book"})
        if (ReadFromFile(doc.c_str(), mapping, 1, 1, 1)) WriteToFile(out.c_str(), mapping, 1);
    molvo::model().clearErrors();
    return 0;
}
