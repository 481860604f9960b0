#include "ParquetWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "ChunkDictionary.h"
#include "Codecs.h"
#include "Limits.h"
#include "Metadata.h"
#include "RleHybrid.h"

namespace tablix {

namespace {

constexpr char kMagic[] = "PAR1";
constexpr char kCreatedBy[] = "tablix version 1.0.0";
constexpr int32_t kFormatVersion = 2;   // logical type annotations and RLE_DICTIONARY pages
constexpr size_t kFileRoomSlack = 1 << 16;   // the headers, the footer and small columns

int32_t codecOf(Compression c) {
    switch (c) {
    case Compression::Uncompressed: return meta::Uncompressed;
    case Compression::Snappy: return meta::Snappy;
    case Compression::Gzip: return meta::Gzip;
    case Compression::Zstd: return meta::Zstd;
    case Compression::Lz4Raw: return meta::Lz4Raw;
    case Compression::Brotli: return meta::Brotli;
    }
    throw Exception("unknown compression " + std::to_string(static_cast<int>(c)));
}

int32_t physicalOf(const NamedColumn& c) {
    switch (c.data->type()) {
    case Double: return meta::Double;
    case Int32: return meta::Int32;
    case Int64: return meta::Int64;
    case String: return meta::ByteArray;
    default:
        throw Exception("the column " + c.name + " has storage type " + std::to_string(c.data->type()) + " (" +
                        storageTypeName(c.data->type()) + "), which the writer does not support");
    }
}

template <class T>
void appendRaw(std::vector<uint8_t>& out, const T& v) {
    const size_t at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, &v, sizeof(T));
}

std::string rawBytes(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }

// Writes one column chunk of one row group: its pages go to `file`, its metadata is returned.
class ChunkWriter {
public:
    ChunkWriter(const NamedColumn& column, int64_t begin, int64_t end, int32_t codec, bool dictionary, std::vector<uint8_t>& file)
        : column_(*column.data), begin_(begin), end_(end), codec_(codec), file_(file) {
        chunk_.metaData.type = physicalOf(column);
        chunk_.metaData.path = {column.name};
        chunk_.metaData.codec = codec;
        chunk_.metaData.numValues = end - begin;
        if (dictionary) dictionary_.emplace(column_, begin, end);
        useDictionary_ = dictionary_ && dictionary_->usable();
    }

    meta::ColumnChunk write() {
        const size_t start = file_.size();
        if (useDictionary_) {
            chunk_.metaData.dictionaryPageOffset = static_cast<int64_t>(start);
            writeDictionaryPage();
        }
        chunk_.metaData.dataPageOffset = static_cast<int64_t>(file_.size());
        for (int64_t row = begin_; row < end_;) row = writeDataPage(row);
        if (begin_ == end_) writeDataPage(begin_);
        chunk_.metaData.totalCompressedSize = static_cast<int64_t>(file_.size() - start);
        chunk_.metaData.encodings = useDictionary_ ? std::vector<int32_t>{meta::Plain, meta::Rle, meta::RleDictionary}
                                                   : std::vector<int32_t>{meta::Plain, meta::Rle};
        chunk_.fileOffset = static_cast<int64_t>(start);
        chunk_.metaData.statistics = statistics();
        return chunk_;
    }

private:
    void writeDictionaryPage();
    void encodeValue(int64_t row, std::vector<uint8_t>& out) const;
    int64_t writeDataPage(int64_t row);
    void writePage(meta::PageHeader header, const std::vector<uint8_t>& body);
    void encodePlain(int64_t from, int64_t to, std::vector<uint8_t>& out) const;
    meta::Statistics statistics() const;
    void numericBounds(int64_t& minRow, int64_t& maxRow) const;
    bool isNaN(int64_t row) const { return column_.type() == Double && std::isnan(column_.doubles()[row]); }
    bool less(int64_t a, int64_t b) const;
    std::optional<std::string> bound(int64_t row, bool isMinimum) const;

    std::string_view text(int64_t row) const {
        const auto& offsets = column_.offsets();
        return std::string_view(column_.chars()).substr(offsets[row], offsets[row + 1] - offsets[row]);
    }

    const ColumnData& column_;
    int64_t begin_, end_;
    int32_t codec_;
    std::vector<uint8_t>& file_;
    meta::ColumnChunk chunk_;
    std::optional<ChunkDictionary> dictionary_;
    bool useDictionary_ = false;
    std::vector<uint8_t> compressed_;
};

void ChunkWriter::writeDictionaryPage() {
    std::vector<uint8_t> body;
    for (size_t entry = 0; entry < dictionary_->size(); ++entry) encodeValue(dictionary_->rowOfEntry(entry), body);
    meta::PageHeader header;
    header.type = meta::DictionaryPage;
    header.dictionaryPage = meta::DictionaryPageHeader{static_cast<int32_t>(dictionary_->size()), meta::Plain};
    writePage(header, body);
}

void ChunkWriter::encodeValue(int64_t row, std::vector<uint8_t>& out) const {
    switch (column_.type()) {
    case Double: appendRaw(out, column_.doubles()[row]); break;
    case Int32: appendRaw(out, column_.int32s()[row]); break;
    case Int64: appendRaw(out, column_.int64s()[row]); break;
    default: {
        const std::string_view v = text(row);
        appendRaw(out, static_cast<uint32_t>(v.size()));
        out.insert(out.end(), v.begin(), v.end());
    }
    }
}

// The page's values are sized first and written into place, not appended one by one.
void ChunkWriter::encodePlain(int64_t from, int64_t to, std::vector<uint8_t>& out) const {
    size_t bytes = 0;
    for (int64_t row = from; row < to; ++row)
        if (!column_.isNull(row)) bytes += column_.type() == String ? 4 + text(row).size() : column_.type() == Int32 ? 4 : 8;
    size_t at = out.size();
    out.resize(at + bytes);
    auto put = [&](const void* p, size_t n) {
        std::memcpy(out.data() + at, p, n);
        at += n;
    };
    for (int64_t row = from; row < to; ++row) {
        if (column_.isNull(row)) continue;
        switch (column_.type()) {
        case Double: put(&column_.doubles()[row], 8); break;
        case Int32: put(&column_.int32s()[row], 4); break;
        case Int64: put(&column_.int64s()[row], 8); break;
        default: {
            const std::string_view v = text(row);
            const auto size = static_cast<uint32_t>(v.size());
            put(&size, 4);
            put(v.data(), v.size());
        }
        }
    }
}

// Writes the page starting at `row` and returns the row after it. String pages close early
// once their plain values pass the page size.
int64_t ChunkWriter::writeDataPage(int64_t row) {
    int64_t to = std::min(end_, row + limits::kWriterPageRows);
    if (column_.type() == String && !useDictionary_) {
        const uint64_t limit = column_.offsets()[row] + limits::kWriterPageBytes;
        int64_t last = std::min(to, row + 1);   // an empty chunk has one empty page
        while (last < to && column_.offsets()[last] < limit) ++last;
        to = last;
    }
    std::vector<uint8_t> body(4);
    RleEncoder levels(1, body);
    const PodArray<uint8_t>& valid = column_.validity();
    for (int64_t r = row; r < to;) {   // by runs: most pages are one run of present values
        int64_t end = r + 1;
        while (end < to && valid[end] == valid[r]) ++end;
        levels.putRun(valid[r] ? 1 : 0, static_cast<uint64_t>(end - r));
        r = end;
    }
    levels.flush();
    const uint32_t levelBytes = static_cast<uint32_t>(body.size() - 4);
    std::memcpy(body.data(), &levelBytes, 4);
    int32_t encoding = meta::Plain;
    if (useDictionary_) {
        encoding = meta::RleDictionary;
        const int width = dictionary_->bitWidth();
        body.push_back(static_cast<uint8_t>(width));
        RleEncoder indices(width, body);
        for (int64_t r = row; r < to; ++r)
            if (!column_.isNull(r)) indices.put(dictionary_->indexOfRow(r));
        indices.flush();
    } else {
        encodePlain(row, to, body);
    }
    meta::PageHeader header;
    header.type = meta::DataPage;
    header.dataPage = meta::DataPageHeader{static_cast<int32_t>(to - row), encoding, meta::Rle, meta::Rle};
    writePage(header, body);
    return to;
}

void ChunkWriter::writePage(meta::PageHeader header, const std::vector<uint8_t>& body) {
    if (body.size() > static_cast<size_t>(limits::kMaxPageBytes))
        throw Exception("a page of the column " + chunk_.metaData.path[0] + " would hold " + std::to_string(body.size()) +
                        " bytes, more than a page can (" + std::to_string(limits::kMaxPageBytes) + ")");
    compress(codec_, body.data(), body.size(), compressed_);
    header.uncompressedSize = static_cast<int32_t>(body.size());
    header.compressedSize = static_cast<int32_t>(compressed_.size());
    header.crc = static_cast<int32_t>(::crc32(0, compressed_.data(), static_cast<uInt>(compressed_.size())));
    const size_t before = file_.size();
    meta::serializePageHeader(header, file_);
    file_.insert(file_.end(), compressed_.begin(), compressed_.end());
    chunk_.metaData.totalUncompressedSize += static_cast<int64_t>(file_.size() - before - compressed_.size() + body.size());
}

bool ChunkWriter::less(int64_t a, int64_t b) const {
    switch (column_.type()) {
    case Double: return column_.doubles()[a] < column_.doubles()[b];
    case Int32: return column_.int32s()[a] < column_.int32s()[b];
    case Int64: return column_.int64s()[a] < column_.int64s()[b];
    default: return text(a) < text(b);   // unsigned byte order, as readers compare strings
    }
}

// The bound's value as the statistics store it: plain encoding for numbers, the bytes of a string
// (none for a long one). A zero bound may hide the other zero, so a minimum is written as -0 and a
// maximum as +0.
std::optional<std::string> ChunkWriter::bound(int64_t row, bool isMinimum) const {
    switch (column_.type()) {
    case Double: {
        double v = column_.doubles()[row];
        if (v == 0) v = isMinimum ? -0.0 : 0.0;
        return rawBytes(&v, 8);
    }
    case Int32: return rawBytes(&column_.int32s()[row], 4);
    case Int64: return rawBytes(&column_.int64s()[row], 8);
    default: {
        const std::string_view v = text(row);
        if (static_cast<int64_t>(v.size()) > limits::kWriterMaxStatisticsBytes) return std::nullopt;
        return std::string(v);
    }
    }
}

// With a dictionary the bounds are found among its entries, each a row that holds the value.
meta::Statistics ChunkWriter::statistics() const {
    const int64_t nulls = std::count(column_.validity().begin() + begin_, column_.validity().begin() + end_, uint8_t{0});
    int64_t minRow = -1, maxRow = -1;
    auto consider = [&](int64_t row) {
        if (minRow < 0) minRow = maxRow = row;
        else if (less(row, minRow)) minRow = row;
        else if (less(maxRow, row)) maxRow = row;
    };
    if (useDictionary_) {
        for (size_t entry = 0; entry < dictionary_->size(); ++entry)
            if (!isNaN(dictionary_->rowOfEntry(entry))) consider(dictionary_->rowOfEntry(entry));
    } else if (column_.type() == String) {
        for (int64_t row = begin_; row < end_; ++row)
            if (!column_.isNull(row)) consider(row);
    } else {
        numericBounds(minRow, maxRow);
    }
    meta::Statistics s;
    s.nullCount = nulls;
    if (minRow >= 0) {
        s.min = bound(minRow, true);
        s.max = bound(maxRow, false);
    }
    return s;
}

// The rows of the smallest and largest value of a column of numbers, in one typed pass each.
template <class T>
void boundsOf(const PodArray<T>& values, const PodArray<uint8_t>& valid, int64_t begin, int64_t end, int64_t& minRow, int64_t& maxRow) {
    for (int64_t row = begin; row < end; ++row) {
        const T v = values[row];
        if (!valid[row] || v != v) continue;   // NaN orders nowhere
        if (minRow < 0) minRow = maxRow = row;
        else if (v < values[minRow]) minRow = row;
        else if (values[maxRow] < v) maxRow = row;
    }
}

void ChunkWriter::numericBounds(int64_t& minRow, int64_t& maxRow) const {
    switch (column_.type()) {
    case Double: return boundsOf(column_.doubles(), column_.validity(), begin_, end_, minRow, maxRow);
    case Int32: return boundsOf(column_.int32s(), column_.validity(), begin_, end_, minRow, maxRow);
    default: return boundsOf(column_.int64s(), column_.validity(), begin_, end_, minRow, maxRow);
    }
}

meta::SchemaElement schemaOf(const NamedColumn& c) {
    meta::SchemaElement e;
    e.type = physicalOf(c);
    e.repetition = meta::Optional;
    e.name = c.name;
    if (c.data->type() == String) {
        e.convertedType = meta::Utf8;
        e.logical.kind = meta::Logical::String;
    }
    return e;
}

int64_t checkedRowCount(const std::vector<NamedColumn>& columns) {
    if (columns.empty()) return 0;
    const int64_t rows = columns[0].data->size();
    for (const NamedColumn& c : columns)
        if (c.data->size() != rows)
            throw Exception("the column " + c.name + " holds " + std::to_string(c.data->size()) + " values, the column " + columns[0].name +
                            " holds " + std::to_string(rows) + ": all columns must have the same length");
    return rows;
}

// About the most the pages of the columns can take: their values plain, and a compressor's worst
// case on top. Reserved at once, the file is not copied each time it outgrows its room, and room
// not written takes no memory.
size_t roomFor(const std::vector<NamedColumn>& columns) {
    size_t bytes = kFileRoomSlack;
    for (const NamedColumn& c : columns) {
        const size_t rows = static_cast<size_t>(c.data->size());
        switch (c.data->type()) {
        case String: bytes += c.data->chars().size() + 4 * rows; break;
        case Int32:
        case Date: bytes += 4 * rows; break;
        default: bytes += 8 * rows; break;
        }
    }
    return bytes + bytes / 6;
}

}  // namespace

std::vector<uint8_t> writeParquetColumns(const std::vector<NamedColumn>& columns, const WriteOptions& options) {
    ParquetFileWriter writer(options);
    writer.write(columns);
    return writer.finish();
}

ParquetFileWriter::ParquetFileWriter(const WriteOptions& options) : options_(options), codec_(codecOf(options.compression)) {
    options_.rowGroupRows = std::clamp<int64_t>(options.rowGroupRows, 1, limits::kWriterMaxRowGroupRows);
}

void ParquetFileWriter::startFile(const std::vector<NamedColumn>& columns) {
    metadata_.version = kFormatVersion;
    metadata_.createdBy = kCreatedBy;
    meta::SchemaElement root;
    root.name = "schema";
    root.numChildren = static_cast<int32_t>(columns.size());
    metadata_.schema.push_back(root);
    for (const NamedColumn& c : columns) metadata_.schema.push_back(schemaOf(c));
    file_.insert(file_.end(), kMagic, kMagic + 4);
}

void ParquetFileWriter::checkSchema(const std::vector<NamedColumn>& columns) const {
    bool same = columns.size() + 1 == metadata_.schema.size();
    for (size_t i = 0; same && i < columns.size(); ++i) {
        const meta::SchemaElement expected = schemaOf(columns[i]);
        same = expected.name == metadata_.schema[i + 1].name && expected.type == metadata_.schema[i + 1].type &&
               expected.convertedType == metadata_.schema[i + 1].convertedType;
    }
    if (!same) throw Exception("the columns of a part differ in number, names or types from those of the file's first part");
}

void ParquetFileWriter::write(const std::vector<NamedColumn>& columns) {
    const int64_t rows = checkedRowCount(columns);
    if (!started()) startFile(columns);
    else checkSchema(columns);
    const size_t room = file_.size() + roomFor(columns);
    if (room > file_.capacity()) file_.reserve(std::max(room, file_.capacity() * 2));
    // A table without rows is still a table: its file has one empty row group.
    if (rows == 0 && metadata_.rowGroups.empty() && !columns.empty()) writeGroup(columns, 0, 0);
    for (int64_t begin = 0; begin < rows; begin += options_.rowGroupRows) writeGroup(columns, begin, std::min(rows, begin + options_.rowGroupRows));
}

void ParquetFileWriter::writeGroup(const std::vector<NamedColumn>& columns, int64_t begin, int64_t end) {
    meta::RowGroup group;
    group.numRows = end - begin;
    for (const NamedColumn& c : columns) {
        group.columns.push_back(ChunkWriter(c, begin, end, codec_, options_.dictionary, file_).write());
        group.totalByteSize += group.columns.back().metaData.totalUncompressedSize;
    }
    metadata_.rowGroups.push_back(std::move(group));
    metadata_.numRows += end - begin;
}

std::vector<uint8_t> ParquetFileWriter::finish() {
    if (!started()) startFile({});
    const size_t footerStart = file_.size();
    meta::serializeFileMetaData(metadata_, file_);
    const uint32_t footerLength = static_cast<uint32_t>(file_.size() - footerStart);
    appendRaw(file_, footerLength);
    file_.insert(file_.end(), kMagic, kMagic + 4);
    return std::move(file_);
}

}  // namespace tablix
