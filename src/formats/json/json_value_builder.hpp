// What the streaming readers of large documents share: the check pass's input stream, and a SAX
// handler that builds values bottom-up on a stack, so that a part of a document can be built,
// handed over and released on its own. Derived (CRTP) decides in add() where a finished value
// goes and in allocator() which pool it is built from.
#pragma once

#include "formats/json/json_node.hpp"

#include <rapidjson/reader.h>

#include <string>
#include <utility>
#include <vector>

namespace flk {

// The input of a check pass over a text that must stay as it is: read in the reader's in-situ
// mode, as the default mode would copy every string onto a stack only to throw it away. The
// decoded characters of a string are counted and only its first kKept kept (a handler may look
// at short keys), so the text itself is never written.
class CheckStream {
public:
    using Ch = char;
    static constexpr size_t kKept = 16;

    explicit CheckStream(const char* text) : at_(text), begin_(text) {}
    Ch Peek() const { return *at_; }
    Ch Take() { return *at_++; }
    size_t Tell() const { return size_t(at_ - begin_); }
    Ch* PutBegin() {
        count_ = 0;
        return kept_;
    }
    void Put(Ch c) {
        if (count_ < kKept) kept_[count_] = c;
        ++count_;
    }
    size_t PutEnd(Ch*) { return count_; }
    void Flush() {}

private:
    const char* at_;
    const char* begin_;
    char kept_[kKept];
    size_t count_ = 0;
};

// The reader's flags for a check pass over a CheckStream: in situ (above), iterative, so that no
// depth of nesting recurses, and with UTF-8 checked, as the model must never get broken text.
constexpr unsigned kCheckFlags =
    rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;

// A pool for one part of a document at a time: cleared after each part, it keeps a first block
// of its own, so that parts of the usual size are built without a heap allocation.
class PartAllocator {
public:
    PartAllocator() : pool_(first_, sizeof first_) {}
    PartAllocator(const PartAllocator&) = delete;
    PartAllocator& operator=(const PartAllocator&) = delete;
    JsonAllocator& pool() { return pool_; }
    void clear() { pool_.Clear(); }

private:
    static constexpr size_t kFirstBlock = 16384;
    alignas(8) char first_[kFirstBlock];
    JsonAllocator pool_;
};

template <class Derived>
class JsonValueBuilder {
public:
    bool Null() { return self().add(JsonValue()); }
    bool Bool(bool b) { return self().add(JsonValue(b)); }
    bool Int(int i) { return self().add(JsonValue(i)); }
    bool Uint(unsigned u) { return self().add(JsonValue(u)); }
    bool Int64(int64_t i) { return self().add(JsonValue(i)); }
    bool Uint64(uint64_t u) { return self().add(JsonValue(u)); }
    bool Double(double d) { return self().add(JsonValue(d)); }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }
    bool String(const char* s, rapidjson::SizeType n, bool copy) {
        return self().add(copy ? JsonValue(s, n, self().allocator()) : JsonValue(rapidjson::StringRef(s, n)));
    }

protected:
    // The object of the last members key/value pairs on the stack, taken off it.
    JsonValue popObject(rapidjson::SizeType members) {
        JsonValue object(rapidjson::kObjectType);
        size_t first = stack_.size() - 2 * size_t(members);
        for (size_t i = first; i < stack_.size(); i += 2) object.AddMember(stack_[i], stack_[i + 1], self().allocator());
        stack_.resize(first);
        return object;
    }
    // The array of the last items values on the stack, taken off it.
    JsonValue popArray(rapidjson::SizeType items) {
        JsonValue array(rapidjson::kArrayType);
        array.Reserve(items, self().allocator());
        size_t first = stack_.size() - size_t(items);
        for (size_t i = first; i < stack_.size(); ++i) array.PushBack(stack_[i], self().allocator());
        stack_.resize(first);
        return array;
    }

    std::vector<JsonValue> stack_;

private:
    Derived& self() { return static_cast<Derived&>(*this); }
};

}  // namespace flk
