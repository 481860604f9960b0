// Writes and reads Parquet tables of 1,000,000 rows with tablix, and the same tables with DuckDB on
// one thread in the same run, and prints both times with their ratio and both file sizes: a
// numeric table (an integer key, a string of about 1,000 distinct values, a 64-bit integer and two
// doubles) and a sales table as a new user would have it (an id string with a million distinct
// values, a product of 1,000 values, a region of 5, an integer quantity, a price).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "tablix/ArrowTable.h"

namespace {

constexpr int64_t kRows = 1000000;
constexpr int kRepeats = 3;   // the best of a few runs, for both sides

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::shared_ptr<tablix::IArrowTable> buildNumericTable() {
    auto t = tablix::IArrowTable::create();
    const int32_t key = t->addColumn("key", tablix::Int32), label = t->addColumn("label", tablix::String),
                  big = t->addColumn("big", tablix::Int64), x = t->addColumn("x", tablix::Double), y = t->addColumn("y", tablix::Double);
    tablix::Value v;
    v.isNull = false;
    for (int64_t i = 0; i < kRows; ++i) {
        v.type = tablix::Int32; v.integer = i; t->appendValue(key, v);
        const std::string text = "name-" + std::to_string(i * 7919 % 1000);
        v.type = tablix::String; v.text = text; t->appendValue(label, v);
        v.type = tablix::Int64; v.integer = i * 1000003; t->appendValue(big, v);
        v.type = tablix::Double; v.number = i * 0.5; t->appendValue(x, v);
        v.number = i / 3.0; t->appendValue(y, v);
    }
    return t;
}

// The same values as the "sales" shape of bench.mjs.
std::shared_ptr<tablix::IArrowTable> buildSalesTable() {
    static const char* const kRegions[] = {"north", "south", "east", "west", "central"};
    auto t = tablix::IArrowTable::create();
    const int32_t id = t->addColumn("id", tablix::String), product = t->addColumn("product", tablix::String),
                  region = t->addColumn("region", tablix::String), quantity = t->addColumn("quantity", tablix::Int32),
                  price = t->addColumn("price", tablix::Double);
    tablix::Value v;
    v.isNull = false;
    for (int64_t i = 0; i < kRows; ++i) {
        const std::string idText = "S" + std::to_string(i), productText = "product-" + std::to_string(i * 7919 % 1000);
        v.type = tablix::String;
        v.text = idText; t->appendValue(id, v);
        v.text = productText; t->appendValue(product, v);
        v.text = kRegions[i % 5]; t->appendValue(region, v);
        v.type = tablix::Int32; v.integer = i * 31 % 50 + 1; t->appendValue(quantity, v);
        v.type = tablix::Double; v.number = static_cast<double>(i * 7919 % 1000 * 25 + 99) / 100; t->appendValue(price, v);
    }
    return t;
}

// DuckDB's figures as {"write": s, "read": s}; negative when the oracle cannot run.
std::pair<double, double> duckdbTimes(const std::string& dir, const char* shape) {
    double best[2] = {-1, -1};
    for (int r = 0; r < kRepeats; ++r) {
        const std::string command = "cd '" TABLIX_ORACLE "' && node bench.mjs '" + dir + "' " + std::to_string(kRows) + " " + shape;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return {-1, -1};
        char buf[256] = {};
        const size_t n = fread(buf, 1, sizeof buf - 1, pipe);
        if (pclose(pipe) != 0 || n == 0) return {-1, -1};
        double w = 0, rd = 0;
        if (std::sscanf(buf, "{\"write\":%lf,\"read\":%lf}", &w, &rd) != 2) return {-1, -1};
        best[0] = best[0] < 0 ? w : std::min(best[0], w);
        best[1] = best[1] < 0 ? rd : std::min(best[1], rd);
    }
    return {best[0], best[1]};
}

void report(const char* what, double ours, double theirs) {
    if (theirs > 0) std::printf("  %-6s tablix %8.3f s   duckdb (1 thread) %8.3f s   ratio %5.2f\n", what, ours, theirs, ours / theirs);
    else std::printf("  %-6s tablix %8.3f s   duckdb unavailable (run scripts/install-deps)\n", what, ours);
}

long long fileBytes(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    return error ? -1 : static_cast<long long>(size);
}

// Writes and reads the table a few times and compares the best times with DuckDB's; false when the
// table did not read back whole.
bool compare(const std::filesystem::path& dir, const char* title, const char* shape, const tablix::IArrowTable& table) {
    const std::string file = (dir / "tablix-bench.parquet").string();
    double write = 1e9, read = 1e9;
    int64_t rows = 0;
    for (int r = 0; r < kRepeats; ++r) {
        auto start = std::chrono::steady_clock::now();
        table.writeParquet(file);
        write = std::min(write, seconds(start));
        start = std::chrono::steady_clock::now();
        auto back = tablix::IArrowTable::create();
        back->readParquet(file);
        read = std::min(read, seconds(start));
        rows = back->rowCount();
    }
    if (rows != kRows) {
        std::fprintf(stderr, "bench_tablix: read %lld rows, wrote %lld\n", static_cast<long long>(rows), static_cast<long long>(kRows));
        return false;
    }
    const auto [duckWrite, duckRead] = duckdbTimes(dir.string(), shape);
    std::printf("%s: %lld rows, snappy; file: tablix %lld bytes, duckdb %lld bytes\n", title, static_cast<long long>(kRows),
                fileBytes(file), fileBytes(dir / "duckdb-bench.parquet"));
    report("write", write, duckWrite);
    report("read", read, duckRead);
    return true;
}

}  // namespace

int main() {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tablix-bench." + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const bool ok = compare(dir, "numeric table (int32 key, string of 1000 values, int64, 2 doubles)", "numeric", *buildNumericTable()) &&
                    compare(dir, "sales table (id string of 1,000,000 values, product of 1000, region of 5, int32 quantity, price)",
                            "sales", *buildSalesTable());
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
