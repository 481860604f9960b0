// Writes and reads a Parquet table of 1,000,000 rows (an integer key, a string of about 1,000
// distinct values, a 64-bit integer and two doubles) with tablix, and the same table with DuckDB
// on one thread in the same run, and prints both times with their ratio.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tablix/ArrowTable.h"

namespace {

constexpr int64_t kRows = 1000000;
constexpr int kRepeats = 3;   // the best of a few runs, for both sides

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::shared_ptr<tablix::IArrowTable> buildTable() {
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

// DuckDB's figures as {"write": s, "read": s}; negative when the oracle cannot run.
std::pair<double, double> duckdbTimes(const std::string& dir) {
    double best[2] = {-1, -1};
    for (int r = 0; r < kRepeats; ++r) {
        const std::string command = "cd '" TABLIX_ORACLE "' && node bench.mjs '" + dir + "' " + std::to_string(kRows);
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
    if (theirs > 0) std::printf("%-6s tablix %8.3f s   duckdb (1 thread) %8.3f s   ratio %5.2f\n", what, ours, theirs, ours / theirs);
    else std::printf("%-6s tablix %8.3f s   duckdb unavailable (run scripts/install-deps)\n", what, ours);
}

}  // namespace

int main() {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tablix-bench";
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "tablix-bench.parquet").string();
    const auto table = buildTable();
    double write = 1e9, read = 1e9;
    int64_t rows = 0;
    for (int r = 0; r < kRepeats; ++r) {
        auto start = std::chrono::steady_clock::now();
        table->writeParquet(file);
        write = std::min(write, seconds(start));
        start = std::chrono::steady_clock::now();
        auto back = tablix::IArrowTable::create();
        back->readParquet(file);
        read = std::min(read, seconds(start));
        rows = back->rowCount();
    }
    if (rows != kRows) {
        std::fprintf(stderr, "bench_tablix: read %lld rows, wrote %lld\n", static_cast<long long>(rows), static_cast<long long>(kRows));
        return 1;
    }
    const auto [duckWrite, duckRead] = duckdbTimes(dir.string());
    std::printf("tablix: %lld rows (int32 key, string of 1000 values, int64, 2 doubles), snappy, %lld bytes\n",
                static_cast<long long>(kRows), static_cast<long long>(std::filesystem::file_size(file)));
    report("write", write, duckWrite);
    report("read", read, duckRead);
    std::filesystem::remove_all(dir);
    return 0;
}
