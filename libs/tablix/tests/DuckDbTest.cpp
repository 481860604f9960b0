// Our writer against DuckDB as the reader, and DuckDB's writer against our reader.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "FileIO.h"
#include "TestSupport.h"
#include "tablix/ValueText.h"

namespace tablix::test {
namespace {

class DuckDb : public ::testing::Test {
protected:
    void SetUp() override {
        if (!oracleAvailable()) GTEST_SKIP() << "the DuckDB oracle is not installed (scripts/install-deps)";
    }
};

// A table of every writable type with nulls, repeated strings (dictionary) and edge values.
std::shared_ptr<IArrowTable> sampleTable(int64_t rows) {
    auto t = IArrowTable::create();
    const int32_t d = t->addColumn("d", Double), i = t->addColumn("i", Int32), l = t->addColumn("l", Int64), s = t->addColumn("s", String);
    for (int64_t r = 0; r < rows; ++r) {
        Value v;
        v.isNull = false;
        if (r % 7 == 3) t->appendNull(d);
        else { v.type = Double; v.number = r == 1 ? -0.0 : r == 2 ? 1e308 : r * 0.25 - 100; t->appendValue(d, v); }
        if (r % 5 == 4) t->appendNull(i);
        else { v.type = Int32; v.integer = r == 0 ? INT32_MIN : r == 1 ? INT32_MAX : r * 3 - 50; t->appendValue(i, v); }
        if (r % 11 == 10) t->appendNull(l);
        else { v.type = Int64; v.integer = r == 0 ? INT64_MIN : r == 1 ? INT64_MAX : r * 1000000007LL; t->appendValue(l, v); }
        if (r % 13 == 12) { t->appendNull(s); continue; }
        static const std::string words[] = {"", "alpha", "Ünïcødé ✓", "with,comma", "quote\"d", "line\nbreak"};
        const std::string text = r % 3 == 0 ? words[r / 3 % 6] : "value-" + std::to_string(r % 50);
        v.type = String;
        v.text = text;
        t->appendValue(s, v);
    }
    return t;
}

void expectSameAsOracle(const IArrowTable& table, const OracleAnswer& answer) {
    ASSERT_TRUE(answer.error.empty()) << answer.error;
    ASSERT_EQ(static_cast<int64_t>(answer.rows.size()), table.rowCount());
    ASSERT_EQ(answer.names.size(), static_cast<size_t>(table.columnCount()));
    for (int32_t c = 0; c < table.columnCount(); ++c) {
        EXPECT_EQ(answer.names[c], table.columnName(c));
        for (int64_t r = 0; r < table.rowCount(); ++r)
            ASSERT_TRUE(sameAsOracle(table.value(c, r), answer.rows[r][c], answer.types[c]))
                << table.columnName(c) << " row " << r << ": ours " << toText(table.value(c, r)) << ", DuckDB "
                << answer.rows[r][c].value_or("NULL");
    }
}

TEST_F(DuckDb, ReadsOurFilesWithEveryCodecAndEncoding) {
    const auto table = sampleTable(3000);
    struct Case { const char* name; Compression codec; bool dictionary; int64_t groupRows; };
    const Case cases[] = {
        {"snappy-dict", Compression::Snappy, true, 1 << 20}, {"uncompressed-plain", Compression::Uncompressed, false, 1 << 20},
        {"gzip", Compression::Gzip, true, 1000},         {"zstd-plain", Compression::Zstd, false, 777},
        {"lz4raw", Compression::Lz4Raw, true, 1 << 20},  {"brotli", Compression::Brotli, true, 2999},
    };
    std::vector<std::string> files;
    for (const Case& c : cases) {
        table->setWriteOptions(WriteOptions{c.codec, c.groupRows, c.dictionary});
        files.push_back(tempPath(std::string(c.name) + ".parquet"));
        table->writeParquet(files.back());
    }
    const auto answers = oracleRead(files);
    for (size_t i = 0; i < answers.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        expectSameAsOracle(*table, answers[i]);
        EXPECT_EQ((std::vector<std::string>{"DOUBLE", "INTEGER", "BIGINT", "VARCHAR"}), answers[i].types);
    }
}

// A second reader, written independently of DuckDB and of us, reads the same files alike.
TEST_F(DuckDb, HyparquetReadsOurFilesToo) {
    const auto table = sampleTable(2000);
    std::vector<std::string> files;
    for (Compression codec : {Compression::Uncompressed, Compression::Snappy, Compression::Gzip, Compression::Zstd,
                              Compression::Lz4Raw, Compression::Brotli})
        for (bool dictionary : {true, false}) {
            table->setWriteOptions(WriteOptions{codec, 700, dictionary});
            files.push_back(tempPath("hyparquet-" + std::to_string(files.size()) + ".parquet"));
            table->writeParquet(files.back());
        }
    const auto answers = hyparquetRead(files);
    const std::string types[] = {"DOUBLE", "INTEGER", "BIGINT", "VARCHAR"};
    for (const OracleAnswer& answer : answers) {
        SCOPED_TRACE(answer.file);
        ASSERT_TRUE(answer.error.empty()) << answer.error;
        ASSERT_EQ(static_cast<int64_t>(answer.rows.size()), table->rowCount());
        for (int32_t c = 0; c < table->columnCount(); ++c)
            for (int64_t r = 0; r < table->rowCount(); ++r)
                ASSERT_TRUE(sameAsOracle(table->value(c, r), answer.rows[r][c], types[c]))
                    << table->columnName(c) << " row " << r << ": ours " << toText(table->value(c, r)) << ", hyparquet "
                    << answer.rows[r][c].value_or("NULL");
    }
}

TEST_F(DuckDb, WeReadWhatDuckDbWrites) {
    const std::string query =
        "SELECT i::INTEGER AS k, CASE WHEN i % 4 = 0 THEN NULL ELSE 'name' || (i % 37) END AS s, i::BIGINT * 1000003 AS big, "
        "i / 7.0 AS d, (i % 2 = 0) AS flag, DATE '2024-02-27' + i::INTEGER AS day, "
        "TIMESTAMP '1969-12-31 23:59:58.5' + to_microseconds(i * 1234567) AS ts, (i * 1.25)::DECIMAL(12,2) AS dec, "
        "i::UTINYINT AS tiny, (i * 100000)::UBIGINT AS ubig, i::FLOAT / 3 AS f FROM range(200) r(i)";
    const std::pair<const char*, const char*> cases[] = {
        {"default", ""}, {"zstd", "COMPRESSION zstd"}, {"gzip", "COMPRESSION gzip"},
        {"uncompressed", "COMPRESSION uncompressed"}, {"small-groups", "ROW_GROUP_SIZE 3"},
    };
    std::vector<std::string> files;
    for (const auto& [name, options] : cases) {
        files.push_back(tempPath(std::string("duckdb-") + name + ".parquet"));
        oracleWrite(files.back(), query, options);
    }
    const auto answers = oracleRead(files);
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        const auto table = readFile(files[i]);
        expectSameAsOracle(*table, answers[i]);
        EXPECT_EQ(Int32, table->columnType(0));
        EXPECT_EQ(String, table->columnType(1));
        EXPECT_EQ(Int64, table->columnType(2));
        EXPECT_EQ(Date, table->columnType(5));
        EXPECT_EQ(Timestamp, table->columnType(6));
        EXPECT_EQ(Double, table->columnType(7));
        EXPECT_EQ(UInt64, table->columnType(9));
    }
}

// Read a row group at a time, DuckDB's groups (of uneven sizes, the last one short) give the rows of
// the whole read in turn, with the same types; a column held from one group keeps its cells while
// the table refills the others for the next, and a group beyond the file is refused.
TEST_F(DuckDb, RowGroupsReadOneAtATimeGiveTheWholeFile) {
    const std::string file = tempPath("duckdb-groups.parquet");
    oracleWrite(file,
                "SELECT i::INTEGER AS k, CASE WHEN i % 4 = 0 THEN NULL ELSE 'name' || (i % 37) || repeat('x', i % 200) END AS s, "
                "i / 7.0 AS d, TIMESTAMP '2024-01-01' + to_microseconds(i * 1000) AS ts FROM range(5000) r(i)",
                "ROW_GROUP_SIZE 2048");
    const auto whole = readFile(file);
    const std::vector<uint8_t> bytes = readWholeFile(file);
    auto groups = IArrowTable::create();
    groups->openParquet(bytes.data(), bytes.size());
    ASSERT_EQ(whole->columnCount(), groups->columnCount());
    ASSERT_GT(groups->rowGroupCount(), 1);
    EXPECT_EQ(0, groups->rowCount());
    int64_t at = 0;
    std::shared_ptr<const ColumnData> heldStrings;
    std::vector<std::string> heldTexts;
    for (int32_t g = 0; g < groups->rowGroupCount(); ++g) {
        groups->readRowGroup(g);
        for (int32_t c = 0; c < whole->columnCount(); ++c) {
            ASSERT_EQ(whole->columnType(c), groups->columnType(c));
            for (int64_t r = 0; r < groups->rowCount(); ++r)
                ASSERT_EQ(toText(whole->value(c, at + r)), toText(groups->value(c, r))) << "group " << g << " column " << c << " row " << r;
        }
        if (g == 0) {
            heldStrings = groups->columnData(1);
            for (int64_t r = 0; r < heldStrings->size(); ++r) heldTexts.push_back(toText(heldStrings->value(r)));
        }
        at += groups->rowCount();
    }
    EXPECT_EQ(whole->rowCount(), at);
    for (int64_t r = 0; r < heldStrings->size(); ++r) ASSERT_EQ(heldTexts[size_t(r)], toText(heldStrings->value(r))) << r;
    EXPECT_THROW(groups->readRowGroup(groups->rowGroupCount()), Exception);
}

// Decimals of every physical type keep their exact shortest text beside their nearest double; a
// column then appended to by hand gives up the texts rather than leave rows without one.
TEST_F(DuckDb, DecimalsKeepTheirExactText) {
    const std::string file = tempPath("duckdb-decimals.parquet");
    oracleWrite(file,
                "SELECT * FROM (VALUES (-98765432109876543210.0123456789::DECIMAL(38,10), 12.30::DECIMAL(18,2), -0.0001::DECIMAL(9,4)), "
                "(NULL, NULL, NULL), (0.5::DECIMAL(38,10), -100::DECIMAL(18,2), 99999.9999::DECIMAL(9,4))) t(a, b, c)",
                "");
    const auto table = readFile(file);
    const std::vector<std::vector<std::string>> expected = {
        {"-98765432109876543210.0123456789", "", "0.5"}, {"12.3", "", "-100"}, {"-0.0001", "", "99999.9999"}};
    for (int32_t c = 0; c < 3; ++c) {
        const auto column = table->columnData(c);
        ASSERT_EQ(Double, column->type());
        ASSERT_TRUE(column->hasDecimalText()) << c;
        for (int64_t r = 0; r < 3; ++r) {
            EXPECT_EQ(expected[size_t(c)][size_t(r)], column->decimalText(r)) << c << " " << r;
            if (!column->isNull(r)) {
                EXPECT_EQ(std::stod(expected[size_t(c)][size_t(r)]), column->doubles()[size_t(r)]) << c << " " << r;
            }
        }
    }
    auto held = table->columnData(0);
    table->appendValue(0, number(1.5));
    EXPECT_TRUE(held->hasDecimalText());
    EXPECT_FALSE(table->columnData(0)->hasDecimalText());
}

// DuckDB reads the statistics of each column chunk as the values' minimum, maximum and null count.
TEST_F(DuckDb, StatisticsDescribeEachRowGroup) {
    const auto table = sampleTable(2500);
    const int64_t groupRows = 1000;
    table->setWriteOptions(WriteOptions{Compression::Snappy, groupRows, true});
    const std::string file = tempPath("statistics.parquet");
    table->writeParquet(file);
    const auto rows = oracleQuery("SELECT row_group_id, column_id, stats_min_value, stats_max_value, stats_null_count FROM parquet_metadata('" +
                                  file + "') ORDER BY row_group_id, column_id");
    ASSERT_EQ(12u, rows.size());
    for (const auto& row : rows) {
        const int64_t group = std::stoll(*row[0]);
        const int32_t column = std::stoi(*row[1]);
        SCOPED_TRACE(table->columnName(column) + " in row group " + *row[0]);
        std::optional<Value> lo, hi;
        int64_t nulls = 0;
        for (int64_t r = group * groupRows; r < std::min(table->rowCount(), (group + 1) * groupRows); ++r) {
            const Value v = table->value(column, r);
            if (v.isNull) { ++nulls; continue; }
            const auto less = [](const Value& a, const Value& b) {
                return a.type == Double ? a.number < b.number : a.type == String ? a.text < b.text : a.integer < b.integer;
            };
            if (!lo || less(v, *lo)) lo = v;
            if (!hi || less(*hi, v)) hi = v;
        }
        EXPECT_EQ(std::to_string(nulls), *row[4]);
        EXPECT_TRUE(sameAsOracle(*lo, row[2], "")) << toText(*lo) << " vs " << row[2].value_or("NULL");
        EXPECT_TRUE(sameAsOracle(*hi, row[3], "")) << toText(*hi) << " vs " << row[3].value_or("NULL");
    }
}

// Each column gets a dictionary exactly when it saves bytes, numbers included: the repeating
// columns are dictionary-encoded and come back from DuckDB with their values (-0 and 0 as
// separate entries), the key columns stay plain, and the file is smaller than without dictionaries
// and no larger than DuckDB's of the same values.
TEST_F(DuckDb, DictionaryWhereItSaves) {
    auto t = IArrowTable::create();
    const int32_t key = t->addColumn("key", Int32), id = t->addColumn("id", String), qty = t->addColumn("qty", Int32),
                  big = t->addColumn("big", Int64), price = t->addColumn("price", Double), region = t->addColumn("region", String),
                  same = t->addColumn("same", Int64);   // one value: indices of zero bits
    static const char* const kRegions[] = {"north", "south", "east", "west", "central"};
    for (int64_t r = 0; r < 20000; ++r) {
        const std::string idText = "S" + std::to_string(r);
        const double prices[] = {-0.0, 0.0, r % 300 * 0.37 + 1};
        t->appendValue(key, integer(Int32, r));
        t->appendValue(id, text(idText));
        if (r % 9 == 4) t->appendNull(qty);
        else t->appendValue(qty, integer(Int32, r * 31 % 50 - 10));
        t->appendValue(big, integer(Int64, (r % 17) * 1000000000007LL));
        t->appendValue(price, number(prices[r % 3 == 0 ? r / 3 % 2 : 2]));
        t->appendValue(region, text(kRegions[r % 5]));
        if (r % 7 == 0) t->appendNull(same);
        else t->appendValue(same, integer(Int64, -5));
    }
    const std::string ours = tempPath("dictionary.parquet"), plain = tempPath("dictionary-off.parquet"),
                      duckdb = tempPath("dictionary-duckdb.parquet");
    t->setWriteOptions(WriteOptions{Compression::Uncompressed, 8000, true});
    t->writeParquet(ours);
    t->setWriteOptions(WriteOptions{Compression::Uncompressed, 8000, false});
    t->writeParquet(plain);
    oracleWrite(duckdb, "SELECT * FROM read_parquet('" + plain + "')", "COMPRESSION uncompressed, ROW_GROUP_SIZE 8000");

    const auto answer = oracleRead({ours})[0];
    expectSameAsOracle(*t, answer);
    expectSameAsOracle(*readFile(ours), answer);   // and our reader too
    EXPECT_EQ((std::vector<std::string>{"INTEGER", "VARCHAR", "INTEGER", "BIGINT", "DOUBLE", "VARCHAR", "BIGINT"}), answer.types);
    const auto encodings = oracleQuery("SELECT path_in_schema, bool_and(contains(encodings, 'RLE_DICTIONARY')) FROM parquet_metadata('" +
                                       ours + "') GROUP BY path_in_schema ORDER BY min(column_id)");
    const std::vector<std::vector<std::optional<std::string>>> expected{
        {"key", "false"}, {"id", "false"}, {"qty", "true"}, {"big", "true"}, {"price", "true"}, {"region", "true"}, {"same", "true"}};
    EXPECT_EQ(expected, encodings);
    EXPECT_LT(std::filesystem::file_size(ours), std::filesystem::file_size(plain));
    EXPECT_LE(std::filesystem::file_size(ours), std::filesystem::file_size(duckdb));
}

// Version 2 files: data pages v2, DELTA_BINARY_PACKED, DELTA_LENGTH_BYTE_ARRAY and BYTE_STREAM_SPLIT.
TEST_F(DuckDb, WeReadDuckDbsVersion2Encodings) {
    const std::string file = tempPath("duckdb-v2.parquet");
    oracleWrite(file,
                "SELECT (i * 37 - 5000)::INTEGER AS k, (i::BIGINT << 40) - i AS big, md5(i::VARCHAR) AS s, i / 7.0 AS d, "
                "i::FLOAT / 3 AS f, CASE WHEN i % 3 = 0 THEN NULL ELSE 'p' || md5(i::VARCHAR) END AS n FROM range(5000) r(i)",
                "PARQUET_VERSION v2, ROW_GROUP_SIZE 2048");
    expectSameAsOracle(*readFile(file), oracleRead({file})[0]);
}

}  // namespace
}  // namespace tablix::test
