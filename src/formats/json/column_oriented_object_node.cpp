// A table as {"column": [cells], ...}, every column array of the same length.
#include "formats/json/json_nodes.hpp"

#include "frame/call_context.hpp"
#include "mapping/mapping_state.hpp"

namespace flk {

bool ColumnOrientedObjectNode::readJSON(ReadState& state, std::string_view nameIn, const JsonValue& value) {
    std::string name(nameIn);
    if (!value.IsObject()) return raiseError("Node '" + name + "' is not an object");
    ReadScope scope(*this, state, nameIn);
    if (!scope.entered()) return scope.notEnteredResult();
    ReadHeader header;
    std::vector<std::string>& names = header.names;
    std::vector<const JsonValue*> keys, arrays;
    for (auto m = value.MemberBegin(); m != value.MemberEnd(); ++m) {
        std::string member(m->name.GetString(), m->name.GetStringLength());
        if (!m->value.IsArray() || (!arrays.empty() && m->value.Size() != arrays[0]->Size()))
            return raiseError("Child " + member + " of node " + name +
                              " is not an array, or does not have the same size as other arrays underneath this node");
        names.push_back(std::move(member));
        keys.push_back(&m->name);
        arrays.push_back(&m->value);
    }
    ColumnTable(*this).match(header);
    size_t rows = arrays.empty() ? 0 : arrays[0]->Size();
    std::vector<const JsonValue*> cells(names.size());
    JsonStep member, item;
    for (size_t r = 0; r < rows; ++r) {
        for (size_t i = 0; i < names.size(); ++i) cells[i] = &(*arrays[i])[rapidjson::SizeType(r)];
        if (!readRow(state, header, RowCells{cells, item, &member, &keys, &arrays, r})) return false;
    }
    return scope.end(true);
}

bool ColumnOrientedObjectNode::buildValue(WriteState& state, const WriteHeader& header, JsonValue& value,
                                          JsonAllocator& allocator) {
    const std::vector<std::string>& columns = header.names;
    std::vector<JsonValue> arrays;
    for (size_t i = 0; i < columns.size(); ++i) arrays.emplace_back(rapidjson::kArrayType);
    rapidjson::SizeType rows = 0;   // rows complete so far; the first cell of a column wins
    bool ok = writeRows(
        state, header, allocator,
        [&](size_t i, JsonValue& cell) {
            if (arrays[i].Size() == rows) arrays[i].PushBack(cell, allocator);
        },
        [&] {
            for (size_t i = 0; i < columns.size(); ++i) {
                if (arrays[i].Size() > rows) continue;
                JsonValue cell;
                fillMissing(columns[i], cell, state, allocator);
                arrays[i].PushBack(cell, allocator);
            }
            ++rows;
        });
    if (!ok) return false;
    value.SetObject();
    for (size_t i = 0; i < columns.size(); ++i)
        value.AddMember(JsonValue(columns[i].data(), rapidjson::SizeType(columns[i].size()), allocator), arrays[i], allocator);
    return true;
}

}  // namespace flk
