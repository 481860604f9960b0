#include "mapping/value_transfer.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "host/molvo_io_handler.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/tree_node.hpp"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <stdexcept>

namespace flk {
namespace {

double parseDouble(const std::string& text) {
    double d = 0;
    switch (leadingDecimal(text, d)) {
        case LeadingDecimal::None: throw std::invalid_argument("invalid stod argument");
        case LeadingDecimal::OutOfRange: throw std::out_of_range("stod argument out of range");
        default: return d;
    }
}

int parseInt(const std::string& text) {
    const char* start = text.c_str();
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(start, &end, 10);
    if (end == start) throw std::invalid_argument("invalid stoi argument");
    if (errno == ERANGE || n < INT_MIN || n > INT_MAX) throw std::out_of_range("stoi argument out of range");
    return int(n);
}

// The element of that name in an element parameter's range, created when allowed; 0 when none.
int elementInRange(MolvoIOHandler& parameter, const std::string& name, bool existingOnly) {
    int range = parameter.rangeDomain().range();
    std::wstring wide = fromUtf8(name);
    int element = 0, created = 0;
    if (wide.empty()) return 0;
    int status = existingOnly ? MolvoSetNameToElementW(range, wide.c_str(), &element)
                              : MolvoSetElementNumberW(range, wide.c_str(), 1, &element, &created);
    if (status != 1) return 0;
    if (created) {
        MolvoValueW member{1, 1, 0, nullptr};
        MolvoValueAssignW(range, &element, &member);
    }
    return element;
}

// The host takes at most the target's string size of characters: a longer text is cut there,
// which the read reports when it ends. A text has at least as many bytes as characters, so only a
// long one is counted.
void noteIfCut(ReadState& state, const TreeNode& node, const MolvoIOHandler& target, const std::string& text) {
    size_t limit = size_t(target.stringSize());
    if (text.size() <= limit) return;
    size_t length = utf8Length(text);
    if (length > limit) state.notes().textCut(node.name(), target.name(), target.stringSize(), length);
}

// An integer target takes the 32-bit range: a number beyond it is stored as the nearest limit
// (MolvoIOHandler::assignNumber), which the read reports when it ends.
void noteIfSaturated(ReadState& state, const MolvoIOHandler& target, const ReadValue& value) {
    if (value.kind == TargetKind::Integer && (value.number < double(INT_MIN) || value.number > double(INT_MAX)))
        state.notes().integerSaturated(target.name());
}

const IdentifierReference* mapsToReference(const TreeNode& node, ReadState& state) {
    return node.mapsToReference() >= 0 ? &state.mapping().references[size_t(node.mapsToReference())] : nullptr;
}

bool assignValue(const TreeNode& node, ReadState& state, const IdentifierReference& ref, const ReadValue& value) {
    if (value.kind == TargetKind::Element) {
        int element = elementInRange(*ref.target, value.text, node.attributes().rangeExisting);
        if (element > 0) state.assignElement(ref, element);
        else if (!value.text.empty() && !node.attributes().skipNonExisting)
            return state.raisePlaced("Element " + value.text + " is not in the range of " + toUtf8(ref.target->name()));
    } else if (value.isText) {
        noteIfCut(state, node, *ref.target, value.text);
        state.assignReference(ref, std::string_view(value.text));
    } else {
        noteIfSaturated(state, *ref.target, value);
        state.assignReference(ref, value.number);
    }
    return true;
}

void normalizeForRead(const TreeNode& node, ReadValue& value) {
    if (value.isText && node.readNormalizer()) value.text = node.normalizedForRead(value.text);
}

// The value to the node's maps-to target, if it has one.
bool assignMapped(const TreeNode& node, ReadState& state, const ReadValue& value) {
    const IdentifierReference* ref = mapsToReference(node, state);
    return !ref || assignValue(node, state, *ref, value);
}

}  // namespace

LeadingDecimal leadingDecimal(std::string_view text, double& value) {
    size_t at = text.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string_view::npos) return LeadingDecimal::None;
    bool negative = text[at] == '-';
    if (negative || text[at] == '+') ++at;
    auto digit = [&](size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    if (!digit(at) && !(at < text.size() && text[at] == '.' && digit(at + 1))) return LeadingDecimal::None;
    // With a digit first, from_chars reads no infinity or NaN, and in its general format no
    // hexadecimal: "0x1p4" reads as 0.
    std::errc error = std::from_chars(text.data() + at, text.data() + text.size(), value).ec;
    if (error == std::errc::result_out_of_range) return LeadingDecimal::OutOfRange;
    if (error != std::errc()) return LeadingDecimal::None;
    if (negative) value = -value;
    return LeadingDecimal::Number;
}

TargetKind targetKindOf(const MolvoIOHandler* target) {
    if (!target) return TargetKind::Holder;
    if (!target->isSetOrIndex() && target->rangeDomain().hasRange()) return TargetKind::Element;
    switch (target->storage()) {
        case IdentifierHandle::kDouble: return TargetKind::Numeric;
        case IdentifierHandle::kString: return TargetKind::String;
        default: return TargetKind::Integer;
    }
}

TargetKind readTargetKind(const TreeNode& node, ReadState& state) {
    const IdentifierReference* ref = mapsToReference(node, state);
    return targetKindOf(ref ? ref->target.get() : nullptr);
}

void convertText(TargetKind kind, std::string text, ReadValue& out) {
    beginConversion(kind, out);
    if (out.isText) {
        out.text = std::move(text);
        return;
    }
    out.text.clear();
    out.number = kind == TargetKind::Numeric ? parseDouble(text) : parseInt(text);
}

bool assignToTarget(const TreeNode& node, ReadState& state, ReadValue& value) {
    normalizeForRead(node, value);
    return assignMapped(node, state, value);
}

bool transferValue(TreeNode& node, ReadState& state, ReadValue& value, BoundIndex bound) {
    normalizeForRead(node, value);
    const int index = node.bindsToIndex();
    if (index < 0) return assignMapped(node, state, value);
    // An index an external binding fixed is only checked against the value.
    if (state.isExternallyBound(index)) return state.checkExternal(index, value.text) > 0;
    if (bound == BoundIndex::Confirm && state.tuple()[size_t(index)] != 0) {
        if (state.checkBound(index, value.text) == 0) return false;
    } else {
        int element = state.bindElement(index, value.text, node.attributes().bindsExisting, node.attributes().skipNonExisting);
        if (element == 0) return false;
        if (element == MappingState::kSkip) {
            state.requestSkip();
            return true;
        }
    }
    return assignMapped(node, state, value);
}

}  // namespace flk
