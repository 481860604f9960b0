#include "text/name_uuid.hpp"

#include <openssl/evp.h>
#include <algorithm>
#include <boost/uuid/string_generator.hpp>
#include <boost/uuid/uuid.hpp>
#include <boost/uuid/uuid_io.hpp>
#include <memory>
#include <stdexcept>

namespace flk {
namespace {

constexpr char kNamespaceText[] = "d2e7318c-b431-4f54-92f9-5954ba8ba0fe";
constexpr std::size_t kBytesPerUnit = 4;
constexpr std::size_t kUnitsPerUpdate = 256;  // code units hashed per digest update
constexpr char16_t kReplacementCharacter = 0xFFFD;

const boost::uuids::uuid& uuidNamespace() {
    static const boost::uuids::uuid ns = boost::uuids::string_generator()(kNamespaceText);
    return ns;
}

struct DigestContextFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

void check(int ok, const char* step) {
    if (ok != 1) throw std::runtime_error(std::string("SHA-1 digest failed in ") + step);
}

std::u16string toUtf16(std::wstring_view name) {
    std::u16string units;
    units.reserve(name.size());
    for (const wchar_t w : name) {
        const auto c = static_cast<std::uint32_t>(w);
        if (sizeof(wchar_t) == 2 || c < 0x10000) {
            units.push_back(static_cast<char16_t>(c));
        } else if (c < 0x110000) {
            units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            units.push_back(kReplacementCharacter);
        }
    }
    return units;
}

}  // namespace

std::string nameBasedUuid(std::u16string_view name) {
    std::unique_ptr<EVP_MD_CTX, DigestContextFree> ctx(EVP_MD_CTX_new());
    if (!ctx) throw std::runtime_error("SHA-1 digest failed: no memory for the digest context");
    check(EVP_DigestInit_ex(ctx.get(), EVP_sha1(), nullptr), "init");
    const boost::uuids::uuid& ns = uuidNamespace();
    check(EVP_DigestUpdate(ctx.get(), ns.data, ns.size()), "update");
    unsigned char bytes[kUnitsPerUpdate * kBytesPerUnit] = {};
    for (std::size_t done = 0; done < name.size(); done += kUnitsPerUpdate) {
        const std::size_t count = std::min(kUnitsPerUpdate, name.size() - done);
        for (std::size_t i = 0; i < count; ++i) {
            bytes[i * kBytesPerUnit] = static_cast<unsigned char>(name[done + i] & 0xFF);
            bytes[i * kBytesPerUnit + 1] = static_cast<unsigned char>(name[done + i] >> 8);
        }
        check(EVP_DigestUpdate(ctx.get(), bytes, count * kBytesPerUnit), "update");
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    check(EVP_DigestFinal_ex(ctx.get(), digest, &length), "final");

    boost::uuids::uuid uuid;
    std::copy(digest, digest + uuid.size(), uuid.data);
    uuid.data[6] = static_cast<std::uint8_t>((uuid.data[6] & 0x0F) | 0x50);  // version 5
    uuid.data[8] = static_cast<std::uint8_t>((uuid.data[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return boost::uuids::to_string(uuid);
}

std::string nameBasedUuid(std::wstring_view name) {
    return nameBasedUuid(toUtf16(name));
}

}  // namespace flk
