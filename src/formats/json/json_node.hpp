// The JSON node classes: JSONNode marks a node as part of a JSON mapping; the factory creates the
// node class for a mapping element under a given parent element.
#pragma once

#include "mapping/tree_node.hpp"

#include <rapidjson/document.h>

#include <memory>
#include <string_view>
#include <vector>

namespace flk {

// How a value node's number-type attribute asks numbers to be written.
enum class NumberType { NotGiven, Integer, Double, Boolean };

using JsonValue = rapidjson::Value;
using JsonAllocator = rapidjson::MemoryPoolAllocator<rapidjson::CrtAllocator>;

// The read and write steps of the nodes of JSON mappings; those a class does not implement fail
// as TreeNode's do.
class JSONNode : public TreeNode {
public:
    virtual bool readJSON(ReadState& state, std::string_view name, const JsonValue& value);
    // Fills name and value; a value left null means there is nothing to write.
    virtual bool writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator);
};

// Every node of a JSON tree is a JSONNode: the factory below makes no other.
inline JSONNode& asJson(TreeNode& node) { return static_cast<JSONNode&>(node); }

// The node's JSON value read and written through its included mapping.
bool readJsonIncluded(const TreeNode& node, ReadState& state, const JsonValue& value);
bool writeJsonIncluded(const TreeNode& node, WriteState& state, JsonValue& value, JsonAllocator& allocator);

// Parent kinds whose child tables differ.
enum class JsonParent { Root, Object, Array, RowOriented, ColumnOriented };

// The node for a child element, or nullptr when the parent does not accept it.
std::shared_ptr<TreeNode> makeJsonNode(JsonParent parent, std::string_view element);

class JsonText;
struct JsonProblem;

// Parses a whole JSON document in place with the nesting depth bounded, noting the offsets of
// its values (JsonOffsets); false with the problem when it is not well-formed. The text must
// outlive the document, whose strings point into it.
bool parseJsonDocument(JsonText& text, rapidjson::Document& document, std::vector<size_t>& offsets, JsonProblem& problem);

}  // namespace flk
