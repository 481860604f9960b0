// The services a model offers: read from its string parameter indexed by service names, whose
// values are procedure names.
#pragma once

#include "service/tasks_servlet.hpp"

namespace flk::service {

// Reads the table; host control must be held. A procedure the model lacks, or one that takes
// arguments, is logged and left out. Throws std::runtime_error when the handle is not a
// one-dimensional string parameter.
ServiceTable readServiceTable(int servicesHandle);

}  // namespace flk::service
