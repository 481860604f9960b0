#include "formats/json/json_nodes.hpp"

#include "formats/json/json_reading.hpp"
#include "frame/call_context.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/read_scope.hpp"

namespace flk {
namespace {

const std::vector<std::string_view> kObjectAttributes{
    "name", "alt-name", "name-regex", "name-binds-to", "binds-existing", "binds-skip-non-existing",
    "name-regex-prefix", "name-regex-postfix", "name-regex-from", "iterative-binds-to", "iterative-prefix",
    "iterative-existing", "implicit-binds-to", "const-binds-to", "const-binds-value", "read-normalize",
    "write-normalize", "maps-to", "empty-as-bool", "write-filter", "dense-write", "force-dense", "dense-children",
    "included-mapping"};

}  // namespace

bool ObjectNode::applyOwnAttribute(const std::string& attribute, const std::string& value) {
    if (attribute == "empty-as-bool") emptyAsBool_ = value == "1";
    else if (attribute == "dense-children") attributes_.denseChildren = value == "1";
    else return false;
    return true;
}

std::shared_ptr<TreeNode> ObjectNode::makeChild(std::string_view element) {
    return makeJsonNode(JsonParent::Object, element);
}

bool ObjectNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    return parseElement(element, mapping, "ObjectMapping", kObjectAttributes, nullptr);
}

bool ObjectNode::readMembers(ReadState& state, const JsonValue& object) {
    JsonStep step;
    return readIndexMembersFirst(state, [&](bool indexPass) {
        bool ok = true, anyRead = false;
        for (auto m = object.MemberBegin(); m != object.MemberEnd(); ++m) {
            // Keys compare by their whole length: one holding a NUL is not its prefix.
            std::string_view key(m->name.GetString(), m->name.GetStringLength());
            step.member(m->name, &m->value);
            if (TreeNode* child = childNamed(key)) {
                anyRead = true;
                if (child->bindsIndexFromValue() == indexPass) ok = asJson(*child).readJSON(state, key, m->value) && ok;
                if (indexPass && !ok) return false;
                continue;
            }
            if (indexPass) continue;
            for (const auto& child : regexChildren()) {
                if (!child->matchesPattern(key)) continue;
                anyRead = true;
                ok = asJson(*child).readJSON(state, key, m->value) && ok;
            }
        }
        if (!indexPass) tallyMembers(object, anyRead);
        return ok;
    });
}

void ObjectNode::tallyMembers(const JsonValue& object, bool anyRead) {
    JsonReading* reading = CurrentRead<JsonReading>::get();
    if (!reading || object.MemberCount() == 0) return;
    if (anyRead) return reading->unread().childRead(*this, readMark_);
    for (const auto& m : object.GetObject())
        reading->unread().unread(*this, std::string_view(m.name.GetString(), m.name.GetStringLength()));
}

bool ObjectNode::readJSON(ReadState& state, std::string_view name, const JsonValue& value) {
    if (value.IsNull()) return true;
    if (!value.IsObject() && !(value.IsBool() && emptyAsBool_))
        return raiseError("Node '" + std::string(name) + "' is not an object");
    ReadScope scope(*this, state, name);
    if (!scope.entered()) return scope.notEnteredResult();
    bool ok = true;
    if (!attributes_.includedMapping.empty()) ok = readJsonIncluded(*this, state, value);
    else if (value.IsObject()) ok = readMembers(state, value);
    return scope.end(ok, value.IsFalse() ? 0.0 : 1.0);
}

bool ObjectNode::writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) {
    writeKey(state, name);
    bool mapped = mapsToReference() < 0 || hasValueAt(state, mapsToReference(), true);
    bool keep = hasValueAt(state, forceDenseReference(), false) || (parent() && parent()->attributes().denseChildren);
    value.SetObject();
    if (!attributes_.includedMapping.empty()) {
        if (!writeJsonIncluded(*this, state, value, allocator)) return false;
    } else {
        for (const auto& child : children()) {
            bool any = false;
            auto write = [&] {
                any = true;
                std::string key;
                JsonValue item;
                if (!asJson(*child).writeJSON(state, key, item, allocator)) return false;
                if (!item.IsNull()) value.AddMember(JsonValue(key.data(), rapidjson::SizeType(key.size()), allocator), item, allocator);
                return true;
            };
            if (!forEachTuple(state, *child, write)) return false;
            // Dense children are written without data too, where no index of their own asks for tuples.
            if (!any && attributes_.denseChildren && !child->bindsOwnIndices() && !write()) return false;
        }
    }
    if (value.IsObject() && value.MemberCount() == 0) {
        if (emptyAsBool_) value.SetBool(mapped);
        else if (!keep) value.SetNull();
    }
    return true;
}

}  // namespace flk
