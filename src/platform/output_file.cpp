#include "platform/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace flk {
namespace {

constexpr size_t kWriteBufferBytes = 64 * 1024;
// Of the target's own name in the temporary's, so that the temporary's stays within NAME_MAX.
constexpr size_t kNameBytesKept = 200;
constexpr int kNameAttempts = 100;

// "<folder>/.<name>.<process>.<count>.tmp": hidden, and unique among the writers of one process
// and of several.
std::string temporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = target.substr(folder.size(), kNameBytesKept);
    return folder + "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
}

std::string resolvedPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// Where content that cannot be written beside its target is kept until it is whole.
std::string stagingFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

// All of it at that offset; false with errno set.
bool writeAllAt(int fd, const char* data, size_t size, off_t offset) {
    while (size > 0) {
        ssize_t written = ::pwrite(fd, data, size, offset);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        data += written;
        size -= size_t(written);
        offset += written;
    }
    return true;
}

}  // namespace

OutputFile::OutputFile() : buffer_(std::make_unique<char[]>(kWriteBufferBytes)) {
    setp(buffer_.get(), buffer_.get() + kWriteBufferBytes);
}

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::fail(Failure failure, std::string reason) {
    if (failure_ == Failure::None) {
        failure_ = failure;
        reason_ = std::move(reason);
    }
    return false;
}

bool OutputFile::open(const std::string& path) {
    abandon();
    failure_ = Failure::None;
    reason_.clear();
    if (path.empty()) return fail(Failure::CannotOpen, "the name is empty");
    struct stat existing {};
    if (::stat(path.c_str(), &existing) != 0) return openReplacement(path);
    if (S_ISDIR(existing.st_mode)) return fail(Failure::Unwritable, "it is a directory");
    if (!S_ISREG(existing.st_mode)) return openInPlace(path);
    return openReplacement(resolvedPath(path));
}

bool OutputFile::openReplacement(const std::string& path) {
    target_ = path;
    int error = 0;
    for (int attempt = 0; attempt < kNameAttempts && fd_ < 0; ++attempt) {
        std::string name = temporaryName(path);
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        error = errno;
        if (fd_ >= 0) temporary_ = std::move(name);
        else if (error != EEXIST) break;
    }
    struct stat existing {};
    bool exists = ::stat(path.c_str(), &existing) == 0;
    if (fd_ < 0) return exists ? openStaged(path, error) : fail(Failure::CannotOpen, std::strerror(error));
    if (exists) {
        // Owner first: changing it clears the set-user and set-group bits that the mode restores.
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
            (void)!::fchown(fd_, existing.st_uid, existing.st_gid);
        ::fchmod(fd_, existing.st_mode & 07777);
    }
    return true;
}

// The target is opened now, without truncating it, so that one the process may not write fails
// before anything is written.
bool OutputFile::openStaged(const std::string& path, int besideError) {
    target_ = path;
    targetFd_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (targetFd_ < 0) return fail(Failure::CannotOpen, std::strerror(errno));
    const std::string folder = stagingFolder();
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ >= 0) return true;
    const int error = errno;
    ::close(targetFd_);
    targetFd_ = -1;
    return fail(Failure::CannotStage, "no temporary file can be made beside it (" + std::string(std::strerror(besideError)) +
                                          ") or in " + folder + " (" + std::strerror(error) + ")");
}

bool OutputFile::openInPlace(const std::string& path) {
    target_ = path;
    // Not blocking: a FIFO that no process reads refuses instead of waiting for a reader.
    fd_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        if (errno == ENXIO) return fail(Failure::Unwritable, "it is a FIFO or socket that no process reads");
        return fail(Failure::CannotOpen, std::strerror(errno));
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    return true;
}

void OutputFile::writeOut(const char* data, size_t size) {
    while (size > 0 && !failed()) {
        ssize_t written = ::write(fd_, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            fail(Failure::WriteFailed, written < 0 ? std::strerror(errno) : "the system took no bytes");
            return;
        }
        data += written;
        size -= size_t(written);
    }
}

bool OutputFile::flush() {
    if (fd_ >= 0) writeOut(pbase(), size_t(pptr() - pbase()));
    setp(buffer_.get(), buffer_.get() + kWriteBufferBytes);
    return !failed();
}

OutputFile::int_type OutputFile::overflow(int_type c) {
    flush();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize OutputFile::xsputn(const char* s, std::streamsize n) {
    size_t size = size_t(n);
    if (size <= size_t(epptr() - pptr())) {
        std::memcpy(pptr(), s, size);
        pbump(int(size));
        return n;
    }
    flush();
    if (size >= kWriteBufferBytes) {
        if (fd_ >= 0) writeOut(s, size);
        return n;
    }
    std::memcpy(pptr(), s, size);
    pbump(int(size));
    return n;
}

// Never a failure for the stream: that one is told by commit(), with its reason.
int OutputFile::sync() {
    flush();
    return 0;
}

void OutputFile::closeFile() {
    if (fd_ < 0) return;
    if (::close(fd_) != 0) fail(Failure::WriteFailed, std::strerror(errno));
    fd_ = -1;
}

// The staged content, whole, over the target. Room for all of it is reserved first, so that no
// lack of space can stop the copy halfway; the old content's tail goes only once the new content
// is in place.
bool OutputFile::overwriteTarget() {
    const off_t size = ::lseek(fd_, 0, SEEK_END);
    if (size < 0) return fail(Failure::WriteFailed, std::strerror(errno));
    if (size > 0 && ::fallocate(targetFd_, FALLOC_FL_KEEP_SIZE, 0, size) != 0)
        return fail(Failure::WriteFailed, "no room can be reserved for the new content (" + std::string(std::strerror(errno)) + ")");
    for (off_t at = 0; at < size;) {
        ssize_t n = ::pread(fd_, buffer_.get(), size_t(std::min<off_t>(size - at, kWriteBufferBytes)), at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(Failure::WriteFailed, n < 0 ? std::strerror(errno) : "the staged content ended early");
        if (!writeAllAt(targetFd_, buffer_.get(), size_t(n), at)) return fail(Failure::WriteFailed, std::strerror(errno));
        at += n;
    }
    if (::ftruncate(targetFd_, size) != 0) return fail(Failure::WriteFailed, std::strerror(errno));
    if (::close(std::exchange(targetFd_, -1)) != 0) return fail(Failure::WriteFailed, std::strerror(errno));
    return true;
}

bool OutputFile::commit() {
    if (fd_ < 0) return fail(Failure::CannotOpen, "it was not opened");
    flush();
    if (targetFd_ >= 0) {
        const bool written = !failed() && overwriteTarget();
        abandon();
        return written;
    }
    closeFile();
    if (failed()) {
        abandon();
        return false;
    }
    if (!temporary_.empty() && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        fail(Failure::WriteFailed, std::strerror(errno));
        abandon();
        return false;
    }
    temporary_.clear();
    return true;
}

void OutputFile::abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (targetFd_ >= 0) ::close(targetFd_);
    targetFd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    setp(buffer_.get(), buffer_.get() + kWriteBufferBytes);
}

}  // namespace flk
