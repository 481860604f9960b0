// Stored values as the text a document writes for them, for the document kinds whose values are
// text (XML, CSV, and the string columns of tables): element names write-normalized by the node,
// strings as they are, integers in decimal, and numbers in the shortest form that reads back as
// the same value.
#pragma once

#include "molvo/molvo3.h"

#include <string>

namespace flk {

class MolvoIOHandler;
class TreeNode;

// The text of a double: shortest round-trip form, "1e+21" style exponents as std::to_chars
// writes them; "nan", "inf" and "-inf" for the values no decimal number stands for.
std::string numberText(double value);

// The text of a value of source (its storage decides), written by node.
std::string storedText(MolvoIOHandler& source, const MolvoValueW& value, const TreeNode& node);
// The same text appended to out, for writers that reuse one string's room value after value.
void appendStoredText(std::string& out, MolvoIOHandler& source, const MolvoValueW& value, const TreeNode& node);

}  // namespace flk
