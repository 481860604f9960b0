// Feeds arbitrary text to ReadFromFile with fixed CSV mappings (keyed rows with a pattern column,
// and rows numbered by an iterative binding), and writes back what was read.
#include "ferrolink/ferrolink.h"
#include "fuzz_model.hpp"

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const char* kKeyedMapping = R"xml(<MolvoCSVMapping><CSVTableMapping>
  <CSVColumnMapping name="order" binds-to="o"/><CSVColumnMapping name="customer" maps-to="Customer"/>
  <CSVColumnMapping name="total" alt-name="sum" maps-to="Total"/><CSVColumnMapping name="fav" maps-to="Favourite"/>
  <CSVColumnMapping name-regex="q_(.*)" name-binds-to="p" maps-to="Qty(o,p)"/>
</CSVTableMapping></MolvoCSVMapping>)xml";

const char* kNumberedMapping = R"xml(<MolvoCSVMapping iterative-reset="1"><CSVTableMapping iterative-binds-to="o" iterative-prefix="n">
  <CSVColumnMapping name="c" maps-to="Customer"/><CSVColumnMapping name="t" maps-to="Total" write-defaults="1"/>
</CSVTableMapping></MolvoCSVMapping>)xml";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = flk::fuzz::scratchPath("flk-fuzz-read-csv");
    static const std::wstring doc(base.begin(), base.end()), out = doc + L".out";
    static const bool ready = [] {
        flk::fuzz::declareModel();
        return flk::fuzz::addMapping(base, L"keyed", kKeyedMapping) &&
               flk::fuzz::addMapping(base, L"numbered-rows", kNumberedMapping);
    }();
    if (!ready) __builtin_trap();
    FILE* f = std::fopen(base.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    for (const wchar_t* mapping : {L"keyed", L"numbered-rows"})
        if (ReadFromFile(doc.c_str(), mapping, 1, 1, 1)) WriteToFile(out.c_str(), mapping, 0);
    molvo::model().clearErrors();
    return 0;
}
