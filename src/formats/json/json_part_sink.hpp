// Where the parts of a top-level array or row table go when a document is written as it is
// built: each item (or row) is built in the sink's pool, handed over, written and released, so
// that the parts never all exist at once. The node that writes the top-level array or table takes
// the sink from the write state (WriteState::takeSink); without one it builds its value whole.
#pragma once

#include "formats/json/json_node.hpp"
#include "mapping/mapping_state.hpp"

namespace flk {

class JsonPartSink : public WriteSink {
public:
    // Before the first part: nullptr opens an array, a head (the "meta" array of a row table)
    // opens the table object up to its "data" array.
    virtual void begin(const JsonValue* head) = 0;
    // A finished part; the pool it was built in is released afterwards.
    virtual void part(const JsonValue& item) = 0;
    // The pool to build each part in.
    virtual JsonAllocator& allocator() = 0;
};

}  // namespace flk
