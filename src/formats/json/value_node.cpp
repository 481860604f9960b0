#include "formats/json/json_nodes.hpp"

#include "formats/json/json_reading.hpp"
#include "formats/json/value_conversion.hpp"
#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "host/molvo_io_handler.hpp"
#include "mapping/embedded_document.hpp"
#include "mapping/read_scope.hpp"

#include <stdexcept>
#include <vector>

namespace flk {
namespace {

const std::vector<std::string_view> kValueAttributes{
    "name", "alt-name", "binds-to", "binds-existing", "binds-skip-non-existing", "range-existing", "name-regex",
    "name-binds-to", "name-regex-prefix", "name-regex-postfix", "name-regex-from", "iterative-binds-to",
    "iterative-prefix", "iterative-existing", "const-binds-to", "const-binds-value", "read-normalize",
    "write-normalize", "maps-to", "write-filter", "dense-write", "force-dense", "embedded-mapping", "value",
    "number-type", "max-string-size", "accept-any", "base64-encoded"};

}  // namespace

bool ValueNode::applyOwnAttribute(const std::string& attribute, const std::string& value) {
    if (attribute == "number-type") {
        numberType_ = value == "integer"   ? NumberType::Integer
                      : value == "double"  ? NumberType::Double
                      : value == "boolean" ? NumberType::Boolean
                                           : NumberType::NotGiven;
    } else if (attribute == "accept-any") {
        acceptAny_ = value == "1";
    } else if (attribute == "base64-encoded") {
        base64_ = true;   // set by its presence, whatever its value
    } else {
        return false;
    }
    return true;
}

bool ValueNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    return parseElement(element, mapping, "ValueMapping", kValueAttributes, nullptr);
}

bool ValueNode::readEmbedded(ReadState& state, const JsonValue& value) {
    if (!value.IsString()) return raiseError("Embedded mapping node " + name() + " needs to be of string type");
    return readEmbeddedDocument(state, attributes_.embeddedMapping, std::string_view(value.GetString(), value.GetStringLength()),
                                base64_);
}

bool ValueNode::assignRead(ReadState& state, std::string_view name, const JsonValue& value) {
    ReadValue converted;
    TargetKind kind = readTargetKind(*this, state);
    try {
        convertForRead(kind, value, converted);
    } catch (const std::logic_error& failure) {   // a string that is no number for a numeric target
        state.throwAtPlace(failure);
    }
    // The host's strings end at a NUL; an element name holding one is refused where it binds.
    if (converted.isText && kind != TargetKind::Holder && mayHoldNul() && converted.text.find('\0') != std::string::npos)
        return refuseNul(state, name, kind);
    return transferValue(*this, state, converted);
}

bool ValueNode::mayHoldNul() {
    const JsonReading* reading = CurrentRead<JsonReading>::get();
    return !reading || reading->mayHoldNul();
}

bool ValueNode::refuseNul(ReadState& state, std::string_view name, TargetKind kind) {
    const std::wstring& target = state.mapping().references[size_t(mapsToReference())].target->name();
    std::string reason = "The value of member '" + visibleText(name) + "' holds a NUL character, which " +
                         (kind == TargetKind::Element ? "element names" : "the strings of " + toUtf8(target)) +
                         " cannot hold";
    raiseError(reason);
    state.warnAtPlace(reason);
    return false;
}

bool ValueNode::readJSON(ReadState& state, std::string_view name, const JsonValue& value) {
    if (!attributes_.embeddedMapping.empty()) return readEmbedded(state, value);
    ReadScope scope(*this, state, name);
    if (!scope.entered()) return scope.notEnteredResult();
    return scope.end(assignRead(state, name, value));
}

bool ValueNode::writeEmbedded(WriteState& state, JsonValue& value, JsonAllocator& allocator) {
    std::string text;
    if (!writeEmbeddedDocument(state, attributes_.embeddedMapping, base64_, text)) return false;
    value.SetString(text.data(), rapidjson::SizeType(text.size()), allocator);
    return true;
}

void ValueNode::writeDefault(WriteState& state, JsonValue& value, JsonAllocator& allocator) const {
    if (mapsToReference() < 0) return;
    MolvoIOHandler& target = *state.mapping().references[size_t(mapsToReference())].target;
    MolvoValueW stored;
    if (!target.defaultValue(stored)) return;
    convertForWrite(target, stored, numberType_, acceptAny_, *this, value, allocator, state.notes());
}

bool ValueNode::writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) {
    writeKey(state, name);
    if (!attributes_.embeddedMapping.empty()) return writeEmbedded(state, value, allocator);
    if (mapsToReference() < 0) {
        if (bindsToIndex() >= 0) {
            int element = state.tuple()[size_t(bindsToIndex())];
            if (element <= 0) return true;
            std::string text = normalizedForWrite(state.mapping().indexTable[size_t(bindsToIndex())]->elementName(element));
            value.SetString(text.data(), rapidjson::SizeType(text.size()), allocator);
        } else if (!attributes_.value.empty()) {
            value.SetString(attributes_.value.data(), rapidjson::SizeType(attributes_.value.size()), allocator);
        }
        return true;
    }
    if (hasValueAt(state, mapsToReference(), false)) {
        ValueCursor& cursor = state.cursor(mapsToReference());
        MolvoIOHandler& target = *state.mapping().references[size_t(mapsToReference())].target;
        convertForWrite(target, cursor.value(), numberType_, acceptAny_, *this, value, allocator, state.notes());
        cursor.advance();
    } else if ((hasValueAt(state, forceDenseReference(), false) || (parent() && parent()->attributes().denseChildren)) && !acceptAny_) {
        writeDefault(state, value, allocator);
    }
    return true;
}

}  // namespace flk
