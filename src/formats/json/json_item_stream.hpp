// Reads a document whose top-level value is an array one item at a time: the whole text is
// checked first (so that a malformed document is refused before anything is read, exactly as
// when it is parsed whole), then each item is built, handed over and released. Memory stays at
// the text plus one item, however many items the array has.
#pragma once

#include "formats/json/json_node.hpp"
#include "formats/json/json_text.hpp"

#include <functional>
#include <vector>

namespace flk {

// Whether the text starts, after blanks, with "[".
bool startsWithArray(const JsonText& text);

// wellFormed false with the problem when the text is not one well-formed document
// (JsonText::wellFormed). Otherwise calls item for every item of the top-level array in order,
// until one returns false, the offsets holding those the item's parse noted; returns what the
// last call returned (true for an empty array). The text is parsed in place.
bool forEachArrayItem(JsonText& text, std::vector<size_t>& offsets, const std::function<bool(const JsonValue&)>& item,
                      bool& wellFormed, JsonProblem& problem);

}  // namespace flk
