// Memory streams and the drivers' stream rules, through the exports.
#include "support/mapping_fixture.hpp"

#include <log4cxx/fileappender.h>
#include <log4cxx/level.h>
#include <log4cxx/simplelayout.h>

namespace flk::test {
namespace {

const char* kPrices = "<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex='.*' name-binds-to='p' "
                      "maps-to='Price'/></ObjectMapping></MolvoJSONMapping>";

TEST_F(MappingTest, AStreamWrittenOnceIsReadFromItsBeginningEveryTime) {
    model().assign(L"Price", {L"apple"}, 2.0);
    ASSERT_EQ(addMapping("m", kPrices), 1);
    ASSERT_EQ(WriteToFile(L"#doc", L"m", 0), 1);
    EXPECT_EQ(WriteToFile(L"#doc", L"m", 0), 0);
    EXPECT_EQ(errorsJoined(), "WriteToFile: Stream #doc already exists\n");
    model().clearErrors();
    model().empty(L"Price");
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(ReadFromFile(L"#doc", L"m", 0, 0, 0), 1) << errorsJoined();
        EXPECT_EQ(contents(L"Price"), "apple=2");
    }
    ASSERT_EQ(WriteStreamToFile("#doc", toUtf8(path("saved.json")).c_str()), 1);
    EXPECT_EQ(read(path("saved.json")), R"({"apple":2.0})");   // no zero fill
    ASSERT_EQ(DeleteStream("#doc"), 1);
    EXPECT_EQ(WriteToFile(L"#doc", L"m", 0), 1);
}

TEST_F(MappingTest, MissingStreamsFilesAndNamesAreReported) {
    ASSERT_EQ(addMapping("m", kPrices), 1);
    EXPECT_EQ(ReadFromFile(L"#none", L"m", 0, 0, 0), 0);
    EXPECT_EQ(ReadFromFile(L"", L"m", 0, 0, 0), 0);
    EXPECT_EQ(WriteToFile(L"", L"m", 0), 0);
    EXPECT_EQ(ReadFromFile(path("absent.json").c_str(), L"m", 0, 0, 0), 0);
    EXPECT_EQ(WriteToFile(path("no/such/dir.json").c_str(), L"m", 0), 0);
    EXPECT_EQ(ReadFromFile(file("d.json", "{}").c_str(), L"other", 0, 0, 0), 0);
    EXPECT_EQ(WriteToFile(path("w.json").c_str(), L"other", 0), 0);
    EXPECT_EQ(errorsJoined(), "GetStream: Stream #none does not exist\n"
                              "ReadFromFile: File name cannot be empty\n"
                              "WriteToFile: File name cannot be empty\n"
                              "ReadFromFile: Cannot open file " + toUtf8(path("absent.json")) + " for reading\n"
                              "WriteToFile: Cannot open file " + toUtf8(path("no/such/dir.json")) + " for writing\n"
                              "ReadFromStream: Cannot find mapping other for reading\n"
                              "WriteToStream: Cannot find mapping other for writing\n");
    EXPECT_EQ(contents(L"Price"), "");
}

// The drivers log each call at Info and their own failures at Error on the FLK logger.
TEST_F(MappingTest, DriversLogTheirCallsAndTheirFailures) {
    ASSERT_EQ(addMapping("m", kPrices), 1);
    std::string file = toUtf8(path("flk.log"));
    auto log = log4cxx::Logger::getLogger("Ferrolink.FLK");
    log4cxx::LevelPtr level = log->getLevel();
    log4cxx::AppenderPtr appender(new log4cxx::FileAppender(log4cxx::LayoutPtr(new log4cxx::SimpleLayout), file, false));
    log->addAppender(appender);
    log->setLevel(log4cxx::Level::getInfo());
    EXPECT_EQ(ReadFromFile(L"", L"m", 0, 0, 0), 0);
    EXPECT_EQ(WriteToFile(L"", L"m", 0), 0);
    EXPECT_EQ(ReadFromFile(L"#none", L"m", 0, 0, 0), 0);
    EXPECT_EQ(WriteToFile(L"#doc", L"other", 0), 0);
    log->removeAppender(appender);
    log->setLevel(level);
    appender->close();
    EXPECT_EQ(read(path("flk.log")), "INFO - Read from file  using mapping m\n"
                                     "ERROR - File name cannot be empty\n"
                                     "INFO - Write to file  using mapping m\n"
                                     "ERROR - File name cannot be empty\n"
                                     "INFO - Read from file #none using mapping m\n"
                                     "ERROR - Stream #none does not exist\n"
                                     "INFO - Write to file #doc using mapping other\n"
                                     "ERROR - Cannot find mapping other for writing\n");
}

TEST_F(MappingTest, StreamExportsFollowTheirRules) {
    EXPECT_EQ(CreateStream("#s"), 1);
    EXPECT_EQ(CreateStream("#s"), 0);
    EXPECT_EQ(DeleteStream("#t"), 0);
    EXPECT_EQ(errorsJoined(), "CreateStream: Stream #s already exists\nDeleteStream: Stream #t does not exist\n");
    ASSERT_EQ(WriteStreamToFile("#s", toUtf8(path("empty.bin")).c_str()), 1);
    EXPECT_EQ(read(path("empty.bin")), "");   // a new stream holds nothing yet
    model().assign(L"Title", {}, std::wstring(L"abc"));
    int title = model().handle(L"Title");
    ASSERT_EQ(ImportStream("#abc", title), 1);
    ASSERT_EQ(WriteStreamToFile("#abc", toUtf8(path("abc.bin")).c_str()), 1);
    EXPECT_EQ(read(path("abc.bin")), "abc");
    EXPECT_EQ(ImportStream("#abc", title), 0);
    model().assign(L"Title", {}, std::wstring(L"other"));
    ASSERT_EQ(ExportStream("#abc", title), 1);
    EXPECT_EQ(std::get<std::wstring>(model().get(L"Title", {})), L"abc");
    EXPECT_EQ(SetDefaultStreamSize(0), 1);
    EXPECT_EQ(SetDefaultStreamSize(-1), 0);
    EXPECT_EQ(DeleteAllStreams(), 1);
    EXPECT_EQ(DeleteStream("#s"), 0);
}

// Only a scalar string parameter holds a stream's text; anything else is refused by name and
// keeps its value, and no stream is made from it.
TEST_F(MappingTest, StreamsMoveOnlyThroughScalarStringParameters) {
    parameter(L"Rate", {}, molvo::Storage::Numeric, 0.0);
    parameter(L"Pick", {}, molvo::Storage::Element, std::wstring(), L"Products");
    model().assign(L"Rate", {}, 2.5);
    model().assign(L"Pick", {}, std::wstring(L"pear"));
    model().assign(L"Label", {L"apple"}, std::wstring(L"green"));
    struct Case {
        const wchar_t* identifier;
        const char* what;
    };
    const Case cases[] = {
        {L"Label", "a string parameter with 1 index"},
        {L"Qty", "an integer parameter with 2 indices"},
        {L"Products", "a set"},
        {L"p", "an index"},
        {L"Rate", "a numeric parameter"},
        {L"Pick", "an element parameter"},
    };
    ASSERT_EQ(CreateStream("#s"), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.identifier));
        model().clearErrors();
        std::string name = toUtf8(c.identifier);
        EXPECT_EQ(ExportStream("#s", model().handle(c.identifier)), 0);
        EXPECT_EQ(ImportStream("#t", model().handle(c.identifier)), 0);
        EXPECT_EQ(errorsJoined(), "ExportStream: Stream #s cannot be exported into " + name + ": it is " + c.what +
                                      ", not a scalar string parameter\n"
                                      "ImportStream: Stream #t cannot be imported from " + name + ": it is " + c.what +
                                      ", not a scalar string parameter\n");
        EXPECT_EQ(DeleteStream("#t"), 0);
    }
    EXPECT_EQ(std::get<double>(model().get(L"Rate", {})), 2.5);
    EXPECT_EQ(std::get<std::wstring>(model().get(L"Pick", {})), L"pear");
    EXPECT_EQ(contents(L"Label"), "apple=green");
}

TEST_F(MappingTest, ReadAndWriteThroughCallerStreams) {
    model().assign(L"Price", {L"pear"}, 3.0);
    ASSERT_EQ(addMapping("m", kPrices), 1);
    std::stringstream s;
    ASSERT_EQ(WriteToStream(&s, L"mem", L"m", 1), 1);
    EXPECT_EQ(s.str(), "{\n\t\"pear\": 3.0\n}");
    model().empty(L"Price");
    ASSERT_EQ(ReadFromStream(&s, L"mem", L"m", 0, 0, 0), 1);
    EXPECT_EQ(contents(L"Price"), "pear=3");
    std::istringstream bad("{");
    EXPECT_EQ(ReadFromStream(&bad, L"mem", L"m", 0, 0, 0), 0);
    std::ostringstream refusing;
    refusing.setstate(std::ios::badbit);   // an output that takes nothing is a failed write
    EXPECT_EQ(WriteToStream(&refusing, L"out", L"m", 0), 0);
    EXPECT_EQ(errorsJoined(), "ReadFromStream: Error parsing JSON document mem\n"
                              "mem, line 1, column 2: Missing a name for object member\n"
                              "WriteToStream: Exception occurred while writing data: Cannot write the JSON document "
                              "to its output to document out\n");
}

// A document is read from where the caller's stream stands; a stream that cannot tell its size
// (it cannot seek) is read in blocks instead.
TEST_F(MappingTest, CallerStreamsAreReadFromTheirPositionSeekableOrNot) {
    struct OneByteAtATime : std::streambuf {
        explicit OneByteAtATime(std::string text) : text_(std::move(text)) {}
        int_type underflow() override {
            if (at_ >= text_.size()) return traits_type::eof();
            setg(&text_[at_], &text_[at_], &text_[at_] + 1);
            ++at_;
            return traits_type::to_int_type(text_[at_ - 1]);
        }
        std::string text_;
        size_t at_ = 0;
    };
    ASSERT_EQ(addMapping("m", kPrices), 1);
    std::istringstream advanced("ignored{\"pear\": 2.5}");
    advanced.ignore(7);
    ASSERT_EQ(ReadFromStream(&advanced, L"mem", L"m", 0, 0, 0), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Price"), "pear=2.5");
    OneByteAtATime unseekable("{\"apple\": 1.5, \"pear\": 4}");
    std::istream input(&unseekable);
    ASSERT_EQ(ReadFromStream(&input, L"mem", L"m", 1, 0, 0), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Price"), "apple=1.5 pear=4");
}

}  // namespace
}  // namespace flk::test

namespace flk::test {
namespace {

TEST_F(MappingTest, AStreamLargerThanItsReservedSizeIsWrittenAndReadInFull) {
    constexpr int kProducts = 6000;   // about 100 KB of JSON, beyond the 64 KB reserved
    for (int i = 0; i < kProducts; ++i) {
        std::wstring name = L"product-" + std::to_wstring(i);
        model().assign(L"Products", {name}, 1.0);
        model().assign(L"Price", {name}, double(i + 1));
    }
    ASSERT_EQ(addMapping("m", "<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex='.*' name-binds-to='p' "
                              "maps-to='Price'/></ObjectMapping></MolvoJSONMapping>"), 1);
    ASSERT_EQ(SetDefaultStreamSize(16), 1);
    ASSERT_EQ(WriteToFile(L"#big", L"m", 1), 1);
    ASSERT_EQ(SetDefaultStreamSize(65536), 1);
    std::string before = contents(L"Price");
    model().empty(L"Price");
    ASSERT_EQ(ReadFromFile(L"#big", L"m", 0, 0, 0), 1) << errorsJoined();
    EXPECT_EQ(contents(L"Price"), before);
    ASSERT_EQ(WriteStreamToFile("#big", toUtf8(path("big.json")).c_str()), 1);
    EXPECT_GT(read(path("big.json")).size(), 65536u);
}

}  // namespace
}  // namespace flk::test
