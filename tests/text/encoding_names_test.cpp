// Encoding names: the cp/xx and digit rules, the alias list in its order, options, the
// canonical names and the default encoding.
#include "encoding_test_files.hpp"
#include "text/encoding_names.hpp"

#include <gtest/gtest.h>

namespace {

using UCS::resolveEncoding;

struct NameCase {
    const char* name;
    int codePage;  // 0: unknown
};

TEST(EncodingNames, ResolveByRuleAndAlias) {
    const NameCase cases[] = {
        {"windows-1252", 1252}, {"WINDOWS-1252", 1252}, {"CP1252", 1252}, {"cp1252", 1252}, {"1252", 1252},
        {"xx437", 437},         {"Cp850", 850},         {"850", 850},     {"UTF-8", 65001}, {"utf8", 65001},
        {"EUC-JP", 51932},      // listed under 51932 before 20932: the first entry wins
        {"ISO-2022-JP", 50221}, // before 50220 and 50222
        {"GB2312", 936},        {"CP-IS", 861},         {"cp-gr", 869},   {"ucs-2le", 1200},
        {"unicodeFFFE", 1201},  {"KOI8-R", 20866},      {"x-mac-ce", 10029}, {"wchar_t", 1200},
        {"UTF-16//translit", 1200}, {"CP1252//IGNORE//TRANSLIT", 1252},
        {"UNIASC_ENCODING", 0}, {"WCHAR_T", 0},         {"latin-9", 0},   {"cp", 0},
        {"CP123456", 0},        {"Char", 0},
    };
    for (const NameCase& c : cases) {
        const auto resolved = resolveEncoding(c.name);
        SCOPED_TRACE(c.name);
        if (c.codePage == 0) {
            EXPECT_FALSE(resolved.has_value());
        } else {
            ASSERT_TRUE(resolved.has_value());
            EXPECT_EQ(resolved->codePage, c.codePage);
        }
    }
}

TEST(EncodingNames, OptionsAndDataBom) {
    const auto plain = resolveEncoding("UTF-16LE");
    EXPECT_FALSE(plain->bomInData);
    for (const char* name : {"UTF-16", "utf16", "UCS-2", "UCS2", "UTF-32", "UTF32", "ucs-4", "UCS4"}) {
        EXPECT_TRUE(resolveEncoding(name)->bomInData) << name;
    }
    const auto options = resolveEncoding("cp1252//Translit//ignore//NOCOMPAT");
    EXPECT_TRUE(options->translit && options->ignore && options->nocompat);
    EXPECT_FALSE(resolveEncoding("cp1252//ignore")->translit);
}

TEST(EncodingNames, CanonicalNamesDecideSameness) {
    EXPECT_EQ(UCS::canonicalName(1252), "WINDOWS-1252");
    EXPECT_EQ(UCS::canonicalName(10001), "OSF00010001");
    EXPECT_EQ(UCS::canonicalName(1145), "IBM1145");
    EXPECT_EQ(UCS::canonicalName(65001), "UTF8");
    EXPECT_EQ(UCS::canonicalName(853), "");
    EXPECT_TRUE(UCS::sameEncoding("CP936", "20936"));  // both GB2312
    EXPECT_TRUE(UCS::sameEncoding("EUC-JP", "20932"));
    EXPECT_TRUE(UCS::sameEncoding("UTF-16", "ucs-2le"));
    EXPECT_FALSE(UCS::sameEncoding("UTF-16LE", "UTF-16BE"));
    EXPECT_FALSE(UCS::sameEncoding("CP853", "CP853"));  // no canonical name
    EXPECT_FALSE(UCS::sameEncoding("nothing", "nothing"));
}

TEST(EncodingNames, DefaultFollowsTheLocaleCodeSet) {
    {
        flk::test::CtypeLocale locale("C.UTF-8");
        EXPECT_EQ(UCS::defaultEncodingName(), "UTF8");
        EXPECT_EQ(resolveEncoding("")->codePage, 65001);
        EXPECT_EQ(resolveEncoding("char")->codePage, 65001);
    }
    // In the C locale the environment's locale names the code set; here it names ASCII.
    flk::test::LocaleEnvironment environment(nullptr, nullptr, "en_US.ANSI_X3.4-1968");
    flk::test::CtypeLocale locale("C");
    EXPECT_EQ(UCS::defaultEncodingName(), "US-ASCII");  // ANSI_X3.4-1968
    EXPECT_EQ(resolveEncoding("")->codePage, 20127);
}

TEST(EncodingNames, InTheCLocaleTheEnvironmentNamesTheCodeSet) {
    struct Case {
        const char* all;
        const char* ctype;
        const char* lang;
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, "de_DE.ISO-8859-1", "ISO-8859-1"},
        {nullptr, "ja_JP.EUC-JP@mod", "de_DE.ISO-8859-1", "EUC-JP"},
        {"en_US.UTF-8", "ja_JP.EUC-JP", "de_DE.ISO-8859-1", "UTF8"},
        {"", "", "de_DE.ISO-8859-1", "ISO-8859-1"},  // empty variables name nothing
        {nullptr, nullptr, "C", "UTF8"},              // a locale without a code set
        {nullptr, nullptr, "POSIX", "UTF8"},
        {nullptr, nullptr, "xx_XX.no-such-set", "UTF8"},
        {nullptr, nullptr, nullptr, "UTF8"},
    };
    for (const char* current : {"C", "POSIX"}) {
        flk::test::CtypeLocale locale(current);
        for (const Case& c : cases) {
            flk::test::LocaleEnvironment environment(c.all, c.ctype, c.lang);
            EXPECT_EQ(UCS::defaultEncodingName(), c.expected)
                << current << " LC_ALL=" << (c.all ? c.all : "-") << " LC_CTYPE=" << (c.ctype ? c.ctype : "-")
                << " LANG=" << (c.lang ? c.lang : "-");
        }
    }
    // Any other current locale decides by itself.
    flk::test::LocaleEnvironment environment(nullptr, nullptr, "de_DE.ISO-8859-1");
    flk::test::CtypeLocale locale("C.UTF-8");
    EXPECT_EQ(UCS::defaultEncodingName(), "UTF8");
}

}  // namespace
