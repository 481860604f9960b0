// The files the drivers and the stream export are given: only regular files are read, a file
// written appears whole or not at all, and each failure names the file and the reason.
#include "support/mapping_fixture.hpp"
#include "support/file_size_limit.hpp"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>

namespace flk::test {
namespace {

const char* kPrices = "<MolvoJSONMapping><ObjectMapping><ValueMapping name-regex='.*' name-binds-to='p' "
                      "maps-to='Price'/></ObjectMapping></MolvoJSONMapping>";

mode_t modeOf(const std::wstring& file) {
    struct stat s {};
    stat(toUtf8(file).c_str(), &s);
    return s.st_mode & 07777;
}

ino_t inodeOf(const std::wstring& file) {
    struct stat s {};
    stat(toUtf8(file).c_str(), &s);
    return s.st_ino;
}

// A folder in which no new file may be made, while its files stay writable: without write
// permission, and for root, whom permissions do not stop, immutable as well. locked() is false
// where neither holds (a file system without the flag); error() is what making a file there meets.
class LockedFolder {
public:
    explicit LockedFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        ::chmod(folder_.c_str(), 0555);
        if (::geteuid() == 0) setImmutable(true);
        const std::string probe = (folder_ / "probe").string();
        int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        error_ = errno;
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
        }
        locked_ = fd < 0;
    }
    ~LockedFolder() {
        if (::geteuid() == 0) setImmutable(false);
        ::chmod(folder_.c_str(), 0755);
    }
    LockedFolder(const LockedFolder&) = delete;
    LockedFolder& operator=(const LockedFolder&) = delete;

    bool locked() const { return locked_; }
    int error() const { return error_; }

private:
    void setImmutable(bool on) {
        int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        ::close(fd);
    }

    std::filesystem::path folder_;
    bool locked_ = false;
    int error_ = 0;
};

// The temporary folder named by TMPDIR for one scope.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& folder) {
        if (const char* saved = std::getenv("TMPDIR")) saved_ = saved;
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolder() {
        if (saved_) ::setenv("TMPDIR", saved_->c_str(), 1);
        else ::unsetenv("TMPDIR");
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

private:
    std::optional<std::string> saved_;
};

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

// A file beside which no new file can be made is written over, and only once its new content is
// whole (kept in the temporary folder) and room for it is reserved: whatever fails before leaves
// the file as it was, and the failure names the file and the reason.
TEST_F(DriverFiles, AFileThatCannotBeReplacedIsWrittenOverOnlyOnceTheNewContentIsWhole) {
    std::filesystem::create_directory(dir_ / "locked");
    const std::string good = "the good file, longer than the document that is written over it";
    std::wstring target = file("locked/kept.json", good);
    std::string name = toUtf8(target);
    ASSERT_EQ(WriteToFile(L"#doc", L"m", 0), 1);
    const ino_t inode = inodeOf(target);
    LockedFolder folder(dir_ / "locked");
    if (!folder.locked()) GTEST_SKIP() << "no folder here refuses new files to this process";
    struct Case {
        const char* title;
        std::function<int()> write;
        std::string error;
    };
    const Case cases[] = {
        {"a document past the room left", [&] {
             FileSizeLimit limit(4);
             return WriteToFile(target.c_str(), L"m", 0);
         }, "WriteToFile: Cannot write file " + name + ": File too large\n"},
        {"a stream past the room left", [&] {
             FileSizeLimit limit(4);
             return WriteStreamToFile("#doc", name.c_str());
         }, "WriteStreamToFile: File " + name + " cannot be written: File too large\n"},
        {"nowhere to keep the new content", [&] {
             TemporaryFolder nowhere((dir_ / "missing").string());
             return WriteToFile(target.c_str(), L"m", 0);
         }, "WriteToFile: Cannot write file " + name + ": no temporary file can be made beside it (" +
                std::strerror(folder.error()) + ") or in " + (dir_ / "missing").string() + " (No such file or directory)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        model().clearErrors();
        EXPECT_EQ(c.write(), 0);
        EXPECT_EQ(read(target), good);
        EXPECT_EQ(errorsJoined(), c.error);
    }
    model().clearErrors();
    ASSERT_EQ(WriteToFile(target.c_str(), L"m", 0), 1) << errorsJoined();
    EXPECT_EQ(read(target), R"({"apple":2.0})");   // the old content's tail is gone
    EXPECT_EQ(inodeOf(target), inode);             // written over, not replaced
    model().assign(L"Price", {L"pear"}, 3.0);
    ASSERT_EQ(WriteToFile(L"#more", L"m", 0), 1);
    ASSERT_EQ(WriteStreamToFile("#more", name.c_str()), 1) << errorsJoined();
    EXPECT_EQ(read(target), R"({"apple":2.0,"pear":3.0})");
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
