// Names of host identifiers behind handles, for comparing domains and ranges.
#pragma once

#include <string>

namespace flk {

// The name of the identifier behind a handle; empty when the host refuses.
std::wstring identifierName(int handle);
// The name of the root set of a set or index (the set itself for a root set); empty when none.
std::wstring rootSetName(int handle);

}  // namespace flk
