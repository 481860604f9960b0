// The storage of one table column and the tagged value of one of its cells.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablix/PodArray.h"

namespace tablix {

// Storage type codes of a column. Double, Int32 and String are the codes Ferrolink's Parquet
// nodes read directly; the others are this library's own so that no value is lost on the way:
//   Int64      64-bit signed integer (INT64, unsigned 32-bit integers)
//   UInt64     64-bit unsigned integer, kept as its bit pattern in Value::integer
//   Date       days since 1970-01-01 in Value::integer
//   Timestamp  Value::integer units (Value::unit) since 1970-01-01T00:00:00; Value::utc says
//              whether the writer meant an instant (UTC) or a local date and time
//   Time       Value::integer units (Value::unit) since midnight
//   Unsupported  a column this library cannot read (nested lists, maps, structs, intervals):
//              every cell has no value
// Booleans are Int32 (0 or 1); unsigned 8- and 16-bit integers Int32, unsigned 32-bit ones Int64;
// decimals and half floats are Double; binary and fixed-length byte arrays are String holding the
// raw bytes (UUIDs as their 36-character text); INT96 timestamps are Timestamp in nanoseconds, or
// in microseconds for a column holding an instant outside the years 1677 to 2262.
enum StorageType : int32_t {
    Unsupported = 0,
    Double = 1,
    Int32 = 2,
    String = 4,
    Int64 = 5,
    UInt64 = 6,
    Date = 7,
    Timestamp = 8,
    Time = 9,
};

enum class TimeUnit : int32_t { Millis, Micros, Nanos };

const char* storageTypeName(int32_t storageType);

struct Value {
    int32_t type = Unsupported;     // the column's storage type
    bool isNull = true;             // "no value"
    double number = 0;              // Double
    int64_t integer = 0;            // Int32, Int64, UInt64, Date, Timestamp, Time
    std::string_view text;          // String; points into the column's storage
    TimeUnit unit = TimeUnit::Micros;
    bool utc = false;
};

// Cells are stored densely per type: a null cell keeps a zero or empty placeholder, so the index
// of a row is its index in the value vector.
class ColumnData {
public:
    ColumnData(int32_t storageType, TimeUnit unit = TimeUnit::Micros, bool utc = false);

    int32_t type() const { return type_; }
    TimeUnit unit() const { return unit_; }
    bool utc() const { return utc_; }
    int64_t size() const { return size_; }
    bool isNull(int64_t row) const { return valid_[row] == 0; }
    // The cell at a row; throws tablix::Exception for a row outside the column.
    Value value(int64_t row) const;

    void appendNull();
    void appendDouble(double v);
    void appendInteger(int64_t v);         // Int32 (range-checked), Int64, UInt64, Date, Timestamp, Time
    void appendString(std::string_view v);
    void reserve(int64_t rows);
    // Forgets every cell and keeps the room they took, for the next ones.
    void clear();

    // Dense storage, for fast scans and the writer.
    const PodArray<uint8_t>& validity() const { return valid_; }
    const PodArray<double>& doubles() const { return doubles_; }
    const PodArray<int32_t>& int32s() const { return int32s_; }
    const PodArray<int64_t>& int64s() const { return int64s_; }
    const PodArray<uint64_t>& offsets() const { return offsets_; }   // size()+1 entries for String
    std::string_view chars() const { return std::string_view(chars_.data(), chars_.size()); }

    // A Double column read from Parquet decimals keeps each value's exact text beside its nearest
    // double, which holds only 15 to 17 of a DECIMAL(38,10)'s digits: the shortest text of the
    // decimal (no trailing zeros after its point), empty for a null.
    bool hasDecimalText() const { return decimalText_; }
    std::string_view decimalText(int64_t row) const { return chars().substr(offsets_[row], offsets_[row + 1] - offsets_[row]); }

private:
    friend class ColumnFiller;
    void forgetDecimalText();

    int32_t type_;
    TimeUnit unit_;
    bool utc_;
    int64_t size_ = 0;
    PodArray<uint8_t> valid_;
    PodArray<double> doubles_;
    PodArray<int32_t> int32s_;
    PodArray<int64_t> int64s_;
    PodArray<uint64_t> offsets_;
    PodArray<char> chars_;
    bool decimalText_ = false;   // offsets_ and chars_ hold the decimals' texts
};

}  // namespace tablix
