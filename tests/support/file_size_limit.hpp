// Makes writes to regular files fail past a size, as a full disk makes them fail, for one scope:
// the process's file-size limit, with the signal that comes with it ignored so that the write
// fails with EFBIG instead of ending the process.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace flk::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited{bytes, saved_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

}  // namespace flk::test
