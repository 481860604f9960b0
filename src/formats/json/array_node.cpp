#include "formats/json/json_nodes.hpp"

#include "formats/json/json_part_sink.hpp"
#include "formats/json/json_reading.hpp"
#include "frame/call_context.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/read_scope.hpp"

namespace flk {
namespace {

const std::vector<std::string_view> kArrayAttributes{
    "name", "alt-name", "name-regex", "name-binds-to", "binds-existing", "binds-skip-non-existing",
    "name-regex-prefix", "name-regex-postfix", "name-regex-from", "iterative-binds-to", "iterative-prefix",
    "iterative-existing", "implicit-binds-to", "const-binds-to", "const-binds-value", "read-normalize",
    "write-normalize", "write-filter", "dense-write", "force-dense", "included-mapping", "iterative-reset",
    "singleton-as-array"};

}  // namespace

bool ArrayNode::applyOwnAttribute(const std::string& attribute, const std::string& value) {
    if (attribute != "singleton-as-array") return false;
    singletonAsArray_ = value == "1";
    return true;
}

std::shared_ptr<TreeNode> ArrayNode::makeChild(std::string_view element) {
    return makeJsonNode(JsonParent::Array, element);
}

bool ArrayNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    bool ok = parseElement(element, mapping, "ArrayMapping", kArrayAttributes, kPositionalChild);
    if (children().size() != 1 && !(children().empty() && !attributes_.includedMapping.empty())) {
        raiseError("Array node " + name() + " should have a single child node or an included mapping");
        ok = false;
    }
    return ok;
}

bool ArrayNode::readJSON(ReadState& state, std::string_view name, const JsonValue& value) {
    if (value.IsNull()) return true;
    if (!value.IsArray() && !singletonAsArray_) return raiseError("Node " + std::string(name) + " is not an array");
    ReadScope scope(*this, state, name);
    if (!scope.entered()) return scope.notEnteredResult();
    bool ok = true;
    if (!attributes_.includedMapping.empty()) {
        ok = readJsonIncluded(*this, state, value);
    } else if (!value.IsArray()) {
        ok = readItem(state, value);
    } else {
        JsonStep step;
        for (rapidjson::SizeType i = 0; ok && i < value.Size(); ++i) {
            step.item(i, value[i]);
            ok = readItem(state, value[i]);
        }
    }
    return scope.end(ok);
}

bool ArrayNode::readItem(ReadState& state, const JsonValue& item) {
    TreeNode* child = childNamed(kPositionalChild);
    return asJson(*child).readJSON(state, child->name(), item);
}

bool ArrayNode::writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) {
    if (!hasIterators() && attributes_.includedMapping.empty()) return true;
    writeKey(state, name);
    value.SetArray();
    if (!attributes_.includedMapping.empty()) return writeJsonIncluded(*this, state, value, allocator);
    TreeNode* child = childNamed(kPositionalChild);
    // A top-level array written as it is built hands each item over instead of keeping it.
    JsonPartSink* sink = state.takeSink<JsonPartSink>();
    if (sink) sink->begin(nullptr);
    bool ok = forEachTuple(state, *child, [&] {
        std::string key;
        JsonValue item;
        if (!asJson(*child).writeJSON(state, key, item, sink ? sink->allocator() : allocator)) return false;
        if (item.IsNull()) return true;
        if (sink) sink->part(item);
        else value.PushBack(item, allocator);
        return true;
    });
    if (!ok) return false;
    if (singletonAsArray_ && value.Size() == 1) {
        JsonValue item(value[0], allocator);
        value = item;
    }
    return true;
}

}  // namespace flk
