// What the row- and column-oriented layouts share: column matching, the two groups of columns,
// the column list on writing and the cells of missing values.
#include "formats/json/json_nodes.hpp"

#include "frame/call_context.hpp"
#include "mapping/mapping_state.hpp"

#include <unordered_map>

namespace flk {
namespace {

const std::vector<std::string_view> kRowAttributes{
    "name", "alt-name", "name-regex", "name-binds-to", "binds-existing", "binds-skip-non-existing",
    "name-regex-prefix", "name-regex-postfix", "name-regex-from", "iterative-binds-to", "iterative-prefix",
    "iterative-existing", "read-normalize", "write-normalize", "maps-to", "write-filter", "dense-write", "force-dense"};

std::vector<std::string_view> columnAttributes() {
    std::vector<std::string_view> accepted = kRowAttributes;
    accepted.push_back("const-binds-to");
    accepted.push_back("const-binds-value");
    return accepted;
}

}  // namespace

std::shared_ptr<TreeNode> TableObjectNode::makeChild(std::string_view element) {
    return makeJsonNode(rowOriented() ? JsonParent::RowOriented : JsonParent::ColumnOriented, element);
}

bool TableObjectNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    static const std::vector<std::string_view> columnAccepted = columnAttributes();
    rowsInScope_ = true;
    return parseElement(element, mapping, rowOriented() ? "RowOrientedObjectMapping" : "ColumnOrientedObjectMapping",
                        rowOriented() ? kRowAttributes : columnAccepted, nullptr);
}

void TableObjectNode::serving(std::string_view column, std::vector<TreeNode*>& out) const {
    out.clear();
    if (TreeNode* exact = childNamed(column)) {
        out.push_back(exact);
        return;
    }
    for (const auto& child : regexChildren())
        if (child->matchesPattern(column)) out.push_back(child.get());
}

void TableObjectNode::groups(const std::vector<std::string>& names, std::vector<std::pair<size_t, TreeNode*>>& first,
                             std::vector<std::pair<size_t, TreeNode*>>& second) const {
    std::vector<TreeNode*> servers;
    for (size_t i = 0; i < names.size(); ++i) {
        serving(names[i], servers);
        for (TreeNode* child : servers) {
            bool binds = child->isValueNode() && child->bindsToIndex_ >= 0 && childNamed(names[i]) == child;
            (binds ? first : second).emplace_back(i, child);
        }
    }
}

bool TableObjectNode::readRow(ReadState& state, const std::vector<std::pair<size_t, TreeNode*>>& first,
                              const std::vector<std::pair<size_t, TreeNode*>>& second,
                              const std::vector<std::string>& names, const std::vector<const JsonValue*>& cells) {
    for (const auto& [column, child] : first)
        if (!asJson(*child).readJSON(state, names[column], *cells[column])) return false;
    bool ok = true;
    if (!state.takeSkip())   // a skipped element leaves out the rest of the row
        for (const auto& [column, child] : second) ok = asJson(*child).readJSON(state, names[column], *cells[column]) && ok;
    for (int index : scopeOwned_)
        if (!state.isExternallyBound(index)) state.tuple()[size_t(index)] = 0;
    return ok;
}

void TableObjectNode::finishRead(ReadState& state) {
    if (mapsToRef_ >= 0) state.assignReference(state.mapping().references[size_t(mapsToRef_)], 1.0);
    markForceDense(state);
    clearScopeBindings(state);
}

// One column per child with a fixed name, one per element of the bound set for name-binds-to.
std::vector<std::string> TableObjectNode::writeColumns(WriteState& state) const {
    std::vector<std::string> columns;
    for (const auto& child : children()) {
        if (!child->name().empty()) {
            columns.push_back(child->name());
        } else if (child->nameBindsIndex_ >= 0) {
            MolvoIOHandler& index = *state.mapping().indexTable[size_t(child->nameBindsIndex_)];
            for (int ordinal = 1;; ++ordinal) {
                int element = index.elementByOrdinal(ordinal);
                if (element <= 0) break;
                columns.push_back(child->nameRegexPrefix_ + child->normalizedForWrite(index.elementName(element)) +
                                  child->nameRegexPostfix_);
            }
            index.clearError();
        }
    }
    return columns;
}

void TableObjectNode::fillMissing(const std::string& column, JsonValue& cell, WriteState& state,
                                  JsonAllocator& allocator) const {
    std::vector<TreeNode*> servers;
    serving(column, servers);
    if (servers.empty() || !servers[0]->isValueNode()) {
        cell.SetObject();
        return;
    }
    static_cast<const ValueNode*>(servers[0])->writeDefault(state, cell, allocator);
}

bool TableObjectNode::writeRows(WriteState& state, const std::vector<std::string>& columns, JsonAllocator& allocator,
                                const std::function<void(size_t, JsonValue&)>& cell,
                                const std::function<void()>& endRow) {
    std::unordered_map<std::string, size_t> position;
    for (size_t i = 0; i < columns.size(); ++i) position.emplace(columns[i], i);
    bool ok = true;
    while (ok && nextTuple(state, 1)) {
        if (writeFiltered(state)) {
            for (const auto& child : children()) {
                ok = ok && forEachTuple(state, *child, [&] {
                    std::string key;
                    JsonValue value;
                    if (!asJson(*child).writeJSON(state, key, value, allocator)) return false;
                    auto at = position.find(key);
                    if (!value.IsNull() && at != position.end()) cell(at->second, value);
                    return true;
                });
            }
            endRow();
        }
        finishTuple(state, 1);
    }
    releaseTuple(state, 1);
    return ok;
}

bool TableObjectNode::writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) {
    if (!hasIterators()) return true;
    writeKey(state, name);
    std::vector<std::string> columns = writeColumns(state);
    return buildValue(state, columns, value, allocator);
}

}  // namespace flk
