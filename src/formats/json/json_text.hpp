// The bytes of one JSON document as the parsers read them in place.
//
// The document is followed by kPadding NUL bytes. The parser ends the text at the first NUL, but
// its UTF-8 check takes the whole of a character before it judges it: when the document ends
// inside a multi-byte character, it takes up to three bytes beyond the end, and a parse in place
// writes back what it took. The padding keeps both inside the buffer. What the parser does not
// check is checked here: that it saw every byte (a NUL in the document ends its view early), and
// that no escape stands for text that is no text (half of a surrogate pair).
#pragma once

#include "streams/stream_buffer.hpp"

#include <rapidjson/error/error.h>

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>

namespace flk {

// Where a document is not well-formed, as an offset into its body, and why.
struct JsonProblem {
    size_t offset = 0;
    std::string reason;
};

class JsonText {
public:
    static constexpr size_t kPadding = 4;

    // The rest of the stream (StreamBuffer::read). Throws std::bad_alloc.
    static JsonText read(std::istream& input);

    // After a UTF-8 byte-order mark if there is one; NUL-terminated, padded and writable.
    char* body() { return bytes_.data() + bodyStart_; }
    const char* body() const { return bytes_.data() + bodyStart_; }
    size_t bodySize() const { return bytes_.size() - bodyStart_; }
    std::string_view view() const { return std::string_view(body(), bodySize()); }

    // Whether a parse of the body that ended with result, the parser having stopped at offset
    // parsedTo, read one well-formed document: all of the body, within the depth limit (the
    // only reason a handler stops a parse), and without an escape for half a surrogate pair.
    // Otherwise false with the first problem. The escapes were looked at when the text was read,
    // before a parse in place decoded them.
    bool wellFormed(rapidjson::ParseResult result, size_t parsedTo, JsonProblem& problem) const;
    // Whether a string of the text may hold a NUL: only an escape can put one there, as a NUL
    // byte ends the text the parser sees.
    bool mayHoldNul() const { return holdsNul_; }

private:
    explicit JsonText(StreamBuffer bytes);
    void scanEscapes();

    StreamBuffer bytes_;
    size_t bodyStart_;
    size_t halfSurrogate_ = std::string_view::npos;   // the first escape for half a surrogate pair
    bool holdsNul_ = false;                           // some escape stands for a NUL
};

}  // namespace flk
