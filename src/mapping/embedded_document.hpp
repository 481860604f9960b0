// Documents carried inside a value of another document: a value node with embedded-mapping reads
// its value's text as a whole document of that mapping, and writes what that mapping writes as
// its value's text, base64-encoded where the node asks for it.
#pragma once

#include <string>
#include <string_view>

namespace flk {

class ReadState;
class WriteState;

// Reads the text (base64-decoded first when asked) with the named mapping, as part of the read
// the state belongs to. False after raising.
bool readEmbeddedDocument(ReadState& state, const std::string& mappingName, std::string_view text, bool base64);

// The document the named mapping writes, as text (base64-encoded when asked). A mapping embedded
// in itself, directly or through others, is refused: the embedded mapping is given no bindings,
// so each level would write what the one above it did, without end. False after raising.
bool writeEmbeddedDocument(WriteState& state, const std::string& mappingName, bool base64, std::string& text);

}  // namespace flk
