#include "text/text_file_backend.hpp"

#include "platform/input_file.hpp"

namespace ucsIO {
namespace {

// The runtime library's default stream buffer means one system call per 4 KiB; large files
// move in far fewer with this.
constexpr size_t kStreamBufferBytes = 256 * 1024;

}  // namespace

StdBackendFile::~StdBackendFile() { close(); }

bool StdBackendFile::openForReading(const std::string& utf8Name) {
    close();
    flk::InputFile input;
    file_ = input.open(utf8Name) ? input.releaseAsStdio() : nullptr;
    reason_ = input.reason();
    if (file_) {
        // The runtime library ignores the size unless it is given the buffer as well.
        if (!buffer_) buffer_ = std::make_unique<char[]>(kStreamBufferBytes);
        std::setvbuf(file_, buffer_.get(), _IOFBF, kStreamBufferBytes);
    }
    return file_ != nullptr;
}

bool StdBackendFile::close() {
    if (!file_) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

bool StdBackendFile::seek(long offset) { return file_ && std::fseek(file_, offset, SEEK_SET) == 0; }

size_t StdBackendFile::read(void* buffer, size_t bytes) { return file_ ? std::fread(buffer, 1, bytes, file_) : 0; }

size_t StdBackendFile::write(const void* buffer, size_t bytes) {
    return file_ ? std::fwrite(buffer, 1, bytes, file_) : 0;
}

long StdBackendFile::tell() { return file_ ? std::ftell(file_) : -1; }

bool StdBackendFile::eof() { return !file_ || std::feof(file_); }

bool StdBackendFile::error() { return !file_ || std::ferror(file_); }

bool ReplacingBackendFile::open(const std::string& utf8Name) { return file_.open(utf8Name); }

bool ReplacingBackendFile::commit() { return file_.commit(); }

size_t ReplacingBackendFile::write(const void* buffer, size_t bytes) {
    file_.write(static_cast<const char*>(buffer), bytes);
    return file_.failed() ? 0 : bytes;
}

}  // namespace ucsIO
