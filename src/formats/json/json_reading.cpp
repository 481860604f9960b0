#include "formats/json/json_reading.hpp"

#include "frame/utf8.hpp"

#include <algorithm>

namespace flk {
namespace {

bool isNumberByte(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'; }
bool isLetter(char c) { return c >= 'a' && c <= 'z'; }   // of true, false and null

// How many values that are not strings the value holds, itself included: as many offsets as its
// parse noted.
size_t nonStrings(const JsonValue& value) {
    size_t count = 0;
    std::vector<const JsonValue*> pending{&value};
    while (!pending.empty()) {
        const JsonValue* v = pending.back();
        pending.pop_back();
        if (v->IsString()) continue;
        ++count;
        if (v->IsArray()) {
            for (const JsonValue& item : v->GetArray()) pending.push_back(&item);
        } else if (v->IsObject()) {
            for (const auto& member : v->GetObject()) pending.push_back(&member.value);
        }
    }
    return count;
}

// A key as JSONPath writes it: after a dot where it is a plain name, else quoted in brackets.
void appendKey(std::string& path, std::string_view key) {
    bool plain = !key.empty() && !(key[0] >= '0' && key[0] <= '9') && std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               static_cast<unsigned char>(c) >= 0x80;
    });
    bool cut = key.size() > JsonReading::kKeyBytesShown;
    if (cut) {
        size_t end = JsonReading::kKeyBytesShown;
        while (end > 0 && (static_cast<unsigned char>(key[end]) & 0xC0) == 0x80) --end;   // not inside a character
        key = key.substr(0, end);
    }
    if (plain && !cut) {
        path.append(".").append(key);
        return;
    }
    path += "['";
    for (char c : key) {
        if (c == '\'' || c == '\\') path += '\\';
        path += c;
    }
    path += cut ? "...']" : "']";
}

}  // namespace

std::string JsonReading::place() {
    if (!part_) return {};
    return places_.at(offsetOf(steps_.size())) + " (" + path() + ")";
}

std::string JsonReading::path() const {
    std::string path = "$";
    for (const Step& step : steps_) {
        if (step.key) appendKey(path, std::string_view(step.key->GetString(), step.key->GetStringLength()));
        else path.append("[").append(std::to_string(step.index)).append("]");
    }
    return visibleText(path);
}

// Where the value at the end of the first n steps starts.
size_t JsonReading::offsetOf(size_t n) const {
    if (n > 0 && !steps_[n - 1].value) return offsetOf(n - 1);   // a step not yet set, or above the part
    const JsonValue& value = valueAt(n);
    if (value.IsString()) {
        if (inBody(value.GetString())) return size_t(value.GetString() - body_.data()) - 1;   // its opening quote
        return n > 0 ? offsetOf(n - 1) : 0;
    }
    size_t ordinal = ordinalOf(n);
    if (ordinal >= offsets_.size()) return n > 0 ? offsetOf(n - 1) : 0;
    // Where the parser told of the value: at its first byte, or just after its last (JsonOffsets).
    size_t at = std::min(offsets_[ordinal], body_.size());
    if (value.IsNumber()) {
        while (at > 0 && isNumberByte(body_[at - 1])) --at;
    } else if (value.IsBool() || value.IsNull()) {
        while (at > 0 && isLetter(body_[at - 1])) --at;
    } else if (at > 0 && at < body_.size() && body_[at] != '{' && body_[at] != '[') {
        --at;   // just after the bracket
    }
    return at;
}

// The position among the part's offsets of the value at the end of the first n steps, which is
// no string. A member's value is the first value after its key that is no string; an item comes
// after its array and all that the items before it hold.
size_t JsonReading::ordinalOf(size_t n) const {
    size_t ordinal = 0;
    for (; n > 0 && steps_[n - 1].value != part_; --n) {
        const Step& step = steps_[n - 1];
        if (step.key) {
            const char* key = step.key->GetString();
            if (!inBody(key)) return ordinal;
            size_t keyAt = size_t(key - body_.data());
            return ordinal + size_t(std::lower_bound(offsets_.begin(), offsets_.end(), keyAt) - offsets_.begin());
        }
        const JsonValue& array = valueAt(n - 1);
        if (!array.IsArray() || step.index > array.Size()) return ordinal;
        ordinal += 1;   // the array itself
        for (size_t i = 0; i < step.index; ++i) ordinal += nonStrings(array[rapidjson::SizeType(i)]);
    }
    return ordinal;
}

}  // namespace flk
