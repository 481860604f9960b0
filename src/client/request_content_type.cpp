#include "client/request_content_type.hpp"

namespace flk::client {

// TEMPORARY until the web module's loader lands: replaced by its content-type lookup.
std::string requestContentType(const std::string&) { return "application/octet-stream"; }

}  // namespace flk::client
