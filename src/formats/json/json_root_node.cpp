#include "formats/json/json_nodes.hpp"

#include "formats/json/json_document_writer.hpp"
#include "formats/json/json_item_stream.hpp"
#include "formats/json/json_reading.hpp"
#include "formats/json/json_table_stream.hpp"
#include "formats/json/json_text.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/read_scope.hpp"

#include <pugixml.hpp>

#include <optional>

namespace flk {

std::shared_ptr<TreeNode> makeJsonNode(JsonParent parent, std::string_view e) {
    if (e == "ObjectMapping") return std::make_shared<ObjectNode>();
    if (e == "ArrayMapping") return std::make_shared<ArrayNode>();
    if (e == "ValueMapping") return std::make_shared<ValueNode>();
    bool object = parent == JsonParent::Object;
    if (e == "ColumnOrientedObjectMapping" || (object && e == "ColumnMapping"))
        return std::make_shared<ColumnOrientedObjectNode>();
    if (e == "RowOrientedObjectMapping" || (object && e == "RowMapping"))
        return std::make_shared<RowOrientedObjectNode>();
    if ((parent == JsonParent::RowOriented && e == "ColumnMapping") ||
        (parent == JsonParent::ColumnOriented && e == "RowMapping"))
        return std::make_shared<ValueNode>();
    return nullptr;
}

std::shared_ptr<TreeNode> JSONRootNode::makeChild(std::string_view element) {
    return makeJsonNode(JsonParent::Root, element);
}

bool JSONRootNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    static const std::vector<std::string_view> accepted{"molvo-namespace", "namespace-uri", "iterative-reset"};
    bool ok = parseElement(element, mapping, "MolvoJSONMapping", accepted, kPositionalChild);
    if (children().size() != 1) {
        raiseError(std::string_view("JSON root node should have a single child"));
        ok = false;
    }
    return checkTree(mapping) && ok;
}

namespace {

// The document's message, followed by the warning that says where and why it is not JSON.
bool parseFailed(ReadState& state, JsonReading& reading, const JsonProblem& problem) {
    raiseError(L"Error parsing JSON document " + state.documentName());
    warnModel(locatedMessage(toUtf8(state.documentName()), reading.placeOf(problem.offset), problem.reason));
    return false;
}

}  // namespace

bool JSONRootNode::readDocument(ReadState& state) {
    JsonText text = JsonText::read(state.input());
    JsonReading reading(text.view(), text.mayHoldNul());
    CurrentRead<JsonReading> current(reading);
    ScopedPlaceSource place(state, [&reading] { return reading.place(); });
    bool ok = false;
    auto* array = dynamic_cast<ArrayNode*>(childNamed(kPositionalChild));
    if (array && array->streamable() && startsWithArray(text)) ok = readArrayItems(state, *array, text, reading);
    else if (auto* table = dynamic_cast<RowOrientedObjectNode*>(childNamed(kPositionalChild)))
        ok = readTableRows(state, *table, text, reading);
    else
        ok = readParsed(state, text, reading);
    if (ok) reading.unread().report(state.documentName(), "members");
    return ok;
}

// A top-level row table is read row by row as it is parsed, where its shape allows.
bool JSONRootNode::readTableRows(ReadState& state, RowOrientedObjectNode& table, JsonText& text, JsonReading& reading) {
    static const JsonValue kData(rapidjson::StringRef("data"));
    resetIterativeCounters();
    RowOrientedObjectNode::RowReading rows;
    ReadStart begun = ReadStart::Failed;
    std::optional<JsonStep> data, row;   // from the first row on: $.data[row]
    size_t index = 0;
    TableStreamResult streamed = forEachTableRow(
        text, reading.offsets(),
        [&](const JsonValue& head) {
            reading.beginPart(head);
            begun = table.beginRows(state, table.name(), head, rows);
            return begun == ReadStart::Go;
        },
        [&](const JsonValue& value) {
            if (!row) {
                data.emplace();
                data->member(kData, nullptr);
                row.emplace();
            }
            reading.beginPart(value);
            row->item(index++, value);
            return table.readRowValue(state, value, rows);
        });
    reading.endPart();
    if (!streamed.wellFormed) return parseFailed(state, reading, streamed.problem);
    if (!streamed.streamed) return readParsed(state, text, reading);
    if (begun != ReadStart::Go) return begun == ReadStart::Skip;
    return rows.scope->end(streamed.ok);
}

bool JSONRootNode::readParsed(ReadState& state, JsonText& text, JsonReading& reading) {
    rapidjson::Document document;
    JsonProblem problem;
    reading.offsets().clear();
    if (!parseJsonDocument(text, document, reading.offsets(), problem)) return parseFailed(state, reading, problem);
    reading.beginPart(document);
    bool ok = readJSON(state, name(), document);
    reading.endPart();
    return ok;
}

// A top-level array is read as it is parsed, so that its items never all exist at once.
bool JSONRootNode::readArrayItems(ReadState& state, ArrayNode& array, JsonText& text, JsonReading& reading) {
    resetIterativeCounters();
    std::optional<ReadScope> scope;
    bool wellFormed = false;
    JsonProblem problem;
    JsonStep step;
    size_t index = 0;
    bool ok = forEachArrayItem(text, reading.offsets(), [&](const JsonValue& item) {
        if (!scope) scope.emplace(array, state, array.name());
        reading.beginPart(item);
        step.item(index++, item);
        return !scope->entered() || array.readItem(state, item);
    }, wellFormed, problem);
    reading.endPart();
    if (!wellFormed) return parseFailed(state, reading, problem);
    if (!scope) scope.emplace(array, state, array.name());
    if (!scope->entered()) return scope->notEnteredResult();
    return scope->end(ok);
}

bool JSONRootNode::readJSON(ReadState& state, std::string_view, const JsonValue& value) {
    resetIterativeCounters();
    TreeNode* child = childNamed(kPositionalChild);
    return child && asJson(*child).readJSON(state, child->name(), value);
}

namespace {

// Only included and embedded mappings can make a write fail halfway; without them a document
// may go out as it is built, as nothing written could have to be taken back.
bool cannotFailHalfway(const TreeNode& node) {
    if (!node.attributes().includedMapping.empty() || !node.attributes().embeddedMapping.empty()) return false;
    for (const auto& child : node.children())
        if (!cannotFailHalfway(*child)) return false;
    return true;
}

// A top-level array or row table that is written once (it binds no index of its own at the top)
// and whose value is not rewritten afterwards (a lone item written bare) goes out part by part.
bool writtenAsBuilt(const TreeNode& child) {
    auto* array = dynamic_cast<const ArrayNode*>(&child);
    bool table = dynamic_cast<const RowOrientedObjectNode*>(&child) != nullptr;
    if (!table && !(array && array->streamable() && !array->singletonAsArray_)) return false;
    return !child.bindsOwnIndices() && cannotFailHalfway(child);
}

}  // namespace

bool JSONRootNode::writeDocument(WriteState& state, int pretty) {
    rapidjson::Document document;
    std::string name;
    JsonDocumentWriter writer(state.output(), pretty != 0);
    TreeNode* child = childNamed(kPositionalChild);
    if (child && writtenAsBuilt(*child)) state.offerSink(&writer);
    bool built = writeJSON(state, name, document, document.GetAllocator());
    state.offerSink(nullptr);
    if (!built) return raiseError(L"Error generating JSON document " + state.documentName());
    if (!writer.finish(document)) throw std::runtime_error("Cannot write the JSON document to its output");
    return true;
}

// With nothing to write the document still holds the empty container of the child's kind.
bool JSONRootNode::writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) {
    TreeNode* child = childNamed(kPositionalChild);
    if (!child) return false;
    bool ok = forEachTuple(state, *child, [&] {
        std::string key;
        bool written = asJson(*child).writeJSON(state, key, value, allocator);
        return written;
    });
    if (!ok) return false;
    if (value.IsNull() && dynamic_cast<ArrayNode*>(child)) value.SetArray();
    else if (value.IsNull() && !child->isValueNode()) value.SetObject();
    (void)name;
    return true;
}

}  // namespace flk
