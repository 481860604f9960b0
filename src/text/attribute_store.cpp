#include "text/attribute_store.hpp"

#include "frame/call_context.hpp"
#include "mapping/identifier_handle.hpp"
#include "molvo/molvo3.h"
#include "text/attribute_list.hpp"
#include "text/host_handle.hpp"

#include <string>

namespace flk {
namespace {

constexpr char kNotOneDimensionalString[] =
    "AttributeValue parameter should be a one-dimensional string parameter";

std::wstring hostErrorText() {
    const HostError e = lastHostError();
    return e.text + L" (error " + std::to_wstring(e.code) + L")";
}

bool isOneDimensionalString(int parameter) {
    int full = 0, sliced = 0, storage = 0;
    return MolvoAttributeDimension(parameter, &full, &sliced) == 1 && full == 1 && sliced == 1 &&
           MolvoAttributeStorage(parameter, &storage) == 1 && storage == MOLVO_STORAGE_STRING;
}

// The element of the domain named name, created (and made a member of the domain's set) when
// missing; 0 after raising the host's refusal.
int domainElement(int index, const std::wstring& name) {
    int element = 0, created = 0;
    if (MolvoSetElementNumberW(index, name.c_str(), 1, &element, &created) != 1) {
        raiseError(L"cannot add the element '" + name + L"': " + hostErrorText());
        return 0;
    }
    if (created && MolvoSetAddElementRecursiveMulti(index, 1, &element) != 1 &&
        lastHostError().code != MOLVO_ERR_ALREADY_MEMBER) {
        raiseError(L"cannot add the element '" + name + L"' to the domain: " + hostErrorText());
        return 0;
    }
    return element;
}

}  // namespace

int storeAttributeList(std::wstring_view list, int parameter) {
    if (!isOneDimensionalString(parameter)) return raiseError(std::string_view(kNotOneDimensionalString));
    OwnedHostHandle index;
    if (MolvoAttributeDeclarationDomain(parameter, index.receive()) != 1) {
        return raiseError(L"cannot find the domain of the AttributeValue parameter: " + hostErrorText());
    }
    int status = 1;
    for (const Attribute& attribute : splitAttributeList(list)) {
        const int element = domainElement(index.get(), attribute.name);
        if (element == 0) {
            status = 0;
            continue;
        }
        MolvoValueW value{0, 0, static_cast<int>(attribute.value.size()),
                          const_cast<wchar_t*>(attribute.value.c_str())};
        if (MolvoValueAssignW(parameter, &element, &value) != 1) {
            status = raiseError(L"cannot assign the value of '" + attribute.name + L"': " + hostErrorText());
        }
    }
    return status;
}

}  // namespace flk
