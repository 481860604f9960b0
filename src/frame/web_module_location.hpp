// Where the web server module lives, as InitService last recorded it (UTF-8; empty until then).
#pragma once

#include <string>

namespace flk {

std::string& webModuleLocation();

}  // namespace flk
