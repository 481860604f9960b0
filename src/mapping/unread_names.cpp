#include "mapping/unread_names.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/tree_node.hpp"

#include <algorithm>

namespace flk {
namespace {

// Reads run one at a time under host control: a plain counter numbers them.
unsigned long long lastSerial = 0;

std::string label(const TreeNode& node) {
    const NodeAttributes& a = node.attributes();
    if (!a.name.empty()) return a.name;
    return a.nameRegex.empty() ? a.nameRegexFrom : a.nameRegex;
}

// "node 'order'", or for a node without a name (an array's item) the node it stands in.
std::string described(const TreeNode& node) {
    std::string own = label(node);
    if (!own.empty()) return "node '" + own + "'";
    std::string text = std::string("the unnamed ") + node.typeName();
    if (node.parent() && !label(*node.parent()).empty()) text += " in node '" + label(*node.parent()) + "'";
    return text;
}

std::string shown(std::string_view name) {
    if (name.size() <= UnreadNames::kNameBytesShown) return "'" + visibleText(name) + "'";
    size_t cut = UnreadNames::kNameBytesShown;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;   // not inside a character
    return "'" + visibleText(name.substr(0, cut)) + "...'";
}

}  // namespace

UnreadNames::UnreadNames() : serial_(++lastSerial) {}

void UnreadNames::noteRead(const TreeNode& node, Mark& mark) {
    mark.read = serial_;
    // A read nested in this one (an embedded document of the same mapping) may have marked the
    // node since: the list may then hold it twice, which changes nothing.
    read_.push_back(&node);
}

bool UnreadNames::readSome(const TreeNode& node) const {
    return std::find(read_.begin(), read_.end(), &node) != read_.end();
}

void UnreadNames::unread(const TreeNode& node, std::string_view name) {
    auto entry = std::find_if(unread_.begin(), unread_.end(), [&](const Unread& u) { return u.node == &node; });
    if (entry == unread_.end()) entry = unread_.insert(unread_.end(), Unread{&node, {}, false});
    if (entry->more || std::find(entry->names.begin(), entry->names.end(), name) != entry->names.end()) return;
    if (entry->names.size() == kNamesShown) entry->more = true;
    else entry->names.emplace_back(name);
}

void UnreadNames::report(const std::wstring& document, std::string_view members) const {
    for (const Unread& u : unread_) {
        if (readSome(*u.node)) continue;
        std::string list;
        for (const std::string& name : u.names) list += (list.empty() ? "" : ", ") + shown(name);
        if (u.more) list += ", ...";
        warnModel("Reading " + toUtf8(document) + ": " + described(*u.node) + " read none of the " + std::string(members) +
                  " it met: " + list);
    }
}

}  // namespace flk
