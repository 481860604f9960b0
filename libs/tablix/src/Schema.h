// How the columns of a file's schema become table columns: which leaf column chunks each
// top-level field owns, and how its physical values convert into a storage type.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Metadata.h"
#include "ValueDecoders.h"
#include "tablix/ColumnData.h"

namespace tablix {

enum class Conversion {
    Copy,             // the physical lane is the storage (int32, int64, double, bytes)
    Widen,            // int32 lane into 64-bit storage (unsigned 32-bit integers, TIME_MILLIS)
    Unsigned32,       // int32 lane holding an unsigned 32-bit integer, into Int64 storage
    DecimalInt,       // int32 or int64 lane scaled by 10^-scale into Double
    DecimalBytes,     // big-endian two's complement bytes scaled by 10^-scale into Double
    Float16,          // two little-endian bytes of a half float into Double
    Uuid,             // 16 bytes into their 36-character text
    None,             // a nested or unreadable column: no values are read
};

// A leaf column of a nested field: its levels are checked when the file is read, its values are not.
struct NestedLeaf {
    std::string path;
    int32_t type = 0;
    int16_t maxRepetition = 0, maxDefinition = 0;
};

struct ColumnPlan {
    std::string name;
    int32_t storage = Unsupported;
    TimeUnit unit = TimeUnit::Micros;
    bool utc = false;
    Conversion conversion = Conversion::None;
    int32_t scale = 0;
    PhysicalColumn physical;
    int16_t maxDefinition = 0;     // 1 for an optional column, 0 for a required one
    size_t firstLeaf = 0;          // index of its first column chunk in a row group
    size_t leafCount = 0;          // column chunks it owns (1 for a flat column)
    std::string physicalName;      // for display: physical type, or "group" / "repeated"
    std::string logicalName;       // for display: the logical or converted type, if any
    std::string unsupportedReason; // empty for a readable column
    std::vector<NestedLeaf> nestedLeaves;
};

// Plans the table columns for a schema; throws tablix::Exception when the schema tree is malformed.
// `leafCount` receives the number of column chunks every row group must hold.
std::vector<ColumnPlan> planColumns(const std::vector<meta::SchemaElement>& schema, size_t& leafCount);

}  // namespace tablix
