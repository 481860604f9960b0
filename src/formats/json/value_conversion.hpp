// Conversions between JSON values and identifier values, by the storage of the identifier.
#pragma once

#include "formats/json/json_node.hpp"
#include "mapping/value_transfer.hpp"
#include "molvo/molvo3.h"

#include <string>

namespace flk {

class MolvoIOHandler;
class ValueNotes;

// A JSON value converted for a target. Throws std::invalid_argument / std::out_of_range with the
// texts "invalid stod argument", "stod argument out of range" (and stoi) for strings that do not
// start with a decimal number (hexadecimal, infinity and NaN forms included) or start with one
// out of range.
void convertForRead(TargetKind kind, const JsonValue& value, ReadValue& out);

// A stored value as JSON, by the identifier's storage and the node's number type. What it cannot
// carry whole goes to the notes: a value that JSON cannot hold (NaN or an infinity) stays a
// double, which the document writer writes as null, so that its member or item is still there;
// a number beyond the 32-bit range written as an integer is saturated.
void convertForWrite(MolvoIOHandler& source, const MolvoValueW& stored, NumberType numberType, bool acceptAny,
                     const class TreeNode& node, JsonValue& out, JsonAllocator& allocator, ValueNotes& notes);

// The text as a JSON integer, double, true, false or null where it reads as one, else a string.
void anyFromText(const std::string& text, JsonValue& out, JsonAllocator& allocator);

}  // namespace flk
