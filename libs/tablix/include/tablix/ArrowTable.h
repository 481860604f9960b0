// tablix: in-memory columnar tables read from and written to Parquet files.
//
// A table is a list of named columns of equal length. Every column has one storage type; a cell
// holds a value of that type or no value (a null). Tables are created empty by IArrowTable::create,
// then either filled from a Parquet file or buffer, or built column by column and written out.
//
// Failures of every kind (unreadable or malformed files, unsupported features, bad arguments)
// throw tablix::Exception. A table is not thread-safe; distinct tables are independent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tablix/ColumnData.h"
#include "tablix/Exception.h"

namespace tablix {

// Codecs the writer can compress pages with.
enum class Compression : int32_t { Uncompressed, Snappy, Gzip, Zstd, Lz4Raw, Brotli };

struct WriteOptions {
    Compression compression = Compression::Snappy;
    // Rows per row group (bounded by the writer's own limit): groups of this size let readers skip
    // and spread work by group and keep each group's dictionaries small, at a few hundred bytes of
    // metadata per group; the size other writers use by default.
    int64_t rowGroupRows = 122880;
    bool dictionary = true;             // dictionary-encode each column chunk where that saves bytes
};

class IArrowTable {
public:
    // A new, empty table.
    static std::shared_ptr<IArrowTable> create();
    virtual ~IArrowTable() = default;

    // Replaces the table's contents with the Parquet file named in UTF-8 / held in the buffer.
    virtual void readParquet(const std::string& fileName) = 0;
    virtual void readParquet(const uint8_t* data, size_t size) = 0;

    // Reading a file held in memory one row group at a time, so that only one group's rows are
    // held at once. openParquet reads the footer: the table gets the file's columns without rows,
    // and keeps the buffer, which must outlive the reads. readRowGroup(g) then replaces the rows
    // with those of group g (0 <= g < rowGroupCount()), refilling the columns no one else holds in
    // the room they took.
    virtual void openParquet(const uint8_t* data, size_t size) = 0;
    virtual int32_t rowGroupCount() const = 0;
    virtual void readRowGroup(int32_t group) = 0;

    // Writes the table as a Parquet file named in UTF-8 / into a new buffer.
    virtual void writeParquet(const std::string& fileName) const = 0;
    virtual std::vector<uint8_t> writeParquetBuffer() const = 0;
    virtual void setWriteOptions(const WriteOptions& options) = 0;

    virtual int64_t rowCount() const = 0;
    virtual int32_t columnCount() const = 0;
    virtual const std::string& columnName(int32_t column) const = 0;
    virtual int32_t columnType(int32_t column) const = 0;              // a StorageType code
    // The column's data; it stays valid while the caller holds it, even if the table changes.
    virtual std::shared_ptr<const ColumnData> columnData(int32_t column) const = 0;
    Value value(int32_t column, int64_t row) const { return columnData(column)->value(row); }

    // Adds an empty column of a writable storage type (Double, Int32, Int64, String) and returns
    // its index. Columns are filled through appendValue/appendNull; before writing, all columns
    // must hold the same number of values.
    virtual int32_t addColumn(const std::string& name, int32_t storageType) = 0;
    virtual void appendValue(int32_t column, const Value& value) = 0;
    virtual void appendNull(int32_t column) = 0;
    // Adds a column built whole by the caller (of a writable storage type, filled through
    // ColumnData's appends) and returns its index. The table shares it: the caller must not change
    // it afterwards.
    virtual int32_t addColumn(const std::string& name, std::shared_ptr<ColumnData> data) = 0;
};

// Writes a Parquet file a part of its rows at a time, so that whoever builds the rows holds only
// one part of them: each write takes the part's columns (of equal length and a writable storage
// type, with the names and types of the first part) as the file's next rows, cut into row groups
// of the options' size; finish, called once, gives the file's bytes. An empty first part, alone, gives a file
// of one empty row group, as an empty table's does.
class IParquetWriter {
public:
    static std::unique_ptr<IParquetWriter> create(const WriteOptions& options = WriteOptions());
    virtual ~IParquetWriter() = default;

    virtual void write(const std::vector<std::string>& names, const std::vector<std::shared_ptr<const ColumnData>>& columns) = 0;
    virtual std::vector<uint8_t> finish() = 0;
};

}  // namespace tablix
