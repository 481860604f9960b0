#include "json_data.hpp"

#include <cstdio>
#include <cstdlib>
#include <random>

namespace bench {
namespace {

struct Row {
    char key[16];
    double x;
    int n;
    char s[16];
};

// The same row for the same index in every layout.
Row rowAt(std::mt19937& random, int i) {
    Row r;
    std::snprintf(r.key, sizeof r.key, "k%07d", i);
    r.x = std::uniform_real_distribution<double>(0, 1000)(random);
    r.n = int(random() % 100000);
    static const char* words[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta"};
    std::snprintf(r.s, sizeof r.s, "%s%u", words[random() % 6], unsigned(random() % 100));
    return r;
}

size_t finish(FILE* f) {
    long size = std::ftell(f);
    std::fclose(f);
    return size_t(size);
}

}  // namespace

int rowCount() {
    const char* given = std::getenv("FLK_BENCH_ROWS");
    int rows = given ? std::atoi(given) : 0;
    return rows > 0 ? rows : kDefaultRows;
}

size_t writeObjectsFile(const std::string& path) {
    std::mt19937 random(kSeed);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fputc('[', f);
    for (int i = 0, rows = rowCount(); i < rows; ++i) {
        Row r = rowAt(random, i);
        std::fprintf(f, "%s{\"key\":\"%s\",\"x\":%.17g,\"n\":%d,\"s\":\"%s\"}", i ? "," : "", r.key, r.x, r.n, r.s);
    }
    std::fputc(']', f);
    return finish(f);
}

size_t writeRowsFile(const std::string& path) {
    std::mt19937 random(kSeed);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("{\"meta\":[\"key\",\"x\",\"n\",\"s\"],\"data\":[", f);
    for (int i = 0, rows = rowCount(); i < rows; ++i) {
        Row r = rowAt(random, i);
        std::fprintf(f, "%s[\"%s\",%.17g,%d,\"%s\"]", i ? "," : "", r.key, r.x, r.n, r.s);
    }
    std::fputs("]}", f);
    return finish(f);
}

}  // namespace bench
