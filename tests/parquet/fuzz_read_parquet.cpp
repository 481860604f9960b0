// Feeds arbitrary bytes to ReadFromFile as a Parquet file, with a fixed mapping that claims columns
// into every kind of target (numbers, integers, strings, elements) by name and by pattern, and
// writes back what was read.
#include "ferrolink/ferrolink.h"
#include "fuzz_model.hpp"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

const char* kMapping = R"xml(<MolvoParquetMapping iterative-reset="1"><ParquetMapping>
  <ColumnMapping name="id" alt-name="c" binds-to="o"/><ColumnMapping name="customer" maps-to="Customer"/>
  <ColumnMapping name="total" maps-to="Total" write-defaults="1"/><ColumnMapping name="fav" maps-to="Favourite"/>
  <ColumnMapping name-regex="q_(.*)" name-binds-to="p" maps-to="Qty(o,p)"/>
</ParquetMapping></MolvoParquetMapping>)xml";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = flk::fuzz::scratchPath("flk-fuzz-read-parquet.parquet");
    static const std::wstring doc(base.begin(), base.end()), out = doc + L".out.parquet";
    static const bool ready = [] {
        flk::fuzz::declareModel();
        return flk::fuzz::addMapping(base, L"fuzz", kMapping);
    }();
    if (!ready) __builtin_trap();
    FILE* f = std::fopen(base.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (ReadFromFile(doc.c_str(), L"fuzz", 1, 1, 1)) WriteToFile(out.c_str(), L"fuzz", 0);
    molvo::model().clearErrors();
    return 0;
}
