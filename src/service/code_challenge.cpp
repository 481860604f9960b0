#include "service/code_challenge.hpp"

#include "service/base64url.hpp"
#include "service/random_ids.hpp"

#include <openssl/sha.h>

namespace flk::service {
namespace {

// 32 random bytes give a 43-character verifier, the shortest that verifiers may be, with 256
// bits of randomness.
constexpr size_t kVerifierBytes = 32;

}  // namespace

std::string s256Challenge(const std::string& verifier) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(verifier.data()), verifier.size(), digest);
    return base64UrlEncode(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
}

CodeChallenge createCodeChallenge() {
    CodeChallenge c;
    c.verifier = base64UrlEncode(randomBytes(kVerifierBytes));
    c.challenge = s256Challenge(c.verifier);
    c.state = randomUuid();
    return c;
}

}  // namespace flk::service
