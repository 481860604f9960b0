// Unicode canonical normalization (NFC and NFD) of wide, UTF-8 and UTF-16 strings.
//
// Text that is already normalized, in particular text whose characters are all below U+0300
// (NFC) or U+00C0 (NFD), is recognised by a quick check and costs no more than a copy.
// Ill-formed input is not repaired: an unpaired surrogate, a wide value that is no code point or
// a byte of ill-formed UTF-8 acts as a character that nothing combines with and comes out as it
// went in. All functions are thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace flk {

enum class NormalForm { NFC = 1, NFD = 2 };

class Normalizer {
public:
    NormalForm form() const { return form_; }

    std::wstring normalize(std::wstring_view text) const;
    std::string normalize(std::string_view utf8) const;
    std::u16string normalize(std::u16string_view utf16) const;

    // Return true when the text was rewritten (its content may still be the same).
    bool normalizeInPlace(std::wstring& text) const;
    bool normalizeInPlace(std::string& utf8) const;

protected:
    explicit Normalizer(NormalForm form) : form_(form) {}
    ~Normalizer() = default;

private:
    NormalForm form_;
};

// Canonical decomposition followed by canonical composition.
class NormalizeNFC final : public Normalizer {
public:
    static const NormalizeNFC& instance();

private:
    NormalizeNFC() : Normalizer(NormalForm::NFC) {}
};

// Canonical decomposition.
class NormalizeNFD final : public Normalizer {
public:
    static const NormalizeNFD& instance();

private:
    NormalizeNFD() : Normalizer(NormalForm::NFD) {}
};

// The normalizer of a form number (1 NFC, 2 NFD), or nullptr for any other number.
const Normalizer* normalizerForForm(int form);

// The normalizer named by exactly "nfc" or "nfd", or nullptr for any other text.
const Normalizer* normalizerForName(std::string_view name);

}  // namespace flk
