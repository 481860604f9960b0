// Reads the pages of one column chunk into a table column.
#pragma once

#include <cstdint>
#include <vector>

#include "ColumnFiller.h"
#include "Metadata.h"
#include "Schema.h"

namespace tablix {

class ChunkReader {
public:
    // `data` is the whole file; `dataEnd` the offset where the footer begins. `padding` extends the
    // chunk beyond its declared size (still within the data) for writers known to understate it.
    ChunkReader(const uint8_t* data, size_t dataEnd, const meta::ColumnChunk& chunk, const ColumnPlan& plan, size_t padding = 0);

    // Appends exactly `rows` rows to the column, taking the memory of its strings from `memory`;
    // throws tablix::Exception naming the column when the chunk is malformed, holds another number
    // of rows or more values than it declares, or its strings exceed the budget.
    void read(int64_t rows, ColumnData& column, MemoryBudget& memory);

    // For a leaf of a nested column: checks that its levels describe exactly `rows` rows.
    void checkLevels(int64_t rows, int16_t maxRepetition);

private:
    struct LevelSpan {
        const uint8_t* data = nullptr;
        size_t size = 0, values = 0;
        bool isData = false, checkable = true;
    };
    LevelSpan repetitionLevels(const meta::PageHeader& header, const uint8_t* body, int16_t maxRepetition);
    const uint8_t* nextPage(size_t& pos, meta::PageHeader& header);
    void readPage(const meta::PageHeader& header, const uint8_t* body, ColumnFiller& filler, int64_t& rowsRead, int64_t rows);
    int64_t pageValues(int64_t numValues, int64_t rowsLeft);
    const uint8_t* pageData(const meta::PageHeader& header, const uint8_t* body, size_t offset, size_t compressedPart, size_t uncompressedPart,
                            std::vector<uint8_t>& buffer);
    void readDictionary(const meta::PageHeader& header, const uint8_t* body);
    void readDataPage(const meta::PageHeader& header, const uint8_t* body, ColumnFiller& filler, int64_t rowsLeft, int64_t& rowsRead);
    void readDataPageV2(const meta::PageHeader& header, const uint8_t* body, ColumnFiller& filler, int64_t rowsLeft, int64_t& rowsRead);
    void decodePage(int32_t encoding, const uint8_t* values, size_t size, const uint8_t* levels, size_t numValues, ColumnFiller& filler);

    const uint8_t* data_;
    const meta::ColumnChunk& chunk_;
    const ColumnPlan& plan_;
    size_t start_ = 0, end_ = 0;
    std::vector<uint8_t> dictionaryBuffer_, pageBuffer_;
    Lanes dictionary_, values_;
    size_t dictionarySize_ = 0;
    bool hasDictionary_ = false;
    std::vector<uint8_t> levels_;
    std::vector<uint32_t> indices_;
    int64_t valuesLeft_ = 0;   // of what the chunk declares
};

}  // namespace tablix
