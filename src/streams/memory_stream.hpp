// Named in-memory byte streams that stand wherever a file name beginning with "#" is accepted.
//
// The registry is used only on the host's thread and has no lock. Each user of a stream takes its
// own shared reference, so removing an entry never destroys a stream still being read or written.
// Every consumer sees the bytes from position 0 up to the write position.
#pragma once

#include <memory>
#include <sstream>
#include <string>

namespace flk {

class MemoryStream {
public:
    MemoryStream() : stream_(std::ios::in | std::ios::out | std::ios::binary) {}

    std::iostream& stream() { return stream_; }
    // The bytes written so far; the positions do not change.
    std::string contents() const { return stream_.str(); }
    // Replaces the contents; the write position ends at their length, the read position at 0.
    void assign(const std::string& bytes);
    // Prepares a read from the beginning of what was written.
    std::istream& rewoundForReading();

private:
    std::stringstream stream_;
};

class MemoryStreams {
public:
    static constexpr int kInitialDefaultSize = 65536;

    // Sets the call context to "GetStream"; an empty reference when the name is not registered.
    static std::shared_ptr<MemoryStream> get(const std::string& name);
    // False after raising "Stream <name> already exists".
    static bool create(const std::string& name);
    static bool remove(const std::string& name);
    static void removeAll();
    static void setDefaultSize(int size);
    static int defaultSize();
};

}  // namespace flk
