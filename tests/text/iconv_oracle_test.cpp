// glibc's iconv tool as the outside oracle: a UTF-8 text that each encoding can represent is
// converted by us and by the tool (line ends made CR LF first) and the bytes compared; then our
// output is converted back and compared with the original.
#include "encoding_test_files.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using flk::test::fileName;
using flk::test::readBytes;
using flk::test::writeBytes;

constexpr const char* kIconvTool = "/usr/bin/iconv";
constexpr int kRepeats = 400;  // enough lines to cross every buffer boundary many times

struct OracleCase {
    const char* encoding;  // our name and the tool's
    const char* sample;    // UTF-8, one line without its end
};

const OracleCase kCases[] = {
    {"CP1252", "Gr\xC3\xBC\xC3\x9F" "e, caf\xC3\xA9 \xE2\x80\x94 \xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x82\xAC 100"},
    {"ISO-8859-15", "\xC5\x92uvre \xE2\x82\xAC \xC3\xA0 la carte, \xC5\xA0koda \xC5\xBD"},
    {"CP437", "\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97 \xC3\x87 \xC3\xBC \xC3\xA9 \xC2\xBD \xE2\x96\x91"},
    {"KOI8-R", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80! \xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0"},
    {"CP932", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88 abc "
              "\xEF\xBD\xB6\xEF\xBE\x80\xEF\xBD\xB6\xEF\xBE\x85"},
    {"EUC-JP", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88 abc"},
    {"GB18030", "\xE4\xB8\xAD\xE6\x96\x87\xE6\x96\x87\xE6\x9C\xAC \xF0\x9F\x98\x80 \xE2\x82\xAC \xC3\xA9"},
    {"BIG5", "\xE7\xB9\x81\xE9\xAB\x94\xE4\xB8\xAD\xE6\x96\x87 abc \xE5\x8F\xB0\xE7\x81\xA3"},
    {"ISO-2022-JP", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E abc \xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88"},
    {"UTF-16BE", "mixed \xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80 end"},
    {"UTF-32LE", "mixed \xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80 end"},
};

// The sample repeated with every kind of line end, and the same text with CR LF everywhere.
void makeTexts(const std::string& sample, std::string& mixed, std::string& crlf) {
    const char* ends[] = {"\n", "\r\n", "\r"};
    for (int i = 0; i < kRepeats; ++i) {
        const std::string line = sample + " " + std::to_string(i);
        mixed += line + ends[i % 3];
        crlf += line + "\r\n";
    }
}

bool iconvTool(const char* from, const char* to, const std::string& in, const std::string& out) {
    const std::string command =
        std::string(kIconvTool) + " -f " + from + " -t " + to + " '" + in + "' > '" + out + "'";
    return std::system(command.c_str()) == 0;
}

TEST(IconvOracle, SameBytesAsTheIconvToolAndBack) {
    if (std::system((std::string("test -x ") + kIconvTool).c_str()) != 0) {
        GTEST_SKIP() << kIconvTool << " is not installed";
    }
    flk::test::TempFolder folder;
    for (const OracleCase& c : kCases) {
        SCOPED_TRACE(c.encoding);
        std::string mixed, crlf;
        makeTexts(c.sample, mixed, crlf);
        writeBytes(folder.path("mixed"), mixed);
        writeBytes(folder.path("crlf"), crlf);
        ASSERT_TRUE(iconvTool("UTF-8", c.encoding, folder.path("crlf"), folder.path("expected")));
        const std::wstring encoding(c.encoding, c.encoding + std::char_traits<char>::length(c.encoding));

        const auto there = ucsIO::convertTextFile(fileName(folder.path("mixed")), L"UTF-8",
                                                  fileName(folder.path("ours")), encoding, true);
        EXPECT_TRUE(there.copied);
        const std::string ours = readBytes(folder.path("ours"));
        EXPECT_EQ(ours.size(), readBytes(folder.path("expected")).size());
        EXPECT_TRUE(ours == readBytes(folder.path("expected"))) << "bytes differ from the iconv tool's";

        const auto back = ucsIO::convertTextFile(fileName(folder.path("ours")), encoding,
                                                 fileName(folder.path("back")), L"UTF-8", true);
        EXPECT_TRUE(back.copied);
        EXPECT_TRUE(readBytes(folder.path("back")) == crlf) << "the way back differs from the original";
    }
}

}  // namespace
