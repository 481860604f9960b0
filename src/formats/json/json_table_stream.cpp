#include "formats/json/json_table_stream.hpp"

#include "formats/json/json_limits.hpp"

#include <rapidjson/reader.h>

#include <string_view>
#include <vector>

namespace flk {
namespace {

constexpr size_t kByteOrderMark = 3;

// Checks the text and learns the shape of the top-level object.
struct ShapeCheck : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ShapeCheck> {
    unsigned depth = 0;
    bool topObject = false, metaFirst = false, dataSeen = false, dataValueNext = false, dataIsArray = false;

    bool Default() { return dataValueNext = false, true; }
    bool Key(const char* s, rapidjson::SizeType n, bool) {
        if (depth != 1 || dataSeen) return true;
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

// Builds the members before "data" as the head, and each row of "data" as a value of its own.
class RowBuilder {
public:
    RowBuilder(const std::function<bool(const JsonValue&)>& head, const std::function<bool(const JsonValue&)>& row)
        : head_(head), row_(row) {}
    bool Null() { return add(JsonValue()); }
    bool Bool(bool b) { return add(JsonValue(b)); }
    bool Int(int i) { return add(JsonValue(i)); }
    bool Uint(unsigned u) { return add(JsonValue(u)); }
    bool Int64(int64_t i) { return add(JsonValue(i)); }
    bool Uint64(uint64_t u) { return add(JsonValue(u)); }
    bool Double(double d) { return add(JsonValue(d)); }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }
    bool String(const char* s, rapidjson::SizeType n, bool copy) {
        return add(copy ? JsonValue(s, n, allocator()) : JsonValue(rapidjson::StringRef(s, n)));
    }
    bool Key(const char* s, rapidjson::SizeType n, bool copy) {
        if (depth_ == 1 && !dataDone_ && !inData_ && std::string_view(s, n) == "data") return dataNext_ = true;
        return String(s, n, copy);
    }
    bool StartObject() { return ++depth_, true; }
    bool EndObject(rapidjson::SizeType members) {
        if (--depth_ == 0) return true;   // the table object itself
        JsonValue object(rapidjson::kObjectType);
        size_t first = stack_.size() - 2 * size_t(members);
        for (size_t i = first; i < stack_.size(); i += 2) object.AddMember(stack_[i], stack_[i + 1], allocator());
        stack_.resize(first);
        return add(std::move(object));
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
        JsonValue array(rapidjson::kArrayType);
        array.Reserve(items, allocator());
        size_t first = stack_.size() - size_t(items);
        for (size_t i = first; i < stack_.size(); ++i) array.PushBack(stack_[i], allocator());
        stack_.resize(first);
        return add(std::move(array));
    }
    bool result() const { return result_; }

private:
    JsonAllocator& allocator() { return inData_ ? rowAllocator_ : headAllocator_; }

    bool startData() {
        dataNext_ = false;
        JsonValue head(rapidjson::kObjectType);
        for (size_t i = 0; i + 1 < stack_.size(); i += 2) head.AddMember(stack_[i], stack_[i + 1], headAllocator_);
        stack_.clear();
        ++depth_;
        inData_ = true;
        return result_ = head_(head);
    }
    bool add(JsonValue&& value) {
        dataNext_ = false;
        if (!(inData_ && depth_ == 2)) {
            stack_.push_back(std::move(value));
            return true;
        }
        result_ = row_(value);
        rowAllocator_.Clear();   // the row is done with
        return result_;
    }

    const std::function<bool(const JsonValue&)>& head_;
    const std::function<bool(const JsonValue&)>& row_;
    JsonAllocator headAllocator_, rowAllocator_;
    std::vector<JsonValue> stack_;
    unsigned depth_ = 0;
    bool dataNext_ = false, inData_ = false, dataDone_ = false, result_ = true;
};

}  // namespace

TableStreamResult forEachTableRow(std::string& text, const std::function<bool(const JsonValue&)>& head,
                                  const std::function<bool(const JsonValue&)>& row) {
    TableStreamResult result;
    size_t start = text.compare(0, kByteOrderMark, "\xEF\xBB\xBF") == 0 ? kByteOrderMark : 0;
    ShapeCheck shape;
    {
        rapidjson::StringStream stream(text.c_str() + start);
        rapidjson::Reader reader;
        result.wellFormed = !reader.Parse<rapidjson::kParseIterativeFlag>(stream, shape).IsError();
    }
    if (!result.wellFormed || !shape.streamable()) return result;
    result.streamed = true;
    rapidjson::InsituStringStream stream(text.data() + start);
    rapidjson::Reader reader;
    RowBuilder builder(head, row);
    reader.Parse<rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag>(stream, builder);
    result.ok = builder.result();
    return result;
}

}  // namespace flk
