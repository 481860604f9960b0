// Serialisation of the footer metadata and page headers in the Thrift compact protocol.
#include "Metadata.h"
#include "Thrift.h"

namespace tablix::meta {

using thrift::Writer;

namespace {

void writeSchemaElement(Writer& w, const SchemaElement& e) {
    w.listStructBegin();
    if (e.type) w.fieldI32(1, *e.type);
    if (e.repetition) w.fieldI32(3, *e.repetition);
    w.fieldString(4, e.name);
    if (e.numChildren > 0) w.fieldI32(5, e.numChildren);
    if (e.convertedType) w.fieldI32(6, *e.convertedType);
    if (e.convertedType && *e.convertedType == Decimal) {
        w.fieldI32(7, e.scale);
        w.fieldI32(8, e.precision);
    }
    if (e.logical.kind == Logical::String) {
        w.fieldStructBegin(10);
        w.fieldStructBegin(1);
        w.endStruct();
        w.endStruct();
    }
    w.endStruct();
}

void writeStatistics(Writer& w, int16_t id, const Statistics& s) {
    w.fieldStructBegin(id);
    if (s.nullCount) w.fieldI64(3, *s.nullCount);
    if (s.max) w.fieldString(5, *s.max);
    if (s.min) w.fieldString(6, *s.min);
    w.endStruct();
}

void writeColumnChunk(Writer& w, const ColumnChunk& c) {
    const ColumnMetaData& m = c.metaData;
    w.listStructBegin();
    w.fieldI64(2, c.fileOffset);
    w.fieldStructBegin(3);
    w.fieldI32(1, m.type);
    w.fieldListBegin(2, thrift::I32, static_cast<int64_t>(m.encodings.size()));
    for (int32_t e : m.encodings) w.listI32(e);
    w.fieldListBegin(3, thrift::Binary, static_cast<int64_t>(m.path.size()));
    for (const std::string& p : m.path) w.listString(p);
    w.fieldI32(4, m.codec);
    w.fieldI64(5, m.numValues);
    w.fieldI64(6, m.totalUncompressedSize);
    w.fieldI64(7, m.totalCompressedSize);
    w.fieldI64(9, m.dataPageOffset);
    if (m.dictionaryPageOffset) w.fieldI64(11, *m.dictionaryPageOffset);
    writeStatistics(w, 12, m.statistics);
    w.endStruct();
    w.endStruct();
}

}  // namespace

void serializeFileMetaData(const FileMetaData& m, std::vector<uint8_t>& out) {
    Writer w(out);
    w.beginStruct();
    w.fieldI32(1, m.version);
    w.fieldListBegin(2, thrift::Struct, static_cast<int64_t>(m.schema.size()));
    for (const SchemaElement& e : m.schema) writeSchemaElement(w, e);
    w.fieldI64(3, m.numRows);
    w.fieldListBegin(4, thrift::Struct, static_cast<int64_t>(m.rowGroups.size()));
    for (const RowGroup& g : m.rowGroups) {
        w.listStructBegin();
        w.fieldListBegin(1, thrift::Struct, static_cast<int64_t>(g.columns.size()));
        for (const ColumnChunk& c : g.columns) writeColumnChunk(w, c);
        w.fieldI64(2, g.totalByteSize);
        w.fieldI64(3, g.numRows);
        if (!g.columns.empty()) {
            int64_t compressed = 0;
            for (const ColumnChunk& c : g.columns) compressed += c.metaData.totalCompressedSize;
            w.fieldI64(5, g.columns.front().fileOffset);
            w.fieldI64(6, compressed);
        }
        w.endStruct();
    }
    if (!m.keyValues.empty()) {
        w.fieldListBegin(5, thrift::Struct, static_cast<int64_t>(m.keyValues.size()));
        for (const KeyValue& kv : m.keyValues) {
            w.listStructBegin();
            w.fieldString(1, kv.key);
            w.fieldString(2, kv.value);
            w.endStruct();
        }
    }
    w.fieldString(6, m.createdBy);
    // Every column's statistics follow the order its type defines (signed numbers, unsigned bytes).
    const int64_t leaves = m.schema.empty() ? 0 : static_cast<int64_t>(m.schema.size()) - 1;
    w.fieldListBegin(7, thrift::Struct, leaves);
    for (int64_t i = 0; i < leaves; ++i) {
        w.listStructBegin();
        w.fieldStructBegin(1);
        w.endStruct();
        w.endStruct();
    }
    w.endStruct();
}

void serializePageHeader(const PageHeader& h, std::vector<uint8_t>& out) {
    Writer w(out);
    w.beginStruct();
    w.fieldI32(1, h.type);
    w.fieldI32(2, h.uncompressedSize);
    w.fieldI32(3, h.compressedSize);
    if (h.crc) w.fieldI32(4, *h.crc);
    if (h.dataPage) {
        w.fieldStructBegin(5);
        w.fieldI32(1, h.dataPage->numValues);
        w.fieldI32(2, h.dataPage->encoding);
        w.fieldI32(3, h.dataPage->definitionLevelEncoding);
        w.fieldI32(4, h.dataPage->repetitionLevelEncoding);
        w.endStruct();
    }
    if (h.dictionaryPage) {
        w.fieldStructBegin(7);
        w.fieldI32(1, h.dictionaryPage->numValues);
        w.fieldI32(2, h.dictionaryPage->encoding);
        w.endStruct();
    }
    if (h.dataPageV2) {
        const DataPageHeaderV2& v2 = *h.dataPageV2;
        w.fieldStructBegin(8);
        w.fieldI32(1, v2.numValues);
        w.fieldI32(2, v2.numNulls);
        w.fieldI32(3, v2.numRows);
        w.fieldI32(4, v2.encoding);
        w.fieldI32(5, v2.definitionLevelsByteLength);
        w.fieldI32(6, v2.repetitionLevelsByteLength);
        w.fieldBool(7, v2.isCompressed);
        w.endStruct();
    }
    w.endStruct();
}

}  // namespace tablix::meta
