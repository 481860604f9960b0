// Encoding names: resolution of a name to a code page number, the canonical name of a code page,
// the default encoding of the process and the converter names behind each code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace UCS {

constexpr int kUtf16LE = 1200;
constexpr int kUtf16BE = 1201;
constexpr int kUtf32LE = 12000;
constexpr int kUtf32BE = 12001;
constexpr int kUtf8 = 65001;

// A resolved name: its code page and what the name and its "//" options ask of the converter.
struct ResolvedEncoding {
    int codePage = 0;
    bool bomInData = false;  // UTF-16, UCS-2, UTF-32, UCS-4: a BOM leads the converted data
    bool translit = false;   // replace characters without a mapping by similar ones
    bool ignore = false;     // drop characters that cannot be converted
    bool nocompat = false;   // accepted; the converters here have no compatibility mapping to skip
};

// Resolves a narrow (UTF-8) name; nothing when the name is unknown. "" and "char" give the
// default encoding, "wchar_t" UTF-16LE.
std::optional<ResolvedEncoding> resolveEncoding(std::string_view name);

// The code page of the first alias equal to name without regard to case.
std::optional<int> aliasCodePage(std::string_view name);

// The canonical name of a code page, "" for one that has none.
std::string_view canonicalName(int codePage);

// Both names resolve and their code pages have the same, non-empty canonical name.
bool sameEncoding(std::string_view a, std::string_view b);

// The code set of the current locale resolved through the alias list, as the canonical name of
// its code page; in the C or POSIX locale the code set of the locale the environment names
// (LC_ALL, LC_CTYPE, LANG). UTF-8 when the code set is unknown or none is named.
std::string defaultEncodingName();

// The system converter's name for a code page, "" when it has none.
std::string_view iconvNameOf(int codePage);

}  // namespace UCS
