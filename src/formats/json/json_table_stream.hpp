// Reads a top-level row table ({"meta": [...], "data": [[...], ...]}) one row at a time, so that
// its rows never all exist at once. Only when the whole text is well-formed, the object's first
// "meta" member comes before its first "data" member and that "data" is an array; otherwise the
// caller reads the text whole. The text is checked before anything is handed over.
#pragma once

#include "formats/json/json_node.hpp"
#include "formats/json/json_text.hpp"

#include <functional>
#include <vector>

namespace flk {

struct TableStreamResult {
    bool wellFormed = false;
    JsonProblem problem;     // when not well-formed
    bool streamed = false;   // false: nothing was handed over and the text is unchanged
    bool ok = false;         // what the last callback returned
};

// head receives the members before "data"; row each item of "data"; the offsets hold those their
// parse noted (JsonReading). Either may stop the read by returning false.
TableStreamResult forEachTableRow(JsonText& text, std::vector<size_t>& offsets,
                                  const std::function<bool(const JsonValue& head)>& head,
                                  const std::function<bool(const JsonValue& row)>& row);

}  // namespace flk
