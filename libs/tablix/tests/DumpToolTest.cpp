// The parquet-dump tool on a file of our writer: schema lines and CSV rows.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "FileBuilder.h"
#include "FileIO.h"
#include "TestSupport.h"

namespace tablix::test {
namespace {

std::string runTool(const std::string& arguments, int& status) {
    FILE* pipe = popen((std::string(TABLIX_DUMP_TOOL) + " " + arguments + " 2>&1").c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    status = pclose(pipe);
    return out;
}

TEST(DumpTool, PrintsSchemaAndRowsAsCsv) {
    auto t = IArrowTable::create();
    const int32_t id = t->addColumn("id", Int32), name = t->addColumn("name", String), score = t->addColumn("score", Double),
                  big = t->addColumn("big", Int64);
    const char* names[] = {"plain", "with,comma", "", "say \"hi\""};
    for (int r = 0; r < 4; ++r) {
        Value v;
        v.isNull = false;
        v.type = Int32; v.integer = r; t->appendValue(id, v);
        v.type = String; v.text = names[r]; t->appendValue(name, v);
        if (r == 1) t->appendNull(score);
        else { v.type = Double; v.number = r + 0.5; t->appendValue(score, v); }
        v.type = Int64; v.integer = int64_t{1} << (40 + r); t->appendValue(big, v);
    }
    const std::string path = tempPath("dump.parquet");
    t->writeParquet(path);
    int status = 0;
    EXPECT_EQ("# schema: 4 columns, 4 rows, 1 row groups\n"
              "column,physical,logical,storage\n"
              "id,INT32,,2 int32\n"
              "name,BYTE_ARRAY,STRING,4 string\n"
              "score,DOUBLE,,1 double\n"
              "big,INT64,,5 int64\n"
              "# rows\n"
              "id,name,score,big\n"
              "0,plain,0.5,1099511627776\n"
              "1,\"with,comma\",,2199023255552\n"
              "2,\"\",2.5,4398046511104\n"
              "3,\"say \"\"hi\"\"\",3.5,8796093022208\n",
              runTool(path, status));
    EXPECT_EQ(0, status);
}

TEST(DumpTool, FailsWithTheReasonOnBadInput) {
    const std::string runOfNulls = tempPath("nulls-2e28-run.parquet");
    writeWholeFile(runOfNulls, buildFile(meta::Int32, 1 << 28, {nullsPage(1 << 28)}));
    const std::pair<std::string, std::string> cases[] = {
        {tempPath("missing.parquet"), "cannot open the file"},
        {testing::TempDir(), "it is a directory"},
        {runOfNulls, "declares 268435456 rows of 1 columns"},
    };
    for (const auto& [path, message] : cases) {
        int status = 0;
        const std::string out = runTool(path, status);
        EXPECT_EQ(1, WEXITSTATUS(status)) << path;
        EXPECT_NE(out.find(message), std::string::npos) << out;
    }
    int status = 0;
    EXPECT_NE(0, (runTool("", status), status));
}

}  // namespace
}  // namespace tablix::test
