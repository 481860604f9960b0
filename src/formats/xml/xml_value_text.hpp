// Values as the text of XML elements and attributes: text read converted for the storage of its
// target, and stored values as the text written for them.
#pragma once

#include "mapping/value_transfer.hpp"
#include "molvo/molvo3.h"

#include <string>
#include <string_view>

namespace flk {

class MolvoIOHandler;
class TreeNode;
class WriteState;

// Text read for a target of the kind. Numbers never fail: a numeric target takes the decimal
// number the text starts with (INF, -INF and NaN as XML writes them), an integer target the
// decimal or 0x-hexadecimal integer it starts with, saturated to 32 bits; text that starts with
// no number gives 0. Text targets take the text.
void convertXmlText(TargetKind kind, std::string_view text, ReadValue& out);

// A double in the shortest form that reads back as the same value, a whole number with ".0";
// INF, -INF and NaN for the values no decimal number stands for.
std::string xmlNumberText(double value);

// The text a value node writes at the current tuple: the maps-to value there (its cursor then
// moves on), the element bound by its binds-to, or its constant value. False when it has none.
bool valueNodeText(const TreeNode& node, WriteState& state, std::string& text);

// The default value of the node's maps-to identifier as text; false without maps-to.
bool defaultValueText(const TreeNode& node, WriteState& state, std::string& text);

// The name the node writes at the current tuple, checked to be an XML name; false after raising.
bool writtenName(const TreeNode& node, WriteState& state, std::string& name);

// Whether XML documents can hold the text the node writes; raises when they cannot.
bool checkWrittenText(const TreeNode& node, std::string_view text);

}  // namespace flk
