#include "text/set_normalization.hpp"

#include "frame/call_context.hpp"
#include "mapping/identifier_handle.hpp"
#include "molvo/molvo3.h"
#include "text/normalizer.hpp"

#include <string>
#include <vector>

namespace flk {
namespace {

constexpr int kBatchSize = 1024;          // elements fetched per host call
constexpr int kInitialNameCapacity = 256;  // wide characters; grown when a name is longer

std::wstring hostErrorText() {
    const HostError e = lastHostError();
    return e.text + L" (error " + std::to_wstring(e.code) + L")";
}

// Reads the names of a set's elements into a buffer that grows to the longest name.
class ElementNames {
public:
    explicit ElementNames(int set) : set_(set), buffer_(kInitialNameCapacity) {}

    // The element's name, or false after raising the host's refusal.
    bool read(int element, std::wstring& name) {
        for (;;) {
            MolvoValueW value{0, 0, static_cast<int>(buffer_.size()), buffer_.data()};
            if (MolvoSetElementToNameW(set_, element, &value) == 1) {
                name.assign(buffer_.data(), static_cast<size_t>(value.Length));
                return true;
            }
            const bool cut = lastHostError().code == MOLVO_ERR_TRUNCATED;
            if (!cut || value.Length < static_cast<int>(buffer_.size())) break;
            buffer_.resize(static_cast<size_t>(value.Length) + 1);  // retry with room for all of it
        }
        raiseError(L"cannot read the name of element " + std::to_wstring(element) + L": " + hostErrorText());
        return false;
    }

private:
    int set_;
    std::vector<wchar_t> buffer_;
};

bool isSet(int handle) {
    int type = 0;
    if (MolvoAttributeType(handle, &type) != 1) {
        raiseError(L"handle " + std::to_wstring(handle) + L" is not a set: " + hostErrorText());
        return false;
    }
    if (type == MOLVO_TYPE_ROOT_SET || type == MOLVO_TYPE_SUBSET) return true;
    raiseError("handle " + std::to_string(handle) + " is an identifier of type " + std::to_string(type) +
               ", expected a set (type 1 or 2)");
    return false;
}

}  // namespace

bool normalizeSetElements(int set, const Normalizer& normalizer) {
    if (!isSet(set)) return false;
    ElementNames names(set);
    std::vector<int> elements(kBatchSize);
    std::vector<MolvoValueW> values(kBatchSize);
    std::wstring name, normalized;
    bool allHandled = true;
    MolvoValueResetHandle(set);
    for (;;) {
        int count = kBatchSize;
        const int status = MolvoValueNextMultiW(set, &count, elements.data(), values.data());
        if (status != 1 && count == 0) {
            if (lastHostError().code == MOLVO_ERR_END_OF_DATA) break;
            raiseError(L"cannot read the elements of the set: " + hostErrorText());
            return false;
        }
        for (int i = 0; i < count; ++i) {
            if (!names.read(elements[static_cast<size_t>(i)], name)) {
                allHandled = false;
                continue;
            }
            normalized = name;
            if (!normalizer.normalizeInPlace(normalized) || normalized == name) continue;
            if (MolvoSetRenameElementW(set, elements[static_cast<size_t>(i)], normalized.c_str()) != 1) {
                raiseError(L"cannot rename element '" + name + L"' to '" + normalized + L"': " + hostErrorText());
                allHandled = false;
            }
        }
    }
    return allHandled;
}

}  // namespace flk
