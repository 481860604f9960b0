// Resolution of encoding names and the default encoding of the process.
#include "text/encoding_names.hpp"

#include <langinfo.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstring>

namespace UCS {
namespace {

constexpr std::string_view kOptionMark = "//";
// A code page has at most five digits; a longer number names nothing.
constexpr size_t kMaxCodePageDigits = 5;

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

// The leading decimal number of text; nothing when text does not begin with a digit.
std::optional<int> leadingNumber(std::string_view text) {
    size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    if (digits == 0 || digits > kMaxCodePageDigits) return std::nullopt;
    return std::stoi(std::string(text.substr(0, digits)));
}

// Cuts the "//" options off name and records the ones it knows.
std::string_view cutOptions(std::string_view name, ResolvedEncoding& encoding) {
    const size_t first = name.find(kOptionMark);
    if (first == std::string_view::npos) return name;
    std::string_view rest = name.substr(first + kOptionMark.size());
    while (!rest.empty()) {
        const size_t next = rest.find(kOptionMark);
        const std::string_view option = rest.substr(0, next);
        if (equalsNoCase(option, "translit")) encoding.translit = true;
        if (equalsNoCase(option, "ignore")) encoding.ignore = true;
        if (equalsNoCase(option, "nocompat")) encoding.nocompat = true;
        if (next == std::string_view::npos) break;
        rest = rest.substr(next + kOptionMark.size());
    }
    return name.substr(0, first);
}

bool namesBomInData(std::string_view name) {
    for (std::string_view bomName : {"UTF-16", "UTF16", "UCS-2", "UCS2", "UTF-32", "UTF32", "UCS-4", "UCS4"}) {
        if (equalsNoCase(name, bomName)) return true;
    }
    return false;
}

// The locale the environment names for character types, in the order setlocale(LC_CTYPE, "")
// reads it; empty when it names none.
std::string_view environmentLocale() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return value;
    }
    return {};
}

// The code set of a locale name "language_territory.codeset@modifier"; empty when it has none.
std::string_view codeSetOfLocale(std::string_view locale) {
    const size_t dot = locale.find('.');
    if (dot == std::string_view::npos) return {};
    const std::string_view codeSet = locale.substr(dot + 1);
    return codeSet.substr(0, codeSet.find('@'));
}

// A host that never calls setlocale runs in the C locale, whose ASCII would fail on any other
// text: then the code set of the locale the environment names counts, as for the user's programs.
std::string_view currentCodeSet() {
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    const bool plain = current && (std::strcmp(current, "C") == 0 || std::strcmp(current, "POSIX") == 0);
    if (plain) return codeSetOfLocale(environmentLocale());
    const char* codeSet = nl_langinfo(CODESET);
    return codeSet ? std::string_view(codeSet) : std::string_view();
}

std::optional<int> codePageOf(std::string_view name) {
    if (name.empty() || name == "char") return resolveEncoding(defaultEncodingName())->codePage;
    if (name == "wchar_t") return kUtf16LE;
    if (startsWithNoCase(name, "cp") || startsWithNoCase(name, "xx")) {
        // "CP-IS" and "CP-GR" have no number after the prefix: they are aliases.
        if (auto number = leadingNumber(name.substr(2))) return number;
    }
    if (auto number = leadingNumber(name)) return number;
    return aliasCodePage(name);
}

}  // namespace

std::optional<ResolvedEncoding> resolveEncoding(std::string_view name) {
    ResolvedEncoding encoding;
    const std::string_view bare = cutOptions(name, encoding);
    const std::optional<int> codePage = codePageOf(bare);
    if (!codePage) return std::nullopt;
    encoding.codePage = *codePage;
    encoding.bomInData = namesBomInData(bare);
    return encoding;
}

bool sameEncoding(std::string_view a, std::string_view b) {
    const auto first = resolveEncoding(a);
    const auto second = resolveEncoding(b);
    if (!first || !second) return false;
    const std::string_view name = canonicalName(first->codePage);
    return !name.empty() && name == canonicalName(second->codePage);
}

std::string defaultEncodingName() {
    const std::string_view codeSet = currentCodeSet();
    const std::optional<int> codePage = codeSet.empty() ? std::nullopt : aliasCodePage(codeSet);
    const std::string_view canonical = codePage ? canonicalName(*codePage) : std::string_view();
    if (canonical.empty()) return std::string(canonicalName(kUtf8));
    // Some canonical names are not names the resolver knows (IBM1047 is listed as IBM01047):
    // those are kept as the code page number, which always resolves.
    const std::string name(canonical);
    if (codePageOf(name) == codePage) return name;
    return "CP" + std::to_string(*codePage);
}

}  // namespace UCS
