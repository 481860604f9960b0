#include "text/attribute_store.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "host/molvo_io_handler.hpp"
#include "text/attribute_list.hpp"

#include <algorithm>
#include <string>

namespace flk {
namespace {

constexpr char kNotOneDimensionalString[] =
    "AttributeValue parameter should be a one-dimensional string parameter";

bool isOneDimensionalString(const MolvoIOHandler& parameter) {
    return parameter.valid() && parameter.fullDimension() == 1 && parameter.slicedDimension() == 1 &&
           parameter.storage() == IdentifierHandle::kString;
}

// Raises what a handler kept and forgets it; returns 0.
int reported(MolvoIOHandler& handler, const std::wstring& what) {
    raiseError(what + handler.lastError());
    handler.clearError();
    return 0;
}

// The host takes values of at most the parameter's string size: longer ones are cut there, which
// is said once per call rather than not at all.
void reportCutValues(const MolvoIOHandler& parameter, size_t cut, size_t longest) {
    if (cut == 0) return;
    warnModel("AttributeListSplit: " + std::to_string(cut) + " values for " + toUtf8(parameter.name()) + " were cut to " +
              std::to_string(parameter.stringSize()) + " characters; the longest had " + std::to_string(longest) +
              " characters");
}

}  // namespace

int storeAttributeList(std::wstring_view list, int parameterHandle) {
    MolvoIOHandler parameter(parameterHandle, false, MolvoIOHandler::kMaxStringSize);
    if (!isOneDimensionalString(parameter)) return raiseError(std::string_view(kNotOneDimensionalString));
    // New names become elements of the parameter's index (and so of its set) before the values.
    MolvoIOHandler index(parameter.declarationDomain().handle(0), false, 0);
    int status = 1;
    size_t cut = 0, longest = 0;
    for (const Attribute& attribute : splitAttributeList(list)) {
        if (attribute.value.size() > size_t(parameter.stringSize())) {
            ++cut;
            longest = std::max(longest, attribute.value.size());
        }
        int element = index.elementByName(toUtf8(attribute.name), false);
        if (element == 0) {
            status = reported(index, L"cannot add the element '" + attribute.name + L"': ");
            continue;
        }
        if (parameter.batchFull()) index.flush();
        parameter.assignText(&element, toUtf8(attribute.value));
    }
    if (!index.flush() && index.lastErrorCode() != 0) status = reported(index, L"cannot add elements to the domain: ");
    if (!parameter.flush() && parameter.lastErrorCode() != 0) status = reported(parameter, L"cannot assign values: ");
    reportCutValues(parameter, cut, longest);
    return status;
}

}  // namespace flk
