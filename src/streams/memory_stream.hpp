// Named in-memory byte streams that stand wherever a file name beginning with "#" is accepted.
//
// The registry is used only on the host's thread and has no lock. Each user of a stream takes its
// own shared reference, so removing an entry never destroys a stream still being read or written.
// Every consumer sees the bytes from position 0 up to the write position.
#pragma once

#include <istream>
#include <memory>
#include <streambuf>
#include <string>

namespace flk {

// Bytes written at the end, read from an independent position that never passes them. The
// reserved capacity lets documents up to that size be written without the buffer growing; it
// is never content.
class MemoryBuffer : public std::streambuf {
public:
    explicit MemoryBuffer(size_t reserve) { bytes_.reserve(reserve); }
    const std::string& bytes() const { return bytes_; }
    void assign(std::string bytes);

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int_type underflow() override;
    pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios::openmode which) override;

private:
    // Points the read area at the bytes again after they may have moved.
    void exposeFrom(size_t readOffset);
    size_t readOffset() const { return eback() ? size_t(gptr() - eback()) : 0; }

    std::string bytes_;
};

class MemoryStream {
public:
    MemoryStream();
    // With that much capacity reserved instead of the default size.
    explicit MemoryStream(size_t reserve);

    std::iostream& stream() { return stream_; }
    // The bytes written so far; the positions do not change.
    std::string contents() const { return buffer_.bytes(); }
    // Replaces the contents; the write position ends at their length, the read position at 0.
    void assign(std::string bytes);
    // Prepares a read from the beginning of what was written.
    std::istream& rewoundForReading();

private:
    MemoryBuffer buffer_;
    std::iostream stream_;
};

class MemoryStreams {
public:
    static constexpr int kInitialDefaultSize = 65536;

    // Sets the call context to "GetStream"; an empty reference when the name is not registered.
    static std::shared_ptr<MemoryStream> get(const std::string& name);
    // False after raising "Stream <name> already exists".
    static bool create(const std::string& name);
    // For a stream whose bytes are assigned whole later: nothing is reserved for writing.
    static bool createForAssignment(const std::string& name);
    static bool remove(const std::string& name);
    static void removeAll();
    static void setDefaultSize(int size);
    static int defaultSize();
};

}  // namespace flk
