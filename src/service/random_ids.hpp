// Random values from the operating system's cryptographic source.
#pragma once

#include <string>

namespace flk::service {

// n random bytes; throws std::runtime_error when the source fails.
std::string randomBytes(size_t n);
// A random (version 4) UUID as 36 lower-case characters.
std::string randomUuid();

}  // namespace flk::service
