#define PCRE2_CODE_UNIT_WIDTH 8
#include "mapping/name_regex.hpp"

#include <pcre2.h>

namespace flk {

struct NameRegex::Code {
    pcre2_code* code;
};
struct NameRegex::MatchData {
    pcre2_match_data* data;
};

namespace {
constexpr size_t kErrorBufferSize = 256;
}

NameRegex::NameRegex(const std::string& pattern) {
    int errorCode = 0;
    PCRE2_SIZE offset = 0;
    // Anchored at both ends: a name matches only as a whole. UTF so that a dot is one character.
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_ANCHORED | PCRE2_ENDANCHORED |
                                         PCRE2_DOLLAR_ENDONLY,
                                     &errorCode, &offset, nullptr);
    if (!code) {
        PCRE2_UCHAR buffer[kErrorBufferSize];
        pcre2_get_error_message(errorCode, buffer, sizeof buffer);
        error_ = reinterpret_cast<const char*>(buffer);
        error_ += " at offset " + std::to_string(offset);
        return;
    }
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);   // without JIT the interpreter still works
    uint32_t count = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &count);
    groups_ = count;
    code_ = new Code{code};
    match_ = new MatchData{pcre2_match_data_create_from_pattern(code, nullptr)};
}

NameRegex::~NameRegex() {
    if (match_) pcre2_match_data_free(match_->data);
    if (code_) pcre2_code_free(code_->code);
    delete match_;
    delete code_;
}

bool NameRegex::run(std::string_view text) const {
    if (!code_) return false;
    int rc = pcre2_match(code_->code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0, match_->data,
                         nullptr);
    return rc > 0;
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
