// Limits of XML documents.
#pragma once

#include <cstddef>

namespace flk {

// The content of a document element is parsed in runs of about this many bytes, cut between its
// child elements, so that the parsed form of a large document never exists whole.
constexpr size_t kXmlRunBytes = size_t(1) << 20;

}  // namespace flk
