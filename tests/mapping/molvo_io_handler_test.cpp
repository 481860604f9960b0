// Batched identifier access and the per-read binding operations against the simulated host.
#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/mapping_state.hpp"
#include "support/host_fixture.hpp"

#include <memory>

namespace flk::test {
namespace {

class IOHandler : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        declareShop();
        setCallContext(std::string_view("ReadFromFile"));
    }
    std::shared_ptr<MolvoIOHandler> handler(const wchar_t* name, int maxStringSize = 0) {
        return std::make_shared<MolvoIOHandler>(name, false, 0, maxStringSize);
    }
    // A mapping whose index table holds the given indices and whose references are one-dimensional.
    std::shared_ptr<Mapping> mappingOver(std::initializer_list<const wchar_t*> indices) {
        auto m = std::make_shared<Mapping>();
        for (const wchar_t* index : indices) {
            m->indexNumbers[index] = int(m->indexTable.size());
            m->indexTable.push_back(handler(index));
        }
        return m;
    }
};

TEST_F(IOHandler, StringSizesAreClampedAndSizeTheBatches) {
    struct Case {
        int requested, stringSize, writeBatch, readBatch;
    } cases[] = {{100, 1024, 1024, 64}, {20000, 8192, 128, 64}, {4096, 4096, 256, 64}};
    for (const auto& c : cases) {
        auto h = handler(L"Label", c.requested);
        EXPECT_EQ(h->stringSize(), c.stringSize) << c.requested;
        EXPECT_EQ(h->writeBatchSize(), c.writeBatch) << c.requested;
        EXPECT_EQ(h->readBatchSize(), c.readBatch) << c.requested;
    }
    EXPECT_EQ(handler(L"Price", 100)->writeBatchSize(), 1024);
}

// The subset index makes the order visible: values for elements that are not yet members of Big
// would be refused by the host.
TEST_F(IOHandler, ManyAssignmentsWithNewElementsArriveCompleteWithTheElementsFirst) {
    auto mapping = mappingOver({L"bc"});
    mapping->references.push_back(IdentifierReference{handler(L"Capital"), {0}, true, {}});
    MappingState state(mapping, L"doc.json");
    constexpr int kValues = 2500;
    for (int i = 1; i <= kValues; ++i) {
        ASSERT_GT(state.bindElement(0, "city" + std::to_string(i), false, false), 0);
        state.assignReference(mapping->references[0], double(i));
    }
    EXPECT_TRUE(state.flushAll());
    EXPECT_TRUE(errorTexts().empty()) << (errorTexts().empty() ? "" : toUtf8(errorTexts()[0]));
    EXPECT_EQ(model().card(L"Big"), size_t(kValues) + 1);
    ASSERT_EQ(model().card(L"Capital"), size_t(kValues));
    EXPECT_EQ(std::get<double>(model().get(L"Capital", {L"city2500"})), 2500.0);
}

TEST_F(IOHandler, ReadsBatchesInTupleOrder) {
    model().assign(L"Price", {L"pear"}, 2.0);
    model().assign(L"Price", {L"apple"}, 1.5);
    auto h = handler(L"Price");
    ASSERT_EQ(h->nextBatch(), 2);
    EXPECT_EQ(handler(L"p")->elementName(h->batchTuple(0)[0]), "apple");
    EXPECT_EQ(h->batchValue(1).Double, 2.0);
    EXPECT_EQ(h->nextBatch(), 0);
    EXPECT_TRUE(h->ok());   // the end of the data is not an error
    EXPECT_EQ(h->lastErrorCode(), 0);
}

TEST_F(IOHandler, ErrorPolicyTreatsTheSpecialCodesAsDocumented) {
    // 124: an element added to a set that has it already is harmless.
    auto bc = handler(L"bc");
    int rome = bc->elementByName("Rome", false);   // in Cities, not in Big: queued for Big
    model().assign(L"Big", {L"Rome"}, 1.0);
    EXPECT_TRUE(bc->flush());
    EXPECT_TRUE(bc->ok());
    EXPECT_EQ(bc->lastError(), L"");

    // 164: a value outside the domain is skipped, reported, and the handler stays usable.
    auto capital = handler(L"Capital");
    int oslo = handler(L"c")->elementByName("Oslo", true);
    capital->assignNumber(&oslo, 3);
    EXPECT_FALSE(capital->flush());
    EXPECT_TRUE(capital->ok());
    EXPECT_EQ(capital->lastErrorCode(), MOLVO_ERR_OUTSIDE_DOMAIN);
    EXPECT_NE(capital->lastError().find(L"Capital: "), std::wstring::npos);
    EXPECT_NE(capital->lastError().find(L"(error 164)"), std::wstring::npos);

    // 125: a string longer than the handler's buffer is cut, reported, and ok stays set.
    model().assign(L"Label", {L"apple"}, std::wstring(2000, L'y'));
    auto label = handler(L"Label", 100);
    int apple = 1;
    MolvoValueW v{};
    label->retrieve(&apple, v);
    EXPECT_EQ(std::wstring(v.String).size(), 1024u);
    EXPECT_TRUE(label->ok());
    EXPECT_EQ(label->lastErrorCode(), MOLVO_ERR_TRUNCATED);

    // Any other code clears the ok flag.
    auto price = handler(L"Price");
    int nowhere = 99;
    price->assignNumber(&nowhere, 1);
    EXPECT_FALSE(price->flush());
    EXPECT_FALSE(bc->elementByName("", false));
    MolvoValueW out{};
    EXPECT_FALSE(price->retrieve(&nowhere, out));
    EXPECT_FALSE(price->ok());
    EXPECT_EQ(price->lastErrorCode(), MOLVO_ERR_BAD_ELEMENT);
    (void)rome;
}

TEST_F(IOHandler, BlanksAroundANameBindTheSameElement) {
    MappingState state(mappingOver({L"p"}), L"doc.json");
    int apple = state.bindElement(0, "apple", false, false);
    EXPECT_EQ(state.bindElement(0, "apple\t", false, false), apple);
    EXPECT_EQ(state.bindElement(0, " \n apple \r", false, false), apple);
    EXPECT_EQ(model().card(L"Products"), 2u);
}

TEST_F(IOHandler, EmptyAndUnknownNamesAreSkippedOrReported) {
    MappingState state(mappingOver({L"p"}), L"doc.json");
    struct Case {
        const char* name;
        bool bindsExisting, skip;
        int result;
        const wchar_t* error;   // nullptr: nothing raised
    } cases[] = {
        {"  ", false, true, MappingState::kSkip, nullptr},
        {"", false, false, 0, L"ReadFromFile: Empty element encountered for index p"},
        {"plum", true, true, MappingState::kSkip, nullptr},
        {"plum", true, false, 0, L"ReadFromFile: Element plum could not be created for index p"},
    };
    for (const auto& c : cases) {
        model().clearErrors();
        EXPECT_EQ(state.bindElement(0, c.name, c.bindsExisting, c.skip), c.result) << c.name;
        if (c.error) {
            ASSERT_EQ(errorTexts().size(), 1u) << c.name;
            EXPECT_EQ(errorTexts()[0], c.error);
        } else {
            EXPECT_TRUE(errorTexts().empty()) << c.name;
        }
    }
    EXPECT_EQ(model().card(L"Products"), 2u);   // plum was never created
}

TEST_F(IOHandler, IterativeBindingByNameAndByOrdinal) {
    MappingState state(mappingOver({L"p"}), L"doc.json");
    EXPECT_EQ(state.bindIterative(0, 2, "", true, false, false), 2);
    EXPECT_EQ(state.tuple()[0], 2);
    EXPECT_EQ(state.bindIterative(0, 5, "", true, false, false), 0);
    EXPECT_EQ(errorTexts().back(), L"ReadFromFile: No existing element found with ordinal 5 for index p");
    EXPECT_EQ(state.bindIterative(0, 7, "item-", false, false, false), 3);
    EXPECT_EQ(model().elements(L"Products").back(), L"item-7");
}

TEST_F(IOHandler, ExternalBindingsFixAnIndexForTheWholeRead) {
    auto mapping = mappingOver({L"p"});
    auto best = handler(L"Best");
    mapping->externalBindings.push_back(ExternalBinding{0, best, L"", ""});
    MappingState unbound(mapping, L"doc.json");
    EXPECT_FALSE(unbound.prepareExternal(true));
    EXPECT_EQ(errorTexts().back(), L"ReadFromFile: External binding for p has no value");

    model().assign(L"Best", {}, std::wstring(L"pear"));
    MappingState state(mapping, L"doc.json");
    ASSERT_TRUE(state.prepareExternal(true));
    EXPECT_EQ(state.tuple()[0], 2);
    EXPECT_EQ(state.checkExternal(0, "pear"), 2);
    EXPECT_EQ(state.checkExternal(0, "apple"), 0);
    EXPECT_EQ(errorTexts().back(), L"ReadFromFile: Value apple of index p does not match external binding");
    // A check only looks: a name that is no element is not added to the set.
    EXPECT_EQ(state.checkExternal(0, "kiwi"), 0);
    EXPECT_EQ(errorTexts().back(), L"ReadFromFile: Value kiwi of index p does not match external binding");
    EXPECT_EQ(model().elements(L"Products"), (std::vector<std::wstring>{L"apple", L"pear"}));
}

}  // namespace
}  // namespace flk::test
