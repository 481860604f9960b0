// Output files that appear whole or not at all. The bytes go to a new file beside the target (same
// directory, a unique hidden name), which replaces the target only when every write, the close and
// the rename succeeded; a failed or abandoned write removes it, and the target keeps what it held.
// The new file takes the target's mode and, where the process may, its owner; a file that did not
// exist gets the mode the process creates files with. A symbolic link is followed: the file it
// names is replaced, not the link.
//
// A writable file beside which no new file can be made (a folder the process may not add to, or a
// full one) cannot be replaced: its new content is kept whole in an unnamed temporary file in the
// temporary folder ($TMPDIR, else /tmp) first, and
// only then, with room for all of it reserved in the target (fallocate), copied over the target,
// which is then cut to its new length. A write that fails before the copy leaves the target as it
// was; where the room cannot be reserved (no space, or a file system without fallocate), nor a
// temporary file made, the write fails and the target stays as it was. The copy itself fails only
// where the device fails. The target keeps its inode: its mode, owner and links.
//
// A target that exists and is no regular file (a device such as /dev/null, a FIFO) is written in
// place: it holds nothing to damage. Nothing is synced to disk: this guards against failed writes,
// not against the machine stopping.
//
// The object is the stream buffer a std::ostream writes through. After the first failed write the
// bytes that follow are dropped and commit() fails with the system's reason, so that a writer
// learns of the failure once, with its cause, instead of as a stream that went bad.
#pragma once

#include <memory>
#include <streambuf>
#include <string>

namespace flk {

class OutputFile : public std::streambuf {
public:
    // CannotOpen: no file could be made, or the target cannot be written; Unwritable: the name is
    // something that takes no file (a directory); CannotStage: the target could only be written
    // over, and no temporary file could hold the new content first; WriteFailed: a write, the
    // close, the reservation or the replacement failed.
    enum class Failure { None, CannotOpen, Unwritable, CannotStage, WriteFailed };

    OutputFile();
    ~OutputFile() override;   // abandons what was not committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Prepares the write to the file with this UTF-8 name; false with failure() and reason().
    bool open(const std::string& path);
    void write(const char* data, size_t size) { sputn(data, std::streamsize(size)); }
    // Hands buffered bytes to the system; false once a write failed.
    bool flush();
    // Puts the written file in the target's place; false with failure() and reason(), and then
    // the target is as it was.
    bool commit();
    // Drops what was written; the target is as it was.
    void abandon();

    bool failed() const { return failure_ != Failure::None; }
    Failure failure() const { return failure_; }
    // The system's text ("No space left on device") or what the name is instead.
    const std::string& reason() const { return reason_; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    bool openReplacement(const std::string& path);
    bool openStaged(const std::string& path, int besideError);
    bool openInPlace(const std::string& path);
    bool fail(Failure failure, std::string reason);
    void writeOut(const char* data, size_t size);
    bool overwriteTarget();
    void closeFile();

    int fd_ = -1;             // where the bytes go: the new file, the staging file or the target
    int targetFd_ = -1;       // the target, opened to be written over, while its content is staged
    std::string target_;
    std::string temporary_;   // the new file beside the target; empty when there is none
    std::unique_ptr<char[]> buffer_;
    Failure failure_ = Failure::None;
    std::string reason_;
};

}  // namespace flk
