#include "formats/json/json_text.hpp"

#include "formats/json/json_limits.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <istream>
#include <new>
#include <string>

namespace flk {
namespace {

// What is left of a seekable stream; 0 when the stream cannot tell.
size_t claimedSize(std::istream& input) {
    std::streambuf* buffer = input.rdbuf();
    if (!buffer || !input) return 0;
    std::streampos here = buffer->pubseekoff(0, std::ios::cur, std::ios::in);
    if (here == std::streampos(-1)) return 0;
    std::streampos end = buffer->pubseekoff(0, std::ios::end, std::ios::in);
    buffer->pubseekpos(here, std::ios::in);
    return end > here ? size_t(end - here) : 0;
}

// The room to read into once used bytes have arrived: the claim where it is trusted, else
// doubling blocks, never past the claim while it is still ahead.
size_t nextCapacity(size_t used, size_t claimed) {
    if (used == 0) return claimed > 0 ? std::min(claimed, kJsonTrustedClaim) : kJsonInputBlock;
    size_t doubled = used + std::max(kJsonInputBlock, used);
    return claimed > used ? std::min(claimed, doubled) : doubled;
}

bool atEnd(std::istream& input) {
    return std::char_traits<char>::eq_int_type(input.peek(), std::char_traits<char>::eof());
}

// The escapes that the parser accepts but whose text the host cannot hold: \u0000 (the host's
// strings end at a NUL, so "k\u0000a" and "k\u0000b" would both arrive as "k"), and the low half
// of a surrogate pair without the high half before it (the parser refuses a high half alone).
// Backslashes stand only inside strings in a document the parser accepted, each one starting an
// escape, so the text need not be parsed again to find them.
bool escapesHostCanHold(std::string_view body) {
    constexpr size_t kEscape = 6;   // \uXXXX
    for (size_t at = body.find('\\'); at != std::string_view::npos; at = body.find('\\', at)) {
        if (at + kEscape > body.size() || body[at + 1] != 'u') {
            at += 2;   // an escape of one character
            continue;
        }
        unsigned unit = 0;
        std::from_chars(body.data() + at + 2, body.data() + at + kEscape, unit, 16);
        if (unit == 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) return false;
        // A high half is followed by its low half, which the parser checked.
        at += unit >= 0xD800 && unit <= 0xDBFF ? 2 * kEscape : kEscape;
    }
    return true;
}

}  // namespace

JsonText JsonText::read(std::istream& input) {
    JsonText text;
    size_t claimed = claimedSize(input);
    size_t used = 0;
    while (input) {
        if (used == text.capacity_) {
            if (used > 0 && atEnd(input)) break;   // full just at the end (an exact claim): no more room
            text.reserve(nextCapacity(used, claimed));
        }
        input.read(text.bytes_.get() + used, std::streamsize(text.capacity_ - used));
        used += size_t(input.gcount());
    }
    text.end(used);
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (std::string_view(text.bytes_.get(), used).substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.bodyStart_ = kByteOrderMark.size();
    return text;
}

void JsonText::reserve(size_t capacity) {
    void* grown = std::realloc(bytes_.get(), capacity + kPadding);
    if (!grown) throw std::bad_alloc();
    bytes_.release();
    bytes_.reset(static_cast<char*>(grown));
    capacity_ = capacity;
}

void JsonText::end(size_t size) {
    // An exact buffer: a read beyond the padding meets the end of the allocation, where the
    // sanitizers and valgrind see it.
    if (size < capacity_ || !bytes_) reserve(size);
    std::memset(bytes_.get() + size, 0, kPadding);
    size_ = size;
}

bool JsonText::holdsOnlyHostText() const { return escapesHostCanHold(std::string_view(body(), bodySize())); }

}  // namespace flk
