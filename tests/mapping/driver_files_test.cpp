// The files the drivers and the stream export are given: only regular files are read, a file
// written appears whole or not at all, and each failure names the file and the reason.
#include "support/mapping_fixture.hpp"
#include "support/file_size_limit.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace flk::test {
namespace {

const char* kPrices = "<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex='.*' name-binds-to='p' "
                      "maps-to='Price'/></ObjectMapping></MolvoJSONMapping>";

mode_t modeOf(const std::wstring& file) {
    struct stat s {};
    stat(toUtf8(file).c_str(), &s);
    return s.st_mode & 07777;
}

class DriverFiles : public MappingTest {
protected:
    void SetUp() override {
        MappingTest::SetUp();
        model().assign(L"Price", {L"apple"}, 2.0);
        ASSERT_EQ(addMapping("m", kPrices), 1);
        std::filesystem::create_directory(dir_ / "folder");
        ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    }
    // Names in the test's folder that a write left behind besides its target.
    std::vector<std::string> leftovers() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            if (entry.path().filename().string().find(".tmp") != std::string::npos)
                names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(DriverFiles, InputsThatAreNotRegularFilesAreRefusedBeforeTheyAreOpened) {
    struct Case {
        std::string path;
        const char* reason;
    };
    const Case cases[] = {
        {toUtf8(path("folder")), "it is a directory, not a regular file"},
        {toUtf8(path("fifo")), "it is a FIFO, not a regular file"},   // opening it would wait for a writer
        {"/dev/zero", "it is a character device, not a regular file"},   // it never ends
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        model().clearErrors();
        EXPECT_EQ(ReadFromFile(fromUtf8(c.path).c_str(), L"m", 0, 0, 0), 0);
        EXPECT_EQ(AddMapping(L"other", fromUtf8(c.path).c_str()), 0);
        EXPECT_EQ(errorsJoined(), "ReadFromFile: Cannot read file " + c.path + ": " + c.reason + "\n" +
                                      "AddMapping other: Unable to parse mapping file " + c.path + ": " + c.reason + "\n");
    }
}

TEST_F(DriverFiles, TargetsThatTakeNoBytesAreReportedWithTheReason) {
    ASSERT_EQ(WriteToFile(L"#doc", L"m", 0), 1);
    struct Case {
        std::string path;
        const char* reason;
    };
    const Case cases[] = {
        {"/dev/full", "No space left on device"},
        {toUtf8(path("folder")), "it is a directory"},
        {toUtf8(path("fifo")), "it is a FIFO or socket that no process reads"},   // rather than wait for one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        model().clearErrors();
        EXPECT_EQ(WriteToFile(fromUtf8(c.path).c_str(), L"m", 0), 0);
        EXPECT_EQ(WriteStreamToFile("#doc", c.path.c_str()), 0);
        EXPECT_EQ(errorsJoined(), "WriteToFile: Cannot write file " + c.path + ": " + c.reason + "\n" +
                                      "WriteStreamToFile: File " + c.path + " cannot be written: " + c.reason + "\n");
    }
    // A device that takes the bytes is written in place, not replaced.
    EXPECT_EQ(WriteToFile(L"/dev/null", L"m", 0), 1) << errorsJoined();
    EXPECT_EQ(WriteStreamToFile("#doc", "/dev/null"), 1) << errorsJoined();
}

TEST_F(DriverFiles, AFailedWriteLeavesTheFileThatWasThere) {
    // A mapping added before the one it includes fails its write once the document is under way.
    ASSERT_EQ(addMapping("early", R"(<MolvoJSONMapping><ObjectMapping>
        <ObjectMapping name-regex=".*" name-binds-to="o" included-mapping="@late"/></ObjectMapping></MolvoJSONMapping>)"), 1);
    ASSERT_EQ(addMapping("late", R"(<MolvoJSONMapping><ExternalBinding binds-to="o" iterative-binding="o"/>
        <ObjectMapping><ValueMapping name-regex=".*" name-binds-to="p" maps-to="Qty"/></ObjectMapping></MolvoJSONMapping>)"), 1);
    model().assign(L"Orders", {L"A1"}, 1.0);
    model().assign(L"Qty", {L"A1", L"apple"}, 1.0);
    ASSERT_EQ(WriteToFile(L"#doc", L"m", 0), 1);
    std::wstring target = file("kept.json", "the good file");
    std::string name = toUtf8(target);
    struct Case {
        const char* title;
        std::function<int()> write;
        std::string error;
    };
    const Case cases[] = {
        {"an unregistered mapping", [&] { return WriteToFile(target.c_str(), L"other", 0); },
         "WriteToStream: Cannot find mapping other for writing"},
        {"a mapping that fails halfway", [&] { return WriteToFile(target.c_str(), L"early", 0); },
         "was added after mapping early"},
        {"a document past the room left", [&] {
             FileSizeLimit limit(4);
             return WriteToFile(target.c_str(), L"m", 0);
         }, "WriteToFile: Cannot write file " + name + ": File too large"},
        {"a stream past the room left", [&] {
             FileSizeLimit limit(4);
             return WriteStreamToFile("#doc", name.c_str());
         }, "WriteStreamToFile: File " + name + " cannot be written: File too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        model().clearErrors();
        EXPECT_EQ(c.write(), 0);
        EXPECT_EQ(read(target), "the good file");
        EXPECT_NE(errorsJoined().find(c.error), std::string::npos) << errorsJoined();
        EXPECT_EQ(leftovers(), std::vector<std::string>());
    }
    ASSERT_EQ(WriteToFile(target.c_str(), L"m", 0), 1) << errorsJoined();
    EXPECT_EQ(read(target), R"({"apple":2.0})");
    EXPECT_EQ(leftovers(), std::vector<std::string>());
}

// A document larger than what is kept before writing fails while it is written, and still says why.
TEST_F(DriverFiles, ALargeDocumentPastTheRoomLeftFailsWithTheSystemsReason) {
    constexpr int kProducts = 6000;   // about 100 KB of pretty JSON
    for (int i = 0; i < kProducts; ++i) {
        std::wstring name = L"product-" + std::to_wstring(i);
        model().assign(L"Products", {name}, 1.0);
        model().assign(L"Price", {name}, double(i));
    }
    std::wstring target = file("large.json", "the good file");
    {
        FileSizeLimit limit(1000);
        EXPECT_EQ(WriteToFile(target.c_str(), L"m", 1), 0);
    }
    EXPECT_EQ(read(target), "the good file");
    EXPECT_EQ(errorsJoined(), "WriteToFile: Cannot write file " + toUtf8(target) + ": File too large\n");
    EXPECT_EQ(leftovers(), std::vector<std::string>());
}

TEST_F(DriverFiles, AWrittenFileKeepsItsModeAndItsLinks) {
    std::wstring shared = file("shared.json", "old");
    ASSERT_EQ(chmod(toUtf8(shared).c_str(), 0640), 0);
    ASSERT_EQ(WriteToFile(shared.c_str(), L"m", 0), 1) << errorsJoined();
    EXPECT_EQ(modeOf(shared), 0640u);
    mode_t mask = umask(0);
    umask(mask);
    ASSERT_EQ(WriteToFile(path("new.json").c_str(), L"m", 0), 1);
    EXPECT_EQ(modeOf(path("new.json")), 0666u & ~mask);
    std::filesystem::create_symlink(dir_ / "shared.json", dir_ / "link.json");
    model().assign(L"Price", {L"pear"}, 3.0);
    ASSERT_EQ(WriteToFile(path("link.json").c_str(), L"m", 0), 1) << errorsJoined();
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "link.json"));
    EXPECT_EQ(read(shared), R"({"apple":2.0,"pear":3.0})");
}

// The frame's own text for an exhausted memory, with the document it happened in.
TEST_F(DriverFiles, RunningOutOfMemoryIsReportedAsSuchWithTheDocument) {
    struct Exhausted : std::streambuf {
        int_type underflow() override { throw std::bad_alloc(); }
        int_type overflow(int_type) override { throw std::bad_alloc(); }
    };
    Exhausted buffer;
    std::iostream stream(&buffer);
    stream.exceptions(std::ios::badbit);   // what the buffer throws reaches the reader and the writer
    EXPECT_EQ(ReadFromStream(&stream, L"big.json", L"m", 0, 0, 0), 0);
    stream.clear();
    EXPECT_EQ(WriteToStream(&stream, L"out.json", L"m", 0), 0);
    EXPECT_EQ(errorsJoined(), "ReadFromStream: Exception occurred while reading data: out of memory from document big.json\n"
                              "WriteToStream: Exception occurred while writing data: out of memory to document out.json\n");
}

}  // namespace
}  // namespace flk::test
