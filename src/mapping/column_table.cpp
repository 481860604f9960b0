#include "mapping/column_table.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/mapping_state.hpp"

#include <algorithm>

namespace flk {
namespace {

// How many names a list in a message shows before "...".
constexpr size_t kNamesShown = 5;

void addShown(std::vector<std::string>& shown, const std::string& name) {
    if (name.empty() || std::find(shown.begin(), shown.end(), name) != shown.end()) return;
    if (shown.size() < kNamesShown) shown.push_back(name);
    else if (shown.size() == kNamesShown) shown.push_back("...");
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

// What a child claims, as its mapping element says it: its name (and alt-name), or its pattern.
std::string claimedBy(const TreeNode& child) {
    const NodeAttributes& a = child.attributes();
    if (!a.name.empty()) return a.altName.empty() ? a.name : a.name + " or " + a.altName;
    if (!a.nameRegex.empty()) return "name-regex " + a.nameRegex;
    if (!a.nameRegexFrom.empty()) return "name-regex-from " + a.nameRegexFrom;
    return {};
}

// " by <name>" for a table node that has a name, or stands in a node that has one (a sheet's rows).
std::string nodeName(const TreeNode& table) {
    const TreeNode* named = table.name().empty() && table.parent() ? table.parent() : &table;
    return named->name().empty() ? "" : " by " + named->name();
}

}  // namespace

const std::vector<std::string_view> kTableColumnAttributes{
    "name", "alt-name", "binds-to", "binds-existing", "binds-skip-non-existing", "range-existing", "name-regex",
    "name-binds-to", "name-regex-prefix", "name-regex-postfix", "name-regex-from", "read-normalize", "write-normalize",
    "maps-to", "write-defaults", "write-filter", "dense-write", "force-dense", "value", "max-string-size"};

bool transferCell(TreeNode& column, ReadState& state, std::string_view header, bool present, ReadValue& value) {
    if (!present) {
        if (column.bindsToIndex() < 0) return true;
        beginConversion(TargetKind::Holder, value);
        value.text.clear();
    }
    ReadScope scope(column, state, header);
    if (!scope.entered()) return scope.notEnteredResult();
    return scope.end(transferValue(column, state, value));
}

void TableMatches::met(const TreeNode& table, const std::vector<std::string>& names, bool matched, const char* what) {
    auto same = [&](const Entry& e) { return e.table == &table; };
    auto entry = std::find_if(entries_.begin(), entries_.end(), same);
    if (entry == entries_.end()) entry = entries_.insert(entries_.end(), Entry{&table, false, {}, what});
    entry->matched = entry->matched || matched;
    for (const std::string& name : names) addShown(entry->names, name);
}

void TableMatches::warnUnmatched(const MappingState& state) {
    for (const Entry& e : entries_) {
        std::vector<std::string> claimed;
        for (const auto& child : e.table->children()) addShown(claimed, claimedBy(*child));
        if (e.matched || e.names.empty() || claimed.empty()) continue;
        warnModel("Reading " + toUtf8(state.documentName()) + ": none of the " + e.what + " claimed" + nodeName(*e.table) +
                  " (" + joined(claimed) + ") was met, so they read nothing; the " + e.what + " met: " + joined(e.names));
    }
    entries_.clear();
}

bool WriteHeader::find(const std::string& key, size_t& column) const {
    auto at = position.find(key);
    if (at == position.end()) return false;
    column = at->second;
    return true;
}

void ColumnTable::serving(std::string_view column, std::vector<TreeNode*>& out) const {
    out.clear();
    if (TreeNode* exact = table_.childNamed(column)) {
        out.push_back(exact);
        return;
    }
    for (const auto& child : table_.regexChildren())
        if (child->matchesPattern(column)) out.push_back(child.get());
}

void ColumnTable::match(ReadHeader& header) const {
    std::vector<TreeNode*> servers;
    header.indexColumns.clear();
    header.valueColumns.clear();
    for (size_t i = 0; i < header.names.size(); ++i) {
        serving(header.names[i], servers);
        for (TreeNode* child : servers) {
            bool first = child->bindsIndexFromValue() && table_.childNamed(header.names[i]) == child;
            (first ? header.indexColumns : header.valueColumns).emplace_back(i, child);
        }
    }
}

WriteHeader ColumnTable::header(WriteState& state) const {
    WriteHeader header;
    for (const auto& child : table_.children()) {
        if (!child->name().empty()) {
            header.names.push_back(child->name());
        } else if (child->nameBindsIndex() >= 0) {
            MolvoIOHandler& index = *state.mapping().indexTable[size_t(child->nameBindsIndex())];
            for (int ordinal = 1;; ++ordinal) {
                int element = index.elementByOrdinal(ordinal);
                if (element <= 0) break;
                header.names.push_back(child->attributes().nameRegexPrefix + child->normalizedForWrite(index.elementName(element)) +
                                       child->attributes().nameRegexPostfix);
            }
            index.clearError();
        }
    }
    for (size_t i = 0; i < header.names.size(); ++i) header.position.emplace(header.names[i], i);
    return header;
}

const TreeNode* ColumnTable::defaultServer(std::string_view column) const {
    std::vector<TreeNode*> servers;
    serving(column, servers);
    return !servers.empty() && servers[0]->isValueNode() ? servers[0] : nullptr;
}

}  // namespace flk
