// Storing a split attribute list in a host string parameter.
#pragma once

#include <string_view>

namespace flk {

// Splits the list (see splitAttributeList) and assigns each value to the parameter at the element
// named by its attribute, adding the element to the parameter's domain set where it is missing.
// The parameter must be one-dimensional with string values, else the call fails with the
// documented message. Every refused element or assignment is raised as an error with the host's
// text and the remaining attributes are still stored. Returns 1 when everything was stored, else
// 0. Host control must be held.
int storeAttributeList(std::wstring_view list, int parameter);

}  // namespace flk
