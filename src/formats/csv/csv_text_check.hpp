// The check that a CSV input is text: UTF-8 without NUL bytes (the host's strings end at a NUL).
// It takes the input in blocks as they arrive; a character may be split between two blocks.
#pragma once

#include <cstddef>

namespace flk {

class CsvTextCheck {
public:
    // The position of the first byte of the block that is not part of valid text, or size.
    size_t check(const char* bytes, size_t size);
    // At the end of the input: the lead byte of a character that the input cut short, or 0.
    unsigned char openCharacter() const { return need_ > 0 ? lead_ : 0; }

private:
    unsigned need_ = 0;            // continuation bytes the current character still needs
    unsigned char low_ = 0x80;     // the range the next continuation byte must lie in
    unsigned char high_ = 0xBF;
    unsigned char lead_ = 0;
    size_t checkAscii(const char* bytes, size_t at, size_t size) const;
    bool lead(unsigned char byte);
};

}  // namespace flk
