#include "mapping/embedded_document.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/document_drivers.hpp"
#include "mapping/mapping_nesting.hpp"
#include "text/base64.hpp"

#include <sstream>

namespace flk {
namespace {

// What a decode may leave unread: the padding, "=" or "==".
constexpr size_t kMaxUnread = 2;

std::shared_ptr<Mapping> embeddedMapping(const std::string& name) {
    auto mapping = findMapping(fromUtf8(name));
    if (mapping && mapping->root) return mapping;
    raiseError("The embedded mapping " + name + " cannot be found");
    return nullptr;
}

}  // namespace

bool readEmbeddedDocument(ReadState& state, const std::string& mappingName, std::string_view text, bool base64) {
    std::string bytes(text);
    if (base64) {
        std::string decoded;
        if (base64Decode(bytes, decoded) > kMaxUnread) return raiseError(std::string_view("Base64-encoded string contains invalid characters"));
        bytes.swap(decoded);
    }
    auto mapping = embeddedMapping(mappingName);
    if (!mapping || !MappingNesting::allowedEmbedded(state.mapping(), *mapping)) return false;
    MappingNesting reading(state.mapping());
    std::istringstream input(bytes);
    return readDocumentWith(mapping, state.documentName(), input, state.embeddedFlags(*mapping), &state.notes());
}

bool writeEmbeddedDocument(WriteState& state, const std::string& mappingName, bool base64, std::string& text) {
    auto mapping = embeddedMapping(mappingName);
    if (!mapping) return false;
    if (mapping.get() == &state.mapping() || MappingNesting::inUse(*mapping))
        return raiseError("The embedded mapping " + mappingName + " would be written inside itself");
    if (!MappingNesting::allowedEmbedded(state.mapping(), *mapping)) return false;
    std::ostringstream output;
    MappingNesting writing(state.mapping());
    if (!writeDocumentWith(mapping, state.documentName(), output, 0, &state.notes())) return false;
    text = base64 ? base64Encode(output.str()) : output.str();
    return true;
}

}  // namespace flk
