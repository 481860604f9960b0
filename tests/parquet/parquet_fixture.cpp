#include "parquet/parquet_fixture.hpp"

#include <filesystem>

namespace flk::test {
namespace {

std::filesystem::path& tablesDir() {
    static std::filesystem::path dir = std::filesystem::temp_directory_path() / ("flk-parquet-" + std::to_string(::getpid()));
    return dir;
}

}  // namespace

const std::vector<DuckDbTable>& duckDbTables() {
    static const std::vector<DuckDbTable> tables{
        {"orders", R"(SELECT * FROM (VALUES
            ('A1', 'Zoë', 12.5, 3::INTEGER, 5000000000::BIGINT, DATE '2024-03-04', TIMESTAMP '2024-12-31 10:00:00', true, 19.99::DECIMAL(10,2), '3.5', 'x'),
            ('A2', 'Bob', -2.75, -2::INTEGER, -7::BIGINT, DATE '2024-12-31', TIMESTAMP '2025-01-01 23:00:00', false, 0.5::DECIMAL(10,2), '-1e3', 'y'),
            ('A3', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 'z'),
            ('A4', 'Ann', 7.0, 1000::INTEGER, 42::BIGINT, DATE '2023-06-01', TIMESTAMP '2020-02-29 12:34:56.789', true, 1234567.89::DECIMAL(10,2), 'abc', 'w'))
            t(id, customer, total, items, big, day, stamp, paid, amount, text, extra))"},
        {"lines", R"(SELECT * FROM (VALUES ('A1', 'apple', 3), ('A1', 'pear', 2), ('A2', 'plum', 9), ('A2', 'apple', 1))
            t("order", product, qty))"},
        {"wide", R"(SELECT * FROM (VALUES ('apple', 1, 2.5), ('pear', 3, NULL)) t(product, "2023", "2024"))"},
        {"nested", R"(SELECT * FROM (VALUES ('A1', [1, 2], {'a': 1}, 4.5), ('A2', NULL, NULL, 1.5), ('A3', [3], {'a': 2}, 2.5)) t(id, list, struct, total))"},
        {"texts", R"(SELECT * FROM (VALUES ('A1', '3.5'), ('A2', '-1e3'), ('A3', NULL), ('A4', ' 7.9 ')) t(id, text))"},
        {"wrapping", R"(SELECT * FROM (VALUES ('A1', 1::BIGINT), ('A2', 2::BIGINT), ('A3', 2147483648::BIGINT)) t(id, items))"},
        {"empty", R"(SELECT 'A1' AS id, 1.5 AS total WHERE false)"},
        {"decimals", R"(SELECT * FROM (VALUES
            ('A1', 12345678901234567890.1234567891::DECIMAL(38,10), 1234567890123456.78::DECIMAL(18,2), 12345.6789::DECIMAL(9,4)),
            ('A2', -0.0000000001::DECIMAL(38,10), -0.50::DECIMAL(18,2), -0.5::DECIMAL(9,4)),
            ('A3', NULL, NULL, NULL),
            ('A4', 0::DECIMAL(38,10), 100::DECIMAL(18,2), 7::DECIMAL(9,4))) t(id, wide, money, small))"},
    };
    return tables;
}

void ParquetTest::SetUpTestSuite() {
    if (!tablix::test::oracleAvailable()) return;
    std::filesystem::create_directories(tablesDir());
    std::string sql;
    // Each branch of the union reaches the writer on its own, which closes a row group there.
    for (const DuckDbTable& t : duckDbTables())
        sql += "CREATE OR REPLACE TABLE t AS " + std::string(t.query) +
               "; COPY (SELECT * FROM t WHERE rowid < 2 UNION ALL SELECT * FROM t WHERE rowid >= 2) TO '" +
               (tablesDir() / (std::string(t.name) + ".parquet")).string() + "' (FORMAT parquet, ROW_GROUP_SIZE 2);";
    tablix::test::oracleQuery(sql + "SELECT 1");
}

void ParquetTest::TearDownTestSuite() { std::filesystem::remove_all(tablesDir()); }

std::wstring ParquetTest::duckDbFile(const std::string& table) { return (tablesDir() / (table + ".parquet")).wstring(); }

std::string ParquetTest::duckDbView(const std::wstring& file) {
    auto answers = tablix::test::oracleRead({toUtf8(file)});
    const tablix::test::OracleAnswer& a = answers.at(0);
    if (!a.error.empty()) return "<DuckDB: " + a.error + ">";
    std::string out;
    for (size_t c = 0; c < a.names.size(); ++c) out += (c ? ", " : "") + a.names[c] + " " + a.types[c];
    for (const auto& row : a.rows) {
        out += "\n";
        for (size_t c = 0; c < row.size(); ++c) out += (c ? ", " : "") + row[c].value_or("NULL");
    }
    return out;
}

}  // namespace flk::test
