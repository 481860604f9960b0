// A compiled name pattern matched against whole member, element and column names. Uses PCRE2
// with its JIT: matching runs on every key of large documents, and the backtracking engine of
// the standard library is slow and recurses on long input.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace flk {

// A name the pattern cannot be matched against within PCRE2's limits; fails the read it occurs in.
struct NameRegexError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class NameRegex {
public:
    // Compiles the pattern (UTF-8, ECMAScript-style syntax); on failure ok() is false and
    // error() says why.
    explicit NameRegex(const std::string& pattern);
    ~NameRegex();
    NameRegex(const NameRegex&) = delete;
    NameRegex& operator=(const NameRegex&) = delete;

    bool ok() const { return code_ != nullptr; }
    const std::string& error() const { return error_; }
    bool hasGroups() const { return groups_ > 0; }

    // Whether the whole text matches; with a capture, the element name (group 1 when the pattern
    // has groups, else the whole text). Both throw NameRegexError where PCRE2's limits stop the match.
    bool matches(std::string_view text) const;
    // group: the sub-match holding the element name; without that many groups, group 1, or the
    // whole text when there are none.
    bool capture(std::string_view text, std::string& out, unsigned group = 1) const;

private:
    bool run(std::string_view text) const;

    struct Code;
    struct MatchData;
    Code* code_ = nullptr;
    MatchData* match_ = nullptr;
    unsigned groups_ = 0;
    std::string pattern_;
    std::string error_;
};

}  // namespace flk
