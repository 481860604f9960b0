// What the row- and column-oriented layouts share beyond the column table: JSON cells, and the
// cells of missing values.
#include "formats/json/json_nodes.hpp"

#include "frame/call_context.hpp"
#include "mapping/mapping_state.hpp"


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
    setRowsInScope();
    return parseElement(element, mapping, rowOriented() ? "RowOrientedObjectMapping" : "ColumnOrientedObjectMapping",
                        rowOriented() ? kRowAttributes : columnAccepted, nullptr);
}

bool TableObjectNode::readRow(ReadState& state, const ReadHeader& header, const RowCells& row) {
    return ColumnTable(*this).readRow(state, header, [&](size_t column, TreeNode& child) {
        const JsonValue& cell = *row.cells[column];
        if (row.member) row.member->member(*(*row.keys)[column], (*row.arrays)[column]);
        row.item.item(row.member ? row.row : column, cell);
        return asJson(child).readJSON(state, header.names[column], cell);
    });
}

void TableObjectNode::fillMissing(const std::string& column, JsonValue& cell, WriteState& state,
                                  JsonAllocator& allocator) const {
    const TreeNode* server = ColumnTable(*this).defaultServer(column);
    if (server) static_cast<const ValueNode*>(server)->writeDefault(state, cell, allocator);
    else cell.SetObject();
}

bool TableObjectNode::writeRows(WriteState& state, const WriteHeader& header, JsonAllocator& allocator,
                                const std::function<void(size_t, JsonValue&)>& cell,
                                const std::function<void()>& endRow) {
    auto writeChild = [&](TreeNode& child) {
        std::string key;
        JsonValue value;
        if (!asJson(child).writeJSON(state, key, value, allocator)) return false;
        size_t column = 0;
        if (!value.IsNull() && header.find(key, column)) cell(column, value);
        return true;
    };
    return ColumnTable(*this).writeRows(state, writeChild, endRow);
}

bool TableObjectNode::writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) {
    if (!hasIterators()) return true;
    writeKey(state, name);
    return buildValue(state, ColumnTable(*this).header(state), value, allocator);
}

}  // namespace flk
