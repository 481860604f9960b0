#include "ChunkReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "Codecs.h"
#include "Limits.h"
#include "RleHybrid.h"
#include "tablix/Exception.h"

namespace tablix {

namespace {

[[noreturn]] void fail(const ColumnPlan& plan, const std::string& problem) {
    throw Exception("column " + plan.name + ": " + problem);
}

uint32_t loadLittleEndian32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

ChunkReader::ChunkReader(const uint8_t* data, size_t dataEnd, const meta::ColumnChunk& chunk, const ColumnPlan& plan, size_t padding)
    : data_(data), chunk_(chunk), plan_(plan) {
    if (chunk.encrypted) fail(plan, "the column is encrypted; encrypted Parquet files are not supported");
    if (!chunk.filePath.empty()) fail(plan, "the column's data is in another file (" + chunk.filePath + "), which is not supported");
    if (!chunk.hasMetaData) fail(plan, "the column chunk has no metadata");
    const meta::ColumnMetaData& m = chunk.metaData;
    if (m.type != plan.physical.type)
        fail(plan, std::string("the column chunk holds ") + meta::physicalTypeName(m.type) + " values, the schema says " + meta::physicalTypeName(plan.physical.type));
    // The chunk starts at its dictionary page when it has one; some writers leave the data page
    // offset at zero, so a dictionary offset also stands in for an impossible data page offset.
    int64_t start = m.dataPageOffset;
    const int64_t dictionary = m.dictionaryPageOffset.value_or(0);
    if (dictionary >= 4 && (dictionary < start || start < 4)) start = dictionary;
    const int64_t length = m.totalCompressedSize;
    if (start < 4 || length < 0 || static_cast<uint64_t>(start) > dataEnd || static_cast<uint64_t>(length) > dataEnd - static_cast<uint64_t>(start))
        fail(plan, "the column chunk at offset " + std::to_string(start) + " with " + std::to_string(length) +
                       " bytes lies outside the file's data (" + std::to_string(dataEnd) + " bytes)");
    start_ = static_cast<size_t>(start);
    end_ = start_ + static_cast<size_t>(length);
    end_ += std::min(padding, dataEnd - end_);
}

// Parses the page header at `pos`, checks the page against the chunk and its CRC, and moves `pos`
// past the page; returns the page's stored bytes.
const uint8_t* ChunkReader::nextPage(size_t& pos, meta::PageHeader& header) {
    size_t headerSize = 0;
    const size_t available = std::min<size_t>(end_ - pos, limits::kMaxPageHeaderBytes);
    header = meta::parsePageHeader(data_ + pos, available, headerSize);
    pos += headerSize;
    if (header.compressedSize < 0 || static_cast<size_t>(header.compressedSize) > end_ - pos)
        fail(plan_, "a page of " + std::to_string(header.compressedSize) + " bytes at offset " + std::to_string(pos) +
                        " is larger than the rest of its column chunk (" + std::to_string(end_ - pos) + " bytes)");
    if (header.uncompressedSize < 0) fail(plan_, "a page declares " + std::to_string(header.uncompressedSize) + " uncompressed bytes");
    if (header.crc) {
        const uint32_t crc = static_cast<uint32_t>(::crc32(0, data_ + pos, static_cast<uInt>(header.compressedSize)));
        if (crc != static_cast<uint32_t>(*header.crc))
            fail(plan_, "the page at offset " + std::to_string(pos) + " fails its CRC check (stored " +
                            std::to_string(static_cast<uint32_t>(*header.crc)) + ", computed " + std::to_string(crc) + ")");
    }
    const uint8_t* body = data_ + pos;
    pos += static_cast<size_t>(header.compressedSize);
    return body;
}

void ChunkReader::read(int64_t rows, ColumnData& column, MemoryBudget& memory) {
    ColumnFiller filler(plan_, column, memory);
    valuesLeft_ = chunk_.metaData.numValues;
    int64_t rowsRead = 0;
    size_t pos = start_;
    while (rowsRead < rows) {
        if (pos >= end_) fail(plan_, "the column chunk ends after " + std::to_string(rowsRead) + " of " + std::to_string(rows) + " rows");
        meta::PageHeader header;
        const uint8_t* body = nextPage(pos, header);
        readPage(header, body, filler, rowsRead, rows);
    }
}

// Locates the repetition levels of a data page. Pages without values give isData false; a page
// whose levels cannot be checked cheaply (too large to decompress for them alone, or in the old
// bit-packed form) gives checkable false.
ChunkReader::LevelSpan ChunkReader::repetitionLevels(const meta::PageHeader& header, const uint8_t* body, int16_t maxRepetition) {
    LevelSpan span;
    if (header.type == meta::DataPageV2 && header.dataPageV2) {
        span.isData = true;
        span.values = static_cast<size_t>(std::max(0, header.dataPageV2->numValues));
        span.size = static_cast<size_t>(std::max(0, header.dataPageV2->repetitionLevelsByteLength));
        if (span.size > static_cast<size_t>(header.compressedSize)) fail(plan_, "the repetition levels' length exceeds the page");
        span.data = body;
        return span;
    }
    if (header.type != meta::DataPage || !header.dataPage) return span;
    span.isData = true;
    span.values = static_cast<size_t>(std::max(0, header.dataPage->numValues));
    if (maxRepetition == 0) return span;
    if (header.uncompressedSize > limits::kMaxLevelCheckPageBytes || header.dataPage->repetitionLevelEncoding != meta::Rle) {
        span.checkable = false;
        return span;
    }
    const uint8_t* page = pageData(header, body, 0, header.compressedSize, header.uncompressedSize, pageBuffer_);
    const size_t size = static_cast<size_t>(header.uncompressedSize);
    if (size < 4 || loadLittleEndian32(page) > size - 4) fail(plan_, "the repetition levels' length exceeds the page");
    span.size = loadLittleEndian32(page);
    span.data = page + 4;
    return span;
}

// Counts the rows of a nested column's pages from their repetition levels (every level 0 starts a
// row), so that a chunk whose levels disagree with its row group is found although its values are
// not read.
void ChunkReader::checkLevels(int64_t rows, int16_t maxRepetition) {
    int64_t rowsSeen = 0, valuesLeft = chunk_.metaData.numValues;
    bool first = true, checkable = true;
    size_t pos = start_;
    std::vector<uint8_t> repetition;
    const int width = bitWidthOf(static_cast<uint64_t>(maxRepetition));
    while (valuesLeft > 0) {
        if (pos >= end_) fail(plan_, "the column chunk ends " + std::to_string(valuesLeft) + " values early");
        meta::PageHeader header;
        const uint8_t* body = nextPage(pos, header);
        const LevelSpan span = repetitionLevels(header, body, maxRepetition);
        if (!span.isData) continue;
        if (static_cast<int64_t>(span.values) > valuesLeft) fail(plan_, "a page holds more values than the column chunk");
        valuesLeft -= static_cast<int64_t>(span.values);
        checkable = checkable && span.checkable;
        if (maxRepetition == 0 || !span.checkable) {
            rowsSeen += static_cast<int64_t>(span.values);
            continue;
        }
        repetition.resize(span.values);
        RleDecoder(span.data, span.size, width, "repetition levels").decode(repetition.data(), span.values);
        if (first && !repetition.empty() && repetition[0] != 0)
            fail(plan_, "the repetition levels start with " + std::to_string(repetition[0]) + " instead of 0");
        first = first && repetition.empty();
        rowsSeen += std::count(repetition.begin(), repetition.end(), 0);
    }
    if (checkable && rowsSeen != rows)
        fail(plan_, "the column chunk holds " + std::to_string(rowsSeen) + " rows, its row group " + std::to_string(rows));
}

void ChunkReader::readPage(const meta::PageHeader& header, const uint8_t* body, ColumnFiller& filler, int64_t& rowsRead, int64_t rows) {
    switch (header.type) {
    case meta::DictionaryPage:
        if (rowsRead > 0 || hasDictionary_) fail(plan_, "a dictionary page follows data pages or another dictionary");
        readDictionary(header, body);
        return;
    case meta::DataPage: readDataPage(header, body, filler, rows - rowsRead, rowsRead); return;
    case meta::DataPageV2: readDataPageV2(header, body, filler, rows - rowsRead, rowsRead); return;
    default: return;   // index pages and page types of newer writers carry no values
    }
}

// Returns the page's bytes from `offset` on, decompressed when `compressedPart` differs from
// what is stored; `uncompressedPart` is the size the header declares for them.
const uint8_t* ChunkReader::pageData(const meta::PageHeader& header, const uint8_t* body, size_t offset, size_t compressedPart,
                                     size_t uncompressedPart, std::vector<uint8_t>& buffer) {
    if (header.uncompressedSize < 0 || header.uncompressedSize > limits::kMaxPageBytes)
        fail(plan_, "a page declares " + std::to_string(header.uncompressedSize) + " uncompressed bytes");
    if (header.uncompressedSize > limits::kSmallPageBytes &&
        header.uncompressedSize / limits::kMaxCompressionRatio > header.compressedSize)
        fail(plan_, "a page of " + std::to_string(header.compressedSize) + " bytes declares " + std::to_string(header.uncompressedSize) +
                        " bytes uncompressed, beyond any real compression ratio");
    const int32_t codec = chunk_.metaData.codec;
    if (codec == meta::Uncompressed) {
        if (compressedPart != uncompressedPart)
            fail(plan_, "an uncompressed page stores " + std::to_string(compressedPart) + " bytes but declares " + std::to_string(uncompressedPart));
        return body + offset;
    }
    buffer.resize(uncompressedPart);
    if (uncompressedPart > 0) decompress(codec, body + offset, compressedPart, buffer.data(), uncompressedPart);
    return buffer.data();
}

void ChunkReader::readDictionary(const meta::PageHeader& header, const uint8_t* body) {
    if (!header.dictionaryPage) fail(plan_, "a dictionary page has no dictionary page header");
    const meta::DictionaryPageHeader& d = *header.dictionaryPage;
    if (d.numValues < 0 || d.numValues > limits::kMaxValuesPerPage)
        fail(plan_, "the dictionary declares " + std::to_string(d.numValues) + " values");
    if (d.encoding != meta::Plain && d.encoding != meta::PlainDictionary)
        fail(plan_, std::string("the dictionary is encoded as ") + meta::encodingName(d.encoding) + ", expected PLAIN");
    const uint8_t* page = pageData(header, body, 0, header.compressedSize, header.uncompressedSize, dictionaryBuffer_);
    dictionary_.clear();
    decodeValues(plan_.physical, meta::Plain, page, header.uncompressedSize, d.numValues, dictionary_);
    dictionarySize_ = static_cast<size_t>(d.numValues);
    hasDictionary_ = true;
}

// Checks a data page's value count against the rows left in the row group and the values left of
// what the chunk declares, and counts them as read from the chunk.
int64_t ChunkReader::pageValues(int64_t numValues, int64_t rowsLeft) {
    if (numValues < 0 || numValues > rowsLeft || numValues > limits::kMaxValuesPerPage)
        fail(plan_, "a data page holds " + std::to_string(numValues) + " values where " + std::to_string(rowsLeft) + " rows remain in the row group");
    if (numValues > valuesLeft_)
        fail(plan_, "a data page holds " + std::to_string(numValues) + " values where " + std::to_string(valuesLeft_) + " of the " +
                        std::to_string(chunk_.metaData.numValues) + " values the column chunk declares remain");
    valuesLeft_ -= numValues;
    return numValues;
}

void ChunkReader::readDataPage(const meta::PageHeader& header, const uint8_t* body, ColumnFiller& filler, int64_t rowsLeft, int64_t& rowsRead) {
    if (!header.dataPage) fail(plan_, "a data page has no data page header");
    const meta::DataPageHeader& h = *header.dataPage;
    const size_t n = static_cast<size_t>(pageValues(h.numValues, rowsLeft));
    const uint8_t* page = pageData(header, body, 0, header.compressedSize, header.uncompressedSize, pageBuffer_);
    size_t size = static_cast<size_t>(header.uncompressedSize);
    const uint8_t* levels = nullptr;
    if (plan_.maxDefinition > 0) {
        levels_.resize(n);
        if (h.definitionLevelEncoding == meta::BitPacked) {
            const size_t bytes = (n + 7) / 8;
            if (bytes > size) fail(plan_, "the bit-packed definition levels are cut off");
            for (size_t i = 0; i < n; ++i) levels_[i] = (page[i >> 3] >> (7 - (i & 7))) & 1;   // most significant bit first
            page += bytes;
            size -= bytes;
        } else {
            if (size < 4) fail(plan_, "the definition levels' length is cut off");
            const uint32_t length = loadLittleEndian32(page);
            if (length > size - 4) fail(plan_, "the definition levels declare " + std::to_string(length) + " bytes, the page holds " + std::to_string(size - 4));
            RleDecoder(page + 4, length, 1, "definition levels").decode(levels_.data(), n);
            page += 4 + length;
            size -= 4 + length;
        }
        levels = levels_.data();
    }
    decodePage(h.encoding, page, size, levels, n, filler);
    rowsRead += h.numValues;
}

void ChunkReader::readDataPageV2(const meta::PageHeader& header, const uint8_t* body, ColumnFiller& filler, int64_t rowsLeft, int64_t& rowsRead) {
    if (!header.dataPageV2) fail(plan_, "a data page has no version 2 data page header");
    const meta::DataPageHeaderV2& h = *header.dataPageV2;
    const size_t n = static_cast<size_t>(pageValues(h.numValues, rowsLeft));
    const int64_t levelBytes = int64_t{h.definitionLevelsByteLength} + h.repetitionLevelsByteLength;
    if (h.definitionLevelsByteLength < 0 || h.repetitionLevelsByteLength < 0 || levelBytes > header.compressedSize || levelBytes > header.uncompressedSize)
        fail(plan_, "the page's level lengths (" + std::to_string(h.repetitionLevelsByteLength) + " and " +
                        std::to_string(h.definitionLevelsByteLength) + " bytes) exceed the page");
    const uint8_t* levels = nullptr;
    if (plan_.maxDefinition > 0) {
        levels_.resize(n);
        if (h.definitionLevelsByteLength == 0 && (h.numNulls == h.numValues || h.numNulls == 0)) {
            // Some writers leave the levels out when the page's null count already says everything.
            std::fill(levels_.begin(), levels_.end(), static_cast<uint8_t>(h.numNulls == 0 ? plan_.maxDefinition : 0));
        } else {
            RleDecoder(body + h.repetitionLevelsByteLength, h.definitionLevelsByteLength, 1, "definition levels").decode(levels_.data(), n);
        }
        levels = levels_.data();
    }
    const size_t stored = header.compressedSize - levelBytes, declared = header.uncompressedSize - levelBytes;
    const uint8_t* values = h.isCompressed ? pageData(header, body, levelBytes, stored, declared, pageBuffer_) : body + levelBytes;
    if (!h.isCompressed && stored != declared)
        fail(plan_, "an uncompressed page stores " + std::to_string(stored) + " bytes but declares " + std::to_string(declared));
    decodePage(h.encoding, values, declared, levels, n, filler);
    rowsRead += h.numValues;
}

void ChunkReader::decodePage(int32_t encoding, const uint8_t* values, size_t size, const uint8_t* levels, size_t numValues, ColumnFiller& filler) {
    size_t present = numValues;
    if (levels) present = static_cast<size_t>(std::count(levels, levels + numValues, static_cast<uint8_t>(plan_.maxDefinition)));
    values_.clear();
    if (encoding == meta::PlainDictionary || encoding == meta::RleDictionary) {
        if (!hasDictionary_ && present > 0) fail(plan_, "a dictionary-encoded page has no dictionary");
        decodeDictionaryIndices(plan_.physical, dictionary_, dictionarySize_, values, size, present, values_, indices_);
    } else {
        decodeValues(plan_.physical, encoding, values, size, present, values_);
    }
    filler.append(values_, levels, numValues);
}

}  // namespace tablix
