// The dictionary of one column chunk being written: its distinct values in order of first
// appearance and each row's index into them, kept only while it is worth keeping.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tablix/ColumnData.h"

namespace tablix {

class ChunkDictionary {
public:
    // Builds the dictionary of rows [begin, end) of a column of a writable type. It is given up
    // (usable() false) once it grows past the writer's limits or stops paying for itself: the
    // dictionary page and the indices must take fewer bytes than the values written plain.
    ChunkDictionary(const ColumnData& column, int64_t begin, int64_t end);

    bool usable() const { return usable_; }
    size_t size() const { return rowOfEntry_.size(); }
    // The row holding the entry's value (its first appearance).
    int64_t rowOfEntry(size_t entry) const { return rowOfEntry_[entry]; }
    // The dictionary index of each row of the chunk (0 for nulls).
    uint32_t indexOfRow(int64_t row) const { return rowIndex_[static_cast<size_t>(row - begin_)]; }
    int bitWidth() const;

private:
    bool build();
    uint32_t entryFor(int64_t row, bool& added);
    uint64_t hashOf(int64_t row) const;
    bool sameValue(int64_t a, int64_t b) const;
    int64_t plainBytes(int64_t row) const;
    bool pays(int64_t rowsSeen) const;
    void grow();

    const ColumnData& column_;
    int64_t begin_, end_;
    bool usable_ = false;
    std::vector<int64_t> rowOfEntry_;
    std::vector<uint64_t> hashOfEntry_;
    std::vector<uint32_t> slots_;      // open addressing: entry + 1, 0 when free
    std::vector<uint32_t> rowIndex_;
    int64_t entryBytes_ = 0;           // the dictionary page's values, written plain
    int64_t valueBytes_ = 0;           // the values seen so far, written plain
};

}  // namespace tablix
