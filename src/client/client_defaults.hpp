// What every new request starts with: the process-wide default headers and options the model set
// with SetDefaultHeaders and SetDefaultOptions. Used on the host's thread only.
#pragma once

#include <map>
#include <string>

namespace flk::client {

struct ClientDefaults {
    std::map<std::string, std::string> headers;         // name -> value
    std::map<std::string, int> integerOptions;          // option name -> value
    std::map<std::string, std::string> textOptions;     // option name -> value
};

ClientDefaults& clientDefaults();

}  // namespace flk::client
