#include "text_corpus.hpp"

#include <random>

namespace flk::bench {
namespace {

constexpr unsigned kSeed = 1234567;
constexpr int kWordsPerLine = 12;

const char* const kEnglishWords[] = {
    "the",    "model",  "reads",    "values",   "from",   "a",        "document", "and",
    "writes", "them",   "into",     "sets",     "of",     "elements", "with",     "names",
    "price",  "city",   "product",  "demand",   "supply", "network",  "flows",    "between",
    "every",  "period", "planning", "capacity", "is",     "limited",  "by",       "storage",
};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Ends a word: a blank, or now and then punctuation or a line break.
void appendSeparator(std::string& out, std::mt19937& random, int& wordsInLine) {
    if (++wordsInLine == kWordsPerLine) {
        out += ".\n";
        wordsInLine = 0;
    } else {
        out += random() % 9 == 0 ? ", " : " ";
    }
}

}  // namespace

std::string asciiProse(std::size_t bytes) {
    std::mt19937 random(kSeed);
    std::string out;
    int wordsInLine = 0;
    while (out.size() < bytes) {
        out += kEnglishWords[random() % std::size(kEnglishWords)];
        appendSeparator(out, random, wordsInLine);
    }
    return out;
}

std::string decomposedLatin(std::size_t bytes) {
    // Accents by combining class: below (220) is written before above (230), as NFD orders them.
    const char32_t below[] = {0x0323, 0x0327};
    const char32_t above[] = {0x0301, 0x0300, 0x0302, 0x0303, 0x0308, 0x0309, 0x0306};
    const char consonants[] = "bcdfghlmnpqrstvx";
    const char vowels[] = "aeiouy";
    std::mt19937 random(kSeed);
    std::string out;
    int wordsInLine = 0;
    while (out.size() < bytes) {
        for (int syllables = 1 + random() % 3; syllables > 0; --syllables) {
            out += consonants[random() % (sizeof consonants - 1)];
            out += vowels[random() % (sizeof vowels - 1)];
            const unsigned accents = random() % 4;  // none, above, below, below and above
            if (accents & 2) appendUtf8(out, below[random() % std::size(below)]);
            if (accents & 1 || accents == 0) appendUtf8(out, above[random() % std::size(above)]);
            if (random() % 3 == 0) out += consonants[random() % (sizeof consonants - 1)];
        }
        appendSeparator(out, random, wordsInLine);
    }
    return out;
}

std::string koreanText(std::size_t bytes) {
    constexpr char32_t kSyllableBase = 0xAC00;
    constexpr int kVowels = 21, kTrailing = 28;
    // Leading consonants and vowels that ordinary text uses most.
    const int leading[] = {0, 2, 3, 5, 6, 7, 9, 11, 12, 14, 15, 16, 17, 18};
    const int vowels[] = {0, 4, 8, 13, 18, 20, 1, 6};
    std::mt19937 random(kSeed);
    std::string out;
    int wordsInLine = 0;
    while (out.size() < bytes) {
        for (int syllables = 1 + random() % 4; syllables > 0; --syllables) {
            const int l = leading[random() % std::size(leading)];
            const int v = vowels[random() % std::size(vowels)];
            const int t = random() % 2 ? 0 : 1 + static_cast<int>(random() % (kTrailing - 1));
            appendUtf8(out, kSyllableBase + (l * kVowels + v) * kTrailing + t);
        }
        appendSeparator(out, random, wordsInLine);
    }
    return out;
}

}  // namespace flk::bench
