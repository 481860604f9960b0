#include "platform/input_file.hpp"

#include <ext/stdio_filebuf.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace flk {
namespace {

constexpr size_t kReadBufferBytes = 64 * 1024;

// What a name is instead of a regular file, as a reason in messages.
std::string notRegular(mode_t mode) {
    const char* kind = S_ISDIR(mode)    ? "a directory"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : nullptr;
    return kind ? std::string("it is ") + kind + ", not a regular file" : std::string("it is not a regular file");
}

}  // namespace

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool InputFile::fail(Failure failure, std::string reason) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    failure_ = failure;
    reason_ = std::move(reason);
    return false;
}

bool InputFile::failWithError(int error) {
    return fail(error == ENOENT || error == ENOTDIR ? Failure::NotFound : Failure::CannotOpen, std::strerror(error));
}

bool InputFile::open(const std::string& path) {
    fail(Failure::None, {});   // forgets an earlier file and its failure
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0) return failWithError(errno);
    if (!S_ISREG(named.st_mode)) return fail(Failure::NotRegularFile, notRegular(named.st_mode));
    // Not blocking, in case the name was given to a FIFO since it was looked at; the descriptor
    // is checked to be the regular file seen above.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return failWithError(errno);
    struct stat opened {};
    if (::fstat(fd_, &opened) != 0) return failWithError(errno);
    if (!S_ISREG(opened.st_mode)) return fail(Failure::NotRegularFile, notRegular(opened.st_mode));
    if (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
        return fail(Failure::CannotOpen, "it was replaced while it was opened");
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    return true;
}

std::FILE* InputFile::releaseAsStdio() {
    if (fd_ < 0) return nullptr;
    std::FILE* file = ::fdopen(fd_, "rb");
    if (!file) {
        failWithError(errno);
        return nullptr;
    }
    fd_ = -1;
    return file;
}

std::unique_ptr<std::streambuf> InputFile::releaseAsBuffer() {
    if (fd_ < 0) return nullptr;
    auto buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(fd_, std::ios::in | std::ios::binary, kReadBufferBytes);
    fd_ = -1;   // the buffer closes it
    return buffer;
}

}  // namespace flk
