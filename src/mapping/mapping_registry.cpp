#include "mapping/mapping.hpp"

#include "frame/call_context.hpp"
#include "frame/uninitialize_steps.hpp"
#include "frame/utf8.hpp"
#include "mapping/tree_node.hpp"


namespace flk {
namespace {

// Never destroyed: the mappings hold host handles, and at process exit the host may be gone
// before this library's static objects.
std::map<std::wstring, std::shared_ptr<Mapping>>& registry() {
    static auto* r = new std::map<std::wstring, std::shared_ptr<Mapping>>();
    return *r;
}

}  // namespace

void Mapping::clear() {
    root.reset();
    indexNumbers.clear();
    indexTable.clear();
    references.clear();
    externalBindings.clear();
    nameSpace.clear();
    depth = 0;
}

std::shared_ptr<Mapping> findMapping(const std::wstring& name) {
    auto it = registry().find(name);
    return it == registry().end() ? nullptr : it->second;
}

std::shared_ptr<Mapping>& mappingEntry(const std::wstring& name) { return registry()[name]; }

void deleteMapping(const std::wstring& name) { registry().erase(name); }

void clearMappings() { registry().clear(); }

namespace {
// UninitializeFerrolink empties the registry.
const bool registered = (setUninitializeStep(UninitializeStep::Mappings, clearMappings), true);
}  // namespace

std::wstring qualifyName(const Mapping& mapping, const std::wstring& name) {
    if (mapping.nameSpace.empty() || name.compare(0, 2, L"::") == 0) return name;
    return mapping.nameSpace + L"::" + name;
}

int registerIndex(Mapping& mapping, const std::wstring& qualifiedName, const std::string& nodeName,
                  const std::string& attribute) {
    auto it = mapping.indexNumbers.find(qualifiedName);
    if (it != mapping.indexNumbers.end()) return it->second;
    auto handler = std::make_shared<MolvoIOHandler>(qualifiedName, false, 0, MolvoIOHandler::kMinStringSize);
    if (!handler->valid() || !handler->isSetOrIndex()) {
        raiseError("The " + attribute + " attribute " + toUtf8(qualifiedName) + " for node " + nodeName +
                   " refers to an identifier that is not an index or simple set");
        return -1;
    }
    int number = int(mapping.indexTable.size());
    mapping.indexNumbers.emplace(qualifiedName, number);
    mapping.indexTable.push_back(std::move(handler));
    return number;
}

}  // namespace flk
