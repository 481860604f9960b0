#define PCRE2_CODE_UNIT_WIDTH 8
#include "mapping/name_regex.hpp"

#include <pcre2.h>

namespace flk {

struct NameRegex::Code {
    pcre2_code* code;
};
struct NameRegex::MatchData {
    pcre2_match_data* data;
    pcre2_match_context* context;
    pcre2_jit_stack* jitStack;
};

namespace {
constexpr size_t kErrorBufferSize = 256;
// The JIT's own stack grows up to this size, so that patterns with repeated groups still match
// long names; beyond it, as beyond PCRE2's match limit, the match fails with a message.
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 1024 * 1024;
// How much of a name a failure message quotes.
constexpr size_t kQuotedNameLength = 200;

std::string errorText(int code) {
    PCRE2_UCHAR buffer[kErrorBufferSize];
    pcre2_get_error_message(code, buffer, sizeof buffer);
    return reinterpret_cast<const char*>(buffer);
}

std::string quoted(std::string_view text) {
    if (text.size() <= kQuotedNameLength) return "'" + std::string(text) + "'";
    return "'" + std::string(text.substr(0, kQuotedNameLength)) + "...' (" + std::to_string(text.size()) +
           " bytes)";
}
}  // namespace

NameRegex::NameRegex(const std::string& pattern) : pattern_(pattern) {
    int errorCode = 0;
    PCRE2_SIZE offset = 0;
    // Anchored at both ends: a name matches only as a whole. UTF so that a dot is one character.
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_ANCHORED | PCRE2_ENDANCHORED |
                                         PCRE2_DOLLAR_ENDONLY,
                                     &errorCode, &offset, nullptr);
    if (!code) {
        error_ = errorText(errorCode) + " at offset " + std::to_string(offset);
        return;
    }
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);   // without JIT the interpreter still works
    uint32_t count = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &count);
    groups_ = count;
    code_ = new Code{code};
    match_ = new MatchData{pcre2_match_data_create_from_pattern(code, nullptr), pcre2_match_context_create(nullptr),
                           pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr)};
    if (match_->jitStack) pcre2_jit_stack_assign(match_->context, nullptr, match_->jitStack);
}

NameRegex::~NameRegex() {
    if (match_) {
        pcre2_match_data_free(match_->data);
        pcre2_match_context_free(match_->context);
        pcre2_jit_stack_free(match_->jitStack);
    }
    if (code_) pcre2_code_free(code_->code);
    delete match_;
    delete code_;
}

bool NameRegex::run(std::string_view text) const {
    if (!code_) return false;
    int rc = pcre2_match(code_->code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0, match_->data,
                         match_->context);
    if (rc > 0) return true;
    // Only a real "no match" may count as one: a name the pattern could not decide on (a match,
    // depth or stack limit met by a pattern that backtracks without end) would otherwise be
    // dropped from the model without a word.
    if (rc == PCRE2_ERROR_NOMATCH) return false;
    throw NameRegexError("The name-regex " + quoted(pattern_) + " could not be matched against the name " +
                         quoted(text) + ": " + errorText(rc));
}

bool NameRegex::matches(std::string_view text) const { return run(text); }

bool NameRegex::capture(std::string_view text, std::string& out, unsigned group) const {
    if (!run(text)) return false;
    if (groups_ == 0) {
        out.assign(text);
        return true;
    }
    if (group > groups_) group = 1;
    PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match_->data);
    if (ovector[2 * group] == PCRE2_UNSET) {
        out.clear();
    } else {
        out.assign(text.substr(ovector[2 * group], ovector[2 * group + 1] - ovector[2 * group]));
    }
    return true;
}

}  // namespace flk
