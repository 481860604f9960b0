#include "text/ucs_converter.hpp"

#include "text/ucs_codec.hpp"

namespace UCS {

CharSetConverter::CharSetConverter() = default;
CharSetConverter::~CharSetConverter() = default;

bool CharSetConverter::openDecoder(std::string_view source) { return open(source, true); }
bool CharSetConverter::openEncoder(std::string_view target) { return open(target, false); }

bool CharSetConverter::open(std::string_view name, bool decoding) {
    codec_.reset();
    const std::optional<ResolvedEncoding> encoding = resolveEncoding(name);
    if (!encoding) return false;
    const std::string text(name);
    codec_ = makeUnicodeCodec(*encoding, text);
    if (!codec_) codec_ = makeIconvCodec(*encoding, text, decoding);
    return codec_ != nullptr;
}

CharSetConverter::Result CharSetConverter::decode(const char*& in, const char* inEnd, wchar_t*& out, wchar_t* outEnd) {
    return codec_->decode(in, inEnd, out, outEnd);
}

CharSetConverter::Result CharSetConverter::encode(const wchar_t*& in, const wchar_t* inEnd, char*& out, char* outEnd) {
    return codec_->encode(in, inEnd, out, outEnd);
}

CharSetConverter::Result CharSetConverter::finish(char*& out, char* outEnd) { return codec_->finish(out, outEnd); }

void CharSetConverter::omitDataBom() { codec_->omitDataBom(); }

}  // namespace UCS
