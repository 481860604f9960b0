#include "formats/xml/xml_text.hpp"

#include "formats/xml/xml_characters.hpp"
#include "formats/xml/xml_limits.hpp"
#include "frame/utf8.hpp"
#include "text/ucs_converter.hpp"
#include "text/ucs_exceptions.hpp"

#include <algorithm>
#include <cctype>

namespace flk {
namespace {

struct Signature {
    std::string_view bytes;
    const char* encoding;
    bool byteOrderMark;   // the bytes are a mark to skip, not text
};

// Longest first: a UTF-32LE mark begins like a UTF-16LE one.
const Signature kSignatures[] = {
    {std::string_view("\xFF\xFE\0\0", 4), "UTF-32LE", true}, {std::string_view("\0\0\xFE\xFF", 4), "UTF-32BE", true},
    {std::string_view("<\0\0\0", 4), "UTF-32LE", false},     {std::string_view("\0\0\0<", 4), "UTF-32BE", false},
    {std::string_view("<\0?\0", 4), "UTF-16LE", false},      {std::string_view("\0<\0?", 4), "UTF-16BE", false},
    {std::string_view("\xFF\xFE", 2), "UTF-16LE", true},     {std::string_view("\xFE\xFF", 2), "UTF-16BE", true},
};

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The encoding an ASCII-compatible document's declaration names, "" when it names none.
std::string_view declaredEncoding(std::string_view text) {
    if (text.substr(0, 5) != "<?xml" || text.size() < 6 || std::string_view(" \t\r\n").find(text[5]) == std::string_view::npos)
        return {};
    std::string_view declaration = text.substr(0, text.find("?>"));
    size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return {};
    at = declaration.find_first_of("\"'", at);
    if (at == std::string_view::npos) return {};
    size_t end = declaration.find(declaration[at], at + 1);
    if (end == std::string_view::npos) return {};
    return declaration.substr(at + 1, end - at - 1);
}

// Decodes in blocks through wide characters; throws the converter's exceptions with in left at
// the bytes that could not be decoded.
void decodeInto(UCS::CharSetConverter& converter, const char*& in, const char* end, std::string& out) {
    wchar_t wide[kXmlDecodeBlock];
    for (;;) {
        wchar_t* to = wide;
        UCS::CharSetConverter::Result result = converter.decode(in, end, to, wide + kXmlDecodeBlock);
        appendUtf8(out, std::wstring_view(wide, size_t(to - wide)));
        if (result == UCS::CharSetConverter::kIncomplete) throw UCS::MalformedCharacterException(L"cut character");
        if (result == UCS::CharSetConverter::kDone) return;
    }
}

}  // namespace

bool XmlText::read(std::istream& input, XmlProblem& problem) {
    bytes_.emplace(StreamBuffer::read(input, 0));
    std::string_view all = bytes_->view();
    start_ = bytes_->byteOrderMarkLength();
    const Signature* signature = nullptr;
    for (const Signature& s : kSignatures)
        if (!signature && all.substr(0, s.bytes.size()) == s.bytes) signature = &s;
    std::string_view declared = signature ? std::string_view() : declaredEncoding(all.substr(start_));
    bool converted = true;
    if (signature) converted = convert(signature->encoding, signature->byteOrderMark ? signature->bytes.size() : 0, problem);
    else if (!declared.empty() && !sameName(declared, "UTF-8") && !sameName(declared, "UTF8")) converted = convert(declared, start_, problem);
    return converted && checkCharacters(problem);
}

bool XmlText::convert(std::string_view encoding, size_t start, XmlProblem& problem) {
    UCS::CharSetConverter converter;
    if (!converter.openDecoder(encoding)) {
        problem = {0, "the encoding '" + std::string(encoding) + "' is not known"};
        return false;
    }
    std::string text;
    const char* in = bytes_->data() + start;
    try {
        decodeInto(converter, in, bytes_->data() + bytes_->size(), text);
    } catch (const UCS::Exception&) {
        // Lines and columns mean nothing in bytes that are not text: the offset is told instead.
        problem = {0, "bytes that are not " + std::string(encoding) + " at byte offset " + std::to_string(in - bytes_->data())};
        return false;
    }
    converted_.emplace(std::move(text));
    bytes_.reset();   // the converted text replaces them
    return true;
}

bool XmlText::checkCharacters(XmlProblem& problem) const {
    long character = 0;
    size_t bad = findInvalidText(body(), character);
    if (bad == std::string_view::npos) return true;
    problem = {bad, character < 0 ? "bytes that are not UTF-8"
                                  : "the character " + characterName(character) + ", which XML documents cannot hold"};
    return false;
}

}  // namespace flk
