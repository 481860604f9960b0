// UCS::CharSetConverter: converts between a named encoding and the platform's wide characters
// (wchar_t, UTF-32 here), in the manner of iconv: convert as much as fits, then say whether the
// input ran out inside a character or the output filled up.
//
// UTF-16LE/BE and UTF-32LE/BE are converted by own code; every other code page by the system's
// iconv. A converter is not thread-safe; it keeps the state of a stateful encoding between calls.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace UCS {

class Codec;

class CharSetConverter {
public:
    enum Result { kDone = 0, kIncomplete = 1, kOutputFull = 2 };

    CharSetConverter();
    virtual ~CharSetConverter();
    CharSetConverter(const CharSetConverter&) = delete;
    CharSetConverter& operator=(const CharSetConverter&) = delete;

    // From the named encoding to wide characters, or back. False when the name is unknown or the
    // system has no converter for its code page.
    bool openDecoder(std::string_view source);
    bool openEncoder(std::string_view target);

    // Convert from in to out, advancing both past what was used and written. kIncomplete: the
    // input ends inside a character (in stays at its start); kOutputFull: out is full.
    // Throw UnmappableCharacterException with in at the offending input when a sequence is
    // invalid or a character cannot be represented; SystemException for any other failure.
    Result decode(const char*& in, const char* inEnd, wchar_t*& out, wchar_t* outEnd);
    Result encode(const wchar_t*& in, const wchar_t* inEnd, char*& out, char* outEnd);

    // Writes what a stateful encoding needs at the end of the text (the shift to its initial state).
    Result finish(char*& out, char* outEnd);

    // The file already carries the BOM that the encoding's name puts in front of the data: the
    // encoder does not write a second one.
    void omitDataBom();

private:
    bool open(std::string_view name, bool decoding);

    std::unique_ptr<Codec> codec_;
};

}  // namespace UCS
