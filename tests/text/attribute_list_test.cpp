// GCC 12 warns about std::function members inside libstdc++'s regex engine when building with
// the sanitizers; the warning is a false positive in the standard library, not in this test.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include "text/attribute_list.hpp"

#include <gtest/gtest.h>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace flk {
namespace {

using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

Pairs split(std::wstring_view list) {
    Pairs pairs;
    for (const Attribute& a : splitAttributeList(list)) pairs.emplace_back(a.name, a.value);
    return pairs;
}

// The matching that the splitter replaces, as the reference.
Pairs splitWithRegex(const std::wstring& list) {
    static const std::wregex pattern(L"([^=;]+)=?([^;]+)?;? *", std::regex::ECMAScript);
    Pairs pairs;
    for (std::wsregex_iterator it(list.begin(), list.end(), pattern), end; it != end; ++it) {
        pairs.emplace_back((*it)[1].str(), (*it)[2].matched ? (*it)[2].str() : std::wstring());
    }
    return pairs;
}

TEST(AttributeList, Cases) {
    struct Case {
        const wchar_t* list;
        Pairs expected;
    };
    const Case cases[] = {
        {L"a=1;b=2; c", {{L"a", L"1"}, {L"b", L"2"}, {L"c", L""}}},
        {L"", {}},
        {L";;=", {}},
        {L"a=", {{L"a", L""}}},
        {L"a==1", {{L"a", L"=1"}}},
        {L"a=;b=2", {{L"a", L""}, {L"b", L"2"}}},
        {L"=x", {{L"x", L""}}},
        {L"first name=Ann Lee ;  age=3", {{L"first name", L"Ann Lee "}, {L"age", L"3"}}},
        {L"a=1;a=2", {{L"a", L"1"}, {L"a", L"2"}}},
        {L"a=1;\tb=2", {{L"a", L"1"}, {L"\tb", L"2"}}},
    };
    for (const Case& c : cases) EXPECT_EQ(split(c.list), c.expected) << "list: " << c.list;
}

TEST(AttributeList, AgreesWithTheRegularExpression) {
    const wchar_t alphabet[] = {L'a', L'b', L' ', L'=', L';', L'\t', L'\u00E9'};
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> length(0, 14);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(alphabet)) - 1);
    for (int round = 0; round < 5000; ++round) {
        std::wstring list;
        for (int n = length(random); n > 0; --n) list += alphabet[pick(random)];
        ASSERT_EQ(split(list), splitWithRegex(list)) << "list: [" << list.size() << " chars]";
    }
}

TEST(AttributeList, LongListsSplitWithoutRecursion) {
    constexpr int kItems = 200000;
    std::wstring list;
    for (int i = 0; i < kItems; ++i) list += L"name" + std::to_wstring(i) + L"=v; ";
    const auto attributes = splitAttributeList(list);
    ASSERT_EQ(attributes.size(), static_cast<std::size_t>(kItems));
    EXPECT_EQ(attributes.back().name, L"name" + std::to_wstring(kItems - 1));
    EXPECT_EQ(attributes.back().value, L"v");
}

}  // namespace
}  // namespace flk
