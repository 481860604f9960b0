// The bytes of one JSON document as the parsers read them in place.
//
// The document is followed by kPadding NUL bytes. The parser ends the text at the first NUL, but
// its UTF-8 check takes the whole of a character before it judges it: when the document ends
// inside a multi-byte character, it takes up to three bytes beyond the end, and a parse in place
// writes back what it took. The padding keeps both inside the buffer. What the parser does not
// check is checked here: that it saw every byte (a NUL in the document ends its view early), and
// that no escape stands for text the host cannot hold.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <iosfwd>
#include <memory>
#include <string_view>

namespace flk {

class JsonText {
public:
    static constexpr size_t kPadding = 4;

    // The rest of the stream. The buffer grows with the bytes that arrive: the size the stream
    // claims is only trusted up to a bound, so that one that overstates it costs nothing.
    // Throws std::bad_alloc.
    static JsonText read(std::istream& input);

    // After a UTF-8 byte-order mark if there is one; NUL-terminated, padded and writable.
    char* body() { return bytes_.get() + bodyStart_; }
    const char* body() const { return bytes_.get() + bodyStart_; }
    size_t bodySize() const { return size_ - bodyStart_; }

    // Whether a parser that accepted the body and stopped at offset parsedTo saw all of it.
    bool endsAt(size_t parsedTo) const { return parsedTo == bodySize(); }
    // Whether no escape in the body stands for text that the host cannot hold (a NUL, or half of
    // a surrogate pair). Asked before a parse in place decodes the escapes; the answer counts for
    // a body that the parser accepts.
    bool holdsOnlyHostText() const;

private:
    struct Free {
        void operator()(char* bytes) const { std::free(bytes); }
    };
    JsonText() = default;
    void reserve(size_t capacity);   // room for capacity bytes and the padding
    void end(size_t size);           // pads the text and gives back the room it did not use

    std::unique_ptr<char, Free> bytes_;
    size_t size_ = 0;
    size_t capacity_ = 0;
    size_t bodyStart_ = 0;
};

}  // namespace flk
