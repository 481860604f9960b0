#include "formats/json/json_item_stream.hpp"

#include "formats/json/json_limits.hpp"

#include <rapidjson/reader.h>

#include <vector>

namespace flk {
namespace {

constexpr size_t kByteOrderMark = 3;

size_t bodyStart(const std::string& text) { return text.compare(0, kByteOrderMark, "\xEF\xBB\xBF") == 0 ? kByteOrderMark : 0; }

// Accepts every event and counts the nesting depth.
struct Validator : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Validator> {
    unsigned depth = 0;
    bool Default() { return true; }
    bool StartObject() { return ++depth <= kMaxJsonDepth; }
    bool EndObject(rapidjson::SizeType) { return --depth, true; }
    bool StartArray() { return ++depth <= kMaxJsonDepth; }
    bool EndArray(rapidjson::SizeType) { return --depth, true; }
};

// Builds each item of the top-level array as a value and hands it over when it is complete.
class ItemBuilder {
public:
    explicit ItemBuilder(const std::function<bool(const JsonValue&)>& item) : item_(item) {}
    bool Null() { return add(JsonValue()); }
    bool Bool(bool b) { return add(JsonValue(b)); }
    bool Int(int i) { return add(JsonValue(i)); }
    bool Uint(unsigned u) { return add(JsonValue(u)); }
    bool Int64(int64_t i) { return add(JsonValue(i)); }
    bool Uint64(uint64_t u) { return add(JsonValue(u)); }
    bool Double(double d) { return add(JsonValue(d)); }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }
    bool String(const char* s, rapidjson::SizeType n, bool copy) {
        return add(copy ? JsonValue(s, n, allocator_) : JsonValue(rapidjson::StringRef(s, n)));
    }
    bool Key(const char* s, rapidjson::SizeType n, bool copy) { return String(s, n, copy); }
    bool StartObject() { return ++depth_, true; }
    bool StartArray() { return ++depth_, true; }
    bool EndObject(rapidjson::SizeType members) {
        --depth_;
        JsonValue object(rapidjson::kObjectType);
        size_t first = stack_.size() - 2 * size_t(members);
        for (size_t i = first; i < stack_.size(); i += 2) object.AddMember(stack_[i], stack_[i + 1], allocator_);
        stack_.resize(first);
        return add(std::move(object));
    }
    bool EndArray(rapidjson::SizeType items) {
        if (--depth_ == 0) return true;
        JsonValue array(rapidjson::kArrayType);
        array.Reserve(items, allocator_);
        size_t first = stack_.size() - size_t(items);
        for (size_t i = first; i < stack_.size(); ++i) array.PushBack(stack_[i], allocator_);
        stack_.resize(first);
        return add(std::move(array));
    }
    bool result() const { return result_; }

private:
    bool add(JsonValue&& value) {
        if (depth_ > 1) {
            stack_.push_back(std::move(value));
            return true;
        }
        result_ = item_(value);
        allocator_.Clear();   // the item is done with: release what it was built from
        return result_;
    }

    const std::function<bool(const JsonValue&)>& item_;
    JsonAllocator allocator_;
    std::vector<JsonValue> stack_;
    unsigned depth_ = 0;
    bool result_ = true;
};

}  // namespace

bool startsWithArray(const std::string& text) {
    size_t at = text.find_first_not_of(" \t\n\r", bodyStart(text));
    return at != std::string::npos && text[at] == '[';
}

bool forEachArrayItem(std::string& text, const std::function<bool(const JsonValue&)>& item, bool& wellFormed) {
    size_t start = bodyStart(text);
    {
        rapidjson::StringStream stream(text.c_str() + start);
        rapidjson::Reader reader;
        Validator validator;
        wellFormed = !reader.Parse<rapidjson::kParseIterativeFlag>(stream, validator).IsError();
    }
    if (!wellFormed) return false;
    rapidjson::InsituStringStream stream(text.data() + start);
    rapidjson::Reader reader;
    ItemBuilder builder(item);
    reader.Parse<rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag>(stream, builder);
    return builder.result();
}

}  // namespace flk
