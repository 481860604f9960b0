#include "xml_data.hpp"

#include <cstdio>
#include <cstdlib>
#include <random>

namespace bench {

int rowCount() {
    const char* given = std::getenv("FLK_BENCH_ROWS");
    int rows = given ? std::atoi(given) : 0;
    return rows > 0 ? rows : kDefaultRows;
}

size_t writeXmlFile(const std::string& path) {
    static const char* words[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta"};
    std::mt19937 random(kSeed);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("<?xml version=\"1.0\"?>\n<rows>\n", f);
    for (int i = 0, rows = rowCount(); i < rows; ++i) {
        double x = std::uniform_real_distribution<double>(0, 1000)(random);
        int n = int(random() % 100000);
        const char* word = words[random() % 6];
        unsigned suffix = unsigned(random() % 100);
        std::fprintf(f, "<r k=\"k%07d\" x=\"%.17g\"><n>%d</n><s>%s%u</s></r>\n", i, x, n, word, suffix);
    }
    std::fputs("</rows>\n", f);
    long size = std::ftell(f);
    std::fclose(f);
    return size_t(size);
}

}  // namespace bench
