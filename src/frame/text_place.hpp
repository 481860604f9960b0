// Places in a UTF-8 text as a person reading it counts them: "line L, column C", both from 1,
// columns in characters. Counting goes on from the place asked last when the next one lies after
// it, so that the messages about a document read front to back cost one pass over it in all.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace flk {

class TextPlaces {
public:
    explicit TextPlaces(std::string_view text) : text_(text) {}

    // The place of the byte at offset; an offset past the end names the end.
    std::string at(size_t offset);

private:
    std::string_view text_;
    size_t counted_ = 0;   // the bytes before this offset are counted
    size_t line_ = 1, column_ = 1;   // of the byte at counted_
};

}  // namespace flk
