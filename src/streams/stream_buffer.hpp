// The rest of a byte stream read into one buffer, for parsers that take a whole document in
// memory (and may parse it in place).
//
// The bytes are followed by a number of NUL bytes of padding that the reader chooses: a parser
// that may look a few bytes past the end (a UTF-8 check that takes a whole character before it
// judges it) stays inside the buffer. The buffer has exactly that size at the end, so a read
// beyond the padding meets the end of the allocation, where the sanitizers and valgrind see it.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <iosfwd>
#include <memory>
#include <string_view>

namespace flk {

// A stream's bytes are read in blocks of at least this size, each as large as all that was read
// before it, so that the buffer never holds more than twice the document.
constexpr size_t kStreamReadBlock = size_t(1) << 16;
// The part of the size a stream claims that is reserved before any of it arrived: a real file of
// up to this size is read in one call into a buffer of its exact size, and a stream that claims
// gigabytes for a few bytes gets no more than this untouched reservation.
constexpr size_t kTrustedStreamClaim = size_t(1) << 26;

class StreamBuffer {
public:
    // The rest of the stream. The buffer grows with the bytes that arrive: the size the stream
    // claims is only trusted up to kTrustedStreamClaim. Throws std::bad_alloc.
    static StreamBuffer read(std::istream& input, size_t padding);

    char* data() { return bytes_.get(); }
    const char* data() const { return bytes_.get(); }
    size_t size() const { return size_; }
    std::string_view view() const { return std::string_view(bytes_.get(), size_); }
    // The length of a UTF-8 byte-order mark at the start, or 0.
    size_t byteOrderMarkLength() const;

private:
    struct Free {
        void operator()(char* bytes) const { std::free(bytes); }
    };
    explicit StreamBuffer(size_t padding) : padding_(padding) {}
    void reserve(size_t capacity);   // room for capacity bytes and the padding
    void end(size_t size);           // pads the bytes and gives back the room they did not use

    std::unique_ptr<char, Free> bytes_;
    size_t size_ = 0;
    size_t capacity_ = 0;
    size_t padding_;
};

}  // namespace flk
