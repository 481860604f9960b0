// Feeds arbitrary bytes to the normalizers as UTF-8, UTF-16 and wide text and to the attribute
// list splitter, and checks what must hold for any input: each form is idempotent and the
// forms agree with each other (ill-formed units pass through as inert characters).
#include "text/attribute_list.hpp"
#include "text/normalizer.hpp"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

template <class String>
void checkForms(const String& text) {
    const flk::Normalizer& nfc = flk::NormalizeNFC::instance();
    const flk::Normalizer& nfd = flk::NormalizeNFD::instance();
    const auto composed = nfc.normalize(text);
    const auto decomposed = nfd.normalize(text);
    if (nfc.normalize(composed) != composed || nfd.normalize(decomposed) != decomposed ||
        nfd.normalize(composed) != decomposed || nfc.normalize(decomposed) != composed) {
        std::abort();
    }
}

template <class Unit>
std::basic_string<Unit> unitsOf(const std::uint8_t* data, std::size_t size) {
    std::basic_string<Unit> units(size / sizeof(Unit), Unit());
    std::memcpy(units.data(), data, units.size() * sizeof(Unit));
    return units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkForms(std::string(reinterpret_cast<const char*>(data), size));
    checkForms(unitsOf<char16_t>(data, size));
    const std::wstring wide = unitsOf<wchar_t>(data, size);
    checkForms(wide);
    flk::splitAttributeList(wide);
    return 0;
}
