#include "Schema.h"

#include "Limits.h"
#include "tablix/Exception.h"

namespace tablix {

namespace {

using meta::Logical;
using meta::SchemaElement;

[[noreturn]] void badSchema(const std::string& problem) { throw Exception("malformed schema: " + problem); }

TimeUnit unitOf(meta::Unit u) {
    return u == meta::Unit::Millis ? TimeUnit::Millis : u == meta::Unit::Micros ? TimeUnit::Micros : TimeUnit::Nanos;
}

const char* unitName(meta::Unit u) { return u == meta::Unit::Millis ? "MILLIS" : u == meta::Unit::Micros ? "MICROS" : "NANOS"; }

// Fills the logical type from the legacy converted type when the file has no logical type.
meta::LogicalType effectiveLogical(const SchemaElement& e) {
    meta::LogicalType t = e.logical;
    if (t.kind != Logical::None && t.kind != Logical::Other) return t;
    t = meta::LogicalType{};
    if (!e.convertedType) return t;
    switch (*e.convertedType) {
    case meta::Utf8: t.kind = Logical::String; break;
    case meta::Enum: t.kind = Logical::Enum; break;
    case meta::Json: t.kind = Logical::Json; break;
    case meta::Bson: t.kind = Logical::Bson; break;
    case meta::Decimal: t.kind = Logical::Decimal; t.scale = e.scale; t.precision = e.precision; break;
    case meta::Date: t.kind = Logical::Date; break;
    case meta::TimeMillis: t.kind = Logical::Time; t.unit = meta::Unit::Millis; t.utc = true; break;
    case meta::TimeMicros: t.kind = Logical::Time; t.unit = meta::Unit::Micros; t.utc = true; break;
    case meta::TimestampMillis: t.kind = Logical::Timestamp; t.unit = meta::Unit::Millis; t.utc = true; break;
    case meta::TimestampMicros: t.kind = Logical::Timestamp; t.unit = meta::Unit::Micros; t.utc = true; break;
    case meta::Uint8: case meta::Uint16: case meta::Uint32: case meta::Uint64:
        t.kind = Logical::Integer; t.isSigned = false; t.bitWidth = 8 << (*e.convertedType - meta::Uint8); break;
    case meta::Int8: case meta::Int16: case meta::Int32Type: case meta::Int64Type:
        t.kind = Logical::Integer; t.isSigned = true; t.bitWidth = 8 << (*e.convertedType - meta::Int8); break;
    case meta::Interval: t.kind = Logical::Other; break;
    default: break;
    }
    return t;
}

std::string logicalName(const meta::LogicalType& t) {
    switch (t.kind) {
    case Logical::String: return "STRING";
    case Logical::Enum: return "ENUM";
    case Logical::Json: return "JSON";
    case Logical::Bson: return "BSON";
    case Logical::Uuid: return "UUID";
    case Logical::Float16: return "FLOAT16";
    case Logical::Date: return "DATE";
    case Logical::Unknown: return "UNKNOWN";
    case Logical::Decimal: return "DECIMAL(" + std::to_string(t.precision) + "," + std::to_string(t.scale) + ")";
    case Logical::Integer: return std::string(t.isSigned ? "INT(" : "UINT(") + std::to_string(t.bitWidth) + ")";
    case Logical::Time: return std::string("TIME(") + unitName(t.unit) + (t.utc ? ",UTC)" : ")");
    case Logical::Timestamp: return std::string("TIMESTAMP(") + unitName(t.unit) + (t.utc ? ",UTC)" : ")");
    case Logical::Other: return "OTHER";
    default: return "";
    }
}

void planDecimal(ColumnPlan& p, const meta::LogicalType& t) {
    if (t.scale < 0 || t.scale > limits::kMaxDecimalPrecision || t.precision < 0)
        badSchema("column " + p.name + " has decimal precision " + std::to_string(t.precision) + " and scale " + std::to_string(t.scale));
    p.storage = Double;
    p.scale = t.scale;
    p.conversion = p.physical.type == meta::Int32 || p.physical.type == meta::Int64 ? Conversion::DecimalInt : Conversion::DecimalBytes;
}

void planInt32(ColumnPlan& p, const meta::LogicalType& t) {
    p.storage = Int32;
    if (t.kind == Logical::Date) {
        p.storage = Date;
    } else if (t.kind == Logical::Time) {
        p.storage = Time;
        p.unit = TimeUnit::Millis;
        p.utc = t.utc;
        p.conversion = Conversion::Widen;
    } else if (t.kind == Logical::Integer && !t.isSigned && t.bitWidth == 32) {
        p.storage = Int64;
        p.conversion = Conversion::Unsigned32;
    }
}

void planInt64(ColumnPlan& p, const meta::LogicalType& t) {
    p.storage = Int64;
    if (t.kind == Logical::Integer && !t.isSigned) {
        p.storage = UInt64;
    } else if (t.kind == Logical::Timestamp || t.kind == Logical::Time) {
        p.storage = t.kind == Logical::Timestamp ? Timestamp : Time;
        p.unit = unitOf(t.unit);
        p.utc = t.utc;
    }
}

void planBytes(ColumnPlan& p, const meta::LogicalType& t) {
    p.storage = String;
    if (p.physical.type != meta::FixedLenByteArray) return;
    if (t.kind == Logical::Float16 && p.physical.typeLength == 2) {
        p.storage = Double;
        p.conversion = Conversion::Float16;
    } else if (t.kind == Logical::Uuid && p.physical.typeLength == 16) {
        p.conversion = Conversion::Uuid;
    }
}

void planLeaf(ColumnPlan& p, const SchemaElement& e) {
    const meta::LogicalType t = effectiveLogical(e);
    p.physical.type = *e.type;
    p.physical.typeLength = e.typeLength;
    p.physicalName = meta::physicalTypeName(*e.type);
    p.logicalName = logicalName(t);
    p.maxDefinition = e.repetition.value_or(meta::Required) == meta::Optional ? 1 : 0;
    p.conversion = Conversion::Copy;
    if (*e.type == meta::FixedLenByteArray && (e.typeLength <= 0 || e.typeLength > limits::kMaxFixedLength))
        badSchema("column " + p.name + " has a fixed length of " + std::to_string(e.typeLength));
    if (t.kind == Logical::Other && e.convertedType && *e.convertedType == meta::Interval) {
        p.conversion = Conversion::None;
        p.unsupportedReason = "intervals";
        return;
    }
    if (t.kind == Logical::Decimal) return planDecimal(p, t);
    switch (*e.type) {
    case meta::Boolean: p.storage = Int32; break;
    case meta::Int32: planInt32(p, t); break;
    case meta::Int64: planInt64(p, t); break;
    case meta::Int96: p.storage = Timestamp; p.unit = TimeUnit::Nanos; break;
    case meta::Float:
    case meta::Double: p.storage = Double; break;
    case meta::ByteArray:
    case meta::FixedLenByteArray: planBytes(p, t); break;
    default: badSchema("column " + p.name + " has physical type " + std::to_string(*e.type));
    }
}

// Walks the subtree at `index`, collecting its leaves with their maximum levels; returns the index after it.
size_t walkSubtree(const std::vector<SchemaElement>& schema, size_t index, NestedLeaf path, std::vector<NestedLeaf>& leaves, int depth) {
    if (depth > limits::kMaxThriftDepth) badSchema("nested deeper than " + std::to_string(limits::kMaxThriftDepth) + " levels");
    if (index >= schema.size()) badSchema("a group declares more children than the schema holds");
    const SchemaElement& e = schema[index];
    if (e.numChildren < 0) badSchema("element " + e.name + " declares " + std::to_string(e.numChildren) + " children");
    const int32_t repetition = e.repetition.value_or(meta::Required);
    path.path += (path.path.empty() ? "" : ".") + e.name;
    path.maxDefinition += repetition != meta::Required;
    path.maxRepetition += repetition == meta::Repeated;
    if (e.type && e.numChildren == 0) {
        path.type = *e.type;
        leaves.push_back(path);
        return index + 1;
    }
    size_t next = index + 1;
    for (int32_t i = 0; i < e.numChildren; ++i) next = walkSubtree(schema, next, path, leaves, depth + 1);
    return next;
}

}  // namespace

std::vector<ColumnPlan> planColumns(const std::vector<SchemaElement>& schema, size_t& leafCount) {
    if (schema.empty()) badSchema("it has no root element");
    if (static_cast<int64_t>(schema.size()) > limits::kMaxSchemaElements) badSchema(std::to_string(schema.size()) + " elements");
    const SchemaElement& root = schema[0];
    if (root.numChildren < 0 || static_cast<size_t>(root.numChildren) > schema.size() - 1)
        badSchema("the root declares " + std::to_string(root.numChildren) + " children in a schema of " + std::to_string(schema.size()) + " elements");
    std::vector<ColumnPlan> plans;
    leafCount = 0;
    size_t index = 1;
    for (int32_t i = 0; i < root.numChildren; ++i) {
        if (index >= schema.size()) badSchema("the root declares more children than the schema holds");
        const SchemaElement& e = schema[index];
        ColumnPlan p;
        p.name = e.name;
        p.firstLeaf = leafCount;
        const bool leaf = e.type && e.numChildren == 0;
        const bool repeated = e.repetition.value_or(meta::Required) == meta::Repeated;
        std::vector<NestedLeaf> leaves;
        index = walkSubtree(schema, index, NestedLeaf{}, leaves, 1);
        p.leafCount = leaves.size();
        leafCount += leaves.size();
        if (leaf && !repeated) {
            planLeaf(p, e);
        } else {
            p.physicalName = leaf ? "repeated " + std::string(meta::physicalTypeName(*e.type)) : "group";
            p.logicalName = logicalName(effectiveLogical(e));
            p.unsupportedReason = "nested data (" + std::string(leaf ? "a repeated field" : "a group") + ")";
            p.nestedLeaves = std::move(leaves);
        }
        plans.push_back(std::move(p));
    }
    if (index != schema.size()) badSchema("the root's children end at element " + std::to_string(index) + " of " + std::to_string(schema.size()));
    return plans;
}

}  // namespace tablix
