// libFuzzer target over the buffer reader: any input must read or throw tablix::Exception.
#include <cstddef>
#include <cstdint>

#include "ParquetReader.h"
#include "tablix/ArrowTable.h"

namespace {
// Files whose declared size would need more memory than the fuzzer allows are skipped; the
// reader's own limits are meant for real tables, not for the fuzzer's memory ceiling.
constexpr int64_t kMaxFuzzCells = 1 << 22;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const tablix::ParquetFile file = tablix::openParquet(data, size);
        if (file.rowCount * static_cast<int64_t>(file.columns.size() + 1) > kMaxFuzzCells) return 0;
        auto table = tablix::IArrowTable::create();
        table->readParquet(data, size);
        for (int32_t c = 0; c < table->columnCount(); ++c)
            for (int64_t r = 0; r < table->rowCount(); ++r) (void)table->value(c, r);
    } catch (const tablix::Exception&) {
    }
    return 0;
}
