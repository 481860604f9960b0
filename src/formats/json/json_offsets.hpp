// Where the values of a JSON document stand, noted as it is parsed, so that a message can name
// the place of any value without the document being read again.
#pragma once

#include <rapidjson/reader.h>

#include <cstddef>
#include <vector>

namespace flk {

// Offsets into the body of the values that are not strings, in document order: where the parser
// stood when it told of each value, which is at the value's first byte or just after its last
// (the parser tells of a bracket before it takes it, of a number as it begins, and of true, false
// and null when they are read), so the value starts there or with the run of its bytes that ends
// there. A string needs none: parsed in place, its characters start just after its opening quote.
using JsonOffsets = std::vector<size_t>;

// Forwards every event of a parse to handler, first noting the offset of each value that is not
// a string. Stream is the parser's input, read where each event arrives.
template <class Handler, class Stream>
class OffsetNoting {
public:
    OffsetNoting(Handler& handler, Stream& stream, JsonOffsets& offsets)
        : h_(handler), stream_(stream), offsets_(offsets) {}

    bool Null() { return noted(), h_.Null(); }
    bool Bool(bool b) { return noted(), h_.Bool(b); }
    bool Int(int i) { return noted(), h_.Int(i); }
    bool Uint(unsigned u) { return noted(), h_.Uint(u); }
    bool Int64(int64_t i) { return noted(), h_.Int64(i); }
    bool Uint64(uint64_t u) { return noted(), h_.Uint64(u); }
    bool Double(double d) { return noted(), h_.Double(d); }
    bool RawNumber(const char* s, rapidjson::SizeType n, bool copy) { return noted(), h_.RawNumber(s, n, copy); }
    bool String(const char* s, rapidjson::SizeType n, bool copy) { return h_.String(s, n, copy); }
    bool Key(const char* s, rapidjson::SizeType n, bool copy) { return h_.Key(s, n, copy); }
    bool StartObject() { return noted(), h_.StartObject(); }
    bool EndObject(rapidjson::SizeType n) { return h_.EndObject(n); }
    bool StartArray() { return noted(), h_.StartArray(); }
    bool EndArray(rapidjson::SizeType n) { return h_.EndArray(n); }

private:
    void noted() { offsets_.push_back(stream_.Tell()); }

    Handler& h_;
    Stream& stream_;   // Tell() is not const, though it only looks
    JsonOffsets& offsets_;
};

}  // namespace flk
