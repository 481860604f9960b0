// Values read from documents into identifiers, whatever the document kind: the text or number a
// document gives, converted for the storage of the identifier a value node maps to, then bound
// (binds-to), looked up or created (binds-existing, range-existing) and assigned.
#pragma once

#include <string>
#include <string_view>

namespace flk {

class MolvoIOHandler;
class ReadState;
class TreeNode;

// What a value node's maps-to target takes: numbers, integers, strings, elements of an element
// parameter's range, or nothing (no maps-to: the value only binds an index or is dropped).
enum class TargetKind { Numeric, Integer, String, Element, Holder };

TargetKind targetKindOf(const MolvoIOHandler* target);
// The kind of the node's maps-to target.
TargetKind readTargetKind(const TreeNode& node, ReadState& state);

// A document value converted for a target: a number, or a text (strings, element names).
struct ReadValue {
    TargetKind kind = TargetKind::Holder;   // what it was converted for
    bool isText = false;
    // For an integer target too, the number the document gives: the assignment truncates it and
    // saturates one beyond the 32-bit range (which the read reports).
    double number = 0;
    std::string text;
};

enum class LeadingDecimal { Number, None, OutOfRange };

// The decimal number at the start of the text, after blanks and with an optional sign; what
// follows it is ignored. Only decimal digits with an optional fraction and exponent count: the
// hexadecimal, infinity and NaN forms that strtod would also take are not numbers of a document.
LeadingDecimal leadingDecimal(std::string_view text, double& value);

// Starts a conversion for the kind (readTargetKind of the node that reads the value): records it,
// and whether the value travels as text.
inline void beginConversion(TargetKind kind, ReadValue& out) {
    out.kind = kind;
    out.isText = kind == TargetKind::String || kind == TargetKind::Element || kind == TargetKind::Holder;
    out.number = 0;
}

// A document's text converted for the kind: kept for text targets, parsed for numeric ones.
// Throws std::invalid_argument / std::out_of_range with the texts "invalid stod argument",
// "stod argument out of range" (and stoi) for text that does not start with a decimal number
// (hexadecimal, infinity and NaN forms included) or starts with one out of range.
void convertText(TargetKind kind, std::string text, ReadValue& out);

// What a binds-to value does to an index the current tuple has bound already: bind its own element
// in its place, or only confirm that it names the bound one.
enum class BoundIndex { Rebind, Confirm };

// The read of one value by a value node, once converted for its target's kind: the value's text
// (read-normalized) binds the node's binds-to index, and the value is assigned to its maps-to
// target at the current tuple. False after raising an error; an element skipped by its lookup
// makes the state skip the enclosing object, row or element.
bool transferValue(TreeNode& node, ReadState& state, ReadValue& value, BoundIndex bound = BoundIndex::Rebind);

// The part of transferValue for a node that binds no index: the value (read-normalized when a
// text) assigned to its maps-to target at the current tuple.
bool assignToTarget(const TreeNode& node, ReadState& state, ReadValue& value);

}  // namespace flk
