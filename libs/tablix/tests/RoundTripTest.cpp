// Our writer read back by our reader.
#include <gtest/gtest.h>

#include <cmath>

#include "ParquetReader.h"
#include "TestSupport.h"
#include "tablix/ValueText.h"

namespace tablix::test {
namespace {

std::shared_ptr<IArrowTable> roundTrip(const IArrowTable& table) {
    const std::vector<uint8_t> bytes = table.writeParquetBuffer();
    auto back = IArrowTable::create();
    back->readParquet(bytes.data(), bytes.size());
    return back;
}

void expectEqualTables(const IArrowTable& a, const IArrowTable& b) {
    ASSERT_EQ(a.rowCount(), b.rowCount());
    ASSERT_EQ(a.columnCount(), b.columnCount());
    for (int32_t c = 0; c < a.columnCount(); ++c) {
        EXPECT_EQ(a.columnName(c), b.columnName(c));
        EXPECT_EQ(a.columnType(c), b.columnType(c));
        for (int64_t r = 0; r < a.rowCount(); ++r) {
            const Value x = a.value(c, r), y = b.value(c, r);
            ASSERT_EQ(x.isNull, y.isNull) << a.columnName(c) << " row " << r;
            if (x.type == Double) {
                ASSERT_EQ(std::signbit(x.number), std::signbit(y.number));
            }
            ASSERT_EQ(toText(x), toText(y)) << a.columnName(c) << " row " << r;
        }
    }
}

TEST(RoundTrip, EveryTypeCodecAndEncoding) {
    auto t = IArrowTable::create();
    const int32_t d = t->addColumn("d", Double), i = t->addColumn("i", Int32), l = t->addColumn("l", Int64),
                  s = t->addColumn("s", String), many = t->addColumn("many distinct", String);
    std::vector<std::string> texts;
    for (int r = 0; r < 70000; ++r) texts.push_back("row " + std::to_string(r) + std::string(r % 17, 'x'));
    for (int r = 0; r < 70000; ++r) {
        r % 9 == 0 ? t->appendNull(d) : t->appendValue(d, number(r == 1 ? NAN : r == 2 ? -0.0 : r / 3.0));
        r % 8 == 0 ? t->appendNull(i) : t->appendValue(i, integer(Int32, r % 2 ? -r : r));
        t->appendValue(l, integer(Int64, static_cast<int64_t>(r) << 33));
        r % 10 == 0 ? t->appendNull(s) : t->appendValue(s, text(r % 4 ? "même" : ""));
        t->appendValue(many, text(texts[r]));
    }
    for (Compression codec : {Compression::Uncompressed, Compression::Snappy, Compression::Gzip, Compression::Zstd,
                              Compression::Lz4Raw, Compression::Brotli})
        for (bool dictionary : {true, false}) {
            SCOPED_TRACE(static_cast<int>(codec) * 2 + dictionary);
            t->setWriteOptions(WriteOptions{codec, 30000, dictionary});
            expectEqualTables(*t, *roundTrip(*t));
        }
}

TEST(RoundTrip, EmptyTablesAndColumns) {
    auto t = IArrowTable::create();
    expectEqualTables(*t, *roundTrip(*t));
    t->addColumn("a", Int32);
    t->addColumn("b", String);
    expectEqualTables(*t, *roundTrip(*t));
    t->appendNull(0);
    t->appendNull(1);
    expectEqualTables(*t, *roundTrip(*t));
}

TEST(RoundTrip, FilesOnDiskAndTheirErrors) {
    auto t = IArrowTable::create();
    t->appendValue(t->addColumn("x", Int64), integer(Int64, 42));
    const std::string path = tempPath("disk.parquet");
    t->writeParquet(path);
    EXPECT_EQ(42, readFile(path)->value(0, 0).integer);
    try {
        readFile(path + ".missing");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("cannot open the file"), std::string::npos);
        EXPECT_NE(e.whatW().find(L".missing"), std::wstring::npos);
    }
    EXPECT_THROW(t->writeParquet("/nonexistent-dir/x.parquet"), Exception);
    try {
        readFile(tempPath("données-✓.parquet"));   // the wide message carries the name's characters
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_NE(e.whatW().find(L"données-\u2713.parquet"), std::wstring::npos);
    }
}

TEST(Table, RejectsWhatCannotBeStored) {
    auto t = IArrowTable::create();
    EXPECT_THROW(t->addColumn("d", Date), Exception);
    const int32_t i = t->addColumn("i", Int32);
    EXPECT_THROW(t->appendValue(i, integer(Int64, int64_t{1} << 40)), Exception);
    EXPECT_THROW(t->appendValue(i, text("x")), Exception);
    EXPECT_THROW(t->columnName(5), Exception);
    EXPECT_THROW(t->value(0, 0), Exception);
    t->addColumn("s", String);
    t->appendValue(i, integer(Int32, 1));
    EXPECT_THROW(t->writeParquetBuffer(), Exception);   // columns of unequal length
}

TEST(Table, HandedOutColumnsStayUnchanged) {
    auto t = IArrowTable::create();
    const int32_t i = t->addColumn("i", Int32);
    t->appendValue(i, integer(Int32, 1));
    const auto before = t->columnData(i);
    t->appendValue(i, integer(Int32, 2));
    EXPECT_EQ(1, before->size());
    EXPECT_EQ(2, t->columnData(i)->size());
}

TEST(ValueText, Iso8601AndNumbers) {
    Value v = integer(Date, -1);
    EXPECT_EQ("1969-12-31", toText(v));
    v = integer(Timestamp, -1500);
    v.unit = TimeUnit::Millis;
    EXPECT_EQ("1969-12-31T23:59:58.500", toText(v));
    v.utc = true;
    v.unit = TimeUnit::Nanos;
    v.integer = 951782400000000001;
    EXPECT_EQ("2000-02-29T00:00:00.000000001Z", toText(v));
    v = integer(Time, 3723000001);
    v.unit = TimeUnit::Micros;
    EXPECT_EQ("01:02:03.000001", toText(v));
    EXPECT_EQ("0.1", toText(number(0.1)));
    EXPECT_EQ("18446744073709551615", toText(integer(UInt64, -1)));
}

}  // namespace
}  // namespace tablix::test

namespace tablix::test {
namespace {

// A large table is written in row groups of a bounded size by default, not as one group.
TEST(RoundTrip, LargeTablesAreWrittenInBoundedRowGroups) {
    auto table = IArrowTable::create();
    auto column = std::make_shared<ColumnData>(Int32);
    for (int32_t i = 0; i < 300000; ++i) column->appendInteger(i);
    table->addColumn("i", column);
    const std::vector<uint8_t> bytes = table->writeParquetBuffer();
    EXPECT_EQ(3u, openParquet(bytes.data(), bytes.size()).metadata.rowGroups.size());
    auto back = IArrowTable::create();
    back->readParquet(bytes.data(), bytes.size());
    expectEqualTables(*table, *back);
}

// Written in parts, a table gives the file it gives written whole when each part fills row groups,
// and its rows in any case; a part whose columns differ from the first part's is refused.
TEST(RoundTrip, TablesWrittenInPartsGiveTheirRows) {
    auto whole = IArrowTable::create();
    whole->setWriteOptions(WriteOptions{Compression::Snappy, 1000, true});
    const std::vector<std::string> names = {"i", "s", "d"};
    std::vector<std::shared_ptr<ColumnData>> all = {std::make_shared<ColumnData>(Int32), std::make_shared<ColumnData>(String),
                                                    std::make_shared<ColumnData>(Double)};
    auto fill = [](std::vector<std::shared_ptr<ColumnData>>& columns, int32_t from, int32_t to) {
        for (int32_t r = from; r < to; ++r) {
            columns[0]->appendInteger(r);
            r % 5 == 0 ? columns[1]->appendNull() : columns[1]->appendString("text " + std::to_string(r % 70));
            columns[2]->appendDouble(r / 4.0);
        }
    };
    fill(all, 0, 3500);
    for (size_t c = 0; c < names.size(); ++c) whole->addColumn(names[c], all[c]);
    const std::vector<uint8_t> wholeBytes = whole->writeParquetBuffer();
    for (const std::vector<int32_t>& cuts : {std::vector<int32_t>{0, 1000, 2000, 3000, 3500}, std::vector<int32_t>{0, 700, 2000, 3500}}) {
        auto writer = IParquetWriter::create(WriteOptions{Compression::Snappy, 1000, true});
        for (size_t part = 0; part + 1 < cuts.size(); ++part) {
            std::vector<std::shared_ptr<ColumnData>> columns = {std::make_shared<ColumnData>(Int32), std::make_shared<ColumnData>(String),
                                                                std::make_shared<ColumnData>(Double)};
            fill(columns, cuts[part], cuts[part + 1]);
            writer->write(names, {columns.begin(), columns.end()});
        }
        const std::vector<uint8_t> bytes = writer->finish();
        if (cuts[1] == 1000) {
            EXPECT_EQ(wholeBytes, bytes);
        }
        auto back = IArrowTable::create();
        back->readParquet(bytes.data(), bytes.size());
        expectEqualTables(*whole, *back);
    }
    auto writer = IParquetWriter::create();
    writer->write(names, {all.begin(), all.end()});
    EXPECT_THROW(writer->write({"i", "s", "other"}, {all.begin(), all.end()}), Exception);
    EXPECT_THROW(writer->write(names, {all[0], all[2], all[1]}), Exception);
}

}  // namespace
}  // namespace tablix::test
