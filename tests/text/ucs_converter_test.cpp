// The converter: own UTF-16 and UTF-32 code (byte orders, surrogates, BOMs in the data), iconv
// for code pages (unmappable characters, //translit, //ignore, stateful encodings), and the
// exceptions' texts.
#include "encoding_test_files.hpp"
#include "text/ucs_converter.hpp"
#include "text/ucs_exceptions.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using UCS::CharSetConverter;

// Decodes all of bytes, feeding the converter through an output buffer of outUnits characters.
std::wstring decodeAll(CharSetConverter& converter, const std::string& bytes, size_t outUnits = 64) {
    std::wstring text;
    const char* in = bytes.data();
    const char* const end = in + bytes.size();
    std::wstring buffer(outUnits, L'\0');
    for (;;) {
        wchar_t* out = buffer.data();
        const auto result = converter.decode(in, end, out, buffer.data() + buffer.size());
        text.append(buffer.data(), out);
        if (result != CharSetConverter::kOutputFull) break;
    }
    EXPECT_EQ(in, end) << "input left over";
    return text;
}

std::string encodeAll(CharSetConverter& converter, const std::wstring& text, size_t outBytes = 64) {
    std::string bytes;
    const wchar_t* in = text.data();
    std::string buffer(outBytes, '\0');
    for (;;) {
        char* out = buffer.data();
        const auto result = converter.encode(in, text.data() + text.size(), out, buffer.data() + buffer.size());
        bytes.append(buffer.data(), out);
        if (result != CharSetConverter::kOutputFull) break;
    }
    char* out = buffer.data();
    converter.finish(out, buffer.data() + buffer.size());
    return bytes.append(buffer.data(), out);
}

std::wstring decodeNamed(const char* name, const std::string& bytes) {
    CharSetConverter converter;
    EXPECT_TRUE(converter.openDecoder(name)) << name;
    return decodeAll(converter, bytes);
}

TEST(UcsConverter, Utf16AndUtf32BothOrdersWithSurrogates) {
    const std::wstring text = L"a\u00E9\u4E2D\U0001F600";
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"UTF-16LE", std::string("a\0\xE9\0\x2D\x4E\x3D\xD8\x00\xDE", 10)},
        {"UTF-16BE", std::string("\0a\0\xE9\x4E\x2D\xD8\x3D\xDE\x00", 10)},
        {"UTF-32LE", std::string("a\0\0\0\xE9\0\0\0\x2D\x4E\0\0\x00\xF6\x01\0", 16)},
        {"UTF-32BE", std::string("\0\0\0a\0\0\0\xE9\0\0\x4E\x2D\0\x01\xF6\x00", 16)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CharSetConverter in;
        ASSERT_TRUE(in.openDecoder(c.name));
        EXPECT_EQ(decodeAll(in, c.bytes, 1), text);  // one character at a time
        CharSetConverter out;
        ASSERT_TRUE(out.openEncoder(c.name));
        EXPECT_EQ(encodeAll(out, text, 4), c.bytes);
    }
}

TEST(UcsConverter, IncompleteAndInvalidUtf16) {
    CharSetConverter converter;
    ASSERT_TRUE(converter.openDecoder("UTF-16LE"));
    const std::string highAtEnd("a\0\x3D\xD8", 4);
    const char* in = highAtEnd.data();
    wchar_t buffer[8];
    wchar_t* out = buffer;
    EXPECT_EQ(converter.decode(in, in + highAtEnd.size(), out, buffer + 8), CharSetConverter::kIncomplete);
    EXPECT_EQ(in - highAtEnd.data(), 2);  // stays at the start of the cut character

    const std::string loneLow("a\0b\0\x00\xDC", 6);
    CharSetConverter fresh;
    ASSERT_TRUE(fresh.openDecoder("UTF-16LE"));
    in = loneLow.data();
    out = buffer;
    try {
        fresh.decode(in, in + loneLow.size(), out, buffer + 8);
        FAIL() << "a lone low surrogate was accepted";
    } catch (const UCS::UnmappableCharacterException& e) {
        EXPECT_EQ(e.position(), 4u);
        EXPECT_EQ(in - loneLow.data(), 4);
        EXPECT_EQ(e.message(), L"while transcoding from 'UTF-16LE' to 'wchar_t' : invalid character or "
                               L"character cannot be converted at position 5");
    }
}

TEST(UcsConverter, BomNamesPutTheBomInTheData) {
    EXPECT_EQ(decodeNamed("UTF-16", std::string("\xFE\xFF\0x", 4)), L"x");
    EXPECT_EQ(decodeNamed("UCS-2", std::string("\xFF\xFEx\0", 4)), L"x");
    EXPECT_EQ(decodeNamed("UTF-16", std::string("x\0", 2)), L"x");
    EXPECT_EQ(decodeNamed("UTF-32", std::string("\0\0\xFE\xFF\0\0\0x", 8)),
              L"x");
    // Without a BOM-carrying name a BOM is a character.
    EXPECT_EQ(decodeNamed("UTF-16LE", std::string("\xFF\xFEx\0", 4)),
              L"\uFEFFx");

    CharSetConverter withBom;
    ASSERT_TRUE(withBom.openEncoder("UTF-16"));
    EXPECT_EQ(encodeAll(withBom, L"x"), std::string("\xFF\xFEx\0", 4));
    CharSetConverter omitted;
    ASSERT_TRUE(omitted.openEncoder("UCS-4"));
    omitted.omitDataBom();
    EXPECT_EQ(encodeAll(omitted, L"x"), std::string("x\0\0\0", 4));
}

TEST(UcsConverter, UnmappableCharacterStopsAtIt) {
    CharSetConverter converter;
    ASSERT_TRUE(converter.openEncoder("US-ASCII"));
    const std::wstring text = L"ab\u4E2Dc";
    const wchar_t* in = text.data();
    char buffer[16];
    char* out = buffer;
    try {
        converter.encode(in, text.data() + text.size(), out, buffer + sizeof buffer);
        FAIL() << "U+4E2D was encoded in US-ASCII";
    } catch (const UCS::UnmappableCharacterException& e) {
        EXPECT_EQ(*in, L'\u4E2D');
        EXPECT_EQ(std::string(buffer, out), "ab");
        EXPECT_EQ(e.position(), 2 * sizeof(wchar_t));
    }
}

TEST(UcsConverter, TranslitAndIgnoreOptions) {
    CharSetConverter translit;
    ASSERT_TRUE(translit.openEncoder("US-ASCII//TRANSLIT"));
    EXPECT_EQ(encodeAll(translit, L"5\u20AC"), "5EUR");
    CharSetConverter ignore;
    ASSERT_TRUE(ignore.openEncoder("us-ascii//ignore"));
    EXPECT_EQ(encodeAll(ignore, L"a\u4E2Db\u00E9c"), "abc");
    CharSetConverter ignoreIn;
    ASSERT_TRUE(ignoreIn.openDecoder("UTF-8//IGNORE"));
    EXPECT_EQ(decodeAll(ignoreIn, "a\xFF" "b"), L"ab");
}

TEST(UcsConverter, StatefulEncodingShiftsBackAtTheEnd) {
    CharSetConverter converter;
    ASSERT_TRUE(converter.openEncoder("ISO-2022-JP"));
    EXPECT_EQ(encodeAll(converter, L"\u65E5"), "\x1B$BF|\x1B(B");
}

TEST(UcsConverter, OpensWhatTheSystemConverts) {
    for (const char* name : {"CP37", "437", "CP850", "CP932", "GBK", "CP949", "BIG5", "CP1250", "WINDOWS-1258",
                             "US-ASCII", "KOI8-R", "koi8-u", "ISO-8859-1", "iso-8859-15", "CP50220", "EUC-JP",
                             "euc-kr", "GB18030", "CP65000", "UTF-8", "macintosh", "CP1200", "UTF-32BE"}) {
        CharSetConverter converter;
        EXPECT_TRUE(converter.openEncoder(name)) << name;
        EXPECT_TRUE(converter.openDecoder(name)) << name;
    }
    for (const char* name : {"x-mac-japanese", "CP853", "hz-gb-2312", "CP99999", "unknown"}) {
        CharSetConverter converter;
        EXPECT_FALSE(converter.openEncoder(name)) << name;
    }
}

TEST(UcsExceptions, WhatIsTheMultibyteFormOrAFixedText) {
    flk::test::CtypeLocale locale("C");
    EXPECT_STREQ(UCS::Exception(L"plain").what(), "plain");
    EXPECT_STREQ(UCS::Exception(L"caf\u00E9").what(), "Error message contains invalid characters");
    EXPECT_EQ(std::string(UCS::Exception(std::wstring(600, L'x')).what()).size(), 511u);
    flk::test::CtypeLocale utf8("C.UTF-8");
    EXPECT_STREQ(UCS::Exception(L"caf\u00E9").what(), "caf\xC3\xA9");
}

}  // namespace
