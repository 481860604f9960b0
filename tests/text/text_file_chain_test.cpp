// Text files over an in-memory byte file: line reading across buffer boundaries and capacity
// limits, newline translation across writes, and failures of the byte file itself.
#include "text/text_file.hpp"
#include "text/text_file_errors.hpp"
#include "text/wide_scan.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Bytes in memory; reads fail once failReadAt bytes were read, writes once failWriteAt were written.
class MemoryBackend final : public ucsIO::IBackendFile {
public:
    MemoryBackend(std::string& data, size_t failReadAt = SIZE_MAX, size_t failWriteAt = SIZE_MAX)
        : data_(data), failReadAt_(failReadAt), failWriteAt_(failWriteAt) {}
    bool close() override { return true; }
    bool seek(long offset) override {
        position_ = static_cast<size_t>(offset);
        return true;
    }
    size_t read(void* buffer, size_t bytes) override {
        if (position_ >= failReadAt_) {
            failed_ = true;
            return 0;
        }
        const size_t n = std::min({bytes, data_.size() - std::min(position_, data_.size()), failReadAt_ - position_});
        std::memcpy(buffer, data_.data() + position_, n);
        position_ += n;
        return n;
    }
    size_t write(const void* buffer, size_t bytes) override {
        const size_t n = std::min(bytes, failWriteAt_ - std::min(failWriteAt_, data_.size()));
        data_.append(static_cast<const char*>(buffer), n);
        failed_ = failed_ || n < bytes;
        return n;
    }
    long tell() override { return static_cast<long>(position_); }
    bool eof() override { return position_ >= data_.size(); }
    bool error() override { return failed_; }

private:
    std::string& data_;
    size_t position_ = 0;
    size_t failReadAt_;
    size_t failWriteAt_;
    bool failed_ = false;
};

std::vector<std::wstring> readLines(const std::string& bytes, const wchar_t* encoding, size_t capacity,
                                    ucsIO::TextInputFile& file) {
    std::string data = bytes;
    EXPECT_TRUE(file.open(std::make_unique<MemoryBackend>(data), L"mem", 0, encoding));
    std::vector<std::wstring> lines;
    std::vector<wchar_t> buffer(capacity, L'?');
    while (const size_t n = file.readLine(buffer.data(), buffer.size())) {
        EXPECT_EQ(buffer[n], L'\0');
        lines.emplace_back(buffer.data(), n);
    }
    return lines;
}

TEST(TextInputFile, LinesAcrossBuffersAndCapacity) {
    ucsIO::TextInputFile file;
    const std::string longLine = std::string(2047, 'x') + "\r\ny";
    EXPECT_EQ(readLines(longLine, L"UTF-8", 2048, file),
              (std::vector<std::wstring>{std::wstring(2047, L'x'), L"\n", L"y"}));
    // The CR is the last character of the first decoded buffer, its LF the first of the next.
    EXPECT_EQ(readLines(longLine, L"CP1252", 10000, file),
              (std::vector<std::wstring>{std::wstring(2047, L'x') + L"\n", L"y"}));
    EXPECT_EQ(readLines("abcdef\r\r\n\n", L"UTF-8", 4, file),
              (std::vector<std::wstring>{L"abc", L"def", L"\n", L"\n", L"\n"}));
    EXPECT_EQ(file.errorCode(), ucsIO::kNoError);
}

TEST(TextInputFile, MultiByteCharactersAcrossByteBuffers) {
    // 3-byte characters do not divide the 2048-byte buffer: some are cut at every refill.
    std::wstring expected(5000, L'\u4E2D');
    std::string bytes;
    for (size_t i = 0; i < expected.size(); ++i) bytes += "\xE4\xB8\xAD";
    ucsIO::TextInputFile file;
    const auto lines = readLines(bytes, L"UTF-8", 8192, file);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], expected);
    EXPECT_EQ(file.errorCode(), ucsIO::kNoError);
}

TEST(TextInputFile, ReadFailureIsRecorded) {
    std::string data(5000, 'a');
    ucsIO::TextInputFile file;
    ASSERT_TRUE(file.open(std::make_unique<MemoryBackend>(data, 3000), L"mem", 0, L"UTF-8"));
    wchar_t buffer[8192];
    size_t total = 0;
    while (const size_t n = file.readLine(buffer, 8192)) total += n;
    EXPECT_LT(total, 5000u);
    EXPECT_EQ(file.errorCode(), ucsIO::kFileError);
}

TEST(TextOutputFile, NewlinesTranslatedAcrossWrites) {
    std::string data;
    ucsIO::TextOutputFile file;
    ASSERT_TRUE(file.open(std::make_unique<MemoryBackend>(data), L"mem", ucsIO::kNoBom, L"UTF-8"));
    EXPECT_TRUE(file.write(L"a\r"));
    EXPECT_TRUE(file.write(L"\nb\n\n"));
    EXPECT_TRUE(file.write(L"\r"));
    EXPECT_TRUE(file.write(L"c\n"));
    EXPECT_TRUE(file.close());
    EXPECT_EQ(data, "a\r\nb\r\n\r\n\rc\r\n");
}

TEST(TextOutputFile, WriteFailureIsReported) {
    std::string data;
    ucsIO::TextOutputFile file;
    ASSERT_TRUE(file.open(std::make_unique<MemoryBackend>(data, SIZE_MAX, 100), L"mem", 0, L"UTF-8"));
    bool written = true;
    for (int i = 0; i < 100 && written; ++i) written = file.write(std::wstring(100, L'z'));
    EXPECT_FALSE(written && file.close());
    EXPECT_EQ(file.errorCode(), ucsIO::kFileError);
    EXPECT_EQ(data.size(), 100u);
}

TEST(TextOutputFile, FailureOnFlushAtClose) {
    std::string data;
    ucsIO::TextOutputFile file;
    ASSERT_TRUE(file.open(std::make_unique<MemoryBackend>(data, SIZE_MAX, 3), L"mem", ucsIO::kNoBom, L"UTF-8"));
    EXPECT_TRUE(file.write(L"short"));  // buffered
    EXPECT_FALSE(file.close());
    EXPECT_EQ(file.errorCode(), ucsIO::kFileError);
}

TEST(TextOutputFile, BomWriteFailureFailsTheOpen) {
    std::string data;
    ucsIO::TextOutputFile file;
    EXPECT_FALSE(file.open(std::make_unique<MemoryBackend>(data, SIZE_MAX, 1), L"mem", 0, L"UTF-8"));
}

}  // namespace

namespace {

// The vector scans against plain loops, at every start and end position of a text with line
// ends in every lane.
TEST(WideScan, AgreesWithPlainLoops) {
    const std::wstring text = L"ab\ncd\r\nefghijk\n\n\rlmnopqrstuv\nwx";
    for (size_t from = 0; from <= text.size(); ++from) {
        for (size_t to = from; to <= text.size(); ++to) {
            const wchar_t* p = text.data() + from;
            const wchar_t* end = text.data() + to;
            const wchar_t* expected = std::find_if(p, end, [](wchar_t c) { return c == L'\n' || c == L'\r'; });
            ASSERT_EQ(ucsIO::findLineEnd(p, end), expected) << from << ".." << to;
            ASSERT_EQ(ucsIO::countLf(p, end), static_cast<std::uint64_t>(std::count(p, end, L'\n')))
                << from << ".." << to;
        }
    }
}

}  // namespace
