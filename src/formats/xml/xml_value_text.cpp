#include "formats/xml/xml_value_text.hpp"

#include "formats/xml/xml_characters.hpp"
#include "frame/call_context.hpp"
#include "host/molvo_io_handler.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/tree_node.hpp"
#include "mapping/value_text.hpp"

#include <rapidjson/internal/dtoa.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace flk {
namespace {

constexpr std::string_view kBlanks = " \t\n\v\f\r";

std::string_view trimmed(std::string_view text) {
    size_t start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return {};
    return text.substr(start, text.find_last_not_of(kBlanks) - start + 1);
}

// The forms XML gives the doubles no decimal number stands for.
bool specialNumber(std::string_view text, double& value) {
    std::string_view t = trimmed(text);
    if (t == "INF" || t == "+INF") value = std::numeric_limits<double>::infinity();
    else if (t == "-INF") value = -std::numeric_limits<double>::infinity();
    else if (t == "NaN") value = std::numeric_limits<double>::quiet_NaN();
    else return false;
    return true;
}

// A decimal number beyond the range of doubles: a negative exponent makes it vanish, any other
// makes it infinite, as strtod has it.
double outOfRange(std::string_view text) {
    std::string_view t = trimmed(text);
    bool negative = !t.empty() && t[0] == '-';
    size_t exponent = t.find_first_of("eE");
    bool tiny = exponent != std::string_view::npos && exponent + 1 < t.size() && t[exponent + 1] == '-';
    double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -magnitude : magnitude;
}

double leadingNumber(std::string_view text) {
    double value = 0;
    if (specialNumber(text, value)) return value;
    switch (leadingDecimal(text, value)) {
        case LeadingDecimal::Number: return value;
        case LeadingDecimal::OutOfRange: return outOfRange(text);
        default: return 0;
    }
}

int digitValue(char c, int base) {
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
    return d < base ? d : -1;
}

// Decimal digits, or hexadecimal ones after 0x; beyond 32 bits the value stops growing, and the
// assignment saturates it at the int range and reports it.
long long leadingInteger(std::string_view text) {
    size_t at = text.find_first_not_of(kBlanks);
    if (at == std::string_view::npos) return 0;
    bool negative = text[at] == '-';
    if (negative || text[at] == '+') ++at;
    int base = 10;
    if (at + 2 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X') &&
        digitValue(text[at + 2], 16) >= 0) {
        base = 16;
        at += 2;
    }
    long long value = 0;
    constexpr long long kLimit = 1LL << 32;   // beyond every 32-bit value: saturated from here on
    for (; at < text.size(); ++at) {
        int d = digitValue(text[at], base);
        if (d < 0) break;
        value = std::min(value * base + d, kLimit);
    }
    return negative ? -value : value;
}

}  // namespace

void convertXmlText(TargetKind kind, std::string_view text, ReadValue& out) {
    beginConversion(kind, out);
    out.text.clear();
    if (out.isText) out.text.assign(text);
    else out.number = kind == TargetKind::Numeric ? leadingNumber(text) : double(leadingInteger(text));
}

std::string xmlNumberText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    char buffer[32];
    return std::string(buffer, rapidjson::internal::dtoa(value, buffer));
}

namespace {

// Strings, like element names, are written as the node's write-normalize asks.
std::string storedXmlText(MolvoIOHandler& source, const MolvoValueW& value, const TreeNode& node) {
    switch (targetKindOf(&source)) {
        case TargetKind::Numeric: return xmlNumberText(value.Double);
        case TargetKind::String: {
            std::string text = storedText(source, value, node);
            return node.attributes().writeNormalize.empty() ? text : node.normalizedForWrite(text);
        }
        default: return storedText(source, value, node);
    }
}

MolvoIOHandler& mapsToTarget(const TreeNode& node, WriteState& state) {
    return *state.mapping().references[size_t(node.mapsToReference())].target;
}

// How messages name a node: its name, or the pattern that stands for it.
std::string nodeLabel(const TreeNode& node) {
    const NodeAttributes& a = node.attributes();
    return a.name.empty() ? (a.nameRegex.empty() ? a.nameRegexFrom : a.nameRegex) : a.name;
}

}  // namespace

bool valueNodeText(const TreeNode& node, WriteState& state, std::string& text) {
    if (node.mapsToReference() >= 0) {
        if (!node.hasValueAt(state, node.mapsToReference(), false)) return false;
        ValueCursor& cursor = state.cursor(node.mapsToReference());
        text = storedXmlText(mapsToTarget(node, state), cursor.value(), node);
        cursor.advance();
        return true;
    }
    if (node.bindsToIndex() >= 0) {
        int element = state.tuple()[size_t(node.bindsToIndex())];
        if (element <= 0) return false;
        text = node.normalizedForWrite(state.mapping().indexTable[size_t(node.bindsToIndex())]->elementName(element));
        return true;
    }
    if (node.attributes().value.empty()) return false;
    text = node.attributes().value;
    return true;
}

bool defaultValueText(const TreeNode& node, WriteState& state, std::string& text) {
    if (node.mapsToReference() < 0) return false;
    MolvoIOHandler& target = mapsToTarget(node, state);
    MolvoValueW stored;
    if (!target.defaultValue(stored)) return false;
    text = storedXmlText(target, stored, node);
    return true;
}

bool writtenName(const TreeNode& node, WriteState& state, std::string& name) {
    if (!node.writeKey(state, name))
        return raiseError(std::string("Node ") + node.typeName() + " '" + nodeLabel(node) +
                          "' has no name to write: it needs a name or a name-binds-to");
    if (isXmlName(name)) return true;
    return raiseError("Node '" + nodeLabel(node) + "' cannot write '" + name + "' as an XML name");
}

bool checkWrittenText(const TreeNode& node, std::string_view text) {
    long character = 0;
    if (findInvalidText(text, character) == std::string_view::npos) return true;
    return raiseError("Node '" + nodeLabel(node) + "' cannot write a text holding the character " +
                      characterName(character) + ", which XML documents cannot hold");
}

}  // namespace flk
