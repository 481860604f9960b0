// PKCE values: a code verifier, its S256 challenge, and a state.
#pragma once

#include <string>

namespace flk::service {

struct CodeChallenge {
    std::string verifier;    // 43 characters of base64url from 32 random bytes
    std::string challenge;   // base64url(SHA-256(verifier)) without padding: 43 characters
    std::string state;       // a random UUID
};

// Throws std::runtime_error when the random source or the hash fails.
CodeChallenge createCodeChallenge();
std::string s256Challenge(const std::string& verifier);

}  // namespace flk::service
