#include "formats/json/json_document_writer.hpp"

#include <rapidjson/prettywriter.h>
#include <rapidjson/writer.h>

#include <cmath>
#include <ostream>

namespace flk {
namespace {

constexpr size_t kOutputBufferSize = 16384;

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

// JSON has no NaN or infinity: such a double (its node reported it) is written as null, so that
// its member or item stays in the document.
template <class Writer>
class NullForNonFinite : public Writer {
public:
    using Writer::Writer;
    bool Double(double d) { return std::isfinite(d) ? Writer::Double(d) : Writer::Null(); }
};

}  // namespace

// The events of the document, sent to a compact or a pretty writer.
class JsonDocumentWriter::Events {
public:
    Events(std::ostream& output, bool pretty) : buffer_(output), compact_(buffer_), pretty_(buffer_), isPretty_(pretty) {
        pretty_.SetIndent('\t', 1);
    }
    template <class Send>
    bool send(Send&& send) {
        return isPretty_ ? send(pretty_) : send(compact_);
    }
    void flush() { buffer_.Flush(); }

private:
    BufferedOutput buffer_;
    NullForNonFinite<rapidjson::Writer<BufferedOutput>> compact_;
    NullForNonFinite<rapidjson::PrettyWriter<BufferedOutput>> pretty_;
    bool isPretty_;
};

JsonDocumentWriter::JsonDocumentWriter(std::ostream& output, bool pretty)
    : events_(std::make_unique<Events>(output, pretty)), output_(output) {}

JsonDocumentWriter::~JsonDocumentWriter() = default;

void JsonDocumentWriter::begin(const JsonValue* head) {
    begun_ = true;
    table_ = head != nullptr;
    ok_ = events_->send([&](auto& w) {
        if (!head) return w.StartArray();
        return w.StartObject() && w.Key("meta") && head->Accept(w) && w.Key("data") && w.StartArray();
    }) && ok_;
}

void JsonDocumentWriter::part(const JsonValue& item) {
    ok_ = events_->send([&](auto& w) { return item.Accept(w); }) && ok_;
    pool_.clear();
}

bool JsonDocumentWriter::finish(const JsonValue& whole) {
    if (begun_) ok_ = events_->send([&](auto& w) { return w.EndArray() && (!table_ || w.EndObject()); }) && ok_;
    else ok_ = events_->send([&](auto& w) { return whole.Accept(w); }) && ok_;
    events_->flush();
    return ok_ && output_.good();
}

}  // namespace flk
