#include "streams/stream_buffer.hpp"

#include <algorithm>
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
    if (used == 0) return claimed > 0 ? std::min(claimed, kTrustedStreamClaim) : kStreamReadBlock;
    size_t doubled = used + std::max(kStreamReadBlock, used);
    return claimed > used ? std::min(claimed, doubled) : doubled;
}

bool atEnd(std::istream& input) {
    return std::char_traits<char>::eq_int_type(input.peek(), std::char_traits<char>::eof());
}

}  // namespace

StreamBuffer StreamBuffer::read(std::istream& input, size_t padding) {
    StreamBuffer buffer(padding);
    size_t claimed = claimedSize(input);
    size_t used = 0;
    while (input) {
        if (used == buffer.capacity_) {
            if (used > 0 && atEnd(input)) break;   // full just at the end (an exact claim): no more room
            buffer.reserve(nextCapacity(used, claimed));
        }
        input.read(buffer.bytes_.get() + used, std::streamsize(buffer.capacity_ - used));
        used += size_t(input.gcount());
    }
    buffer.end(used);
    return buffer;
}

size_t StreamBuffer::byteOrderMarkLength() const {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    return view().substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
}

void StreamBuffer::reserve(size_t capacity) {
    // Never a size of 0: realloc would free the bytes and return null, which reads as no memory.
    void* grown = std::realloc(bytes_.get(), std::max<size_t>(capacity + padding_, 1));
    if (!grown) throw std::bad_alloc();
    bytes_.release();
    bytes_.reset(static_cast<char*>(grown));
    capacity_ = capacity;
}

void StreamBuffer::end(size_t size) {
    if (size < capacity_ || !bytes_) reserve(size);
    std::memset(bytes_.get() + size, 0, padding_);
    size_ = size;
}

}  // namespace flk
