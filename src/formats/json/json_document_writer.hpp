// Writes a JSON document to its output, either whole from a value or part by part as the top-level
// array or row table is built (as a JsonPartSink). Both give the same bytes for the same content:
// the writer sees the same events either way.
#pragma once

#include "formats/json/json_part_sink.hpp"
#include "formats/json/json_value_builder.hpp"

#include <iosfwd>
#include <memory>

namespace flk {

class JsonDocumentWriter : public JsonPartSink {
public:
    // Compact, or with one tab per level when pretty.
    JsonDocumentWriter(std::ostream& output, bool pretty);
    ~JsonDocumentWriter() override;

    void begin(const JsonValue* head) override;
    void part(const JsonValue& item) override;
    JsonAllocator& allocator() override { return pool_.pool(); }

    // Whether parts were streamed (begin was called).
    bool begun() const { return begun_; }
    // Closes what begin opened, or, when nothing was streamed, writes the whole value; then hands
    // the rest of the bytes to the output. False when the writer or the output failed.
    bool finish(const JsonValue& whole);

private:
    class Events;
    std::unique_ptr<Events> events_;
    std::ostream& output_;
    PartAllocator pool_;
    bool begun_ = false;
    bool table_ = false;
    bool ok_ = true;
};

}  // namespace flk
