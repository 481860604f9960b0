// A parsed mapping file: its index table, the identifiers it references and its external
// bindings. Held by shared pointer, so that a read or write keeps its mapping alive even when the
// mapping is deleted or replaced meanwhile.
#pragma once

#include "mapping/molvo_io_handler.hpp"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace flk {

// An identifier referenced by a binding attribute, with the index numbers of its tuple.
struct IdentifierReference {
    std::shared_ptr<MolvoIOHandler> target;
    std::vector<int> indices;     // positions in the mapping's index table, one per dimension
    bool clearedOnReset = false;  // maps-to and force-dense references are emptied by a reset
};

// An index fixed for a whole read by the value of an element parameter, or by an iterative counter.
struct ExternalBinding {
    int index = -1;                             // position in the index table
    std::shared_ptr<MolvoIOHandler> binding;    // a scalar element parameter, or none
    std::wstring iterativeBinding;              // counter name when the index is bound iteratively
    std::wstring iterativePrefix;
};

class Mapping {
public:
    std::wstring name;
    std::wstring nameSpace;
    std::map<std::wstring, int> indexNumbers;
    std::vector<std::shared_ptr<MolvoIOHandler>> indexTable;
    std::vector<IdentifierReference> references;
    std::vector<ExternalBinding> externalBindings;

    size_t indexCount() const { return indexTable.size(); }
};

}  // namespace flk
