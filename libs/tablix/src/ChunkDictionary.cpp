#include "ChunkDictionary.h"

#include <cstring>
#include <functional>

#include "Limits.h"
#include "RleHybrid.h"

namespace tablix {

namespace {

// Every bit of the value reaches the low bits that choose the slot: doubles of one magnitude
// differ mostly in their middle bits.
uint64_t mixBits(uint64_t bits) {
    bits ^= bits >> 33;
    bits *= 0xFF51AFD7ED558CCDull;
    bits ^= bits >> 33;
    bits *= 0xC4CEB9FE1A85EC53ull;
    return bits ^ (bits >> 33);
}

uint64_t bitsOf(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

std::string_view textOf(const ColumnData& column, int64_t row) {
    const auto& offsets = column.offsets();
    return std::string_view(column.chars()).substr(offsets[row], offsets[row + 1] - offsets[row]);
}

}  // namespace

ChunkDictionary::ChunkDictionary(const ColumnData& column, int64_t begin, int64_t end) : column_(column), begin_(begin), end_(end) {
    usable_ = build();
}

int ChunkDictionary::bitWidth() const { return bitWidthOf(rowOfEntry_.empty() ? 0 : rowOfEntry_.size() - 1); }

// Doubles are told apart by their bits, so that -0 and 0 (and every NaN) keep their own entry.
uint64_t ChunkDictionary::hashOf(int64_t row) const {
    switch (column_.type()) {
    case Double: return mixBits(bitsOf(column_.doubles()[row]));
    case Int32: return mixBits(static_cast<uint32_t>(column_.int32s()[row]));
    case String: return std::hash<std::string_view>()(textOf(column_, row));
    default: return mixBits(static_cast<uint64_t>(column_.int64s()[row]));
    }
}

bool ChunkDictionary::sameValue(int64_t a, int64_t b) const {
    switch (column_.type()) {
    case Double: return bitsOf(column_.doubles()[a]) == bitsOf(column_.doubles()[b]);
    case Int32: return column_.int32s()[a] == column_.int32s()[b];
    case String: return textOf(column_, a) == textOf(column_, b);
    default: return column_.int64s()[a] == column_.int64s()[b];
    }
}

int64_t ChunkDictionary::plainBytes(int64_t row) const {
    switch (column_.type()) {
    case Int32: return 4;
    case String: return 4 + static_cast<int64_t>(column_.offsets()[row + 1] - column_.offsets()[row]);
    default: return 8;
    }
}

void ChunkDictionary::grow() {
    slots_.assign(slots_.empty() ? 1024 : slots_.size() * 2, 0);
    const size_t mask = slots_.size() - 1;
    for (size_t entry = 0; entry < rowOfEntry_.size(); ++entry) {
        size_t at = hashOfEntry_[entry] & mask;
        while (slots_[at] != 0) at = (at + 1) & mask;
        slots_[at] = static_cast<uint32_t>(entry + 1);
    }
}

uint32_t ChunkDictionary::entryFor(int64_t row, bool& added) {
    if ((rowOfEntry_.size() + 1) * 2 > slots_.size()) grow();
    const uint64_t hash = hashOf(row);
    const size_t mask = slots_.size() - 1;
    size_t at = hash & mask;
    for (; slots_[at] != 0; at = (at + 1) & mask) {
        const uint32_t entry = slots_[at] - 1;
        if (hashOfEntry_[entry] == hash && sameValue(rowOfEntry_[entry], row)) {
            added = false;
            return entry;
        }
    }
    added = true;
    slots_[at] = static_cast<uint32_t>(rowOfEntry_.size() + 1);
    rowOfEntry_.push_back(row);
    hashOfEntry_.push_back(hash);
    return static_cast<uint32_t>(rowOfEntry_.size() - 1);
}

// Whether the dictionary page and the indices of the rows seen take fewer bytes than those rows
// written plain.
bool ChunkDictionary::pays(int64_t rowsSeen) const {
    const int64_t indexBytes = (rowsSeen * bitWidth() + 7) / 8;
    return entryBytes_ + indexBytes < valueBytes_;
}

// Gives up early on a column whose values hardly repeat (a key), checking at doubling row counts
// from a sample large enough for repeated values to show.
bool ChunkDictionary::build() {
    if (column_.type() != Double && column_.type() != Int32 && column_.type() != Int64 && column_.type() != String) return false;
    rowIndex_.reserve(static_cast<size_t>(end_ - begin_));
    int64_t nextCheck = limits::kWriterDictionarySampleRows;
    for (int64_t row = begin_; row < end_; ++row) {
        if (column_.isNull(row)) {
            rowIndex_.push_back(0);
            continue;
        }
        bool added = false;
        rowIndex_.push_back(entryFor(row, added));
        const int64_t bytes = plainBytes(row);
        valueBytes_ += bytes;
        if (added) {
            entryBytes_ += bytes;
            if (static_cast<int64_t>(rowOfEntry_.size()) > limits::kWriterMaxDictionaryEntries || entryBytes_ > limits::kWriterMaxDictionaryBytes)
                return false;
        }
        const int64_t seen = row - begin_ + 1;
        if (seen == nextCheck) {
            if (!pays(seen)) return false;
            nextCheck *= 2;
        }
    }
    return !rowOfEntry_.empty() && pays(end_ - begin_);
}

}  // namespace tablix
