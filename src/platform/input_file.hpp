// Input files: only regular files are read. Anything else is refused before it is opened in a way
// that could block or never end: a directory reads as garbage or fails obscurely, a device such as
// /dev/zero never ends, and opening a FIFO waits for a writer that may never come.
#pragma once

#include <cstdio>
#include <memory>
#include <streambuf>
#include <string>

namespace flk {

class InputFile {
public:
    // NotFound: no file has the name (ENOENT, ENOTDIR); CannotOpen: another reason of the system.
    enum class Failure { None, NotFound, CannotOpen, NotRegularFile };

    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens the file by its UTF-8 name when it is a regular file. False with failure() and
    // reason() set: the system's text ("No such file or directory") or what the name is instead
    // ("it is a directory, not a regular file").
    bool open(const std::string& path);
    Failure failure() const { return failure_; }
    const std::string& reason() const { return reason_; }

    // Hand the opened file over; the file object is empty afterwards.
    std::FILE* releaseAsStdio();                       // closed with fclose
    std::unique_ptr<std::streambuf> releaseAsBuffer();  // closed with the buffer

private:
    bool fail(Failure failure, std::string reason);
    bool failWithError(int error);

    int fd_ = -1;
    Failure failure_ = Failure::None;
    std::string reason_;
};

}  // namespace flk
