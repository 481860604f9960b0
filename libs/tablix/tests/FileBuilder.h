// Builds small Parquet files page by page, for tests of what our own writer never produces.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "Metadata.h"
#include "RleHybrid.h"

namespace tablix::test {

template <class T>
void put(std::vector<uint8_t>& out, T v) {
    const size_t at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, &v, sizeof(T));
}

struct Page {
    meta::PageHeader header;
    std::vector<uint8_t> body;
};

// A file of one optional column of `type` and one row group of `rows` rows holding `pages`;
// `tweak` may change the metadata before it is written.
inline std::vector<uint8_t> buildFile(int32_t type, int64_t rows, std::vector<Page> pages, int32_t codec = meta::Uncompressed,
                                      const std::function<void(meta::FileMetaData&)>& tweak = {}) {
    std::vector<uint8_t> file = {'P', 'A', 'R', '1'};
    meta::ColumnChunk chunk;
    chunk.metaData.type = type;
    chunk.metaData.path = {"c"};
    chunk.metaData.codec = codec;
    chunk.metaData.numValues = rows;
    chunk.metaData.dataPageOffset = 4;
    for (Page& p : pages) {
        if (p.header.type == meta::DictionaryPage) chunk.metaData.dictionaryPageOffset = static_cast<int64_t>(file.size());
        meta::serializePageHeader(p.header, file);
        file.insert(file.end(), p.body.begin(), p.body.end());
    }
    chunk.metaData.totalCompressedSize = static_cast<int64_t>(file.size()) - 4;
    meta::FileMetaData m;
    meta::SchemaElement root, column;
    root.name = "schema";
    root.numChildren = 1;
    column.name = "c";
    column.type = type;
    column.repetition = meta::Optional;
    m.schema = {root, column};
    m.numRows = rows;
    meta::RowGroup group;
    group.numRows = rows;
    group.columns = {chunk};
    m.rowGroups = {group};
    if (tweak) tweak(m);
    const size_t footer = file.size();
    meta::serializeFileMetaData(m, file);
    put(file, static_cast<uint32_t>(file.size() - footer));
    file.insert(file.end(), {'P', 'A', 'R', '1'});
    return file;
}

// A data page v1 of `n` present values: RLE definition levels (all 1) and the given value bytes.
inline Page dataPage(int32_t n, int32_t encoding, const std::vector<uint8_t>& values) {
    Page p;
    p.body.resize(4);
    RleEncoder levels(1, p.body);
    for (int32_t i = 0; i < n; ++i) levels.put(1);
    levels.flush();
    const uint32_t levelBytes = static_cast<uint32_t>(p.body.size() - 4);
    std::memcpy(p.body.data(), &levelBytes, 4);
    p.body.insert(p.body.end(), values.begin(), values.end());
    p.header.type = meta::DataPage;
    p.header.dataPage = meta::DataPageHeader{n, encoding, meta::Rle, meta::Rle};
    p.header.uncompressedSize = p.header.compressedSize = static_cast<int32_t>(p.body.size());
    return p;
}

// A data page v1 of `n` nulls: one RLE run of definition level 0, whatever `n` is.
inline Page nullsPage(int32_t n) {
    Page p = dataPage(0, meta::Plain, {});
    p.body.resize(4);
    for (uint64_t header = uint64_t(n) << 1; ; header >>= 7) {   // the run's header, then its value
        p.body.push_back(static_cast<uint8_t>(header >= 0x80 ? (header & 0x7F) | 0x80 : header));
        if (header < 0x80) break;
    }
    p.body.push_back(0);
    const uint32_t levelBytes = static_cast<uint32_t>(p.body.size() - 4);
    std::memcpy(p.body.data(), &levelBytes, 4);
    p.header.dataPage->numValues = n;
    p.header.uncompressedSize = p.header.compressedSize = static_cast<int32_t>(p.body.size());
    return p;
}

// DELTA_BINARY_PACKED integers in blocks of 128 deltas, each block one miniblock.
inline std::vector<uint8_t> deltaBinaryPacked(const std::vector<int64_t>& values) {
    constexpr size_t kBlock = 128;
    std::vector<uint8_t> out;
    const auto varint = [&](uint64_t v) {
        for (; v >= 0x80; v >>= 7) out.push_back(static_cast<uint8_t>(v | 0x80));
        out.push_back(static_cast<uint8_t>(v));
    };
    const auto zigzag = [](int64_t v) { return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63); };
    varint(kBlock);
    varint(1);
    varint(values.size());
    varint(zigzag(values.empty() ? 0 : values[0]));
    for (size_t start = 1; start < values.size(); start += kBlock) {
        std::vector<int64_t> deltas;
        for (size_t i = start; i < std::min(values.size(), start + kBlock); ++i) deltas.push_back(values[i] - values[i - 1]);
        const int64_t minDelta = *std::min_element(deltas.begin(), deltas.end());
        deltas.resize(kBlock, minDelta);
        uint64_t widest = 0;
        for (int64_t d : deltas) widest = std::max(widest, static_cast<uint64_t>(d - minDelta));
        const int width = bitWidthOf(widest);
        varint(zigzag(minDelta));
        out.push_back(static_cast<uint8_t>(width));
        const size_t at = out.size();
        out.resize(at + kBlock * width / 8);
        for (size_t i = 0; i < kBlock; ++i)
            for (int b = 0; b < width; ++b)
                if ((static_cast<uint64_t>(deltas[i] - minDelta) >> b) & 1) out[at + (i * width + b) / 8] |= static_cast<uint8_t>(1 << ((i * width + b) % 8));
    }
    return out;
}

inline std::vector<uint8_t> int32Values(std::initializer_list<int32_t> values) {
    std::vector<uint8_t> out;
    for (int32_t v : values) put(out, v);
    return out;
}

inline Page dictionaryPage(std::initializer_list<int32_t> values) {
    Page p;
    p.body = int32Values(values);
    p.header.type = meta::DictionaryPage;
    p.header.dictionaryPage = meta::DictionaryPageHeader{static_cast<int32_t>(values.size()), meta::Plain};
    p.header.uncompressedSize = p.header.compressedSize = static_cast<int32_t>(p.body.size());
    return p;
}

}  // namespace tablix::test
