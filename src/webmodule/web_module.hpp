// The web server module, loaded on first use and kept loaded for the life of the process. The API
// service creates its server through it; HTTP requests look up the content type of a body file.
#pragma once

#include "quaynet/quaynet.hpp"

#include <memory>
#include <string>

namespace flk {

// The module's file name.
extern const char kWebModuleFile[];

// The module, loaded from the location InitService recorded, else from beside libferrolink.so,
// else from the default search path. Throws std::runtime_error naming the file (with the loader's
// own message) when it cannot be loaded or does not give its module. Thread-safe; a failed load
// is tried again on the next call.
quaynet::IModule& webModule();

// The content type of a file name by its extension, from the module's lookup (cached once).
std::string contentTypeOf(const std::string& fileName);

}  // namespace flk
