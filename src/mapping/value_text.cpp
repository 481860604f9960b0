#include "mapping/value_text.hpp"

#include "frame/utf8.hpp"
#include "mapping/tree_node.hpp"
#include "mapping/value_transfer.hpp"

#include <charconv>

namespace flk {

std::string numberText(double value) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string storedText(MolvoIOHandler& source, const MolvoValueW& value, const TreeNode& node) {
    switch (targetKindOf(&source)) {
        case TargetKind::Element: return value.Int > 0 ? node.normalizedForWrite(source.elementName(value.Int)) : std::string();
        case TargetKind::String: return value.String ? toUtf8(value.String) : std::string();
        case TargetKind::Numeric: return numberText(value.Double);
        default: return std::to_string(value.Int);
    }
}

}  // namespace flk
