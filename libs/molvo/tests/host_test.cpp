// The simulated host through its C interface: values, sets, calendars, procedures, control, errors.
#include "support/host_fixture.hpp"

#include <atomic>
#include <functional>
#include <map>
#include <thread>

namespace flk::test {
namespace {

int handleOf(const wchar_t* name) {
    int h = 0;
    EXPECT_EQ(MolvoIdentifierHandleCreateW(name, nullptr, nullptr, 0, &h), 1) << lastHostErrorText();
    return h;
}

int elementOf(int set, const wchar_t* name, bool create = false) {
    int e = 0, created = 0;
    MolvoSetElementNumberW(set, name, create ? 1 : 0, &e, &created);
    return e;
}

using HostApi = HostTest;

TEST_F(HostApi, ValuesIterateInTupleOrderAndDefaultsAreNotStored) {
    declareShop();
    int stock = handleOf(L"Stock"), p = handleOf(L"p"), c = handleOf(L"c");
    int pear = elementOf(p, L"pear"), apple = elementOf(p, L"apple");
    int rome = elementOf(c, L"Rome"), paris = elementOf(c, L"Paris");
    int tuples[] = {pear, rome, apple, rome, pear, paris, apple, paris};
    MolvoValueW values[4] = {{0, 4, 0, nullptr}, {0, 2, 0, nullptr}, {0, 3, 0, nullptr}, {0, 0, 0, nullptr}};
    ASSERT_EQ(MolvoValueAssignMultiW(stock, 4, tuples, values), 1);
    EXPECT_EQ(model().card(L"Stock"), 3u);   // the value 0 is the default: not stored

    int count = 10, got[20];
    MolvoValueW out[10];
    ASSERT_EQ(MolvoValueNextMultiW(stock, &count, got, out), 1);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(std::vector<int>(got, got + 6), (std::vector<int>{apple, rome, pear, paris, pear, rome}));
    EXPECT_EQ(out[0].Int, 2);
    count = 10;
    EXPECT_EQ(MolvoValueNextMultiW(stock, &count, got, out), 0);
    int code = 0;
    lastHostErrorText(&code);
    EXPECT_EQ(code, MOLVO_ERR_END_OF_DATA);

    MolvoValueW label{0, 0, 16, new wchar_t[16]};
    int labelHandle = handleOf(L"Label");
    ASSERT_EQ(MolvoValueRetrieveW(labelHandle, &pear, &label), 1);
    EXPECT_EQ(std::wstring(label.String), L"none");
    delete[] label.String;
}

// Values assigned in tuple order are walked without sorting; one erased among them, or brought
// back, must still be left out or met in its place.
TEST_F(HostApi, ValuesAssignedInOrderIterateWithoutTheErasedOnes) {
    declareShop();
    int stock = handleOf(L"Stock");
    auto assign = [&](int p, int c, int value) {
        int tuple[] = {p, c};
        MolvoValueW v{0, value, 0, nullptr};
        ASSERT_EQ(MolvoValueAssignW(stock, tuple, &v), 1);
    };
    auto walk = [&] {
        int count = 10, got[20];
        MolvoValueW out[10];
        MolvoValueResetHandle(stock);
        EXPECT_EQ(MolvoValueNextMultiW(stock, &count, got, out), 1);
        std::vector<int> seen;
        for (int i = 0; i < count; ++i) seen.insert(seen.end(), {got[2 * i], got[2 * i + 1], out[i].Int});
        return seen;
    };
    assign(1, 1, 5);
    assign(1, 3, 6);
    assign(2, 2, 7);
    EXPECT_EQ(walk(), (std::vector<int>{1, 1, 5, 1, 3, 6, 2, 2, 7}));
    assign(1, 3, 0);   // the default: erased
    EXPECT_EQ(walk(), (std::vector<int>{1, 1, 5, 2, 2, 7}));
    assign(1, 3, 8);
    EXPECT_EQ(walk(), (std::vector<int>{1, 1, 5, 1, 3, 8, 2, 2, 7}));
}

TEST_F(HostApi, SubsetsTakeElementsFromTheirRootAndGuardDomains) {
    declareShop();
    int big = handleOf(L"Big"), capital = handleOf(L"Capital");
    int madrid = elementOf(big, L"Madrid", true);
    EXPECT_EQ(madrid, 4);                                   // numbered in the root set
    EXPECT_EQ(model().elements(L"Big"), (std::vector<std::wstring>{L"Paris"}));
    EXPECT_EQ(model().elements(L"Cities").back(), L"Madrid");

    MolvoValueW v{7, 0, 0, nullptr};
    EXPECT_EQ(MolvoValueAssignW(capital, &madrid, &v), 0);   // not in Big yet
    int code = 0;
    lastHostErrorText(&code);
    EXPECT_EQ(code, MOLVO_ERR_OUTSIDE_DOMAIN);

    ASSERT_EQ(MolvoSetAddElementRecursiveMulti(big, 1, &madrid), 1);
    EXPECT_EQ(MolvoValueAssignW(capital, &madrid, &v), 1);
    EXPECT_EQ(MolvoSetAddElementRecursiveMulti(big, 1, &madrid), 0);
    lastHostErrorText(&code);
    EXPECT_EQ(code, MOLVO_ERR_ALREADY_MEMBER);

    int second = 0;
    ASSERT_EQ(MolvoSetOrdinalToElement(big, 2, &second), 1);
    EXPECT_EQ(second, madrid);
}

TEST_F(HostApi, EmptyingARootSetDropsWhatDependsOnIt) {
    declareShop();
    model().assign(L"Price", {L"apple"}, 2.0);
    model().assign(L"Best", {}, std::wstring(L"pear"));
    model().empty(L"Products");
    EXPECT_TRUE(model().elements(L"Products").empty());
    EXPECT_EQ(model().card(L"Price"), 0u);
    EXPECT_EQ(model().card(L"Best"), 0u);
}

TEST_F(HostApi, CalendarsHaveFixedSlotsAndConvertDates) {
    molvo::SetDeclaration days;
    days.indices = {L"d"};
    days.calendar = std::make_unique<molvo::Calendar>(
        molvo::Calendar{molvo::CalendarUnit::Day, L"2024-01-01", L"2024-12-31", L"%c%y-%m-%d"});
    model().declareSet(L"Days", days);
    auto names = model().elements(L"Days");
    ASSERT_EQ(names.size(), 366u);
    EXPECT_EQ(names[59], L"2024-02-29");

    int d = handleOf(L"d"), isCalendar = 0, element = 0;
    ASSERT_EQ(MolvoSetIsCalendar(d, &isCalendar), 1);
    EXPECT_EQ(isCalendar, 1);
    ASSERT_EQ(MolvoSetDateToElement(d, 2024, 3, 1, 13, 5, 0, &element), 1);
    EXPECT_EQ(element, 61);
    int y, m, day, h, mi, s;
    ASSERT_EQ(MolvoSetElementToDate(d, element, &y, &m, &day, &h, &mi, &s), 1);
    EXPECT_EQ((std::vector<int>{y, m, day, h, mi, s}), (std::vector<int>{2024, 3, 1, 0, 0, 0}));
    EXPECT_EQ(MolvoSetDateToElement(d, 2025, 1, 1, 0, 0, 0, &element), 0);
    EXPECT_EQ(elementOf(d, L"2030-01-01", true), 0);          // calendars cannot grow
}

TEST_F(HostApi, LongStringsAreCutWithAWarningCode) {
    declareShop();
    model().assign(L"Label", {L"apple"}, std::wstring(40, L'x'));
    int label = handleOf(L"Label"), apple = 1, code = 0;
    wchar_t buffer[11];
    MolvoValueW v{0, 0, 11, buffer};
    EXPECT_EQ(MolvoValueRetrieveW(label, &apple, &v), 0);
    lastHostErrorText(&code);
    EXPECT_EQ(code, MOLVO_ERR_TRUNCATED);
    EXPECT_EQ(std::wstring(buffer), std::wstring(10, L'x'));
    EXPECT_EQ(v.Length, 40);
}

// Names and string values are stored compactly (a byte per character where they allow it): every
// character must come back as it went in, through renames and replacements that leave old texts
// behind to be reclaimed.
TEST_F(HostApi, NamesAndTextsComeBackExactlyThroughRenamesAndReplacements) {
    declareShop();
    int p = handleOf(L"p"), label = handleOf(L"Label");
    const std::vector<std::wstring> texts{L"caf\u00e9", L"\u20ac5", L"smile \U0001F600", std::wstring(1, wchar_t(0xD800)),
                                          std::wstring(1, wchar_t(-5)) + L"x", std::wstring(200, L'y'),
                                          std::wstring(20000, L'\u00ff'), std::wstring(300, L'\u0100')};
    std::vector<int> elements;
    for (const auto& text : texts) elements.push_back(elementOf(p, text.c_str(), true));
    auto nameOf = [&](int element) {
        std::vector<wchar_t> buffer(30000);
        MolvoValueW v{0, 0, int(buffer.size()), buffer.data()};
        EXPECT_EQ(MolvoSetElementToNameW(p, element, &v), 1) << lastHostErrorText();
        return std::wstring(buffer.data(), size_t(v.Length));
    };
    auto labelOf = [&](int element) {
        std::vector<wchar_t> buffer(30000);
        MolvoValueW v{0, 0, int(buffer.size()), buffer.data()};
        EXPECT_EQ(MolvoValueRetrieveW(label, &element, &v), 1) << lastHostErrorText();
        return std::wstring(buffer.data(), size_t(v.Length));
    };
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(nameOf(elements[i]), texts[i]);
        EXPECT_EQ(elementOf(p, texts[i].c_str()), elements[i]);
        model().assign(L"Label", {texts[i]}, texts[texts.size() - 1 - i]);
    }
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(labelOf(elements[i]), texts[texts.size() - 1 - i]);

    // Enough renames and replacements of long texts for the old ones to be reclaimed several times.
    int apple = elementOf(p, L"apple");
    for (int round = 0; round < 3000; ++round) {
        std::wstring name = std::wstring(100, L'\u00e9') + std::to_wstring(round);
        ASSERT_EQ(MolvoSetRenameElementW(p, apple, name.c_str()), 1) << lastHostErrorText();
        std::wstring text = std::wstring(100, round % 2 ? L'\u20ac' : L'a') + std::to_wstring(round);
        MolvoValueW v{0, 0, 0, text.data()};
        ASSERT_EQ(MolvoValueAssignW(label, &apple, &v), 1) << lastHostErrorText();
    }
    EXPECT_EQ(nameOf(apple), std::wstring(100, L'\u00e9') + L"2999");
    EXPECT_EQ(elementOf(p, (std::wstring(100, L'\u00e9') + L"2998").c_str()), 0);
    EXPECT_EQ(labelOf(apple), std::wstring(100, L'\u20ac') + L"2999");
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(nameOf(elements[i]), texts[i]);
        EXPECT_EQ(elementOf(p, texts[i].c_str()), elements[i]);
        EXPECT_EQ(labelOf(elements[i]), texts[texts.size() - 1 - i]);
    }
    model().assign(L"Label", {texts[0]}, std::wstring(L"none"));   // the default: no longer stored
    EXPECT_EQ(model().card(L"Label"), texts.size());
    EXPECT_EQ(labelOf(elements[0]), L"none");
}

// Names made in runs ("k1", "k2", ...) are indexed by their stem and number: names that share a
// stem or a number, differ only by leading zeros, carry more digits than a number holds, or are
// taken at a stride must each keep their own element, created in mixed order, found again after the
// index has grown many times, renamed into and out of a run, and gone when their set is emptied.
TEST_F(HostApi, NamesInRunsKeepTheirElementsThroughGrowthRenamesAndEmptying) {
    declareShop();
    int p = handleOf(L"p");
    const std::vector<std::function<std::wstring(int)>> families{
        [](int i) { return L"k" + std::to_wstring(i); },
        [](int i) { return L"k0" + std::to_wstring(i); },                      // "k01" beside "k1"
        [](int i) { return std::to_wstring(i); },                              // digits alone
        [](int i) { return L"t" + std::to_wstring(i * 4096); },                // a stride
        [](int i) { return L"x" + std::to_wstring(12345678900000ull + unsigned(i)); },   // 14 digits
        [](int i) { return L"\u00e9t\u00e9 " + std::to_wstring(i) + L"b"; },   // digits inside
        [](int i) { return L"\u4e2d" + std::to_wstring(i); },
    };
    constexpr int kPerFamily = 30000, kPrime = 7919;   // kPrime walks the numbers in mixed order
    std::vector<std::wstring> names;
    for (int n = 0; n < kPerFamily; ++n)
        for (const auto& family : families) names.push_back(family(int((long(n) * kPrime) % kPerFamily)));
    const int before = int(model().elements(L"Products").size());
    for (size_t i = 0; i < names.size(); ++i) {
        int e = 0, created = 0;
        ASSERT_EQ(MolvoSetElementNumberW(p, names[i].c_str(), 1, &e, &created), 1) << lastHostErrorText();
        ASSERT_EQ(e, before + int(i) + 1) << "'" << names[i] << "' was taken as an existing name";
        ASSERT_EQ(created, 1);
    }
    for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(elementOf(p, names[i].c_str()), before + int(i) + 1) << names[i];
    for (const wchar_t* absent : {L"k007", L"k000", L"007", L"t1", L"x345678900000", L"k", L"", L"\u00e9t\u00e9 7", L"\u4e2d-1"})
        EXPECT_EQ(elementOf(p, absent), 0) << absent;

    // Out of a run and into it again, under another element; renaming to itself is no change.
    const int k5 = elementOf(p, L"k5"), apple = elementOf(p, L"apple");
    ASSERT_EQ(MolvoSetRenameElementW(p, k5, L"k5"), 1);
    ASSERT_EQ(MolvoSetRenameElementW(p, k5, L"plum"), 1) << lastHostErrorText();
    ASSERT_EQ(MolvoSetRenameElementW(p, apple, L"k5"), 1) << lastHostErrorText();
    EXPECT_EQ(MolvoSetRenameElementW(p, apple, L"k05"), 0);   // taken by the leading-zero family
    int code = 0;
    lastHostErrorText(&code);
    EXPECT_EQ(code, MOLVO_ERR_DUPLICATE_NAME);
    const std::vector<std::pair<std::wstring, int>> after{{L"k5", apple}, {L"plum", k5}, {L"apple", 0},
                                                          {L"k4", elementOf(p, L"k4")}, {L"k05", elementOf(p, L"k05")}};
    for (const auto& [name, element] : after) EXPECT_EQ(elementOf(p, name.c_str()), element) << name;
    EXPECT_NE(after[3].second, 0);
    EXPECT_NE(after[4].second, 0);

    model().empty(L"Products");
    EXPECT_EQ(elementOf(p, L"k5"), 0);
    EXPECT_EQ(elementOf(p, L"k7", true), 1);
    EXPECT_EQ(elementOf(p, L"k07", true), 2);
    EXPECT_EQ(elementOf(p, L"k7"), 1);
}

// Values of many elements, enough for every array behind them to grow past a few megabytes, come
// back from their tuples, and a second pass over them replaces rather than adds.
TEST_F(HostApi, ManyValuesComeBackAfterTheirStoreHasGrown) {
    declareShop();
    int p = handleOf(L"p"), price = handleOf(L"Price"), label = handleOf(L"Label");
    constexpr int kElements = 300000;
    std::vector<int> elements;
    for (int i = 0; i < kElements; ++i) elements.push_back(elementOf(p, (L"item" + std::to_wstring(i)).c_str(), true));
    auto textOf = [](int i, int pass) { return L"label " + std::to_wstring(i * 3 + pass); };
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<MolvoValueW> prices(kElements);
        std::vector<std::wstring> texts(kElements);
        std::vector<MolvoValueW> labels(kElements);
        for (int i = 0; i < kElements; ++i) {
            prices[size_t(i)].Double = i + 0.5 + pass;
            texts[size_t(i)] = textOf(i, pass);
            labels[size_t(i)].String = texts[size_t(i)].data();
        }
        ASSERT_EQ(MolvoValueAssignMultiW(price, kElements, elements.data(), prices.data()), 1) << lastHostErrorText();
        ASSERT_EQ(MolvoValueAssignMultiW(label, kElements, elements.data(), labels.data()), 1) << lastHostErrorText();
    }
    EXPECT_EQ(model().card(L"Price"), size_t(kElements));
    EXPECT_EQ(model().card(L"Label"), size_t(kElements));
    wchar_t buffer[32];
    for (int i = 0; i < kElements; ++i) {
        MolvoValueW v{0, 0, 0, nullptr}, text{0, 0, 32, buffer};
        ASSERT_EQ(MolvoValueRetrieveW(price, &elements[size_t(i)], &v), 1) << lastHostErrorText();
        ASSERT_EQ(v.Double, i + 1.5) << i;
        ASSERT_EQ(MolvoValueRetrieveW(label, &elements[size_t(i)], &text), 1) << lastHostErrorText();
        ASSERT_EQ(std::wstring(buffer), textOf(i, 1)) << i;
    }
}

// One-index values are placed at their element while the elements they use are mostly filled, and
// hashed once they turn sparse. Every assignment order below (with defaults that erase, and values
// brought back) must walk, search and retrieve as a plain ordered map of the same assignments.
TEST_F(HostApi, OneIndexValuesKeepTheirOrderWhetherPlacedByElementOrHashed) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, double>> assignments;   // (ordinal of the element, value; 0 erases)
    };
    std::vector<Case> cases = {
        {"ascending, erased and brought back", {{1, 1}, {2, 2}, {3, 3}, {2, 0}, {5, 5}, {2, 7}, {1, 0}}},
        {"descending within the room", {{9000, 1}, {4000, 2}, {3, 3}, {1, 4}}},
        {"a far element spreads the placed ones", {{1, 1}, {2, 2}, {3, 3}, {60000, 4}, {2, 0}, {7, 7}, {59999, 5}}},
        {"far first, then near", {{60000, 1}, {1, 2}, {30000, 3}, {1, 0}}},
    };
    declareShop();
    const int p = handleOf(L"p"), price = handleOf(L"Price");
    std::vector<int> elements;
    for (int i = 0; i < 60000; ++i) elements.push_back(elementOf(p, (L"e" + std::to_wstring(i)).c_str(), true));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        model().empty(L"Price");
        std::map<int, double> expected;
        for (auto [ordinal, value] : c.assignments) {
            int e = elements[size_t(ordinal) - 1];
            MolvoValueW v{value, 0, 0, nullptr};
            ASSERT_EQ(MolvoValueAssignW(price, &e, &v), 1) << lastHostErrorText();
            if (value == 0) expected.erase(e);
            else expected[e] = value;
        }
        std::vector<std::pair<int, double>> walked;
        int count = 100, got[100];
        MolvoValueW out[100];
        MolvoValueResetHandle(price);
        if (MolvoValueNextMultiW(price, &count, got, out) == 1)
            for (int i = 0; i < count; ++i) walked.emplace_back(got[i], out[i].Double);
        EXPECT_EQ(walked, (std::vector<std::pair<int, double>>(expected.begin(), expected.end())));
        for (int e : elements) {
            MolvoValueW v{0, 0, 0, nullptr};
            ASSERT_EQ(MolvoValueRetrieveW(price, &e, &v), 1);
            auto it = expected.find(e);
            ASSERT_EQ(v.Double, it == expected.end() ? 0.0 : it->second) << e;
        }
        int from = elements[1];   // the first value at or after the second element
        MolvoValueW found{0, 0, 0, nullptr};
        auto next = expected.lower_bound(from);
        ASSERT_EQ(MolvoValueSearchW(price, &from, &found), next == expected.end() ? 0 : 1);
        if (next != expected.end()) {
            EXPECT_EQ(from, next->first);
            EXPECT_EQ(found.Double, next->second);
        }
    }
}

TEST_F(HostApi, ProceduresRunWithTheirArguments) {
    std::wstring seen;
    model().declareProcedure(L"OnDone", {MOLVO_ARG_INPUT_STRING, MOLVO_ARG_INPUT_NUMERIC},
                             [&](const std::vector<molvo::ProcedureArgument>& a) {
                                 seen = a[0].text + L"/" + std::to_wstring(int(a[1].number));
                                 return 7;
                             });
    int h = 0, count = 0, types[4];
    ASSERT_EQ(MolvoProcedureHandleCreateA("OnDone", &h, &count, types), 1);
    EXPECT_EQ(count, 2);
    wchar_t id[] = L"req1";
    MolvoValueW args[2] = {{0, 0, 5, id}, {200, 0, 0, nullptr}};
    int result = 0;
    ASSERT_EQ(MolvoProcedureRunW(h, types, args, &result), 1);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(seen, L"req1/200");
    EXPECT_EQ(MolvoProcedureHandleDelete(h), 1);
}

// Bad arguments fail with a code and a text, never a crash.
TEST_F(HostApi, BadArgumentsFailWithACodeAndAText) {
    declareShop();
    int price = handleOf(L"Price"), p = handleOf(L"p"), h = 0, e = 0, bogus = 999;
    MolvoValueW v{1, 1, 0, nullptr};
    struct Case {
        const char* what;
        std::function<int()> call;
        int code;
    } cases[] = {
        {"unknown identifier", [&] { return MolvoIdentifierHandleCreateW(L"Nope", nullptr, nullptr, 0, &h); }, MOLVO_ERR_UNKNOWN_IDENTIFIER},
        {"null name", [&] { return MolvoIdentifierHandleCreateW(nullptr, nullptr, nullptr, 0, &h); }, MOLVO_ERR_NULL_ARGUMENT},
        {"bad handle", [&] { return MolvoValueAssignW(12345, &bogus, &v); }, MOLVO_ERR_BAD_HANDLE},
        {"deleted handle just used",
         [&] {
             int price2 = handleOf(L"Price"), apple = 1;
             EXPECT_EQ(MolvoValueAssignW(price2, &apple, &v), 1);
             EXPECT_EQ(MolvoIdentifierHandleDelete(price2), 1);
             return MolvoValueAssignW(price2, &apple, &v);
         },
         MOLVO_ERR_BAD_HANDLE},
        {"null output", [&] { return MolvoAttributeType(price, nullptr); }, MOLVO_ERR_NULL_ARGUMENT},
        {"unknown element", [&] { return MolvoValueAssignW(price, &bogus, &v); }, MOLVO_ERR_OUTSIDE_DOMAIN},
        {"missing tuple", [&] { return MolvoValueAssignW(price, nullptr, &v); }, MOLVO_ERR_DIMENSION},
        {"name not in set", [&] { return MolvoSetNameToElementW(p, L"plum", &e); }, MOLVO_ERR_NO_SUCH_ELEMENT},
        {"index has no values", [&] { return MolvoValueAssignW(p, &bogus, &v); }, MOLVO_ERR_WRONG_TYPE},
        {"element out of range", [&] { return MolvoSetElementToNameW(p, 77, &v); }, MOLVO_ERR_BAD_ELEMENT},
        {"unknown procedure", [&] { return MolvoProcedureHandleCreateW(L"Nope", &h, nullptr, nullptr); }, MOLVO_ERR_UNKNOWN_IDENTIFIER},
        {"identifier as procedure", [&] { return MolvoProcedureRunW(price, nullptr, nullptr, nullptr); }, MOLVO_ERR_BAD_HANDLE},
    };
    for (const auto& c : cases) {
        int code = 0;
        EXPECT_EQ(c.call(), 0) << c.what;
        EXPECT_FALSE(lastHostErrorText(&code).empty()) << c.what;
        EXPECT_EQ(code, c.code) << c.what;
    }
}

TEST_F(HostApi, ControlPassesToAnotherThreadOnlyWhileTheModelIsIdle) {
    std::atomic<int> early{-1}, during{-1};
    std::thread worker([&] {
        early = MolvoControlGet(20);                 // the model is running: time-out
        while (during != 1) during = MolvoControlGet(50);
        int type = 0;
        declareShop();                               // declaring is not a Molvo call; using a handle is
        int h = 0;
        MolvoIdentifierHandleCreateW(L"Price", nullptr, nullptr, 0, &h);
        MolvoAttributeType(h, &type);
        EXPECT_EQ(type, MOLVO_TYPE_PARAMETER_NUMERIC);
        MolvoControlRelease();
    });
    while (early == -1) std::this_thread::yield();
    EXPECT_EQ(early.load(), 0);
    molvo::idle(300);
    worker.join();
    EXPECT_EQ(during.load(), 1);
    EXPECT_EQ(MolvoControlGet(-1), 1);                // the model thread holds control again
    EXPECT_EQ(MolvoControlRelease(), 1);
}

TEST_F(HostApi, AThreadWithoutControlIsRefused) {
    declareShop();
    int h = handleOf(L"Price"), result = -1, code = 0;
    std::thread([&] {
        int type = 0;
        result = MolvoAttributeType(h, &type);
        lastHostErrorText(&code);
    }).join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(code, MOLVO_ERR_NOT_CONTROLLER);
}

}  // namespace
}  // namespace flk::test
