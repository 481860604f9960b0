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

void MemoryStream::assign(const std::string& bytes) {
    stream_.str(bytes);
    stream_.clear();
    stream_.seekp(0, std::ios::end);
    stream_.seekg(0);
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

bool MemoryStreams::create(const std::string& name) {
    auto& streams = registry().streams;
    if (streams.count(name)) {
        std::string message = "Stream " + name + " already exists";
        LOG4CXX_ERROR(logger(Log::MemoryStream), message);
        raiseError(message);
        return false;
    }
    streams.emplace(name, std::make_shared<MemoryStream>());
    return true;
}

bool MemoryStreams::remove(const std::string& name) { return registry().streams.erase(name) > 0; }

void MemoryStreams::removeAll() { registry().streams.clear(); }

void MemoryStreams::setDefaultSize(int size) { registry().defaultSize = size; }

int MemoryStreams::defaultSize() { return registry().defaultSize; }

}  // namespace flk
