// Reading and parsing whole JSON documents.
#include "formats/json/json_limits.hpp"
#include "formats/json/json_node.hpp"

#include <rapidjson/reader.h>

#include <algorithm>
#include <istream>
#include <iterator>

namespace flk {
namespace {

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

// What is left of a seekable stream, so that the text is read into a buffer of its exact size:
// doubling blocks could leave up to twice the document in memory. 0 when the stream cannot tell.
size_t remainingSize(std::istream& input) {
    std::streambuf* buffer = input.rdbuf();
    if (!buffer || !input) return 0;
    std::streampos here = buffer->pubseekoff(0, std::ios::cur, std::ios::in);
    if (here == std::streampos(-1)) return 0;
    std::streampos end = buffer->pubseekoff(0, std::ios::end, std::ios::in);
    buffer->pubseekpos(here, std::ios::in);
    return end > here ? size_t(end - here) : 0;
}

}  // namespace

std::string readAll(std::istream& input) {
    std::string text;
    size_t used = 0;
    size_t expected = remainingSize(input);
    while (input) {
        // The expected size first (and one more byte to meet the end), then doubling blocks.
        size_t block = used == 0 && expected > 0 ? expected + 1 : std::max(kInputBlockSize, used);
        text.resize(used + block);
        input.read(&text[used], std::streamsize(block));
        used += size_t(input.gcount());
    }
    text.resize(used);
    if (text.capacity() > 2 * used + kInputBlockSize) text.shrink_to_fit();   // the stream overstated its size
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

}  // namespace flk
