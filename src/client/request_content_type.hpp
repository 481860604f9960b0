// The content type a request body is sent with, by its file name, from the web module's lookup.
#pragma once

#include <string>

namespace flk::client {

// Throws std::runtime_error with the module loader's message when the web module cannot be loaded.
std::string requestContentType(const std::string& fileName);

}  // namespace flk::client
