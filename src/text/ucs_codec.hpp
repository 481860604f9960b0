// The converters behind UCS::CharSetConverter: own code for UTF-16 and UTF-32, the system's iconv
// for everything else. Private to the converter.
#pragma once

#include "text/encoding_names.hpp"
#include "text/ucs_converter.hpp"

#include <memory>
#include <string>

namespace UCS {

class Codec {
public:
    using Result = CharSetConverter::Result;
    virtual ~Codec() = default;
    virtual Result decode(const char*& in, const char* inEnd, wchar_t*& out, wchar_t* outEnd) = 0;
    virtual Result encode(const wchar_t*& in, const wchar_t* inEnd, char*& out, char* outEnd) = 0;
    virtual Result finish(char*&, char*) { return Result::kDone; }
    virtual void omitDataBom() {}
};

// The name of the wide side in messages.
constexpr const char* kWideName = "wchar_t";

// For code pages 1200, 1201, 12000 and 12001; nullptr for any other.
std::unique_ptr<Codec> makeUnicodeCodec(const ResolvedEncoding& encoding, const std::string& name);
// Nullptr when iconv has no converter for the code page.
std::unique_ptr<Codec> makeIconvCodec(const ResolvedEncoding& encoding, const std::string& name, bool decoding);

}  // namespace UCS
