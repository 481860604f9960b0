// The bytes of one JSON document as the parsers read them in place.
//
// The document is followed by kPadding NUL bytes. The parser ends the text at the first NUL, but
// its UTF-8 check takes the whole of a character before it judges it: when the document ends
// inside a multi-byte character, it takes up to three bytes beyond the end, and a parse in place
// writes back what it took. The padding keeps both inside the buffer. What the parser does not
// check is checked here: that it saw every byte (a NUL in the document ends its view early), and
// that no escape stands for text the host cannot hold.
#pragma once

#include "streams/stream_buffer.hpp"

#include <cstddef>
#include <iosfwd>
#include <string_view>
#include <utility>

namespace flk {

class JsonText {
public:
    static constexpr size_t kPadding = 4;

    // The rest of the stream (StreamBuffer::read). Throws std::bad_alloc.
    static JsonText read(std::istream& input);

    // After a UTF-8 byte-order mark if there is one; NUL-terminated, padded and writable.
    char* body() { return bytes_.data() + bodyStart_; }
    const char* body() const { return bytes_.data() + bodyStart_; }
    size_t bodySize() const { return bytes_.size() - bodyStart_; }

    // Whether a parser that accepted the body and stopped at offset parsedTo saw all of it.
    bool endsAt(size_t parsedTo) const { return parsedTo == bodySize(); }
    // Whether no escape in the body stands for text that the host cannot hold (a NUL, or half of
    // a surrogate pair). Asked before a parse in place decodes the escapes; the answer counts for
    // a body that the parser accepts.
    bool holdsOnlyHostText() const;

private:
    explicit JsonText(StreamBuffer bytes) : bytes_(std::move(bytes)), bodyStart_(bytes_.byteOrderMarkLength()) {}

    StreamBuffer bytes_;
    size_t bodyStart_;
};

}  // namespace flk
