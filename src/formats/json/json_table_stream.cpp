#include "formats/json/json_table_stream.hpp"

#include "formats/json/json_limits.hpp"
#include "formats/json/json_offsets.hpp"
#include "formats/json/json_value_builder.hpp"

#include <rapidjson/reader.h>

#include <string_view>
#include <vector>

namespace flk {
namespace {

// The checking pass also refuses bytes that are not UTF-8; the pass after it reads checked text.
// Checks the text and learns the shape of the top-level object.
struct ShapeCheck : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ShapeCheck> {
    unsigned depth = 0;
    bool topObject = false, metaFirst = false, dataSeen = false, dataValueNext = false, dataIsArray = false;

    bool Default() { return dataValueNext = false, true; }
    bool Key(const char* s, rapidjson::SizeType n, bool) {
        // The stream keeps only the first characters of a key: enough for the two looked for.
        if (depth != 1 || dataSeen || n > CheckStream::kKept) return true;
        std::string_view key(s, n);
        if (key == "meta") metaFirst = true;
        if (key == "data") dataSeen = dataValueNext = true;
        return true;
    }
    bool StartObject() {
        if (depth == 0) topObject = true;
        dataValueNext = false;
        return ++depth <= kMaxJsonDepth;
    }
    bool EndObject(rapidjson::SizeType) { return --depth, true; }
    bool StartArray() {
        if (dataValueNext && depth == 1) dataIsArray = true;
        dataValueNext = false;
        return ++depth <= kMaxJsonDepth;
    }
    bool EndArray(rapidjson::SizeType) { return --depth, true; }
    bool streamable() const { return topObject && metaFirst && dataIsArray; }
};

// Builds the members before "data" as the head, and each row of "data" as a value of its own;
// each is handed over with the offsets noted while it was parsed (the head with those of the
// table's object from its bracket on).
class RowBuilder : public JsonValueBuilder<RowBuilder> {
public:
    RowBuilder(const std::function<bool(const JsonValue&)>& head, const std::function<bool(const JsonValue&)>& row,
               JsonOffsets& offsets)
        : head_(head), row_(row), offsets_(offsets) {}
    bool Key(const char* s, rapidjson::SizeType n, bool copy) {
        if (depth_ == 1 && !dataDone_ && !inData_ && std::string_view(s, n) == "data") return dataNext_ = true;
        return String(s, n, copy);
    }
    bool StartObject() { return ++depth_, true; }
    bool EndObject(rapidjson::SizeType members) {
        if (--depth_ == 0) return true;   // the table object itself
        return add(popObject(members));
    }
    bool StartArray() {
        if (dataNext_ && depth_ == 1) return startData();
        return ++depth_, true;
    }
    bool EndArray(rapidjson::SizeType items) {
        --depth_;
        if (inData_ && depth_ == 1) {
            inData_ = false;
            dataDone_ = true;
            return true;
        }
        return add(popArray(items));
    }
    bool result() const { return result_; }

    // Called by the builder base.
    JsonAllocator& allocator() { return inData_ ? rowAllocator_.pool() : headAllocator_; }
    bool add(JsonValue&& value) {
        dataNext_ = false;
        if (!(inData_ && depth_ == 2)) {
            stack_.push_back(std::move(value));
            return true;
        }
        result_ = row_(value);
        rowAllocator_.clear();   // the row is done with
        offsets_.clear();
        return result_;
    }

private:
    bool startData() {
        dataNext_ = false;
        JsonValue head(rapidjson::kObjectType);
        for (size_t i = 0; i + 1 < stack_.size(); i += 2) head.AddMember(stack_[i], stack_[i + 1], headAllocator_);
        stack_.clear();
        ++depth_;
        inData_ = true;
        result_ = head_(head);
        offsets_.clear();
        return result_;
    }

    const std::function<bool(const JsonValue&)>& head_;
    const std::function<bool(const JsonValue&)>& row_;
    JsonOffsets& offsets_;
    JsonAllocator headAllocator_;
    PartAllocator rowAllocator_;
    unsigned depth_ = 0;
    bool dataNext_ = false, inData_ = false, dataDone_ = false, result_ = true;
};

}  // namespace

TableStreamResult forEachTableRow(JsonText& text, JsonOffsets& offsets, const std::function<bool(const JsonValue&)>& head,
                                  const std::function<bool(const JsonValue&)>& row) {
    TableStreamResult result;
    ShapeCheck shape;
    {
        CheckStream stream(text.body());
        rapidjson::Reader reader;
        rapidjson::ParseResult parsed = reader.Parse<kCheckFlags>(stream, shape);
        result.wellFormed = text.wellFormed(parsed, stream.Tell(), result.problem);
    }
    if (!result.wellFormed || !shape.streamable()) return result;
    result.streamed = true;
    rapidjson::InsituStringStream stream(text.body());
    rapidjson::Reader reader;
    RowBuilder builder(head, row, offsets);
    OffsetNoting<RowBuilder, rapidjson::InsituStringStream> handler(builder, stream, offsets);
    reader.Parse<rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag>(stream, handler);
    result.ok = builder.result();
    return result;
}

}  // namespace flk
