// Parsing of the footer metadata and page headers from the Thrift compact protocol. Unknown fields
// are skipped, so files of newer writers read as long as the fields used here keep their meaning.
#include <algorithm>

#include "Limits.h"
#include "Metadata.h"
#include "Thrift.h"

namespace tablix::meta {

using thrift::FieldHeader;
using thrift::Reader;

namespace {

template <class OnField>
void readStruct(Reader& r, OnField onField) {
    r.beginStruct();
    FieldHeader f;
    while (r.nextField(f)) {
        if (!onField(f)) r.skip(f.type);
    }
    r.endStruct();
}

// Checks that a field has the wire type the reader expects before it is read as such.
bool is(const FieldHeader& f, uint8_t type, Reader& r) {
    const bool boolField = type == thrift::True;
    const bool matches = boolField ? (f.type == thrift::True || f.type == thrift::False) : f.type == type;
    if (!matches) r.fail("field " + std::to_string(f.id) + " has wire type " + std::to_string(f.type));
    return true;
}

// Reads a list of at most `maxSize` elements (the check comes before any element is stored).
template <class OnElement>
void readList(Reader& r, uint8_t elementType, OnElement onElement, int64_t maxSize = limits::kMaxThriftListSize) {
    const thrift::ListHeader h = r.readListHeader();
    if (h.size > maxSize) r.fail("a list of " + std::to_string(h.size) + " elements, more than " + std::to_string(maxSize));
    if (h.size > 0 && h.elementType != elementType)
        r.fail("a list holds elements of type " + std::to_string(h.elementType) + ", expected " + std::to_string(elementType));
    for (int64_t i = 0; i < h.size; ++i) onElement();
}

Unit readTimeUnit(Reader& r) {
    Unit unit = Unit::Millis;
    readStruct(r, [&](const FieldHeader& f) {
        if (f.id == 1) unit = Unit::Millis;
        else if (f.id == 2) unit = Unit::Micros;
        else if (f.id == 3) unit = Unit::Nanos;
        return false;
    });
    return unit;
}

void readTimeType(Reader& r, LogicalType& t) {
    readStruct(r, [&](const FieldHeader& f) {
        if (f.id == 1 && is(f, thrift::True, r)) { t.utc = r.readBool(f); return true; }
        if (f.id == 2 && is(f, thrift::Struct, r)) { t.unit = readTimeUnit(r); return true; }
        return false;
    });
}

LogicalType readLogicalType(Reader& r) {
    LogicalType t;
    readStruct(r, [&](const FieldHeader& f) {
        if (f.type != thrift::Struct) return false;
        static const Logical kinds[] = {Logical::Other, Logical::String, Logical::Map, Logical::List, Logical::Enum,
                                        Logical::Decimal, Logical::Date, Logical::Time, Logical::Timestamp,
                                        Logical::Other, Logical::Integer, Logical::Unknown, Logical::Json,
                                        Logical::Bson, Logical::Uuid, Logical::Float16};
        t.kind = f.id > 0 && f.id <= 15 ? kinds[f.id] : Logical::Other;
        if (t.kind == Logical::Decimal) {
            readStruct(r, [&](const FieldHeader& g) {
                if (g.id == 1 && is(g, thrift::I32, r)) { t.scale = r.readI32(); return true; }
                if (g.id == 2 && is(g, thrift::I32, r)) { t.precision = r.readI32(); return true; }
                return false;
            });
            return true;
        }
        if (t.kind == Logical::Time || t.kind == Logical::Timestamp) {
            readTimeType(r, t);
            return true;
        }
        if (t.kind == Logical::Integer) {
            readStruct(r, [&](const FieldHeader& g) {
                if (g.id == 1 && g.type == thrift::Byte) { t.bitWidth = r.readI8(); return true; }
                if (g.id == 2 && is(g, thrift::True, r)) { t.isSigned = r.readBool(g); return true; }
                return false;
            });
            return true;
        }
        return false;
    });
    return t;
}

SchemaElement readSchemaElement(Reader& r) {
    SchemaElement e;
    readStruct(r, [&](const FieldHeader& f) {
        switch (f.id) {
        case 1: is(f, thrift::I32, r); e.type = r.readI32(); return true;
        case 2: is(f, thrift::I32, r); e.typeLength = r.readI32(); return true;
        case 3: is(f, thrift::I32, r); e.repetition = r.readI32(); return true;
        case 4: is(f, thrift::Binary, r); e.name = r.readString(); return true;
        case 5: is(f, thrift::I32, r); e.numChildren = r.readI32(); return true;
        case 6: is(f, thrift::I32, r); e.convertedType = r.readI32(); return true;
        case 7: is(f, thrift::I32, r); e.scale = r.readI32(); return true;
        case 8: is(f, thrift::I32, r); e.precision = r.readI32(); return true;
        case 10: is(f, thrift::Struct, r); e.logical = readLogicalType(r); return true;
        default: return false;
        }
    });
    return e;
}

Statistics readStatistics(Reader& r) {
    Statistics s;
    std::optional<std::string> oldMin, oldMax;
    readStruct(r, [&](const FieldHeader& f) {
        switch (f.id) {
        case 1: is(f, thrift::Binary, r); oldMax = r.readString(); return true;
        case 2: is(f, thrift::Binary, r); oldMin = r.readString(); return true;
        case 3: is(f, thrift::I64, r); s.nullCount = r.readI64(); return true;
        case 5: is(f, thrift::Binary, r); s.max = r.readString(); return true;
        case 6: is(f, thrift::Binary, r); s.min = r.readString(); return true;
        default: return false;
        }
    });
    if (!s.min) s.min = oldMin;
    if (!s.max) s.max = oldMax;
    return s;
}

ColumnMetaData readColumnMetaData(Reader& r) {
    ColumnMetaData m;
    readStruct(r, [&](const FieldHeader& f) {
        switch (f.id) {
        case 1: is(f, thrift::I32, r); m.type = r.readI32(); return true;
        case 2: is(f, thrift::List, r); readList(r, thrift::I32, [&] { m.encodings.push_back(r.readI32()); }); return true;
        case 3: is(f, thrift::List, r); readList(r, thrift::Binary, [&] { m.path.push_back(r.readString()); }); return true;
        case 4: is(f, thrift::I32, r); m.codec = r.readI32(); return true;
        case 5: is(f, thrift::I64, r); m.numValues = r.readI64(); return true;
        case 6: is(f, thrift::I64, r); m.totalUncompressedSize = r.readI64(); return true;
        case 7: is(f, thrift::I64, r); m.totalCompressedSize = r.readI64(); return true;
        case 9: is(f, thrift::I64, r); m.dataPageOffset = r.readI64(); return true;
        case 11: is(f, thrift::I64, r); m.dictionaryPageOffset = r.readI64(); return true;
        case 12: is(f, thrift::Struct, r); m.statistics = readStatistics(r); return true;
        default: return false;
        }
    });
    return m;
}

ColumnChunk readColumnChunk(Reader& r) {
    ColumnChunk c;
    readStruct(r, [&](const FieldHeader& f) {
        switch (f.id) {
        case 1: is(f, thrift::Binary, r); c.filePath = r.readString(); return true;
        case 2: is(f, thrift::I64, r); c.fileOffset = r.readI64(); return true;
        case 3: is(f, thrift::Struct, r); c.metaData = readColumnMetaData(r); c.hasMetaData = true; return true;
        case 8:
        case 9: c.encrypted = true; return false;
        default: return false;
        }
    });
    return c;
}

// `chunkBudget` is what remains of the column chunks a file may hold across its row groups.
RowGroup readRowGroup(Reader& r, int64_t& chunkBudget) {
    RowGroup g;
    readStruct(r, [&](const FieldHeader& f) {
        switch (f.id) {
        case 1:
            is(f, thrift::List, r);
            readList(r, thrift::Struct, [&] { g.columns.push_back(readColumnChunk(r)); }, std::min<int64_t>(chunkBudget, limits::kMaxColumns));
            chunkBudget -= static_cast<int64_t>(g.columns.size());
            return true;
        case 2: is(f, thrift::I64, r); g.totalByteSize = r.readI64(); return true;
        case 3: is(f, thrift::I64, r); g.numRows = r.readI64(); return true;
        default: return false;
        }
    });
    return g;
}

KeyValue readKeyValue(Reader& r) {
    KeyValue kv;
    readStruct(r, [&](const FieldHeader& f) {
        if (f.id == 1 && is(f, thrift::Binary, r)) { kv.key = r.readString(); return true; }
        if (f.id == 2 && is(f, thrift::Binary, r)) { kv.value = r.readString(); return true; }
        return false;
    });
    return kv;
}

}  // namespace

FileMetaData parseFileMetaData(const uint8_t* data, size_t size) {
    Reader r(data, size, "file metadata");
    FileMetaData m;
    int64_t chunkBudget = limits::kMaxColumnChunks;
    readStruct(r, [&](const FieldHeader& f) {
        switch (f.id) {
        case 1: is(f, thrift::I32, r); m.version = r.readI32(); return true;
        case 2: is(f, thrift::List, r); readList(r, thrift::Struct, [&] { m.schema.push_back(readSchemaElement(r)); }, limits::kMaxSchemaElements); return true;
        case 3: is(f, thrift::I64, r); m.numRows = r.readI64(); return true;
        case 4: is(f, thrift::List, r); readList(r, thrift::Struct, [&] { m.rowGroups.push_back(readRowGroup(r, chunkBudget)); }, limits::kMaxRowGroups); return true;
        case 5: is(f, thrift::List, r); readList(r, thrift::Struct, [&] { m.keyValues.push_back(readKeyValue(r)); }, limits::kMaxKeyValues); return true;
        case 6: is(f, thrift::Binary, r); m.createdBy = r.readString(); return true;
        case 8: m.encrypted = true; return false;
        default: return false;
        }
    });
    return m;
}

namespace {

DataPageHeader readDataPageHeader(Reader& r) {
    DataPageHeader h;
    readStruct(r, [&](const FieldHeader& f) {
        switch (f.id) {
        case 1: is(f, thrift::I32, r); h.numValues = r.readI32(); return true;
        case 2: is(f, thrift::I32, r); h.encoding = r.readI32(); return true;
        case 3: is(f, thrift::I32, r); h.definitionLevelEncoding = r.readI32(); return true;
        case 4: is(f, thrift::I32, r); h.repetitionLevelEncoding = r.readI32(); return true;
        default: return false;
        }
    });
    return h;
}

DataPageHeaderV2 readDataPageHeaderV2(Reader& r) {
    DataPageHeaderV2 h;
    readStruct(r, [&](const FieldHeader& f) {
        switch (f.id) {
        case 1: is(f, thrift::I32, r); h.numValues = r.readI32(); return true;
        case 2: is(f, thrift::I32, r); h.numNulls = r.readI32(); return true;
        case 3: is(f, thrift::I32, r); h.numRows = r.readI32(); return true;
        case 4: is(f, thrift::I32, r); h.encoding = r.readI32(); return true;
        case 5: is(f, thrift::I32, r); h.definitionLevelsByteLength = r.readI32(); return true;
        case 6: is(f, thrift::I32, r); h.repetitionLevelsByteLength = r.readI32(); return true;
        case 7: is(f, thrift::True, r); h.isCompressed = r.readBool(f); return true;
        default: return false;
        }
    });
    return h;
}

DictionaryPageHeader readDictionaryPageHeader(Reader& r) {
    DictionaryPageHeader h;
    readStruct(r, [&](const FieldHeader& f) {
        if (f.id == 1 && is(f, thrift::I32, r)) { h.numValues = r.readI32(); return true; }
        if (f.id == 2 && is(f, thrift::I32, r)) { h.encoding = r.readI32(); return true; }
        return false;
    });
    return h;
}

}  // namespace

PageHeader parsePageHeader(const uint8_t* data, size_t size, size_t& consumed) {
    Reader r(data, size, "page header");
    PageHeader h;
    readStruct(r, [&](const FieldHeader& f) {
        switch (f.id) {
        case 1: is(f, thrift::I32, r); h.type = r.readI32(); return true;
        case 2: is(f, thrift::I32, r); h.uncompressedSize = r.readI32(); return true;
        case 3: is(f, thrift::I32, r); h.compressedSize = r.readI32(); return true;
        case 4: is(f, thrift::I32, r); h.crc = r.readI32(); return true;
        case 5: is(f, thrift::Struct, r); h.dataPage = readDataPageHeader(r); return true;
        case 7: is(f, thrift::Struct, r); h.dictionaryPage = readDictionaryPageHeader(r); return true;
        case 8: is(f, thrift::Struct, r); h.dataPageV2 = readDataPageHeaderV2(r); return true;
        default: return false;
        }
    });
    consumed = r.position();
    return h;
}

const char* physicalTypeName(int32_t type) {
    static const char* names[] = {"BOOLEAN", "INT32", "INT64", "INT96", "FLOAT", "DOUBLE", "BYTE_ARRAY", "FIXED_LEN_BYTE_ARRAY"};
    return type >= 0 && type < 8 ? names[type] : "UNKNOWN";
}

const char* encodingName(int32_t encoding) {
    static const char* names[] = {"PLAIN", "GROUP_VAR_INT", "PLAIN_DICTIONARY", "RLE", "BIT_PACKED", "DELTA_BINARY_PACKED",
                                  "DELTA_LENGTH_BYTE_ARRAY", "DELTA_BYTE_ARRAY", "RLE_DICTIONARY", "BYTE_STREAM_SPLIT"};
    return encoding >= 0 && encoding < 10 ? names[encoding] : "UNKNOWN";
}

const char* codecName(int32_t codec) {
    static const char* names[] = {"UNCOMPRESSED", "SNAPPY", "GZIP", "LZO", "BROTLI", "LZ4", "ZSTD", "LZ4_RAW"};
    return codec >= 0 && codec < 8 ? names[codec] : "UNKNOWN";
}

}  // namespace tablix::meta
