// Every limit the reader and writer apply, in one place. Sizes read from a file are checked
// against the file itself first; these bound what a file may ask for beyond that.
#pragma once

#include <cstdint>

namespace tablix::limits {

// Footer and metadata.
constexpr uint32_t kMaxFooterBytes = 64u << 20;
constexpr int kMaxThriftDepth = 64;                       // nesting of structs, lists and maps
constexpr int64_t kMaxThriftListSize = 1 << 24;           // elements of one list in the metadata
constexpr int64_t kMaxSchemaElements = 100000;
constexpr int64_t kMaxRowGroups = 1 << 20;
constexpr int64_t kMaxColumnChunks = 1 << 21;             // across all row groups of a file
constexpr int64_t kMaxKeyValues = 1 << 16;

// Pages.
constexpr int64_t kMaxPageHeaderBytes = 16 << 20;
constexpr int64_t kMaxPageBytes = 1ll << 30;              // compressed or decompressed size of one page
constexpr int64_t kMaxValuesPerPage = 1ll << 28;
// A decompressed page may not be this many times larger than its compressed form, unless it is
// small; guards against decompression bombs that declare a huge size.
constexpr int64_t kMaxCompressionRatio = 1024;
constexpr int64_t kSmallPageBytes = 1 << 20;
// Pages of nested columns are decompressed only to check their levels, up to this size.
constexpr int64_t kMaxLevelCheckPageBytes = 64 << 20;

// Table size as read into memory.
constexpr int64_t kMaxRows = 1ll << 31;
// The table read from a file may take this many bytes of memory per byte of the file, or
// kMinTableBytes for a smaller file. Run lengths, dictionary references and shared prefixes let a few
// bytes stand for millions of cells; real files of nulls or repeated values stay within this ratio.
constexpr uint64_t kMaxTableBytesPerFileByte = 4096;
constexpr uint64_t kMinTableBytes = 256ull << 20;
constexpr int64_t kMaxColumns = 1 << 16;
constexpr int32_t kMaxFixedLength = 1 << 24;
constexpr int32_t kMaxDecimalPrecision = 38;
constexpr int64_t kMaxDeltaBlockSize = 1 << 16;           // values per block of DELTA_BINARY_PACKED
constexpr int64_t kMaxDeltaMiniblocks = 1 << 10;

// Writer.
constexpr int64_t kWriterMaxRowGroupRows = 1ll << 26;
constexpr int64_t kWriterPageRows = 1 << 16;              // values per data page
constexpr int64_t kWriterPageBytes = 1 << 20;             // plain bytes that close a string page early
constexpr int64_t kWriterMaxDictionaryEntries = 1 << 16;  // beyond this a chunk falls back to PLAIN
constexpr int64_t kWriterMaxDictionaryBytes = 1 << 20;
// Rows of a chunk after which a dictionary that does not pay yet is given up (checked again at
// every doubling): enough for values that repeat to show, few for a key column to cost.
constexpr int64_t kWriterDictionarySampleRows = 8192;
constexpr int64_t kWriterMaxStatisticsBytes = 64;         // longer string min/max are left out

}  // namespace tablix::limits
