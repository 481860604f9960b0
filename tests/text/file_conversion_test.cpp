// Converting files: the edge cases as one table (BOMs, line ends, names, defaults, truncated and
// unconvertible input, empty input), then the kept messages word for word.
#include "encoding_test_files.hpp"
#include "support/file_size_limit.hpp"
#include "text/text_file_errors.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

namespace {

using flk::test::fileName;
using flk::test::readBytes;
using flk::test::writeBytes;

struct ConversionCase {
    const char* what;
    std::string input;
    const wchar_t* inputEncoding;
    const wchar_t* outputEncoding;
    bool noBom;
    bool copied;
    std::string output;
};

std::string bytes(const char* text, size_t size) { return std::string(text, size); }

TEST(FileConversion, EdgeCases) {
    flk::test::CtypeLocale locale("C.UTF-8");  // the default encoding is UTF-8
    const ConversionCase cases[] = {
        {"a BOM wins over the named encoding", "\xEF\xBB\xBF" "caf\xC3\xA9", L"WINDOWS-1252", L"UTF-8", true, true,
         "caf\xC3\xA9"},
        {"UTF-16BE BOM wins", bytes("\xFE\xFF\0h\0i", 6), L"UTF-8", L"UTF-8", true, true, "hi"},
        {"UTF-32LE BOM, not UTF-16LE then NUL", bytes("\xFF\xFE\0\0h\0\0\0", 8), L"", L"UTF-8", true, true, "h"},
        {"CR, LF and CR LF all become CR LF", "a\rb\nc\r\nd\n\re", L"UTF-8", L"UTF-8", true, true,
         "a\r\nb\r\nc\r\nd\r\n\r\ne"},
        {"a last line end CR", "a\r", L"UTF-8", L"UTF-16BE", true, true, bytes("\0a\0\r\0\n", 6)},
        {"UTF-8 output with BOM", "x", L"UTF-8", L"UTF-8", false, true, "\xEF\xBB\xBFx"},
        {"UTF-8 output without BOM", "x", L"UTF-8", L"UTF-8", true, true, "x"},
        {"WINDOWS-1252 never has a BOM", "x", L"UTF-8", L"WINDOWS-1252", false, true, "x"},
        {"UTF-32BE output with BOM", "x", L"UTF-8", L"UTF-32BE", false, true, bytes("\0\0\xFE\xFF\0\0\0x", 8)},
        {"empty output encoding is the default", "\xC3\xA9", L"UTF-8", L"", false, true, "\xEF\xBB\xBF\xC3\xA9"},
        {"char is the default", "\xC3\xA9", L"UTF-8", L"char", false, true, "\xEF\xBB\xBF\xC3\xA9"},
        {"empty input encoding is the default", "\xC3\xA9", L"", L"CP1252", false, true, "\xE9"},
        {"wchar_t is UTF-16LE with BOM", "x", L"UTF-8", L"wchar_t", false, true, bytes("\xFF\xFEx\0", 4)},
        {"UNIASC_ENCODING is UTF-16LE with BOM", "x", L"UTF-8", L"UNIASC_ENCODING", false, true,
         bytes("\xFF\xFEx\0", 4)},
        {"UNIASC_ENCODING is unknown on input", "x", L"UNIASC_ENCODING", L"UTF-8", true, false, ""},
        {"unknown output encoding", "x", L"UTF-8", L"klingon", true, false, ""},
        {"windows-1252", "\xC3\xA9", L"UTF-8", L"windows-1252", false, true, "\xE9"},
        {"CP1252", "\xC3\xA9", L"UTF-8", L"CP1252", false, true, "\xE9"},
        {"cp1252", "\xC3\xA9", L"UTF-8", L"cp1252", false, true, "\xE9"},
        {"1252", "\xC3\xA9", L"UTF-8", L"1252", false, true, "\xE9"},
        {"UCS-2LE without BOM", bytes("h\0\xE9\0", 4), L"UCS-2LE", L"UTF-8", true, true, "h\xC3\xA9"},
        {"UTF-16 names a BOM once, not twice", "x", L"UTF-8", L"UTF-16", false, true, bytes("\xFF\xFEx\0", 4)},
        {"UTF-16 keeps its BOM without the file's", "x", L"UTF-8", L"UTF-16", true, true, bytes("\xFF\xFEx\0", 4)},
        {"truncated UTF-8 keeps what came before", "ab\n\xE4\xB8", L"UTF-8", L"UTF-8", true, false, "ab\r\n"},
        {"invalid UTF-8 keeps what came before", "ab\ncd\xFF" "ef", L"UTF-8", L"UTF-8", true, false, "ab\r\ncd"},
        {"odd UTF-16 byte count", bytes("a\0b", 3), L"UTF-16LE", L"UTF-8", true, false, "a"},
        {"U+4E2D to US-ASCII keeps what came before", "a\xE4\xB8\xAD" "b", L"UTF-8", L"US-ASCII", true, false, "a"},
        {"//translit replaces what has no mapping", "5 \xE2\x82\xAC", L"UTF-8", L"US-ASCII//TRANSLIT", true, true,
         "5 EUR"},
        {"//ignore drops what cannot be decoded", "a\xFF" "b\n", L"utf-8//ignore", L"UTF-8", true, true, "ab\r\n"},
        {"empty input, BOM only", "", L"UTF-8", L"UTF-16BE", false, true, "\xFE\xFF"},
        {"empty input, no BOM", "", L"UTF-8", L"KOI8-R", false, true, ""},
        {"a stateful encoding ends in its initial state", "\xE6\x97\xA5", L"UTF-8", L"ISO-2022-JP", true, true,
         "\x1B$BF|\x1B(B"},
    };
    flk::test::TempFolder folder;
    for (const ConversionCase& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(folder.path("in"), c.input);
        std::remove(folder.path("out").c_str());
        const auto outcome = ucsIO::convertTextFile(fileName(folder.path("in")), c.inputEncoding,
                                                    fileName(folder.path("out")), c.outputEncoding, c.noBom);
        EXPECT_EQ(outcome.copied, c.copied);
        EXPECT_EQ(readBytes(folder.path("out")), c.output);
    }
}

TEST(FileConversion, AnEmptyInputEncodingReadsUtf8InTheCLocaleOfAUtf8Environment) {
    flk::test::TempFolder folder;
    writeBytes(folder.path("in.txt"), "caf\xC3\xA9 \xE2\x82\xAC");
    flk::test::CtypeLocale locale("C");
    for (const char* lang : {"en_US.UTF-8", static_cast<const char*>(nullptr)}) {
        flk::test::LocaleEnvironment environment(nullptr, nullptr, lang);
        const auto outcome = ucsIO::convertTextFile(fileName(folder.path("in.txt")), L"", fileName(folder.path("out.txt")),
                                                    L"WINDOWS-1252", true);
        EXPECT_TRUE(outcome.copied) << (lang ? lang : "no locale named");
        EXPECT_EQ(readBytes(folder.path("out.txt")), "caf\xE9 \x80");
    }
}

TEST(FileConversion, MissingInputAndUnwritableOutput) {
    flk::test::TempFolder folder;
    EXPECT_FALSE(ucsIO::convertTextFile(fileName(folder.path("none")), L"", fileName(folder.path("out")), L"", true).copied);
    writeBytes(folder.path("in"), "x");
    EXPECT_FALSE(
        ucsIO::convertTextFile(fileName(folder.path("in")), L"", fileName(folder.path("no/such/out")), L"", true).copied);
}

TEST(FileConversion, OntoItselfLeavesTheFileAlone) {
    flk::test::TempFolder folder;
    writeBytes(folder.path("in"), "keep me");
    const std::string sameFile = folder.path(".") + "/in";
    EXPECT_FALSE(ucsIO::convertTextFile(fileName(folder.path("in")), L"UTF-8", fileName(sameFile), L"UTF-16", false).copied);
    EXPECT_EQ(readBytes(folder.path("in")), "keep me");
}

TEST(FileConversion, UnknownEncodingRecordsItsCode) {
    flk::test::TempFolder folder;
    writeBytes(folder.path("in"), "x");
    const auto input = ucsIO::convertTextFile(fileName(folder.path("in")), L"UNIASC_ENCODING", fileName(folder.path("out")),
                                              L"UTF-8", true);
    EXPECT_EQ(input.inputError, ucsIO::kUnknownEncoding);
    const auto output =
        ucsIO::convertTextFile(fileName(folder.path("in")), L"UTF-8", fileName(folder.path("out")), L"CP853", true);
    EXPECT_EQ(output.outputError, ucsIO::kUnknownEncoding);
}

struct MessageCase {
    const char* what;
    std::string input;
    const wchar_t* inputEncoding;
    const wchar_t* outputEncoding;
    std::int32_t inputError;
    std::wstring inputMessage;  // <file> stands for the input file's name
    std::int32_t outputError;
    std::wstring outputMessage;  // <file> stands for the output file's name
};

std::wstring withFile(std::wstring text, const std::string& path) {
    const size_t at = text.find(L"<file>");
    if (at != std::wstring::npos) text.replace(at, 6, std::wstring(path.begin(), path.end()));
    return text;
}

TEST(FileConversion, KeptMessages) {
    const MessageCase cases[] = {
        {"truncated UTF-8", "ab\xE4\xB8", L"UTF-8", L"UTF-8", ucsIO::kBadCharacter,
         L"Reading file: '<file>': unexpected end of file, perhaps caused by using the wrong character encoding: "
         L"\"UTF-8\".",
         0, L""},
        {"the detected encoding is the one named", "\xEF\xBB\xBF\xE4", L"CP1252", L"UTF-8", ucsIO::kBadCharacter,
         L"Reading file: '<file>': unexpected end of file, perhaps caused by using the wrong character encoding: "
         L"\"UTF-8\".",
         0, L""},
        {"undecodable byte on line 2", "ab\ncd\xFF", L"utf-8", L"UTF-8", ucsIO::kBadCharacter,
         L"Reading file: '<file>': Cannot convert input character(s) at (2,2) using the input encoding: utf-8.", 0,
         L""},
        {"undecodable first byte", "\x80", L"UTF-8", L"UTF-8", ucsIO::kBadCharacter,
         L"Reading file: '<file>': Cannot convert input character(s) at (1,0) using the input encoding: UTF-8.", 0,
         L""},
        {"U+4E2D to US-ASCII", "a\xE4\xB8\xAD", L"UTF-8", L"US-ASCII", 0, L"", ucsIO::kBadCharacter,
         L"Writing file \"<file>\"(offset:1): Cannot convert the unicode character '\u200E\u4E2D\u200E' (U+4E2D) to "
         L"the output encoding: US-ASCII."},
        {"U+00E9 after a translated line end", "x\n\xC3\xA9", L"UTF-8", L"ASCII", 0, L"", ucsIO::kBadCharacter,
         L"Writing file \"<file>\"(offset:3): Cannot convert the unicode character '\u200E\u00E9\u200E' (U+00E9) to "
         L"the output encoding: ASCII."},
        {"a character beyond the BMP", "\xF0\x9F\x98\x80", L"UTF-8", L"CP1252", 0, L"", ucsIO::kBadCharacter,
         L"Writing file \"<file>\"(offset:0): Cannot convert the unicode character '\u200E\U0001F600\u200E' "
         L"(U+1F600) to the output encoding: CP1252."},
    };
    flk::test::TempFolder folder;
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(folder.path("in"), c.input);
        const auto outcome = ucsIO::convertTextFile(fileName(folder.path("in")), c.inputEncoding,
                                                    fileName(folder.path("out")), c.outputEncoding, true);
        EXPECT_FALSE(outcome.copied);
        EXPECT_EQ(outcome.inputError, c.inputError);
        EXPECT_EQ(outcome.inputMessage, withFile(c.inputMessage, folder.path("in")));
        EXPECT_EQ(outcome.outputError, c.outputError);
        EXPECT_EQ(outcome.outputMessage, withFile(c.outputMessage, folder.path("out")));
    }
}

}  // namespace

namespace {

// Only a finished conversion replaces the output file: an unknown encoding, an input that is not a
// regular file and a write that fails leave it as it was, and the reason is kept with the file.
TEST(FileConversion, AFailedConversionLeavesTheOutputThatWasThere) {
    struct Case {
        const char* what;
        std::string input;
        const wchar_t* outputEncoding;
        rlim_t sizeLimit;   // 0 for none
        std::int32_t inputError;
        std::wstring inputMessage;   // <file> stands for the input file's name
        std::int32_t outputError;
        std::wstring outputMessage;   // <file> stands for the output file's name
    };
    flk::test::TempFolder folder;
    writeBytes(folder.path("in"), "new text");
    ASSERT_EQ(mkdir(folder.path("folder").c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(folder.path("fifo").c_str(), 0600), 0);
    const Case cases[] = {
        {"unknown output encoding", folder.path("in"), L"klingon", 0, 0, L"", ucsIO::kUnknownEncoding, L""},
        {"a directory as input", folder.path("folder"), L"UTF-8", 0, ucsIO::kFileError,
         L"Reading file: '<file>': it is a directory, not a regular file.", 0, L""},
        {"a FIFO as input", folder.path("fifo"), L"UTF-8", 0, ucsIO::kFileError,
         L"Reading file: '<file>': it is a FIFO, not a regular file.", 0, L""},
        {"an endless device as input", "/dev/zero", L"UTF-8", 0, ucsIO::kFileError,
         L"Reading file: '<file>': it is a character device, not a regular file.", 0, L""},
        {"a missing input", folder.path("none"), L"UTF-8", 0, ucsIO::kFileError,
         L"Reading file: '<file>': No such file or directory.", 0, L""},
        {"a write past the room left", folder.path("in"), L"UTF-8", 4, 0, L"", ucsIO::kFileError,
         L"Writing file \"<file>\": File too large."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(folder.path("out"), "the old text");
        ucsIO::ConversionOutcome outcome;
        {
            std::optional<flk::test::FileSizeLimit> limit;
            if (c.sizeLimit) limit.emplace(c.sizeLimit);
            outcome = ucsIO::convertTextFile(fileName(c.input), L"UTF-8", fileName(folder.path("out")), c.outputEncoding,
                                             true);
        }
        EXPECT_FALSE(outcome.copied);
        EXPECT_EQ(readBytes(folder.path("out")), "the old text");
        EXPECT_EQ(outcome.inputError, c.inputError);
        EXPECT_EQ(outcome.inputMessage, withFile(c.inputMessage, c.input));
        EXPECT_EQ(outcome.outputError, c.outputError);
        EXPECT_EQ(outcome.outputMessage, withFile(c.outputMessage, folder.path("out")));
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path(".")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"fifo", "folder", "in", "out"}));   // no temporary left
}

TEST(FileConversion, AFullDiskIsReportedWithTheSystemsReason) {
    flk::test::TempFolder folder;
    writeBytes(folder.path("in"), "text");
    const auto outcome = ucsIO::convertTextFile(fileName(folder.path("in")), L"UTF-8", fileName("/dev/full"), L"UTF-8", true);
    EXPECT_FALSE(outcome.copied);
    EXPECT_EQ(outcome.outputError, ucsIO::kFileError);
    EXPECT_EQ(outcome.outputMessage, L"Writing file \"/dev/full\": No space left on device.");
}

}  // namespace
