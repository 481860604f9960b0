// A table as {"meta": [column names], "data": [[cells of row 1], ...]}.
#include "formats/json/json_nodes.hpp"

#include "formats/json/json_part_sink.hpp"
#include "frame/call_context.hpp"
#include "mapping/mapping_state.hpp"

namespace flk {
namespace {

ReadStart refused(const std::string& message) {
    raiseError(message);
    return ReadStart::Failed;
}

}  // namespace

ReadStart RowOrientedObjectNode::beginRows(ReadState& state, std::string_view nameIn, const JsonValue& value,
                                           RowReading& r) {
    std::string name(nameIn);
    if (!value.IsObject()) return refused("Node '" + name + "' is not an object");
    r.scope.emplace(*this, state, nameIn);
    if (!r.scope->entered()) return r.scope->start();
    auto meta = value.FindMember("meta");
    if (meta == value.MemberEnd()) return refused("Node '" + name + "' does not have a 'meta' field");
    if (!meta->value.IsArray()) return refused("The 'meta' field of node '" + name + "' is not an array");
    r.name = name;
    for (const auto& item : meta->value.GetArray())   // a name that is not a string serves no column
        r.header.names.push_back(item.IsString() ? std::string(item.GetString(), item.GetStringLength()) : std::string());
    ColumnTable(*this).match(r.header);
    r.cells.resize(r.header.names.size());
    return ReadStart::Go;
}

bool RowOrientedObjectNode::readRowValue(ReadState& state, const JsonValue& row, RowReading& r) {
    size_t length = row.IsArray() ? row.Size() : 1;
    if (!row.IsArray() || length != r.header.names.size())
        return raiseError("A row of node '" + r.name + "' contains " + std::to_string(length) + " columns instead of " +
                          std::to_string(r.header.names.size()));
    for (size_t i = 0; i < r.header.names.size(); ++i) r.cells[i] = &row[rapidjson::SizeType(i)];
    if (!r.cell) r.cell.emplace();
    return readRow(state, r.header, RowCells{r.cells, *r.cell});
}

bool RowOrientedObjectNode::readJSON(ReadState& state, std::string_view name, const JsonValue& value) {
    RowReading r;
    ReadStart begun = beginRows(state, name, value, r);
    if (begun != ReadStart::Go) return begun == ReadStart::Skip;
    auto data = value.FindMember("data");
    if (data == value.MemberEnd()) return raiseError("Node " + r.name + " does not have a 'data' field");
    if (!data->value.IsArray()) return raiseError("The 'data' field of node '" + r.name + "' is not an array");
    JsonStep member, item;
    member.member(data->name, &data->value);
    for (rapidjson::SizeType i = 0; i < data->value.Size(); ++i) {
        item.item(i, data->value[i]);
        if (!readRowValue(state, data->value[i], r)) return false;
    }
    return r.scope->end(true);
}

bool RowOrientedObjectNode::buildValue(WriteState& state, const WriteHeader& header, JsonValue& value,
                                       JsonAllocator& allocator) {
    const std::vector<std::string>& columns = header.names;
    JsonValue meta(rapidjson::kArrayType);
    for (const auto& column : columns)
        meta.PushBack(JsonValue(column.data(), rapidjson::SizeType(column.size()), allocator), allocator);
    // A top-level table written as it is built hands each row over instead of keeping it.
    JsonPartSink* sink = state.takeSink<JsonPartSink>();
    if (sink) sink->begin(&meta);
    JsonAllocator& rows = sink ? sink->allocator() : allocator;
    JsonValue data(rapidjson::kArrayType);
    JsonValue row(rapidjson::kArrayType);
    auto startRow = [&] {
        row.SetArray();
        for (size_t i = 0; i < columns.size(); ++i) row.PushBack(JsonValue(), rows);
    };
    startRow();
    bool ok = writeRows(
        state, header, rows, [&](size_t i, JsonValue& cell) { row[rapidjson::SizeType(i)] = cell; },
        [&] {
            for (size_t i = 0; i < columns.size(); ++i)
                if (row[rapidjson::SizeType(i)].IsNull()) fillMissing(columns[i], row[rapidjson::SizeType(i)], state, rows);
            if (sink) sink->part(row);
            else data.PushBack(row, allocator);
            startRow();
        });
    if (!ok) return false;
    value.SetObject();
    value.AddMember("meta", meta, allocator);
    value.AddMember("data", data, allocator);
    return true;
}

}  // namespace flk
