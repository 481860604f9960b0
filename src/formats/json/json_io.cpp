// Parsing and serialising whole JSON documents.
#include "formats/json/json_limits.hpp"
#include "formats/json/json_node.hpp"

#include <rapidjson/prettywriter.h>
#include <rapidjson/reader.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <istream>
#include <iterator>
#include <ostream>

namespace flk {
namespace {

constexpr size_t kOutputBufferSize = 4096;
constexpr size_t kInputBlockSize = 1 << 16;
// Bytes that are not UTF-8 fail the parse like any other malformed input, rather than reaching
// the model as replacement characters.
constexpr unsigned kParseFlags =
    rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;

// Forwards every event to the document and counts the nesting depth.
class DepthLimit {
public:
    explicit DepthLimit(rapidjson::Document& d) : d_(d) {}
    bool Null() { return d_.Null(); }
    bool Bool(bool b) { return d_.Bool(b); }
    bool Int(int i) { return d_.Int(i); }
    bool Uint(unsigned u) { return d_.Uint(u); }
    bool Int64(int64_t i) { return d_.Int64(i); }
    bool Uint64(uint64_t u) { return d_.Uint64(u); }
    bool Double(double x) { return d_.Double(x); }
    bool RawNumber(const char* s, rapidjson::SizeType n, bool copy) { return d_.RawNumber(s, n, copy); }
    bool String(const char* s, rapidjson::SizeType n, bool copy) { return d_.String(s, n, copy); }
    bool Key(const char* s, rapidjson::SizeType n, bool copy) { return d_.Key(s, n, copy); }
    bool StartObject() { return ++depth_ <= kMaxJsonDepth && d_.StartObject(); }
    bool EndObject(rapidjson::SizeType n) { return --depth_, d_.EndObject(n); }
    bool StartArray() { return ++depth_ <= kMaxJsonDepth && d_.StartArray(); }
    bool EndArray(rapidjson::SizeType n) { return --depth_, d_.EndArray(n); }

private:
    rapidjson::Document& d_;
    unsigned depth_ = 0;
};

struct Parse {
    char* text;
    bool operator()(rapidjson::Document& d) {
        rapidjson::InsituStringStream stream(text);
        rapidjson::Reader reader;
        DepthLimit handler(d);
        ok = !reader.Parse<kParseFlags>(stream, handler).IsError();
        return ok;
    }
    bool ok = false;
};

// The writer's output stream: bytes collect in a fixed buffer handed to the stream when full.
class BufferedOutput {
public:
    using Ch = char;
    explicit BufferedOutput(std::ostream& out) : out_(out) {}
    void Put(char c) {
        if (used_ == kOutputBufferSize) Flush();
        buffer_[used_++] = c;
    }
    void Flush() {
        out_.write(buffer_, std::streamsize(used_));
        used_ = 0;
    }

private:
    std::ostream& out_;
    char buffer_[kOutputBufferSize];
    size_t used_ = 0;
};

}  // namespace

std::string readAll(std::istream& input) {
    std::string text;
    size_t used = 0;
    while (input) {
        size_t block = std::max(kInputBlockSize, used);   // doubles: few reads for large input
        text.resize(used + block);
        input.read(&text[used], std::streamsize(block));
        used += size_t(input.gcount());
    }
    text.resize(used);
    return text;
}

bool parseJsonDocument(std::istream& input, rapidjson::Document& document, std::string& text) {
    text = readAll(input);
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    // The parser stops at the first NUL: a NUL inside the text ends the document there.
    Parse parse{text.data() + start};
    document.Populate(parse);
    return parse.ok;
}

bool serializeJson(const rapidjson::Value& value, std::ostream& output, bool pretty) {
    BufferedOutput buffer(output);
    bool ok;
    if (pretty) {
        rapidjson::PrettyWriter<BufferedOutput> writer(buffer);
        writer.SetIndent('\t', 1);
        ok = value.Accept(writer);
    } else {
        rapidjson::Writer<BufferedOutput> writer(buffer);
        ok = value.Accept(writer);
    }
    buffer.Flush();
    return ok && output.good();
}

}  // namespace flk
