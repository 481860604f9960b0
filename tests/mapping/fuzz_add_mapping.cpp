// Feeds arbitrary mapping files to AddMapping against a fixed model; a mapping that registers is
// also used to read a small document and to write one.
#include "ferrolink/ferrolink.h"
#include "fuzz_model.hpp"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = (flk::fuzz::declareModel(), true);
    static const std::string dir = flk::fuzz::scratchPath("flk-fuzz-add-mapping");
    static const std::wstring mappingFile(dir.begin(), dir.end()), docFile = mappingFile + L".json",
                              outFile = mappingFile + L".out";
    (void)ready;
    FILE* f = std::fopen(dir.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    FILE* d = std::fopen((dir + ".json").c_str(), "wb");
    std::fputs(R"({"a":[{"b":1,"c":"x"}],"meta":["a"],"data":[[1]],"d":{"e":true}})", d);
    std::fclose(d);
    if (AddMapping(L"fuzz", mappingFile.c_str())) {
        ReadFromFile(docFile.c_str(), L"fuzz", 1, 1, 1);
        WriteToFile(outFile.c_str(), L"fuzz", 1);
    }
    molvo::model().clearErrors();
    return 0;
}
