// One read of a JSON document as it goes: where the mapping's nodes stand in the document, for
// the messages that name a place ("line 14, column 9 ($.orders[12].lines[3].qty)"), and the
// objects that met members none of their node's children read. Nodes reach the read going on
// through CurrentRead<JsonReading>; nothing is formatted until a message asks.
#pragma once

#include "formats/json/json_node.hpp"
#include "formats/json/json_offsets.hpp"
#include "frame/text_place.hpp"
#include "mapping/current_read.hpp"
#include "mapping/unread_names.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace flk {

class JsonReading {
public:
    // A path shows at most this many bytes of a key.
    static constexpr size_t kKeyBytesShown = 64;

    // mayHoldNul: whether a string of the document may hold a NUL (JsonText::mayHoldNul).
    JsonReading(std::string_view body, bool mayHoldNul) : body_(body), places_(body), mayHoldNul_(mayHoldNul) {}
    JsonReading(const JsonReading&) = delete;
    JsonReading& operator=(const JsonReading&) = delete;

    // What the parse of the part read now notes: the whole document, or one item of a top-level
    // array or one row of a top-level table streamed on its own.
    JsonOffsets& offsets() { return offsets_; }
    // That part, from its top value, whose offset (when it is no string) the offsets begin with;
    // ended before the value goes.
    void beginPart(const JsonValue& top) { part_ = &top; }
    void endPart() { part_ = nullptr; }
    UnreadNames& unread() { return unread_; }
    bool mayHoldNul() const { return mayHoldNul_; }

    // The line, column and path of the value read now; empty outside a part.
    std::string place();
    // The line and column of an offset into the body.
    std::string placeOf(size_t offset) { return places_.at(offset); }

private:
    friend class JsonStep;

    // One step of the path from the top of the document: a member (key set) or an item (index).
    // A step of the path above the part read now may have no value.
    struct Step {
        const JsonValue* value = nullptr;
        const JsonValue* key = nullptr;
        size_t index = 0;
    };

    // The value at the end of the first n steps (the part's top for none).
    const JsonValue& valueAt(size_t n) const { return n == 0 ? *part_ : *steps_[n - 1].value; }
    size_t offsetOf(size_t n) const;
    size_t ordinalOf(size_t n) const;
    bool inBody(const char* p) const { return p >= body_.data() && p < body_.data() + body_.size(); }
    std::string path() const;

    std::string_view body_;
    TextPlaces places_;
    JsonOffsets offsets_;
    const JsonValue* part_ = nullptr;
    std::vector<Step> steps_;
    UnreadNames unread_;
    bool mayHoldNul_;
};

// One step of the path while a node reads the members or items of a value, set to each in turn;
// gone when the node is done with them. Does nothing outside a JSON read.
class JsonStep {
public:
    JsonStep() : reading_(CurrentRead<JsonReading>::get()) {
        if (!reading_) return;
        level_ = reading_->steps_.size();
        reading_->steps_.emplace_back();
    }
    ~JsonStep() {
        if (reading_) reading_->steps_.pop_back();
    }
    JsonStep(const JsonStep&) = delete;
    JsonStep& operator=(const JsonStep&) = delete;

    // key may be a value of no document (a name the reader knows without a value, as "data")
    // only where value is the top of the part read now, or is left out.
    void member(const JsonValue& key, const JsonValue* value) {
        if (reading_) reading_->steps_[level_] = {value, &key, 0};
    }
    void item(size_t index, const JsonValue& value) {
        if (reading_) reading_->steps_[level_] = {&value, nullptr, index};
    }

private:
    JsonReading* reading_;
    size_t level_ = 0;
};

}  // namespace flk
