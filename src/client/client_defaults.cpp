#include "client/client_defaults.hpp"

namespace flk::client {

ClientDefaults& clientDefaults() {
    static ClientDefaults defaults;
    return defaults;
}

}  // namespace flk::client
