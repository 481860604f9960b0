// The JSON node classes: JSONNode marks a node as part of a JSON mapping; the factory creates the
// node class for a mapping element under a given parent element.
#pragma once

#include "mapping/tree_node.hpp"

#include <rapidjson/document.h>

#include <memory>
#include <string_view>

namespace flk {

class JSONNode : public TreeNode {};

// Parent kinds whose child tables differ.
enum class JsonParent { Root, Object, Array, RowOriented, ColumnOriented };

// The node for a child element, or nullptr when the parent does not accept it.
std::shared_ptr<TreeNode> makeJsonNode(JsonParent parent, std::string_view element);

class JsonText;

// Parses a whole JSON document in place with the nesting depth bounded; false for any parse
// error. The text must outlive the document, whose strings point into it.
bool parseJsonDocument(JsonText& text, rapidjson::Document& document);

}  // namespace flk
