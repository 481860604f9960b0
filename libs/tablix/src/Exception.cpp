#include "tablix/Exception.h"

#include <cstdint>

namespace tablix {

namespace {

// Decodes one UTF-8 sequence at s[i]; malformed input yields U+FFFD and advances one byte.
char32_t decodeUtf8(const std::string& s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    if (extra == 0) {
        ++i;
        return lead;
    }
    if (extra < 0 || i + extra >= s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    i += extra + 1;
    return cp;
}

}  // namespace

std::wstring Exception::whatW() const {
    const std::string message = what();
    std::wstring wide;
    wide.reserve(message.size());
    for (size_t i = 0; i < message.size();) wide.push_back(static_cast<wchar_t>(decodeUtf8(message, i)));
    return wide;
}

}  // namespace tablix
