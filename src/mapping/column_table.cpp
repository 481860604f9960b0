#include "mapping/column_table.hpp"

#include "mapping/mapping_state.hpp"

namespace flk {

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
