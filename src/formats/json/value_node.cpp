#include "formats/json/json_nodes.hpp"

#include "formats/json/value_conversion.hpp"
#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/base64.hpp"
#include "mapping/document_drivers.hpp"
#include "mapping/mapping_nesting.hpp"

#include <sstream>
#include <vector>

namespace flk {
namespace {

const std::vector<std::string_view> kValueAttributes{
    "name", "alt-name", "binds-to", "binds-existing", "binds-skip-non-existing", "range-existing", "name-regex",
    "name-binds-to", "name-regex-prefix", "name-regex-postfix", "name-regex-from", "iterative-binds-to",
    "iterative-prefix", "iterative-existing", "const-binds-to", "const-binds-value", "read-normalize",
    "write-normalize", "maps-to", "write-filter", "dense-write", "force-dense", "embedded-mapping", "value",
    "number-type", "max-string-size", "accept-any", "base64-encoded"};

// The element of that name in an element parameter's range, created when allowed; 0 when none.
int elementInRange(MolvoIOHandler& parameter, const std::string& name, bool existingOnly) {
    int range = parameter.rangeDomain().range();
    std::wstring wide = fromUtf8(name);
    int element = 0, created = 0;
    if (wide.empty()) return 0;
    int status = existingOnly ? MolvoSetNameToElementW(range, wide.c_str(), &element)
                              : MolvoSetElementNumberW(range, wide.c_str(), 1, &element, &created);
    if (status != 1) return 0;
    if (created) {
        MolvoValueW member{1, 1, 0, nullptr};
        MolvoValueAssignW(range, &element, &member);
    }
    return element;
}

// The host takes at most the target's string size of characters: a longer text is cut there,
// which the read reports when it ends. A text has at least as many bytes as characters, so
// only a long one is counted.
void noteIfCut(ReadState& state, const TreeNode& node, const MolvoIOHandler& target, const std::string& text) {
    size_t limit = size_t(target.stringSize());
    if (text.size() <= limit) return;
    size_t length = utf8Length(text);
    if (length > limit) state.notes().textCut(node.name(), target.name(), target.stringSize(), length);
}

}  // namespace

bool ValueNode::applyOwnAttribute(const std::string& attribute, const std::string& value) {
    if (attribute == "number-type") {
        numberType_ = value == "integer" ? kInteger : value == "double" ? kDouble : value == "boolean" ? kBoolean : kNotGiven;
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
    std::string bytes(value.GetString(), value.GetStringLength());
    if (base64_) {
        std::string decoded;
        if (!base64Decode(bytes, decoded)) return raiseError(std::string_view("Base64-encoded string contains invalid characters"));
        bytes.swap(decoded);
    }
    auto mapping = findMapping(fromUtf8(embeddedMapping_));
    if (!mapping || !mapping->root) return raiseError("The embedded mapping " + embeddedMapping_ + " cannot be found");
    std::istringstream input(bytes);
    return readDocumentWith(mapping, state.documentName(), input, state.embeddedFlags(*mapping), &state.notes());
}

bool ValueNode::assignRead(ReadState& state, const JsonValue& value) {
    const IdentifierReference* ref = mapsToRef_ >= 0 ? &state.mapping().references[size_t(mapsToRef_)] : nullptr;
    TargetKind kind = targetKindOf(ref ? ref->target.get() : nullptr);
    ReadValue converted;
    convertForRead(kind, value, converted);
    if (converted.isText && readNormalizer_) converted.text = normalizedForRead(converted.text);
    if (bindsToIndex_ >= 0) {
        if (state.isExternallyBound(bindsToIndex_)) return state.checkExternal(bindsToIndex_, converted.text) > 0;
        int element = state.bindElement(bindsToIndex_, converted.text, bindsExisting_, skipNonExisting_);
        if (element == 0) return false;
        if (element == MappingState::kSkip) {
            state.requestSkip();
            return true;
        }
    }
    if (!ref) return true;
    if (kind == TargetKind::Element) {
        int element = elementInRange(*ref->target, converted.text, rangeExisting_);
        if (element > 0) state.assignElement(*ref, element);
        else if (!converted.text.empty() && !skipNonExisting_)
            return raiseError("Element " + converted.text + " is not in the range of " + toUtf8(ref->target->name()));
    } else if (converted.isText) {
        noteIfCut(state, *this, *ref->target, converted.text);
        state.assignReference(*ref, std::string_view(converted.text));
    } else {
        state.assignReference(*ref, converted.number);
    }
    return true;
}

bool ValueNode::readJSON(ReadState& state, std::string_view name, const JsonValue& value) {
    if (!embeddedMapping_.empty()) return readEmbedded(state, value);
    int bound = bindPrologue(state, name);
    if (bound <= 0) return bound < 0;
    bool ok = assignRead(state, value);
    if (ok) markForceDense(state);
    return ok;
}

// A mapping embedded in itself, directly or through others, would write without end: the
// embedded mapping is given no bindings, so each level would write what the one above it did.
bool ValueNode::writeEmbedded(WriteState& state, JsonValue& value, JsonAllocator& allocator) {
    auto mapping = findMapping(fromUtf8(embeddedMapping_));
    if (!mapping || !mapping->root) return raiseError("The embedded mapping " + embeddedMapping_ + " cannot be found");
    if (mapping.get() == &state.mapping() || MappingNesting::inUse(*mapping))
        return raiseError("The embedded mapping " + embeddedMapping_ + " would be written inside itself");
    std::ostringstream output;
    MappingNesting writing(state.mapping());
    if (!writeDocumentWith(mapping, state.documentName(), output, 0, &state.notes())) return false;
    std::string text = base64_ ? base64Encode(output.str()) : output.str();
    value.SetString(text.data(), rapidjson::SizeType(text.size()), allocator);
    return true;
}

void ValueNode::writeDefault(WriteState& state, JsonValue& value, JsonAllocator& allocator) const {
    if (mapsToRef_ < 0) return;
    MolvoIOHandler& target = *state.mapping().references[size_t(mapsToRef_)].target;
    std::vector<wchar_t> buffer(size_t(target.stringSize()) + 1, L'\0');
    MolvoValueW stored{0, 0, target.stringSize() + 1, buffer.data()};
    if (MolvoAttributeDefaultW(target.handle(), &stored) != 1) return;
    if (!convertForWrite(target, stored, numberType_, acceptAny_, *this, value, allocator))
        state.notes().writtenAsNull(target.name());
}

bool ValueNode::writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) {
    writeKey(state, name);
    if (!embeddedMapping_.empty()) return writeEmbedded(state, value, allocator);
    if (mapsToRef_ < 0) {
        if (bindsToIndex_ >= 0) {
            int element = state.tuple()[size_t(bindsToIndex_)];
            if (element <= 0) return true;
            std::string text = normalizedForWrite(state.mapping().indexTable[size_t(bindsToIndex_)]->elementName(element));
            value.SetString(text.data(), rapidjson::SizeType(text.size()), allocator);
        } else if (!value_.empty()) {
            value.SetString(value_.data(), rapidjson::SizeType(value_.size()), allocator);
        }
        return true;
    }
    if (hasValueAt(state, mapsToRef_, false)) {
        ValueCursor& cursor = state.cursor(mapsToRef_);
        MolvoIOHandler& target = *state.mapping().references[size_t(mapsToRef_)].target;
        if (!convertForWrite(target, cursor.value(), numberType_, acceptAny_, *this, value, allocator))
            state.notes().writtenAsNull(target.name());
        cursor.advance();
    } else if ((hasValueAt(state, forceDenseRef_, false) || (parent() && parent()->denseChildren_)) && !acceptAny_) {
        writeDefault(state, value, allocator);
    }
    return true;
}

}  // namespace flk
