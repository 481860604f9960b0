// Feeds arbitrary documents to ReadFromFile with a fixed mapping that uses every JSON node class,
// and writes back what was read.
#include "ferrolink/ferrolink.h"
#include "fuzz_model.hpp"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const char* kMapping = R"xml(<MolvoJSONMapping><ObjectMapping>
  <ValueMapping name="title" maps-to="Title"/>
  <ArrayMapping name="orders" singleton-as-array="1"><ObjectMapping>
    <ValueMapping name="id" binds-to="o"/>
    <ValueMapping name="customer" maps-to="Customer"/>
    <ValueMapping name="total" maps-to="Total" accept-any="1"/>
    <ValueMapping name="fav" maps-to="Favourite"/>
    <ObjectMapping name="lines"><ValueMapping name-regex="(.*)" name-binds-to="p" maps-to="Qty"/></ObjectMapping>
  </ObjectMapping></ArrayMapping>
  <ObjectMapping name="prices" dense-children="1">
    <ObjectMapping name-regex="p_.*" name-binds-to="p" empty-as-bool="1" force-dense="Price"/>
  </ObjectMapping>
  <RowOrientedObjectMapping name="rows">
    <ColumnMapping name="order" binds-to="o"/><ColumnMapping name="total" maps-to="Total"/>
  </RowOrientedObjectMapping>
  <ColumnOrientedObjectMapping name="columns">
    <RowMapping name="product" binds-to="p"/><RowMapping name="price" maps-to="Price"/>
  </ColumnOrientedObjectMapping>
  <ArrayMapping name="numbered"><ObjectMapping iterative-binds-to="o" iterative-prefix="n">
    <ValueMapping name="c" maps-to="Customer"/></ObjectMapping></ArrayMapping>
</ObjectMapping></MolvoJSONMapping>)xml";

// Top-level arrays and row tables are read as they are parsed: both paths get every input too.
const char* kArrayMapping = R"xml(<MolvoJSONMapping><ArrayMapping><ObjectMapping>
  <ValueMapping name="id" binds-to="o"/><ValueMapping name="total" maps-to="Total"/>
  <ArrayMapping name="lines"><ObjectMapping><ValueMapping name="p" binds-to="p"/><ValueMapping name="q" maps-to="Qty"/>
  </ObjectMapping></ArrayMapping></ObjectMapping></ArrayMapping></MolvoJSONMapping>)xml";
const char* kRowsMapping = R"xml(<MolvoJSONMapping><RowOrientedObjectMapping>
  <ColumnMapping name="product" binds-to="p"/><ColumnMapping name="price" maps-to="Price"/>
  <ColumnMapping name-regex="o.*" name-binds-to="o" maps-to="Qty(o, p)"/></RowOrientedObjectMapping></MolvoJSONMapping>)xml";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = flk::fuzz::scratchPath("flk-fuzz-read-json");
    static const std::wstring doc(base.begin(), base.end()), out = doc + L".out";
    static const bool ready = [] {
        flk::fuzz::declareModel();
        return flk::fuzz::addMapping(base, L"fuzz", kMapping) &&
               flk::fuzz::addMapping(base, L"fuzz-array", kArrayMapping) &&
               flk::fuzz::addMapping(base, L"fuzz-rows-table", kRowsMapping);
    }();
    if (!ready) __builtin_trap();
    FILE* f = std::fopen(base.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    for (const wchar_t* mapping : {L"fuzz", L"fuzz-array", L"fuzz-rows-table"})
        if (ReadFromFile(doc.c_str(), mapping, 1, 1, 1)) WriteToFile(out.c_str(), mapping, 0);
    molvo::model().clearErrors();
    return 0;
}
