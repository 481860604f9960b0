#include "text/name_uuid.hpp"

#include <gtest/gtest.h>
#include <string>

namespace flk {
namespace {

struct UuidCase {
    std::wstring name;
    const char* uuid;
};

// Computed independently by make_uuid_cases.py (Python's hashlib over the same byte layout).
const UuidCase kKnownNames[] = {
    {L"", "0c931573-084a-5219-89d2-ba12cd190c63"},
    {L"a", "d16ea1a6-217c-5837-9a9f-7739af46cdc2"},
    {L"name", "7bdd994b-578c-5658-9262-79b9c249c966"},
    {L"Products", "8885c40f-0559-5022-945b-3d98fee10c49"},
    {L"\u00E9t\u00E9", "e9cbf987-2abb-53ef-92d5-53d8a37bc757"},
    {L"e\u0301", "435bc6f3-2bb2-5b74-a274-a61fa09a3bb7"},
    {L"\u65E5\u672C\u8A9E", "e84f428c-c224-5fe0-98a7-326013b80d5e"},
    {L"\U0001F600 smile", "fd13a50a-9e56-5d80-8fdb-4554d153eb6b"},
    {L"\xD800", "2719c636-361c-554f-9323-0c2a695398e8"},
    {std::wstring(1000, L'x'), "d4d69b44-5598-5e20-896f-873d76903ee1"},
};

TEST(NameUuid, MatchesAnIndependentComputation) {
    for (const UuidCase& c : kKnownNames) {
        SCOPED_TRACE(c.uuid);
        EXPECT_EQ(nameBasedUuid(c.name), c.uuid);
        const std::u16string utf16 = [&] {
            std::u16string units;
            for (wchar_t w : c.name) {
                if (static_cast<std::uint32_t>(w) < 0x10000) {
                    units += static_cast<char16_t>(w);
                } else {
                    units += static_cast<char16_t>(0xD800 + ((w - 0x10000) >> 10));
                    units += static_cast<char16_t>(0xDC00 + ((w - 0x10000) & 0x3FF));
                }
            }
            return units;
        }();
        EXPECT_EQ(nameBasedUuid(utf16), c.uuid);
    }
}

TEST(NameUuid, IsStableWithVersionAndVariantDigits) {
    for (const wchar_t* name : {L"", L"Cities", L"Price of apples", L"\u00C5ngstr\u00F6m"}) {
        const std::string first = nameBasedUuid(std::wstring_view(name));
        EXPECT_EQ(nameBasedUuid(std::wstring_view(name)), first);
        ASSERT_EQ(first.size(), 36u);
        for (std::size_t i = 0; i < first.size(); ++i) {
            if (i == 8 || i == 13 || i == 18 || i == 23) {
                EXPECT_EQ(first[i], '-') << first;
            } else {
                EXPECT_TRUE(std::isdigit(first[i]) || (first[i] >= 'a' && first[i] <= 'f')) << first;
            }
        }
        EXPECT_EQ(first[14], '5') << first;
        EXPECT_NE(std::string("89ab").find(first[19]), std::string::npos) << first;
    }
    EXPECT_NE(nameBasedUuid(std::wstring_view(L"a")), nameBasedUuid(std::wstring_view(L"b")));
}

TEST(NameUuid, WideValuesBeyondUtf16HashAsReplacementCharacter) {
    const std::wstring beyond(1, static_cast<wchar_t>(0x110000));
    EXPECT_EQ(nameBasedUuid(beyond), nameBasedUuid(std::wstring_view(L"\uFFFD")));
}

}  // namespace
}  // namespace flk
