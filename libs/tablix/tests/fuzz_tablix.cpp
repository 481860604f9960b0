// libFuzzer target over the buffer reader: any input must read or throw tablix::Exception.
#include <cstddef>
#include <cstdint>

#include "tablix/ArrowTable.h"

namespace {
// Cells beyond this are read but not visited one by one, which would only slow the fuzzer down.
constexpr int64_t kMaxVisitedCells = 1 << 22;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        auto table = tablix::IArrowTable::create();
        table->readParquet(data, size);
        if (table->rowCount() * table->columnCount() > kMaxVisitedCells) return 0;
        for (int32_t c = 0; c < table->columnCount(); ++c)
            for (int64_t r = 0; r < table->rowCount(); ++r) (void)table->value(c, r);
    } catch (const tablix::Exception&) {
    }
    return 0;
}
