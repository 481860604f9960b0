// Reading forms that our writer never produces and the outside files may not cover, from pages
// built by hand.
#include <gtest/gtest.h>

#include "FileBuilder.h"
#include "TestSupport.h"
#include "tablix/ValueText.h"

namespace tablix::test {
namespace {

std::shared_ptr<IArrowTable> readBuffer(const std::vector<uint8_t>& bytes) {
    auto table = IArrowTable::create();
    table->readParquet(bytes.data(), bytes.size());
    return table;
}

Page rawPage(int32_t n, int32_t encoding, std::vector<uint8_t> body, int32_t levelEncoding = meta::Rle) {
    Page p;
    p.body = std::move(body);
    p.header.type = meta::DataPage;
    p.header.dataPage = meta::DataPageHeader{n, encoding, levelEncoding, meta::Rle};
    p.header.uncompressedSize = p.header.compressedSize = static_cast<int32_t>(p.body.size());
    return p;
}

std::vector<uint8_t> int96(uint64_t nanosOfDay, int32_t julianDay) {
    std::vector<uint8_t> v;
    put(v, nanosOfDay);
    put(v, julianDay);
    return v;
}

TEST(Reader, Int96KeepsNanosecondsAndFallsBackToMicrosecondsOutOfRange) {
    const int32_t y2000 = 2451545;
    auto values = int96(1, y2000);
    auto table = readBuffer(buildFile(meta::Int96, 1, {dataPage(1, meta::Plain, values)}));
    EXPECT_EQ(Timestamp, table->columnType(0));
    EXPECT_EQ("2000-01-01T00:00:00.000000001", toText(table->value(0, 0)));

    const auto ancient = int96(1500, 0);   // 4713 BC: beyond 64-bit nanoseconds
    values.insert(values.end(), ancient.begin(), ancient.end());
    table = readBuffer(buildFile(meta::Int96, 2, {dataPage(2, meta::Plain, values)}));
    EXPECT_EQ(TimeUnit::Micros, table->value(0, 0).unit);
    EXPECT_EQ(946684800000000, table->value(0, 0).integer);
    EXPECT_EQ((int64_t{0} - 2440588) * 86400000000 + 1, table->value(0, 1).integer);
}

// A writer counting 64-bit microseconds wrapped past their end on the way to a day and a time of
// day: 290000-06-15T12:00:00.5 became Julian day -105862430 and -72109051616000 nanoseconds.
TEST(Reader, Int96OfWritersCountingMicrosecondsGivesTheInstantMeant) {
    auto values = int96(static_cast<uint64_t>(int64_t{-72109051616000}), -105862430);
    const auto y2000 = int96(1000, 2451545);
    values.insert(values.end(), y2000.begin(), y2000.end());
    const auto table = readBuffer(buildFile(meta::Int96, 2, {dataPage(2, meta::Plain, values)}));
    EXPECT_EQ(9089363246400500000, table->value(0, 0).integer);
    EXPECT_EQ("+290000-06-15T12:00:00.500000", toText(table->value(0, 0)));
    EXPECT_EQ("2000-01-01T00:00:00.000001", toText(table->value(0, 1)));
}

TEST(Reader, BitPackedDefinitionLevelsOfOldWriters) {
    std::vector<uint8_t> body = {0xA0};   // levels 1, 0, 1, most significant bit first
    const auto values = int32Values({7, 9});
    body.insert(body.end(), values.begin(), values.end());
    const auto table = readBuffer(buildFile(meta::Int32, 3, {rawPage(3, meta::Plain, body, meta::BitPacked)}));
    EXPECT_EQ(7, table->value(0, 0).integer);
    EXPECT_TRUE(table->value(0, 1).isNull);
    EXPECT_EQ(9, table->value(0, 2).integer);
}

TEST(Reader, DeltaByteArrayBuildsOnThePreviousValue) {
    // Definition levels (all present), prefix lengths 0 3 0, suffix lengths 5 1 5, then the suffixes.
    std::vector<uint8_t> body = {2, 0, 0, 0, 0x06, 0x01};
    const std::vector<uint8_t> prefixes = {0x80, 0x01, 0x04, 0x03, 0x00, 0x05, 0x03, 0x00, 0x00, 0x00, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<uint8_t> lengths = {0x80, 0x01, 0x04, 0x03, 0x0A, 0x07, 0x04, 0x00, 0x00, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::string suffixes = "hellopworld";
    body.insert(body.end(), prefixes.begin(), prefixes.end());
    body.insert(body.end(), lengths.begin(), lengths.end());
    body.insert(body.end(), suffixes.begin(), suffixes.end());
    const auto table = readBuffer(buildFile(meta::ByteArray, 3, {rawPage(3, meta::DeltaByteArray, body)}));
    EXPECT_EQ("hello", toText(table->value(0, 0)));
    EXPECT_EQ("help", toText(table->value(0, 1)));
    EXPECT_EQ("world", toText(table->value(0, 2)));

    body[body.size() - suffixes.size() - lengths.size() - prefixes.size() + 10] = 0x38;   // a negative prefix length for "help"
    EXPECT_THROW(readBuffer(buildFile(meta::ByteArray, 3, {rawPage(3, meta::DeltaByteArray, body)})), Exception);
}

TEST(Reader, DictionaryPageAndIndicesOfZeroWidth) {
    const std::vector<uint8_t> indices = {0, 0x06};   // bit width 0, one RLE run of three
    auto levels = dataPage(3, meta::Plain, {});
    levels.body.insert(levels.body.end(), indices.begin(), indices.end());
    levels.header.dataPage->encoding = meta::PlainDictionary;
    levels.header.uncompressedSize = levels.header.compressedSize = static_cast<int32_t>(levels.body.size());
    const auto table = readBuffer(buildFile(meta::Int32, 3, {dictionaryPage({42}), levels}));
    for (int64_t r = 0; r < 3; ++r) EXPECT_EQ(42, table->value(0, r).integer);
}

TEST(Reader, Version2PageOfNullsWithoutLevelsOrValues) {
    Page p;
    p.header.type = meta::DataPageV2;
    p.header.dataPageV2 = meta::DataPageHeaderV2{2, 2, 2, meta::Plain, 0, 0, true};
    p.header.uncompressedSize = p.header.compressedSize = 0;
    const auto table = readBuffer(buildFile(meta::Float, 2, {p}, meta::Snappy));
    EXPECT_EQ(2, table->rowCount());
    EXPECT_TRUE(table->value(0, 0).isNull);
    EXPECT_TRUE(table->value(0, 1).isNull);
}

TEST(Reader, ByteArrayDecimalsOfAnyWidth) {
    std::vector<uint8_t> values;
    const auto add = [&](std::vector<uint8_t> bytes) {
        put(values, static_cast<uint32_t>(bytes.size()));
        values.insert(values.end(), bytes.begin(), bytes.end());
    };
    add({0x01, 0x00});                          // 256
    add(std::vector<uint8_t>(17, 0xFF));        // -1 in 17 bytes
    add({0xFE});                                // -2
    std::vector<uint8_t> wide(17, 0);
    wide[8] = 1;                                // 2^64
    add(wide);
    const auto table = readBuffer(buildFile(meta::ByteArray, 4, {dataPage(4, meta::Plain, values)}, meta::Uncompressed,
                                            [](meta::FileMetaData& m) {
                                                m.schema[1].convertedType = meta::Decimal;
                                                m.schema[1].scale = 2;
                                                m.schema[1].precision = 40;
                                            }));
    ASSERT_EQ(Double, table->columnType(0));
    EXPECT_DOUBLE_EQ(2.56, table->value(0, 0).number);
    EXPECT_DOUBLE_EQ(-0.01, table->value(0, 1).number);
    EXPECT_DOUBLE_EQ(-0.02, table->value(0, 2).number);
    EXPECT_DOUBLE_EQ(18446744073709551616.0 / 100, table->value(0, 3).number);
}

}  // namespace
}  // namespace tablix::test
