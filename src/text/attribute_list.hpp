// Splitting of attribute lists such as "a=1;b=2; c" into names and values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace flk {

struct Attribute {
    std::wstring name;
    std::wstring value;
};

// Splits a list of name=value items separated by ";". A name runs to the next "=" or ";" and
// may contain blanks; the value runs from after the "=" to the next ";" (it may contain "=");
// an item without a value gets the empty string; blanks after a ";" are skipped, and stray "="
// or ";" before a name are ignored. Items come out in list order, repeated names included.
// This is the matching of ([^=;]+)=?([^;]+)?;? * repeated from the start of the list, written
// out so that long lists need no backtracking or recursion.
std::vector<Attribute> splitAttributeList(std::wstring_view list);

}  // namespace flk
