#include "text/set_normalization.hpp"

#include "frame/call_context.hpp"
#include "host/molvo_io_handler.hpp"
#include "text/normalizer.hpp"

#include <string>

namespace flk {
namespace {

bool isSet(const MolvoIOHandler& set, int handle) {
    if (!set.valid()) return raiseError(L"handle " + std::to_wstring(handle) + L" is not a set: " + set.creationError());
    if (set.isSet()) return true;
    return raiseError("handle " + std::to_string(handle) + " is an identifier of type " + std::to_string(set.type()) +
                      ", expected a set (type 1 or 2)");
}

// Reports the handler's kept error once.
bool reported(MolvoIOHandler& set, const std::wstring& what) {
    raiseError(what + set.lastError());
    set.clearError();
    return false;
}

}  // namespace

// Names are read and compared as the host holds them, so that a name the shared converter could
// not carry unchanged (a lone surrogate) is never "renamed" to its replacement.
bool normalizeSetElements(int handle, const Normalizer& normalizer) {
    MolvoIOHandler set(handle, false, 0);
    if (!isSet(set, handle)) return false;
    std::wstring name, normalized;
    bool allHandled = true;
    set.resetIteration();
    for (int count; (count = set.nextBatch()) > 0;) {
        for (int i = 0; i < count; ++i) {
            const int element = set.batchTuple(i)[0];
            if (!set.wideElementName(element, name)) {
                allHandled = reported(set, L"cannot read the name of element " + std::to_wstring(element) + L": ");
                continue;
            }
            normalized = name;
            if (!normalizer.normalizeInPlace(normalized) || normalized == name) continue;
            if (!set.renameElement(element, normalized))
                allHandled = reported(set, L"cannot rename element '" + name + L"' to '" + normalized + L"': ");
        }
    }
    if (!set.ok()) return reported(set, L"cannot read the elements of the set: ");
    return allHandled;
}

}  // namespace flk
