// A parsed mapping file: its root node, index table, the identifiers it references and the
// external bindings of its root. Held by shared pointer, so that a read or write keeps its mapping
// alive even when the mapping is deleted or replaced meanwhile.
#pragma once

#include "host/molvo_io_handler.hpp"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace flk {

class TreeNode;

// How deep the elements of a mapping file may nest, the document element included: far beyond
// any real mapping, and far within the stack that parsing, checking, reading and writing through
// so many levels take.
constexpr int kMaxMappingDepth = 256;

// An identifier referenced by a binding attribute, with the index numbers of its tuple.
struct IdentifierReference {
    std::shared_ptr<MolvoIOHandler> target;
    std::vector<int> indices;     // positions in the mapping's index table, one per dimension
    bool clearedOnReset = false;  // maps-to and force-dense references are emptied by a reset
    // The dimensions in the order the mapping nests their indices, when that is not the
    // identifier's own order (then its values must be written in another order than the host's).
    std::vector<int> nestingOrder;
};

// An index of a mapping's root fixed for a whole read or write: by the value of an element
// parameter, or (iterative-binding) by the element an including mapping has bound to the named
// index, and where nothing includes the mapping, by a new element per read numbered by that
// index's iterative counter.
struct ExternalBinding {
    int index = -1;                             // position in the index table
    std::shared_ptr<MolvoIOHandler> binding;    // a scalar element parameter, or none
    std::wstring iterativeBinding;              // the qualified index name, when bound iteratively
    std::string iterativePrefix;
};

class Mapping {
public:
    std::wstring name;
    std::shared_ptr<TreeNode> root;
    std::map<std::wstring, int> indexNumbers;
    std::vector<std::shared_ptr<MolvoIOHandler>> indexTable;
    std::vector<IdentifierReference> references;
    std::vector<ExternalBinding> externalBindings;   // those of the root, in document order
    std::wstring nameSpace;
    int depth = 0;   // how deep the file's elements nest, the document element included

    size_t indexCount() const { return indexTable.size(); }
    // Empties the mapping in place before it is parsed again.
    void clear();
};

// ---- the registry of named mappings; used only on the host's thread

// The mapping registered under the name, or none.
std::shared_ptr<Mapping> findMapping(const std::wstring& name);
// The entry for the name, created empty when absent.
std::shared_ptr<Mapping>& mappingEntry(const std::wstring& name);
void deleteMapping(const std::wstring& name);
void clearMappings();

// The name as looked up in the host: namespace "::" name unless it begins with "::".
std::wstring qualifyName(const Mapping& mapping, const std::wstring& name);
// The number of an index or simple set in the index table, added on first use; -1 after raising
// when the identifier is not one.
int registerIndex(Mapping& mapping, const std::wstring& qualifiedName, const std::string& nodeName,
                  const std::string& attribute);

// The process-wide iterative counters, by qualified index name, kept between reads.
unsigned& iterativeCounter(const std::wstring& index);

}  // namespace flk
