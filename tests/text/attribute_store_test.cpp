// AttributeListSplit through the export, against the simulated host.
#include "ferrolink/ferrolink.h"
#include "frame/utf8.hpp"
#include "support/host_fixture.hpp"
#include "support/log_capture.hpp"

#include <filesystem>
#include <string>

namespace flk::test {
namespace {

class AttributeStore : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        molvo::SetDeclaration names;
        names.indices = {L"a"};
        model().declareSet(L"Attributes", names);
        model().declareParameter(L"AttributeValue",
                                 molvo::ParameterDeclaration{{L"a"}, molvo::Storage::String, std::wstring(), L""});
    }
    void TearDown() override { std::filesystem::remove(logFile_); }
    int handle() { return model().handle(L"AttributeValue"); }

    const std::filesystem::path logFile_ =
        std::filesystem::temp_directory_path() / ("flk-attributes-" + std::to_string(::getpid()) + ".log");
};

// A value longer than the parameter's strings is cut where the host cuts it, and the call says
// so once, to the host and the log, with the count and the longest length, instead of storing
// another value silently.
TEST_F(AttributeStore, ValuesCutToTheStringSizeAreReportedOncePerCall) {
    LogCapture log(logFile_);
    const std::wstring list = L"a=" + std::wstring(9000, L'x') + L";b=" + std::wstring(8500, L'y') + L";c=short";
    ASSERT_EQ(AttributeListSplit(list.c_str(), handle()), 1);
    EXPECT_EQ(std::get<std::wstring>(model().get(L"AttributeValue", {L"a"})).size(), 8192u);
    EXPECT_EQ(std::get<std::wstring>(model().get(L"AttributeValue", {L"c"})), L"short");
    const std::string warning =
        "AttributeListSplit: 2 values for AttributeValue were cut to 8192 characters; the longest had 9000 characters";
    EXPECT_EQ(log.text(), "WARN - " + warning + "\n");
    ASSERT_EQ(model().errors().size(), 1u);   // and the host hears of it
    EXPECT_EQ(model().errors()[0].severity, 2);
    EXPECT_EQ(model().errors()[0].message, fromUtf8(warning));
}

TEST_F(AttributeStore, ValuesWithinTheStringSizeAreNotReported) {
    LogCapture log(logFile_);
    const std::wstring list = L"a=" + std::wstring(8192, L'x');
    ASSERT_EQ(AttributeListSplit(list.c_str(), handle()), 1);
    EXPECT_EQ(log.text(), "");
    EXPECT_TRUE(model().errors().empty());
}

}  // namespace
}  // namespace flk::test
