#include "service/code_challenge.hpp"

#include "service/random_ids.hpp"
#include "text/base64.hpp"

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
    return base64Encode(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest), Base64::Url);
}

CodeChallenge createCodeChallenge() {
    CodeChallenge c;
    c.verifier = base64Encode(randomBytes(kVerifierBytes), Base64::Url);
    c.challenge = s256Challenge(c.verifier);
    c.state = randomUuid();
    return c;
}

}  // namespace flk::service
