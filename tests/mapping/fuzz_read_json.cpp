// Feeds arbitrary documents to ReadFromFile with a fixed mapping that uses every JSON node class,
// and writes back what was read.
#include "ferrolink/ferrolink.h"
#include "fuzz_model.hpp"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = flk::fuzz::scratchPath("flk-fuzz-read-json");
    static const std::wstring doc(base.begin(), base.end()), out = doc + L".out";
    static const bool ready = [] {
        flk::fuzz::declareModel();
        FILE* m = std::fopen((base + ".xml").c_str(), "wb");
        std::fputs(kMapping, m);
        std::fclose(m);
        std::wstring mapping(base.begin(), base.end());
        return AddMapping(L"fuzz", (mapping + L".xml").c_str()) == 1;
    }();
    if (!ready) __builtin_trap();
    FILE* f = std::fopen(base.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (ReadFromFile(doc.c_str(), L"fuzz", 1, 1, 1)) WriteToFile(out.c_str(), L"fuzz", 0);
    molvo::model().clearErrors();
    return 0;
}
