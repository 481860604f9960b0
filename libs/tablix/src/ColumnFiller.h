// Appends the decoded values of one page to a table column, converting them to the column's
// storage type and placing nulls where the definition levels say a value is missing. The cells are
// paid for when the file is opened; the characters of strings are taken from the memory budget.
#pragma once

#include <cstdint>

#include "MemoryBudget.h"
#include "Schema.h"
#include "ValueDecoders.h"
#include "tablix/ColumnData.h"

namespace tablix {

class ColumnFiller {
public:
    ColumnFiller(const ColumnPlan& plan, ColumnData& column, MemoryBudget& memory) : plan_(plan), column_(column), memory_(memory) {}

    // `dense` holds the page's present values; `levels` (null for a required column) holds one
    // definition level per row, a value being present where it equals the plan's maximum.
    void append(const Lanes& dense, const uint8_t* levels, size_t rows);
    void appendNulls(size_t rows);

private:
    template <class T, class Source, class Convert>
    void scatter(PodArray<T>& target, const Source& source, const uint8_t* levels, size_t rows, Convert convert);
    void appendStrings(const std::vector<std::string_view>& source, const uint8_t* levels, size_t rows);
    void appendTexts(const std::vector<std::string_view>& source, const uint8_t* levels, size_t rows);
    void appendDecimals(const Lanes& dense, const uint8_t* levels, size_t rows);
    void makeRoomForChars(size_t bytes, size_t rows);
    void appendUuids(const std::vector<std::string_view>& source, const uint8_t* levels, size_t rows);

    const ColumnPlan& plan_;
    ColumnData& column_;
    MemoryBudget& memory_;
};

}  // namespace tablix
