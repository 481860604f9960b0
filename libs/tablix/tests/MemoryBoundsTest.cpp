// A few bytes of run lengths, dictionary references or shared prefixes can stand for gigabytes of
// table. Files that declare more than their size allows fail with a message before the memory is
// taken; real tables of nulls and repeated values still read.
#include <gtest/gtest.h>

#include <string>

#include "Codecs.h"
#include "FileBuilder.h"
#include "TestSupport.h"

namespace tablix::test {
namespace {

constexpr int32_t kRunOf2e28 = 1 << 28;

std::string readError(const std::vector<uint8_t>& bytes) {
    auto table = IArrowTable::create();
    try {
        table->readParquet(bytes.data(), bytes.size());
    } catch (const Exception& e) {
        return e.what();
    }
    return "read without an error";
}

// A dictionary page of one string of `length` bytes, compressed with ZSTD.
Page compressedDictionary(size_t length) {
    Page p;
    std::vector<uint8_t> plain;
    put(plain, static_cast<uint32_t>(length));
    plain.resize(plain.size() + length, 'x');
    compress(meta::Zstd, plain.data(), plain.size(), p.body);
    p.header.type = meta::DictionaryPage;
    p.header.dictionaryPage = meta::DictionaryPageHeader{1, meta::Plain};
    p.header.uncompressedSize = static_cast<int32_t>(plain.size());
    p.header.compressedSize = static_cast<int32_t>(p.body.size());
    return p;
}

// A data page of `n` present values, each index 0 of the dictionary, compressed with ZSTD.
Page compressedIndexPage(int32_t n) {
    Page p = dataPage(n, meta::RleDictionary, {0, 0x80, 0x80, 0x80, 0x01});   // bit width 0, one RLE run of 2^20
    std::vector<uint8_t> z;
    compress(meta::Zstd, p.body.data(), p.body.size(), z);
    p.body = z;
    p.header.compressedSize = static_cast<int32_t>(z.size());
    return p;
}

// DELTA_BYTE_ARRAY: the first value brings `length` bytes, every later one repeats them as its prefix.
Page sharedPrefixPage(int32_t n, int64_t length) {
    std::vector<int64_t> prefixes(n, length), suffixes(n, 0);
    prefixes[0] = 0;
    suffixes[0] = length;
    std::vector<uint8_t> values = deltaBinaryPacked(prefixes);
    const std::vector<uint8_t> lengths = deltaBinaryPacked(suffixes);
    values.insert(values.end(), lengths.begin(), lengths.end());
    values.resize(values.size() + length, 'x');
    return dataPage(n, meta::DeltaByteArray, values);
}

TEST(MemoryBounds, DeclaredTablesBeyondTheFileSizeFailBeforeTheMemoryIsTaken) {
    const std::vector<uint8_t> oneRun = buildFile(meta::Int32, kRunOf2e28, {nullsPage(kRunOf2e28)});
    EXPECT_EQ(126u, oneRun.size());   // tests/fuzz/tablix/nulls-2e28-run.parquet
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    const Case cases[] = {
        {"one page of 2^28 nulls", oneRun, "declares 268435456 rows of 1 columns, which would take 1342177280 bytes, more than the"},
        {"four pages of 2^28 nulls",
         buildFile(meta::Double, 4 * int64_t{kRunOf2e28}, {nullsPage(kRunOf2e28), nullsPage(kRunOf2e28), nullsPage(kRunOf2e28), nullsPage(kRunOf2e28)}),
         "declares 1073741824 rows"},
        {"a chunk of 2^40 values",
         buildFile(meta::Int32, 3, {dataPage(3, meta::Plain, int32Values({7, 8, 9}))}, meta::Uncompressed,
                   [](meta::FileMetaData& m) { m.rowGroups[0].columns[0].metaData.numValues = int64_t{1} << 40; }),
         "declares 1099511627776 values, which need more than the"},
        {"2^20 references to a dictionary string of 1 MB",
         buildFile(meta::ByteArray, 1 << 20, {compressedDictionary((1 << 20) - 4), compressedIndexPage(1 << 20)}, meta::Zstd),
         "column c: its strings take more than the 268435456 bytes of memory that a file of"},
        {"4096 shared prefixes of 256 kB", buildFile(meta::ByteArray, 4096, {sharedPrefixPage(4096, 256 << 10)}),
         "DELTA_BYTE_ARRAY strings add up to 1073741824 bytes, more than a page of"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string error = readError(c.bytes);
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

TEST(MemoryBounds, RunsOfNullsAndRepeatedStringsWithinTheBoundRead) {
    constexpr int32_t kRows = 1 << 22;
    auto table = IArrowTable::create();
    const auto nulls = buildFile(meta::Double, kRows, {nullsPage(kRows)});
    table->readParquet(nulls.data(), nulls.size());
    ASSERT_EQ(kRows, table->rowCount());
    EXPECT_TRUE(table->value(0, kRows - 1).isNull);

    const auto repeated = buildFile(meta::ByteArray, 1 << 20, {compressedDictionary(100), compressedIndexPage(1 << 20)}, meta::Zstd);
    table->readParquet(repeated.data(), repeated.size());
    ASSERT_EQ(1 << 20, table->rowCount());
    EXPECT_EQ(std::string(100, 'x'), table->value(0, (1 << 20) - 1).text);

    const auto prefixes = buildFile(meta::ByteArray, 1000, {sharedPrefixPage(1000, 1000)});
    table->readParquet(prefixes.data(), prefixes.size());
    EXPECT_EQ(std::string(1000, 'x'), table->value(0, 999).text);
}

}  // namespace
}  // namespace tablix::test
