// CSV files that other tools wrote, read through mappings and checked against what Python's own
// csv module reads from them; a table of mixed types written by pandas; and what we write, read
// back by pandas to the same values.
#include "csv/csv_fixture.hpp"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace flk::test {
namespace {

constexpr const char* kPython = "/usr/bin/python3";

class CsvOutsideFiles : public CsvTest {
protected:
    // What the script prints; "<failed>" when Python fails.
    std::string python(const std::string& script) {
        std::wstring file = this->file("oracle.py", script);
        std::string command = std::string(kPython) + " " + toUtf8(file) + " 2>&1";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
        std::string out;
        char buffer[4096];
        while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
        int status = pipe ? pclose(pipe.release()) : -1;
        return status == 0 ? out : "<failed> " + out;
    }
    bool hasPandas() { return python("import pandas\n") == ""; }
    std::string testdata(const std::string& name) {
        const char* root = std::getenv("FERROLINK_TESTDATA");
        std::string path = root ? std::string(root) + "/parquet-testing/" + name : "";
        return !path.empty() && std::filesystem::exists(path) ? path : "";
    }
    void SetUp() override {
        CsvTest::SetUp();
        if (!std::filesystem::exists(kPython)) GTEST_SKIP() << kPython << " is not installed";
    }
};

// Customers with every field quoted, a header name with a leading blank and a country with a comma.
TEST_F(CsvOutsideFiles, AQuotedCustomerTableReadsAsPythonsCsvModuleReadsIt) {
    std::string path = testdata("delta_encoding_required_column_expect.csv");
    if (path.empty()) GTEST_SKIP() << "the parquet-testing files are not in FERROLINK_TESTDATA";
    parameter(L"CustomerId", {L"p"}, molvo::Storage::String, std::wstring());
    ASSERT_EQ(addMapping("m", R"(<MolvoCSVMapping><CSVTableMapping>
          <CSVColumnMapping name="c_customer_sk" binds-to="p"/><CSVColumnMapping name="c_birth_country" maps-to="Label"/>
          <CSVColumnMapping name="c_birth_year" maps-to="Count"/><CSVColumnMapping name=" c_customer_id" maps-to="CustomerId"/>
        </CSVTableMapping></MolvoCSVMapping>)"), 1) << errorsJoined();
    ASSERT_EQ(ReadFromFile(fromUtf8(path).c_str(), L"m", 0, 0, 0), 1) << errorsJoined();
    std::string expected = python(R"(import csv
rows = list(csv.DictReader(open(")" + path + R"(", newline="", encoding="utf-8")))
for column, number in (("c_birth_country", False), ("c_birth_year", True), (" c_customer_id", False)):
    cells = [(r["c_customer_sk"], "%g" % float(r[column]) if number else r[column]) for r in rows]
    print(" ".join(k + "=" + v for k, v in cells if v not in ("", "0")))
)");
    EXPECT_EQ(contents(L"Label") + "\n" + contents(L"Count") + "\n" + contents(L"CustomerId") + "\n", expected);
    EXPECT_NE(contents(L"Label").find("=VIRGIN ISLANDS, U.S."), std::string::npos);
}

// 200 rows of 66 integer columns up to 64 bits, read into numbers by a pattern column and the
// row's iterative binding.
TEST_F(CsvOutsideFiles, AWideIntegerTableReadsAsPythonsCsvModuleReadsIt) {
    std::string path = testdata("delta_binary_packed_expect.csv");
    if (path.empty()) GTEST_SKIP() << "the parquet-testing files are not in FERROLINK_TESTDATA";
    set(L"Widths", L"w", {});
    parameter(L"Bits", {L"l", L"w"}, molvo::Storage::Numeric, 0.0);
    parameter(L"IntValue", {L"l"}, molvo::Storage::Numeric, 0.0);
    ASSERT_EQ(addMapping("m", R"x(<MolvoCSVMapping><CSVTableMapping iterative-binds-to="l" iterative-prefix="r">
          <CSVColumnMapping name-regex="bitwidth(.*)" name-binds-to="w" maps-to="Bits(l,w)"/>
          <CSVColumnMapping name="int_value" maps-to="IntValue"/></CSVTableMapping></MolvoCSVMapping>)x"), 1) << errorsJoined();
    ASSERT_EQ(ReadFromFile(fromUtf8(path).c_str(), L"m", 0, 0, 1), 1) << errorsJoined();
    std::string expected = python(R"(import csv
rows = list(csv.reader(open(")" + path + R"(", newline="")))
header = rows[0]
bits, ints = [], []
for i, row in enumerate(rows[1:], 1):
    for name, cell in zip(header, row):
        if float(cell) == 0: continue
        text = "%g" % float(int(cell))
        if name == "int_value": ints.append("r%d=%s" % (i, text))
        else: bits.append("r%d,%s=%s" % (i, name[len("bitwidth"):], text))
print(" ".join(bits))
print(" ".join(ints))
)");
    EXPECT_EQ(contents(L"Bits") + "\n" + contents(L"IntValue") + "\n", expected);
    EXPECT_EQ(model().card(L"Lines"), 200u);
}

const char* const kPandasTable = R"(import pandas as pd
table = pd.DataFrame({
    "product": ["apple", "pear, williams", 'fig "black"', "kiwi\nline", "caf\u00e9"],
    "price": [1.5, 0.1, float("nan"), -2.25e-05, 1e21],
    "count": [3, 0, 12, -4, 7],
    "label": ["red", "", "x,y", "multi\r\nline", "\u00fcn\u00efcode"],
})
)";

// pandas writes a table of text, numbers with a missing one, integers, and text with commas,
// quotes and line ends; we read it, write it, and pandas reads ours to the same values (a
// missing number, a 0 and an empty text being what the model leaves unstored).
TEST_F(CsvOutsideFiles, PandasAndWeReadWhatTheOtherWrites) {
    if (!hasPandas()) GTEST_SKIP() << "pandas is not installed for " << kPython;
    std::string theirs = toUtf8(path("pandas.csv")), ours = toUtf8(path("out.csv"));
    ASSERT_EQ(python(std::string(kPandasTable) + "table.to_csv(\"" + theirs + "\", index=False)\n"), "");
    ASSERT_EQ(addMapping("m", kCsvProducts), 1);
    ASSERT_EQ(ReadFromFile(fromUtf8(theirs).c_str(), L"m", 0, 0, 0), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Price"), "apple=1.5 pear, williams=0.1 kiwi\nline=-2.25e-05 caf\xC3\xA9=1e+21");
    EXPECT_EQ(contents(L"Count"), "apple=3 fig \"black\"=12 kiwi\nline=-4 caf\xC3\xA9=7");
    EXPECT_EQ(contents(L"Label"), "apple=red fig \"black\"=x,y kiwi\nline=multi\r\nline caf\xC3\xA9=\xC3\xBCn\xC3\xAF" "code");
    ASSERT_NE(writeCsv("m"), "<failed>");
    EXPECT_EQ(python(std::string(kPandasTable) + R"(import math
ours = pd.read_csv(")" + ours + R"(", keep_default_na=False, na_values=[""], dtype={"product": str, "label": str})
def values(frame):
    out = {}
    for _, row in frame.iterrows():
        cells = [row["price"], row["count"], row["label"]]
        cells = [None if (isinstance(c, float) and math.isnan(c)) or c in (0, "") else c for c in cells]
        if any(c is not None for c in cells):
            out[row["product"]] = [None if c is None else (str(c) if i == 2 else float(c)) for i, c in enumerate(cells)]
    return out
mine, read = values(table), values(ours)
print("same" if mine == read else "differ:\n%r\n%r" % (mine, read))
)"),
              "same\n");
}

}  // namespace
}  // namespace flk::test
