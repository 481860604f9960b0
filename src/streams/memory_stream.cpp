#include "streams/memory_stream.hpp"

#include "frame/call_context.hpp"
#include "frame/loggers.hpp"

#include <map>

namespace flk {
namespace {

struct Registry {
    std::map<std::string, std::shared_ptr<MemoryStream>> streams;
    // The size new streams reserve up front; reserved capacity only, never content.
    int defaultSize = MemoryStreams::kInitialDefaultSize;
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

void MemoryBuffer::exposeFrom(size_t readOffset) {
    char* data = bytes_.data();
    setg(data, data + readOffset, data + bytes_.size());
}

void MemoryBuffer::assign(std::string bytes) {
    bytes_ = std::move(bytes);
    exposeFrom(0);
}

MemoryBuffer::int_type MemoryBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    size_t at = readOffset();
    bytes_.push_back(traits_type::to_char_type(c));
    exposeFrom(at);
    return c;
}

std::streamsize MemoryBuffer::xsputn(const char* s, std::streamsize n) {
    size_t at = readOffset();
    bytes_.append(s, size_t(n));
    exposeFrom(at);
    return n;
}

MemoryBuffer::int_type MemoryBuffer::underflow() {
    return gptr() < egptr() ? traits_type::to_int_type(*gptr()) : traits_type::eof();
}

// Reading may move anywhere within the bytes written; writing always goes on at their end.
MemoryBuffer::pos_type MemoryBuffer::seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode which) {
    if (which & std::ios::out) return (dir == std::ios::end || dir == std::ios::cur) && off == 0 ? pos_type(off_type(bytes_.size())) : pos_type(off_type(-1));
    off_type base = dir == std::ios::beg ? 0 : dir == std::ios::cur ? off_type(readOffset()) : off_type(bytes_.size());
    off_type target = base + off;
    if (target < 0 || target > off_type(bytes_.size())) return pos_type(off_type(-1));
    exposeFrom(size_t(target));
    return pos_type(target);
}

MemoryBuffer::pos_type MemoryBuffer::seekpos(pos_type pos, std::ios::openmode which) {
    return seekoff(off_type(pos), std::ios::beg, which);
}

MemoryStream::MemoryStream() : MemoryStream(size_t(MemoryStreams::defaultSize())) {}

MemoryStream::MemoryStream(size_t reserve) : buffer_(reserve), stream_(&buffer_) {}

void MemoryStream::assign(std::string bytes) {
    buffer_.assign(std::move(bytes));
    stream_.clear();
}

std::istream& MemoryStream::rewoundForReading() {
    stream_.clear();
    stream_.seekg(0);
    return stream_;
}

std::shared_ptr<MemoryStream> MemoryStreams::get(const std::string& name) {
    setCallContext(std::string_view("GetStream"));
    auto it = registry().streams.find(name);
    return it == registry().streams.end() ? nullptr : it->second;
}

namespace {

bool createReserving(const std::string& name, size_t reserve) {
    auto& streams = registry().streams;
    if (streams.count(name)) {
        raiseLogged(Log::MemoryStream, "Stream " + name + " already exists");
        return false;
    }
    streams.emplace(name, std::make_shared<MemoryStream>(reserve));
    return true;
}

}  // namespace

bool MemoryStreams::create(const std::string& name) { return createReserving(name, size_t(defaultSize())); }

bool MemoryStreams::createForAssignment(const std::string& name) { return createReserving(name, 0); }

bool MemoryStreams::remove(const std::string& name) { return registry().streams.erase(name) > 0; }

void MemoryStreams::removeAll() { registry().streams.clear(); }

void MemoryStreams::setDefaultSize(int size) { registry().defaultSize = size; }

int MemoryStreams::defaultSize() { return registry().defaultSize; }

}  // namespace flk
