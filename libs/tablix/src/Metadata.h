// The parts of the Parquet file metadata this library reads and writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tablix::meta {

enum PhysicalType : int32_t { Boolean = 0, Int32 = 1, Int64 = 2, Int96 = 3, Float = 4, Double = 5, ByteArray = 6, FixedLenByteArray = 7 };
enum Repetition : int32_t { Required = 0, Optional = 1, Repeated = 2 };
enum Encoding : int32_t {
    Plain = 0, PlainDictionary = 2, Rle = 3, BitPacked = 4, DeltaBinaryPacked = 5,
    DeltaLengthByteArray = 6, DeltaByteArray = 7, RleDictionary = 8, ByteStreamSplit = 9,
};
enum Codec : int32_t { Uncompressed = 0, Snappy = 1, Gzip = 2, Lzo = 3, Brotli = 4, Lz4 = 5, Zstd = 6, Lz4Raw = 7 };
enum PageType : int32_t { DataPage = 0, IndexPage = 1, DictionaryPage = 2, DataPageV2 = 3 };

enum ConvertedType : int32_t {
    Utf8 = 0, Map = 1, MapKeyValue = 2, List = 3, Enum = 4, Decimal = 5, Date = 6, TimeMillis = 7,
    TimeMicros = 8, TimestampMillis = 9, TimestampMicros = 10, Uint8 = 11, Uint16 = 12, Uint32 = 13,
    Uint64 = 14, Int8 = 15, Int16 = 16, Int32Type = 17, Int64Type = 18, Json = 19, Bson = 20, Interval = 21,
};

// The logical type union, reduced to what decides how values are read.
enum class Logical { None, String, Map, List, Enum, Decimal, Date, Time, Timestamp, Integer, Unknown, Json, Bson, Uuid, Float16, Other };
enum class Unit { Millis, Micros, Nanos };

struct LogicalType {
    Logical kind = Logical::None;
    int32_t scale = 0, precision = 0;   // Decimal
    bool utc = false;                   // Time, Timestamp
    Unit unit = Unit::Millis;           // Time, Timestamp
    int32_t bitWidth = 0;               // Integer
    bool isSigned = true;               // Integer
};

struct SchemaElement {
    std::optional<int32_t> type;
    int32_t typeLength = 0;
    std::optional<int32_t> repetition;
    std::string name;
    int32_t numChildren = 0;
    std::optional<int32_t> convertedType;
    int32_t scale = 0, precision = 0;
    LogicalType logical;
};

struct Statistics {
    std::optional<std::string> min, max;
    std::optional<int64_t> nullCount;
};

struct ColumnMetaData {
    int32_t type = 0;
    std::vector<int32_t> encodings;
    std::vector<std::string> path;
    int32_t codec = 0;
    int64_t numValues = 0;
    int64_t totalUncompressedSize = 0;
    int64_t totalCompressedSize = 0;
    int64_t dataPageOffset = 0;
    std::optional<int64_t> dictionaryPageOffset;
    Statistics statistics;
};

struct ColumnChunk {
    std::string filePath;
    int64_t fileOffset = 0;
    bool hasMetaData = false;
    ColumnMetaData metaData;
    bool encrypted = false;
};

struct RowGroup {
    std::vector<ColumnChunk> columns;
    int64_t totalByteSize = 0;
    int64_t numRows = 0;
};

struct KeyValue {
    std::string key, value;
};

struct FileMetaData {
    int32_t version = 1;
    std::vector<SchemaElement> schema;
    int64_t numRows = 0;
    std::vector<RowGroup> rowGroups;
    std::vector<KeyValue> keyValues;
    std::string createdBy;
    bool encrypted = false;   // an encryption algorithm is declared (plaintext footer mode)
};

struct DataPageHeader {
    int32_t numValues = 0;
    int32_t encoding = 0;
    int32_t definitionLevelEncoding = Rle;
    int32_t repetitionLevelEncoding = Rle;
};

struct DataPageHeaderV2 {
    int32_t numValues = 0, numNulls = 0, numRows = 0;
    int32_t encoding = 0;
    int32_t definitionLevelsByteLength = 0, repetitionLevelsByteLength = 0;
    bool isCompressed = true;
};

struct DictionaryPageHeader {
    int32_t numValues = 0;
    int32_t encoding = 0;
};

struct PageHeader {
    int32_t type = 0;
    int32_t uncompressedSize = 0;
    int32_t compressedSize = 0;
    std::optional<int32_t> crc;
    std::optional<DataPageHeader> dataPage;
    std::optional<DataPageHeaderV2> dataPageV2;
    std::optional<DictionaryPageHeader> dictionaryPage;
};

// Parses the footer's metadata; throws tablix::Exception when it is malformed.
FileMetaData parseFileMetaData(const uint8_t* data, size_t size);
// Parses a page header at the start of the data; `consumed` receives the header's length.
PageHeader parsePageHeader(const uint8_t* data, size_t size, size_t& consumed);

void serializeFileMetaData(const FileMetaData& metadata, std::vector<uint8_t>& out);
void serializePageHeader(const PageHeader& header, std::vector<uint8_t>& out);

const char* physicalTypeName(int32_t type);
const char* encodingName(int32_t encoding);
const char* codecName(int32_t codec);

}  // namespace tablix::meta
