// The Parquet files of other writers: flat columns must read to the values DuckDB reads, nested
// columns must be reported unsupported, and corrupt, encrypted or malformed files must fail with
// a message saying what is wrong.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "TestSupport.h"
#include "tablix/ValueText.h"

namespace tablix::test {
namespace {

namespace fs = std::filesystem;

// Files that must fail, with a fragment of the message each must give.
const std::vector<std::pair<std::string, std::string>> kFailing = {
    {"datapage_v1-corrupt-checksum.parquet", "fails its CRC check"},
    {"rle-dict-uncompressed-corrupt-checksum.parquet", "fails its CRC check"},
    {"bad_data/PARQUET-1481.parquet", "physical type -7"},
    {"bad_data/ARROW-RS-GH-6229-DICTHEADER.parquet", "malformed page header"},
    {"bad_data/ARROW-RS-GH-6229-LEVELS.parquet", "more values than the column chunk"},
    {"bad_data/ARROW-GH-41321.parquet", "definition levels"},
    {"bad_data/ARROW-GH-41317.parquet", "malformed file metadata"},
    {"bad_data/ARROW-GH-45185.parquet", "repetition levels start with 1"},
    {"bad_data/ARROW-GH-47662.parquet", "too short for 100 values"},
};

// Holds 2 GiB of strings in a nested column: read by the test of nested files, too slow for DuckDB here.
const char kHugeNestedFile[] = "large_string_map.brotli.parquet";

bool isFailing(const std::string& name) {
    for (const auto& [file, message] : kFailing)
        if (file == name) return true;
    return false;
}

class OutsideFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testDataDir();
        if (dir_.empty()) GTEST_SKIP() << "the outside Parquet test data (" << TABLIX_TESTDATA << ") is absent";
    }
    std::string dir_;
};

TEST_F(OutsideFiles, FailingFilesGiveTheirMessage) {
    for (const auto& [file, fragment] : kFailing) {
        SCOPED_TRACE(file);
        try {
            readFile(dir_ + "/" + file);
            ADD_FAILURE() << file << " was read without an error";
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(file.substr(file.find('/') + 1)), std::string::npos) << "the message names no file";
        }
    }
}

TEST_F(OutsideFiles, EncryptedFilesFailSayingSo) {
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        if (entry.path().extension() != ".encrypted") continue;
        ++seen;
        SCOPED_TRACE(entry.path().string());
        try {
            readFile(entry.path().string());
            ADD_FAILURE() << "an encrypted file was read";
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find("encrypted"), std::string::npos) << e.what();
        }
    }
    EXPECT_GT(seen, 0);
}

TEST_F(OutsideFiles, HugeNestedColumnIsUnsupportedWithoutDecompressing) {
    const auto table = readFile(dir_ + "/" + kHugeNestedFile);
    ASSERT_EQ(1, table->columnCount());
    EXPECT_EQ(Unsupported, table->columnType(0));
    EXPECT_EQ(2, table->rowCount());
}

TEST_F(OutsideFiles, ExpectedCsvFilesMatch) {
    for (const std::string name : {"delta_binary_packed", "delta_encoding_required_column"}) {
        SCOPED_TRACE(name);
        if (!fs::exists(dir_ + "/" + name + "_expect.csv")) continue;
        std::ifstream in(dir_ + "/" + name + "_expect.csv");
        std::stringstream text;
        text << in.rdbuf();
        const auto expected = parseCsv(text.str());
        const auto table = readFile(dir_ + "/" + name + ".parquet");
        ASSERT_EQ(static_cast<int64_t>(expected.size()) - 1, table->rowCount());
        ASSERT_EQ(expected[0].size(), static_cast<size_t>(table->columnCount()));
        for (int32_t c = 0; c < table->columnCount(); ++c) {
            std::string column = expected[0][c];   // one file's names end in ':', its CSV has stray spaces
            column.erase(0, column.find_first_not_of(' '));
            EXPECT_EQ(0u, table->columnName(c).rfind(column, 0)) << table->columnName(c);
            for (int64_t r = 0; r < table->rowCount(); ++r)
                ASSERT_EQ(expected[r + 1][c], toText(table->value(c, r))) << "column " << expected[0][c] << " row " << r;
        }
    }
}

// Every readable file against DuckDB's reading of it, column by column and value by value.
TEST_F(OutsideFiles, FlatColumnsMatchDuckDbAndNestedOnesAreUnsupported) {
    if (!oracleAvailable()) GTEST_SKIP() << "the DuckDB oracle is not installed (scripts/install-deps)";
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(dir_))
        if (entry.path().extension() == ".parquet" && !isFailing(entry.path().filename().string()) &&
            entry.path().filename() != kHugeNestedFile)
            files.push_back(entry.path().string());
    for (const auto& entry : fs::directory_iterator(dir_ + "/bad_data"))
        if (entry.path().extension() == ".parquet" && !isFailing("bad_data/" + entry.path().filename().string())) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    const std::vector<OracleAnswer> answers = oracleRead(files);
    ASSERT_EQ(files.size(), answers.size());
    int compared = 0;
    for (const OracleAnswer& answer : answers) {
        SCOPED_TRACE(answer.file);
        std::shared_ptr<IArrowTable> table;
        ASSERT_NO_THROW(table = readFile(answer.file));
        if (!answer.error.empty()) continue;   // nothing to compare with
        ASSERT_EQ(static_cast<int64_t>(answer.rows.size()), table->rowCount());
        ASSERT_EQ(answer.names.size(), static_cast<size_t>(table->columnCount()));
        for (int32_t c = 0; c < table->columnCount(); ++c) {
            SCOPED_TRACE(table->columnName(c));
            EXPECT_EQ(answer.names[c], table->columnName(c));
            const std::string& type = answer.types[c];
            if (table->columnType(c) == Unsupported) {
                const bool nested = type.find('[') != std::string::npos || type.rfind("STRUCT", 0) == 0 || type.rfind("MAP", 0) == 0;
                EXPECT_TRUE(nested) << "a column DuckDB reads as " << type << " is unsupported";
                for (int64_t r = 0; r < table->rowCount(); ++r) ASSERT_TRUE(table->value(c, r).isNull);
                continue;
            }
            for (int64_t r = 0; r < table->rowCount(); ++r) {
                const auto& theirs = answer.rows[r][c];
                if (type == "BLOB" && theirs && theirs->find("\\x") != std::string::npos) continue;   // escaped bytes
                ASSERT_TRUE(sameAsOracle(table->value(c, r), theirs, type))
                    << "row " << r << ": ours " << toText(table->value(c, r)) << ", DuckDB " << theirs.value_or("NULL") << " (" << type << ")";
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 100);
}

}  // namespace
}  // namespace tablix::test
