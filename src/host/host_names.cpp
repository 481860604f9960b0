#include "host/host_names.hpp"

#include "molvo/molvo3.h"

#include <vector>

namespace flk {
namespace {
constexpr int kNameCapacity = 8192;
}

std::wstring identifierName(int handle) {
    std::vector<wchar_t> buffer(kNameCapacity + 1, L'\0');
    MolvoValueW value{0, 0, kNameCapacity + 1, buffer.data()};
    if (handle == 0 || MolvoAttributeNameW(handle, &value) != 1) return {};
    return buffer.data();
}

std::wstring rootSetName(int handle) {
    int root = 0;
    if (handle == 0 || MolvoAttributeRootDomain(handle, &root) != 1 || root == 0) return {};
    std::wstring name = identifierName(root);
    MolvoIdentifierHandleDelete(root);
    return name;
}

}  // namespace flk
