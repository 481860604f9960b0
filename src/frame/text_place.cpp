#include "frame/text_place.hpp"

#include <algorithm>

namespace flk {

std::string TextPlaces::at(size_t offset) {
    offset = std::min(offset, text_.size());
    if (offset < counted_) counted_ = 0, line_ = 1, column_ = 1;
    for (; counted_ < offset; ++counted_) {
        auto byte = static_cast<unsigned char>(text_[counted_]);
        if (byte == '\n') ++line_, column_ = 1;
        else if ((byte & 0xC0) != 0x80) ++column_;   // continuation bytes belong to the character before
    }
    return "line " + std::to_string(line_) + ", column " + std::to_string(column_);
}

}  // namespace flk
