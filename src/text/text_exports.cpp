// The exports of the text utilities: normalization of a string and of a set's element names,
// attribute lists and name-based UUIDs.
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "frame/output_buffer.hpp"
#include "text/attribute_store.hpp"
#include "text/name_uuid.hpp"
#include "text/normalizer.hpp"
#include "text/set_normalization.hpp"

#include <algorithm>
#include <string>
#include <string_view>

namespace flk {
namespace {

constexpr size_t kNormalizedMax = 2047;  // characters written by NormalizeUCString, before the NUL
constexpr size_t kUuidMax = 1023;        // characters written by GetUUID, before the NUL


// The normalizer of a form number, or nullptr after raising why there is none.
const Normalizer* normalizerOrError(int form) {
    const Normalizer* normalizer = normalizerForForm(form);
    if (!normalizer) {
        raiseError("normalization form " + std::to_string(form) + " is not supported: expected 1 (NFC) or 2 (NFD)");
    }
    return normalizer;
}

}  // namespace
}  // namespace flk

using namespace flk;

extern "C" {

FERROLINK_API int NormalizeUCString(const wchar_t* input, wchar_t* output, int form) {
    return runExport("NormalizeUCString", Host::Untouched, [&] {
        if (!output) return raiseError(std::string_view("no output buffer given"));
        output[0] = L'\0';
        const Normalizer* normalizer = normalizerOrError(form);
        if (!normalizer) return 0;
        copyToBuffer(std::wstring_view(normalizer->normalize(argumentText(input))), output, kNormalizedMax);
        return 1;
    });
}

FERROLINK_API int NormalizeSet(int set, int form) {
    return runExport("NormalizeSet", Host::Controlled, [&] {
        const Normalizer* normalizer = normalizerOrError(form);
        return normalizer && normalizeSetElements(set, *normalizer) ? 1 : 0;
    });
}

FERROLINK_API int AttributeListSplit(const wchar_t* attributeList, int attributeValueParameter) {
    return runExport("AttributeListSplit", Host::Controlled,
                     [&] { return storeAttributeList(argumentText(attributeList), attributeValueParameter); });
}

FERROLINK_API int GetUUID(const wchar_t* name, wchar_t* uuid) {
    return runExport(nullptr, Host::Untouched, [&] {
        if (!uuid) return raiseError(std::string_view("no output buffer given"));
        const std::string text = nameBasedUuid(argumentText(name));
        copyToBuffer(std::wstring_view(std::wstring(text.begin(), text.end())), uuid, kUuidMax);
        return 1;
    });
}

}  // extern "C"
