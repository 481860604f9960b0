// The byte files under text files: an abstract one, so that tests can read from memory and
// inject failures, and the one over a runtime-library stream.
#pragma once

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

// A file opened by its UTF-8 name with fopen; closed by close() or the destructor.
class StdBackendFile final : public IBackendFile {
public:
    StdBackendFile() = default;
    ~StdBackendFile() override;
    StdBackendFile(const StdBackendFile&) = delete;
    StdBackendFile& operator=(const StdBackendFile&) = delete;

    // mode as for fopen ("rb", "wb"); false with the runtime library's error number kept.
    bool open(const std::string& utf8Name, const char* mode);
    int errorNumber() const { return errorNumber_; }

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
    int errorNumber_ = 0;
};

}  // namespace ucsIO
