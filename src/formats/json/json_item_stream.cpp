#include "formats/json/json_item_stream.hpp"

#include "formats/json/json_limits.hpp"
#include "formats/json/json_offsets.hpp"
#include "formats/json/json_value_builder.hpp"

#include <rapidjson/reader.h>

#include <string_view>
#include <vector>

namespace flk {
namespace {

// The checking pass also refuses bytes that are not UTF-8; the pass after it reads checked text.
// Accepts every event and counts the nesting depth.
struct Validator : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Validator> {
    unsigned depth = 0;
    bool Default() { return true; }
    bool StartObject() { return ++depth <= kMaxJsonDepth; }
    bool EndObject(rapidjson::SizeType) { return --depth, true; }
    bool StartArray() { return ++depth <= kMaxJsonDepth; }
    bool EndArray(rapidjson::SizeType) { return --depth, true; }
};

// Builds each item of the top-level array as a value and hands it over when it is complete,
// with the offsets noted while it was parsed (those of the item alone).
class ItemBuilder : public JsonValueBuilder<ItemBuilder> {
public:
    ItemBuilder(const std::function<bool(const JsonValue&)>& item, JsonOffsets& offsets)
        : item_(item), offsets_(offsets) {}
    bool Key(const char* s, rapidjson::SizeType n, bool copy) { return String(s, n, copy); }
    bool StartObject() { return ++depth_, true; }
    bool StartArray() {
        if (depth_++ == 0) offsets_.clear();   // the array's own bracket: the first item's start next
        return true;
    }
    bool EndObject(rapidjson::SizeType members) {
        --depth_;
        return add(popObject(members));
    }
    bool EndArray(rapidjson::SizeType items) {
        if (--depth_ == 0) return true;
        return add(popArray(items));
    }
    bool result() const { return result_; }

    // Called by the builder base.
    JsonAllocator& allocator() { return allocator_.pool(); }
    bool add(JsonValue&& value) {
        if (depth_ > 1) {
            stack_.push_back(std::move(value));
            return true;
        }
        result_ = item_(value);
        allocator_.clear();   // the item is done with: release what it was built from
        offsets_.clear();
        return result_;
    }

private:
    const std::function<bool(const JsonValue&)>& item_;
    JsonOffsets& offsets_;
    PartAllocator allocator_;
    unsigned depth_ = 0;
    bool result_ = true;
};

}  // namespace

bool startsWithArray(const JsonText& text) {
    std::string_view body(text.body(), text.bodySize());
    size_t at = body.find_first_not_of(" \t\n\r");
    return at != std::string_view::npos && body[at] == '[';
}

bool forEachArrayItem(JsonText& text, JsonOffsets& offsets, const std::function<bool(const JsonValue&)>& item,
                      bool& wellFormed, JsonProblem& problem) {
    {
        CheckStream stream(text.body());
        rapidjson::Reader reader;
        Validator validator;
        rapidjson::ParseResult result = reader.Parse<kCheckFlags>(stream, validator);
        wellFormed = text.wellFormed(result, stream.Tell(), problem);
    }
    if (!wellFormed) return false;
    rapidjson::InsituStringStream stream(text.body());
    rapidjson::Reader reader;
    ItemBuilder builder(item, offsets);
    OffsetNoting<ItemBuilder, rapidjson::InsituStringStream> handler(builder, stream, offsets);
    reader.Parse<rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag>(stream, handler);
    return builder.result();
}

}  // namespace flk
