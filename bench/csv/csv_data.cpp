#include "csv_data.hpp"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace bench {
namespace {

const char* const kWords[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta"};

// Appends a field, quoted with its quotes doubled when it holds a comma or a quote.
char* putText(char* at, const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos) {
        std::memcpy(at, text.data(), text.size());
        return at + text.size();
    }
    *at++ = '"';
    for (char c : text) {
        if (c == '"') *at++ = '"';
        *at++ = c;
    }
    *at++ = '"';
    return at;
}

}  // namespace

int rowCount() {
    const char* given = std::getenv("FLK_BENCH_ROWS");
    int rows = given ? std::atoi(given) : 0;
    return rows > 0 ? rows : kDefaultRows;
}

Table makeTable() {
    std::mt19937 random(kSeed);
    Table t;
    int rows = rowCount();
    char key[16];
    for (int i = 0; i < rows; ++i) {
        std::snprintf(key, sizeof key, "k%07d", i);
        t.keys.emplace_back(key);
        t.numbers.push_back(std::uniform_real_distribution<double>(0, 1000)(random));
        t.integers.push_back(int(random() % 100000));
        std::string text = kWords[random() % 6] + std::to_string(random() % 100);
        if (i % 10 == 0) text = "say \"" + text + "\", then go";
        t.texts.push_back(std::move(text));
    }
    return t;
}

size_t writeTable(const Table& t, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fputs("key,x,n,s\n", f);
    char row[256];
    for (size_t i = 0; i < t.keys.size(); ++i) {
        char* at = putText(row, t.keys[i]);
        *at++ = ',';
        at = std::to_chars(at, row + sizeof row, t.numbers[i]).ptr;
        *at++ = ',';
        at = std::to_chars(at, row + sizeof row, t.integers[i]).ptr;
        *at++ = ',';
        at = putText(at, t.texts[i]);
        *at++ = '\n';
        std::fwrite(row, 1, size_t(at - row), f);
    }
    long size = std::ftell(f);
    std::fclose(f);
    return size_t(size);
}

size_t splitFile(const std::string& path, size_t& fieldBytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::fseek(f, 0, SEEK_END);
    std::vector<char> text(size_t(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    size_t size = std::fread(text.data(), 1, text.size(), f);
    std::fclose(f);
    size_t fields = 0;
    fieldBytes = 0;
    const char* at = text.data();
    const char* end = at + size;
    while (at < end) {
        const char* line = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)));
        if (!line) line = end;
        while (at <= line) {
            const char* stop;
            if (*at == '"') {   // to the closing quote; a doubled quote goes on
                stop = at + 1;
                auto quote = [&](const char* from) { return static_cast<const char*>(std::memchr(from, '"', size_t(line - from))); };
                while ((stop = quote(stop)) && stop + 1 < line && stop[1] == '"') stop += 2;
                stop = stop ? stop + 1 : line;
            } else {
                stop = static_cast<const char*>(std::memchr(at, ',', size_t(line - at)));
                if (!stop) stop = line;
            }
            ++fields;
            fieldBytes += size_t(stop - at);
            at = stop + 1;
        }
    }
    return fields;
}

}  // namespace bench
