#include "mapping/value_text.hpp"

#include "frame/utf8.hpp"
#include "mapping/tree_node.hpp"
#include "mapping/value_transfer.hpp"

#include <charconv>

namespace flk {
namespace {

template <class Number>
void appendNumber(std::string& out, Number value) {
    char buffer[32];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

}  // namespace

std::string numberText(double value) {
    std::string text;
    appendNumber(text, value);
    return text;
}

std::string storedText(MolvoIOHandler& source, const MolvoValueW& value, const TreeNode& node) {
    std::string text;
    appendStoredText(text, source, value, node);
    return text;
}

void appendStoredText(std::string& out, MolvoIOHandler& source, const MolvoValueW& value, const TreeNode& node) {
    switch (targetKindOf(&source)) {
        case TargetKind::Element:
            if (value.Int > 0) out += node.normalizedForWrite(source.elementName(value.Int));
            return;
        case TargetKind::String:
            if (value.String) appendUtf8(out, value.String);
            return;
        case TargetKind::Numeric: return appendNumber(out, value.Double);
        default: return appendNumber(out, value.Int);
    }
}

}  // namespace flk
