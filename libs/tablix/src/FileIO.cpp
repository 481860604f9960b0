#include "FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "tablix/Exception.h"

namespace tablix {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

[[noreturn]] void ioError(const char* what, const std::string& fileName) {
    throw Exception(std::string("cannot ") + what + " the file " + fileName + ": " + std::strerror(errno));
}

}  // namespace

// Opened without blocking, so that a FIFO is refused rather than waited on; only regular files have
// a size to read.
std::vector<uint8_t> readWholeFile(const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) ioError("open", fileName);
    const Descriptor guard{fd};
    struct stat info;
    if (::fstat(fd, &info) != 0) ioError("read", fileName);
    if (S_ISDIR(info.st_mode)) throw Exception("cannot read the file " + fileName + ": it is a directory");
    if (!S_ISREG(info.st_mode)) throw Exception("cannot read the file " + fileName + ": it is not a regular file");
    std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ioError("read", fileName);
        if (n == 0) break;   // the file shrank while it was read
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

void writeWholeFile(const std::string& fileName, const std::vector<uint8_t>& bytes) {
    File f(std::fopen(fileName.c_str(), "wb"));
    if (!f) ioError("create", fileName);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) ioError("write", fileName);
    if (std::fflush(f.get()) != 0) ioError("write", fileName);
}

}  // namespace tablix
