// Parsing whole JSON documents.
#include "formats/json/json_limits.hpp"
#include "formats/json/json_node.hpp"
#include "formats/json/json_offsets.hpp"
#include "formats/json/json_text.hpp"

#include <rapidjson/reader.h>

namespace flk {
namespace {

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
    JsonText& text;
    JsonOffsets& offsets;
    JsonProblem& problem;
    bool operator()(rapidjson::Document& d) {
        rapidjson::InsituStringStream stream(text.body());
        rapidjson::Reader reader;
        DepthLimit limit(d);
        OffsetNoting<DepthLimit, rapidjson::InsituStringStream> handler(limit, stream, offsets);
        rapidjson::ParseResult result = reader.Parse<kParseFlags>(stream, handler);
        ok = text.wellFormed(result, stream.Tell(), problem);
        return ok;
    }
    bool ok = false;
};

}  // namespace

bool parseJsonDocument(JsonText& text, rapidjson::Document& document, JsonOffsets& offsets, JsonProblem& problem) {
    Parse parse{text, offsets, problem};
    document.Populate(parse);
    return parse.ok;
}

}  // namespace flk
