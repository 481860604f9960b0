#include "tablix/ColumnData.h"

#include <limits>

#include "tablix/Exception.h"

namespace tablix {

const char* storageTypeName(int32_t storageType) {
    switch (storageType) {
    case Double: return "double";
    case Int32: return "int32";
    case String: return "string";
    case Int64: return "int64";
    case UInt64: return "uint64";
    case Date: return "date";
    case Timestamp: return "timestamp";
    case Time: return "time";
    default: return "unsupported";
    }
}

ColumnData::ColumnData(int32_t storageType, TimeUnit unit, bool utc)
    : type_(storageType), unit_(unit), utc_(utc) {
    if (type_ == String) offsets_.push_back(0);
}

Value ColumnData::value(int64_t row) const {
    if (row < 0 || row >= size_)
        throw Exception("row " + std::to_string(row) + " is outside the column's " + std::to_string(size_) + " rows");
    Value v;
    v.type = type_;
    v.unit = unit_;
    v.utc = utc_;
    v.isNull = valid_[row] == 0;
    if (v.isNull) return v;
    switch (type_) {
    case Double: v.number = doubles_[row]; break;
    case Int32:
    case Date: v.integer = int32s_[row]; break;
    case Int64:
    case UInt64:
    case Timestamp:
    case Time: v.integer = int64s_[row]; break;
    case String: v.text = chars().substr(offsets_[row], offsets_[row + 1] - offsets_[row]); break;
    default: v.isNull = true; break;
    }
    return v;
}

void ColumnData::reserve(int64_t rows) {
    valid_.reserve(rows);
    switch (type_) {
    case Double: doubles_.reserve(rows); break;
    case Int32:
    case Date: int32s_.reserve(rows); break;
    case String: offsets_.reserve(rows + 1); break;
    case Unsupported: break;
    default: int64s_.reserve(rows); break;
    }
}

void ColumnData::clear() {
    size_ = 0;
    valid_.clear();
    doubles_.clear();
    int32s_.clear();
    int64s_.clear();
    offsets_.clear();
    chars_.clear();
    decimalText_ = false;
    if (type_ == String) offsets_.push_back(0);
}

// Cells appended by hand have no decimal text: the texts of the column read go, rather than leave
// rows without one.
void ColumnData::forgetDecimalText() {
    decimalText_ = false;
    offsets_.clear();
    chars_.clear();
}

void ColumnData::appendNull() {
    if (decimalText_) forgetDecimalText();
    valid_.push_back(0);
    ++size_;
    switch (type_) {
    case Double: doubles_.push_back(0); break;
    case Int32:
    case Date: int32s_.push_back(0); break;
    case String: offsets_.push_back(chars_.size()); break;
    case Unsupported: break;
    default: int64s_.push_back(0); break;
    }
}

void ColumnData::appendDouble(double v) {
    if (decimalText_) forgetDecimalText();
    if (type_ != Double) throw Exception(std::string("a floating-point value cannot go into a column of type ") + storageTypeName(type_));
    valid_.push_back(1);
    doubles_.push_back(v);
    ++size_;
}

void ColumnData::appendInteger(int64_t v) {
    switch (type_) {
    case Int32:
    case Date:
        if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
            throw Exception("the value " + std::to_string(v) + " is outside the range of a 32-bit integer column");
        int32s_.push_back(static_cast<int32_t>(v));
        break;
    case Int64:
    case UInt64:
    case Timestamp:
    case Time: int64s_.push_back(v); break;
    default:
        throw Exception(std::string("an integer value cannot go into a column of type ") + storageTypeName(type_));
    }
    valid_.push_back(1);
    ++size_;
}

void ColumnData::appendString(std::string_view v) {
    if (type_ != String) throw Exception(std::string("a string value cannot go into a column of type ") + storageTypeName(type_));
    chars_.append(v.data(), v.size());
    offsets_.push_back(chars_.size());
    valid_.push_back(1);
    ++size_;
}

}  // namespace tablix
