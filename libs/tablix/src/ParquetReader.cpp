#include "ParquetReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "ChunkReader.h"
#include "Limits.h"
#include "tablix/Exception.h"

namespace tablix {

namespace {

constexpr char kMagic[] = "PAR1";
constexpr char kEncryptedMagic[] = "PARE";
constexpr size_t kMagicBytes = 4;
constexpr size_t kTrailerBytes = 8;   // footer length and magic
// Early versions of one Java writer left a dictionary page header out of the column chunk's size;
// chunks of their files may run this many bytes beyond it.
constexpr size_t kUnderstatedChunkPadding = 100;
constexpr int kFirstCorrectChunkSizeVersion[] = {1, 2, 9};

bool understatesChunkSizes(const std::string& createdBy) {
    int version[3] = {0, 0, 0};
    if (std::sscanf(createdBy.c_str(), "parquet-mr version %d.%d.%d", &version[0], &version[1], &version[2]) < 2) return false;
    return std::lexicographical_compare(version, version + 3, std::begin(kFirstCorrectChunkSizeVersion),
                                        std::end(kFirstCorrectChunkSizeVersion));
}

void checkRowGroups(const ParquetFile& file) {
    int64_t total = 0;
    for (size_t g = 0; g < file.metadata.rowGroups.size(); ++g) {
        const meta::RowGroup& group = file.metadata.rowGroups[g];
        if (group.numRows < 0 || group.numRows > limits::kMaxRows - total)
            throw Exception("row group " + std::to_string(g) + " declares " + std::to_string(group.numRows) + " rows");
        if (group.columns.size() != file.leafCount)
            throw Exception("row group " + std::to_string(g) + " has " + std::to_string(group.columns.size()) +
                            " column chunks, the schema has " + std::to_string(file.leafCount) + " leaf columns");
        total += group.numRows;
    }
}

// Bytes a cell of a storage type takes in a column: its validity flag and its value (a string's
// offset; its characters are counted as they are read).
uint64_t cellBytes(int32_t storage) {
    switch (storage) {
    case Unsupported: return 1;
    case Int32:
    case Date: return 1 + sizeof(int32_t);
    default: return 1 + sizeof(int64_t);
    }
}

// Every cell of the table and every level of a nested column must fit the file's memory budget
// before any of them is read.
void checkMemory(ParquetFile& file) {
    uint64_t bytes = 0;
    for (const ColumnPlan& plan : file.columns) bytes += static_cast<uint64_t>(file.rowCount) * cellBytes(plan.storage);
    if (!file.memory.take(bytes))
        throw Exception("the file declares " + std::to_string(file.rowCount) + " rows of " + std::to_string(file.columns.size()) +
                        " columns, which would take " + std::to_string(bytes) + " bytes, more than " + file.memory.describe());
    for (size_t g = 0; g < file.metadata.rowGroups.size(); ++g) {
        for (const meta::ColumnChunk& chunk : file.metadata.rowGroups[g].columns) {
            if (chunk.metaData.numValues < 0 || static_cast<uint64_t>(chunk.metaData.numValues) > file.memory.total())
                throw Exception("a column chunk of row group " + std::to_string(g) + " declares " + std::to_string(chunk.metaData.numValues) +
                                " values" + (chunk.metaData.numValues < 0 ? "" : ", which need more than " + file.memory.describe()));
        }
    }
}

void checkNestedLevels(const uint8_t* data, const ParquetFile& file, const meta::RowGroup& group, const ColumnPlan& plan) {
    for (size_t i = 0; i < plan.nestedLeaves.size(); ++i) {
        const NestedLeaf& leaf = plan.nestedLeaves[i];
        ColumnPlan leafPlan;
        leafPlan.name = leaf.path;
        leafPlan.physical.type = leaf.type;
        ChunkReader(data, file.dataEnd, group.columns[plan.firstLeaf + i], leafPlan, file.chunkPadding).checkLevels(group.numRows, leaf.maxRepetition);
    }
}

}  // namespace

ParquetFile openParquet(const uint8_t* data, size_t size) {
    if (size < kMagicBytes + kTrailerBytes) throw Exception("not a Parquet file: " + std::to_string(size) + " bytes are too few");
    const uint8_t* trailer = data + size - kTrailerBytes;
    if (std::memcmp(trailer + 4, kEncryptedMagic, 4) == 0)
        throw Exception("the Parquet file is encrypted (encrypted footer); encrypted files are not supported");
    if (std::memcmp(data, kMagic, 4) != 0 || std::memcmp(trailer + 4, kMagic, 4) != 0)
        throw Exception("not a Parquet file: the magic bytes PAR1 are missing at its start or end");
    uint32_t footerLength;
    std::memcpy(&footerLength, trailer, 4);
    if (footerLength > size - kMagicBytes - kTrailerBytes || footerLength > limits::kMaxFooterBytes)
        throw Exception("the footer length " + std::to_string(footerLength) + " exceeds the file's " + std::to_string(size) + " bytes");
    ParquetFile file;
    file.dataEnd = size - kTrailerBytes - footerLength;
    file.metadata = meta::parseFileMetaData(data + file.dataEnd, footerLength);
    if (file.metadata.encrypted) throw Exception("the Parquet file has encrypted columns; encrypted files are not supported");
    if (static_cast<int64_t>(file.metadata.rowGroups.size()) > limits::kMaxRowGroups)
        throw Exception(std::to_string(file.metadata.rowGroups.size()) + " row groups are too many");
    file.columns = planColumns(file.metadata.schema, file.leafCount);
    if (static_cast<int64_t>(file.columns.size()) > limits::kMaxColumns) throw Exception(std::to_string(file.columns.size()) + " columns are too many");
    checkRowGroups(file);
    for (const meta::RowGroup& group : file.metadata.rowGroups) file.rowCount += group.numRows;
    if (understatesChunkSizes(file.metadata.createdBy)) file.chunkPadding = kUnderstatedChunkPadding;
    file.memory = MemoryBudget(size);
    checkMemory(file);
    return file;
}

namespace {

void readGroup(const uint8_t* data, const ParquetFile& file, const meta::RowGroup& group, const ColumnPlan& plan, MemoryBudget& memory,
               ColumnData& column) {
    if (plan.conversion == Conversion::None) {
        checkNestedLevels(data, file, group, plan);
        ColumnFiller(plan, column, memory).appendNulls(static_cast<size_t>(group.numRows));
        return;
    }
    ChunkReader(data, file.dataEnd, group.columns[plan.firstLeaf], plan, file.chunkPadding).read(group.numRows, column, memory);
}

std::shared_ptr<ColumnData> readColumn(const uint8_t* data, const ParquetFile& file, const ColumnPlan& plan, MemoryBudget& memory) {
    auto column = std::make_shared<ColumnData>(plan.storage, plan.unit, plan.utc);
    column->reserve(file.rowCount);
    for (const meta::RowGroup& group : file.metadata.rowGroups) readGroup(data, file, group, plan, memory, *column);
    return column;
}

// INT96 values beyond the years 1677 to 2262 take the whole column, or group, to microseconds.
ColumnPlan inMicros(const ColumnPlan& plan) {
    ColumnPlan micros = plan;
    micros.physical.int96AsMicros = true;
    micros.unit = TimeUnit::Micros;
    return micros;
}

std::shared_ptr<ColumnData> refilled(std::shared_ptr<ColumnData> column, const ColumnPlan& plan, int64_t rows) {
    if (!column || column.use_count() > 1 || column->type() != plan.storage || column->unit() != plan.unit || column->utc() != plan.utc)
        column = std::make_shared<ColumnData>(plan.storage, plan.unit, plan.utc);
    column->clear();
    column->reserve(rows);
    return column;
}

// One column of a row group, in the column's room where it can be refilled.
void readGroupColumn(const uint8_t* data, const ParquetFile& file, const meta::RowGroup& rows, const ColumnPlan& plan,
                     MemoryBudget& memory, std::shared_ptr<ColumnData>& column) {
    column = refilled(std::move(column), plan, rows.numRows);
    try {
        readGroup(data, file, rows, plan, memory, *column);
    } catch (const Int96OutOfRange&) {
        const ColumnPlan micros = inMicros(plan);
        column = refilled(std::move(column), micros, rows.numRows);
        readGroup(data, file, rows, micros, memory, *column);
    }
}

}  // namespace

std::vector<std::shared_ptr<ColumnData>> readParquetColumns(const uint8_t* data, const ParquetFile& file) {
    std::vector<std::shared_ptr<ColumnData>> columns;
    MemoryBudget memory = file.memory;
    for (const ColumnPlan& plan : file.columns) {
        try {
            columns.push_back(readColumn(data, file, plan, memory));
        } catch (const Int96OutOfRange&) {
            columns.push_back(readColumn(data, file, inMicros(plan), memory));
        }
    }
    return columns;
}

void readParquetRowGroup(const uint8_t* data, const ParquetFile& file, size_t group, std::vector<std::shared_ptr<ColumnData>>& columns) {
    const meta::RowGroup& rows = file.metadata.rowGroups.at(group);
    MemoryBudget memory = file.memory;   // the whole file's: what the group before took is free again
    columns.resize(file.columns.size());
    for (size_t i = 0; i < file.columns.size(); ++i) {
        const ColumnPlan& plan = file.columns[i];
        try {
            readGroupColumn(data, file, rows, plan, memory, columns[i]);
        } catch (const Exception& e) {
            if (!e.column().empty()) throw;
            throw Exception(e.what(), plan.name);
        }
    }
}

}  // namespace tablix
