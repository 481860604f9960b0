// The bytes of one XML document as UTF-8 text, whatever encoding it came in: a UTF-8 byte-order
// mark is skipped, UTF-16 and UTF-32 (told by their byte-order mark or by how "<?" is written)
// and the encoding the declaration names are converted. The text is checked for bytes that are
// not UTF-8 and characters XML documents cannot hold before anything reads it.
#pragma once

#include "streams/stream_buffer.hpp"

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace flk {

// Where a document is not well-formed, as an offset into its text, and why.
struct XmlProblem {
    size_t offset = 0;
    std::string reason;
};

class XmlText {
public:
    // The rest of the stream. False with the problem when it cannot be converted or checked.
    // Throws std::bad_alloc.
    bool read(std::istream& input, XmlProblem& problem);

    std::string_view body() const { return converted_ ? std::string_view(*converted_) : bytes_->view().substr(start_); }

private:
    bool convert(std::string_view encoding, size_t start, XmlProblem& problem);
    bool checkCharacters(XmlProblem& problem) const;

    std::optional<StreamBuffer> bytes_;
    size_t start_ = 0;                      // after a UTF-8 byte-order mark
    std::optional<std::string> converted_;  // the text converted from another encoding
};

}  // namespace flk
