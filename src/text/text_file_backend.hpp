// The byte files under text files: an abstract one, so that tests can read from memory and
// inject failures, the input file over a runtime-library stream, and the output file that replaces
// its target only when it is complete.
#pragma once

#include "platform/output_file.hpp"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace ucsIO {

class IBackendFile {
public:
    virtual ~IBackendFile() = default;
    virtual bool close() = 0;                    // false when buffered bytes could not be written
    virtual bool seek(long offset) = 0;          // from the start of the file
    virtual size_t read(void* buffer, size_t bytes) = 0;
    virtual size_t write(const void* buffer, size_t bytes) = 0;
    virtual long tell() = 0;
    virtual bool eof() = 0;
    virtual bool error() = 0;
};

// A regular file opened for reading by its UTF-8 name, as a runtime-library stream; closed by
// close() or the destructor.
class StdBackendFile final : public IBackendFile {
public:
    StdBackendFile() = default;
    ~StdBackendFile() override;
    StdBackendFile(const StdBackendFile&) = delete;
    StdBackendFile& operator=(const StdBackendFile&) = delete;

    // False, with the reason kept, for a name that is not a regular file or cannot be opened.
    bool openForReading(const std::string& utf8Name);
    const std::string& reason() const { return reason_; }

    bool close() override;
    bool seek(long offset) override;
    size_t read(void* buffer, size_t bytes) override;
    size_t write(const void* buffer, size_t bytes) override;
    long tell() override;
    bool eof() override;
    bool error() override;

private:
    std::unique_ptr<char[]> buffer_;  // the stream's buffer; outlives the stream
    std::FILE* file_ = nullptr;
    std::string reason_;
};

// A file written by its UTF-8 name that takes the place of the file of that name only at commit();
// without it, the file of that name stays as it was. Cannot be read.
class ReplacingBackendFile final : public IBackendFile {
public:
    // False, with the reason kept, when no file can be written under the name.
    bool open(const std::string& utf8Name);
    // False with the reason kept when a write failed or the file could not take the other's place.
    bool commit();
    const std::string& reason() const { return file_.reason(); }

    bool close() override { return file_.flush(); }   // the file stays uncommitted
    bool seek(long) override { return false; }
    size_t read(void*, size_t) override { return 0; }
    size_t write(const void* buffer, size_t bytes) override;
    long tell() override { return -1; }
    bool eof() override { return true; }
    bool error() override { return file_.failed(); }

private:
    flk::OutputFile file_;
};

}  // namespace ucsIO
