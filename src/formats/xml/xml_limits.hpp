// Limits of XML documents.
#pragma once

#include <cstddef>

namespace flk {

// Deeper documents are refused while they are checked: no mapping reaches that far, and what the
// check and the parser keep per open element stays small.
constexpr size_t kMaxXmlDepth = 10000;

// The content of a document element is parsed in runs of about this many bytes, cut between its
// child elements, so that the parsed form of a large document never exists whole.
constexpr size_t kXmlRunBytes = size_t(1) << 20;

// A reference ("&amp;", "&#x10FFFF;") ends within this many bytes of its '&', leading zeros of a
// character number included; one that does not is refused.
constexpr size_t kXmlMaxReference = 32;

// Documents in other encodings are converted to UTF-8 through blocks of this many characters.
constexpr size_t kXmlDecodeBlock = 4096;

}  // namespace flk
