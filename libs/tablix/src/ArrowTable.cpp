// The table object behind IArrowTable.
#include "tablix/ArrowTable.h"

#include <cmath>
#include <memory>

#include "FileIO.h"
#include "MemoryErrors.h"
#include "ParquetReader.h"
#include "ParquetWriter.h"

namespace tablix {

namespace {

void checkWritableType(const std::string& name, int32_t storageType) {
    if (storageType != Double && storageType != Int32 && storageType != Int64 && storageType != String)
        throw Exception("cannot add the column " + name + " of storage type " + std::to_string(storageType) +
                        ": the writable types are 1 (double), 2 (int32), 4 (string) and 5 (int64)");
}

class ArrowTable final : public IArrowTable {
public:
    void readParquet(const std::string& fileName) override {
        const std::vector<uint8_t> bytes = withMemoryErrors([&] { return readWholeFile(fileName); }, [&] { return "reading the file " + fileName; });
        try {
            readParquet(bytes.data(), bytes.size());
        } catch (const Exception& e) {
            throw Exception(fileName + ": " + e.what());
        }
    }

    void readParquet(const uint8_t* data, size_t size) override {
        withMemoryErrors([&] {
            const ParquetFile file = tablix::openParquet(data, size);
            setColumns(file, readParquetColumns(data, file), file.rowCount);
            open_.reset();
        }, [&] { return "reading a Parquet file of " + std::to_string(size) + " bytes"; });
    }

    void openParquet(const uint8_t* data, size_t size) override {
        withMemoryErrors([&] {
            auto file = std::make_unique<ParquetFile>(tablix::openParquet(data, size));
            std::vector<std::shared_ptr<ColumnData>> empty;
            for (const ColumnPlan& plan : file->columns) empty.push_back(std::make_shared<ColumnData>(plan.storage, plan.unit, plan.utc));
            setColumns(*file, std::move(empty), 0);
            open_ = std::move(file);
            openData_ = data;
        }, [&] { return "reading a Parquet file of " + std::to_string(size) + " bytes"; });
    }

    int32_t rowGroupCount() const override { return open_ ? static_cast<int32_t>(open_->metadata.rowGroups.size()) : 0; }

    void readRowGroup(int32_t group) override {
        if (group < 0 || group >= rowGroupCount())
            throw Exception("row group " + std::to_string(group) + " is outside the " + std::to_string(rowGroupCount()) +
                            " row groups of the file opened");
        withMemoryErrors([&] {
            std::vector<std::shared_ptr<ColumnData>> data;
            for (Column& c : columns_) data.push_back(std::move(c.data));
            columns_.clear();   // a failed read leaves the table without columns, not with some of them
            rowCount_ = 0;
            readParquetRowGroup(openData_, *open_, static_cast<size_t>(group), data);
            setColumns(*open_, std::move(data), open_->metadata.rowGroups[static_cast<size_t>(group)].numRows);
        }, [&] { return "reading row group " + std::to_string(group) + " of a Parquet file"; });
    }

    void writeParquet(const std::string& fileName) const override { writeWholeFile(fileName, writeParquetBuffer()); }

    std::vector<uint8_t> writeParquetBuffer() const override {
        return withMemoryErrors([&] {
            std::vector<NamedColumn> named;
            for (const Column& c : columns_) named.push_back({c.name, c.data});
            return writeParquetColumns(named, options_);
        }, [] { return "writing a Parquet file"; });
    }

    void setWriteOptions(const WriteOptions& options) override { options_ = options; }

    int64_t rowCount() const override {
        if (columns_.empty()) return rowCount_;
        int64_t rows = 0;
        for (const Column& c : columns_) rows = std::max(rows, c.data->size());
        return rows;
    }

    int32_t columnCount() const override { return static_cast<int32_t>(columns_.size()); }
    const std::string& columnName(int32_t column) const override { return at(column).name; }
    int32_t columnType(int32_t column) const override { return at(column).data->type(); }
    std::shared_ptr<const ColumnData> columnData(int32_t column) const override { return at(column).data; }

    int32_t addColumn(const std::string& name, int32_t storageType) override {
        return withMemoryErrors([&] { return addEmptyColumn(name, storageType); }, [&] { return "adding the column " + name; });
    }

    int32_t addColumn(const std::string& name, std::shared_ptr<ColumnData> data) override {
        if (!data) throw Exception("cannot add the column " + name + ": it has no data");
        checkWritableType(name, data->type());
        columns_.push_back({name, std::move(data)});
        return static_cast<int32_t>(columns_.size() - 1);
    }

    void appendValue(int32_t column, const Value& value) override {
        withMemoryErrors([&] { append(column, value); }, [&] { return "appending to the column " + columnName(column); });
    }

    void appendNull(int32_t column) override {
        withMemoryErrors([&] { writable(column).appendNull(); }, [&] { return "appending to the column " + columnName(column); });
    }

private:
    struct Column {
        std::string name;
        std::shared_ptr<ColumnData> data;
    };

    int32_t addEmptyColumn(const std::string& name, int32_t storageType) {
        checkWritableType(name, storageType);
        columns_.push_back({name, std::make_shared<ColumnData>(storageType)});
        return static_cast<int32_t>(columns_.size() - 1);
    }

    // Numbers convert between the numeric types (a floating-point value into an integer column
    // must be integral and in range); strings go only into string columns.
    void append(int32_t column, const Value& value) {
        ColumnData& data = writable(column);
        if (value.isNull) return data.appendNull();
        const bool isText = value.type == String, isNumber = value.type == Double;
        if (isText != (data.type() == String))
            throw Exception(std::string("a value of type ") + storageTypeName(value.type) + " cannot go into the " +
                            storageTypeName(data.type()) + " column " + columnName(column));
        if (isText) return data.appendString(value.text);
        if (data.type() == Double) return data.appendDouble(isNumber ? value.number : static_cast<double>(value.integer));
        if (!isNumber) return data.appendInteger(value.integer);
        if (!(value.number >= -9.2233720368547758e18 && value.number < 9.2233720368547758e18) || value.number != std::trunc(value.number))
            throw Exception("the number " + std::to_string(value.number) + " is no integer for the column " + columnName(column));
        data.appendInteger(static_cast<int64_t>(value.number));
    }

    void checkIndex(int32_t column) const {
        if (column < 0 || static_cast<size_t>(column) >= columns_.size())
            throw Exception("column index " + std::to_string(column) + " is outside the table's " + std::to_string(columns_.size()) + " columns");
    }

    const Column& at(int32_t column) const {
        checkIndex(column);
        return columns_[column];
    }

    // A column shared with a reader is copied before it changes, so that buffers handed out stay as they were.
    ColumnData& writable(int32_t column) {
        checkIndex(column);
        Column& c = columns_[column];
        if (c.data.use_count() > 1) c.data = std::make_shared<ColumnData>(*c.data);
        return *c.data;
    }

    void setColumns(const ParquetFile& file, std::vector<std::shared_ptr<ColumnData>> data, int64_t rows) {
        std::vector<Column> columns;
        for (size_t i = 0; i < data.size(); ++i) columns.push_back({file.columns[i].name, std::move(data[i])});
        columns_.swap(columns);
        rowCount_ = rows;
    }

    std::vector<Column> columns_;
    int64_t rowCount_ = 0;
    std::unique_ptr<ParquetFile> open_;   // the file being read a row group at a time
    const uint8_t* openData_ = nullptr;
    WriteOptions options_;
};

class ParquetWriter final : public IParquetWriter {
public:
    explicit ParquetWriter(const WriteOptions& options) : file_(options) {}

    void write(const std::vector<std::string>& names, const std::vector<std::shared_ptr<const ColumnData>>& columns) override {
        if (names.size() != columns.size())
            throw Exception(std::to_string(names.size()) + " names given for " + std::to_string(columns.size()) + " columns");
        withMemoryErrors([&] {
            std::vector<NamedColumn> named;
            for (size_t i = 0; i < columns.size(); ++i) {
                if (!columns[i]) throw Exception("the column " + names[i] + " has no data");
                checkWritableType(names[i], columns[i]->type());
                named.push_back({names[i], columns[i]});
            }
            file_.write(named);
        }, [] { return "writing a Parquet file"; });
    }

    std::vector<uint8_t> finish() override {
        return withMemoryErrors([&] { return file_.finish(); }, [] { return "writing a Parquet file"; });
    }

private:
    ParquetFileWriter file_;
};

}  // namespace

std::shared_ptr<IArrowTable> IArrowTable::create() { return std::make_shared<ArrowTable>(); }

std::unique_ptr<IParquetWriter> IParquetWriter::create(const WriteOptions& options) { return std::make_unique<ParquetWriter>(options); }

}  // namespace tablix
