#include "formats/csv/csv_nodes.hpp"

#include "formats/csv/csv_table_reader.hpp"
#include "formats/csv/csv_writer.hpp"
#include "frame/call_context.hpp"
#include "mapping/mapping_state.hpp"

namespace flk {

bool CSVNode::readCSVRows(ReadState&, CsvTableReader&) { notImplemented(); }
bool CSVNode::readCSVField(ReadState&, std::string_view, std::string_view, ReadValue&) { notImplemented(); }
bool CSVNode::writeCSVRows(WriteState&, CsvWriter&) { notImplemented(); }
bool CSVNode::writeCSVField(WriteState&, CsvField&) { notImplemented(); }

std::shared_ptr<TreeNode> makeCsvNode(CsvParent parent, std::string_view e) {
    if (parent == CsvParent::Root && (e == "CSVTableMapping" || e == "TableMapping" || e == "CSVRowMapping" || e == "RowMapping"))
        return std::make_shared<CSVRowNode>();
    if (parent == CsvParent::Table && (e == "CSVColumnMapping" || e == "ColumnMapping"))
        return std::make_shared<CSVColumnNode>();
    return nullptr;
}

std::shared_ptr<TreeNode> CSVRootNode::makeChild(std::string_view element) {
    return makeCsvNode(CsvParent::Root, element);
}

bool CSVRootNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    static const std::vector<std::string_view> accepted{"iterative-reset", "molvo-namespace", "namespace-uri"};
    bool ok = parseElement(element, mapping, "MolvoCSVMapping", accepted, kPositionalChild);
    if (children().size() != 1) {
        raiseError(std::string_view("CSV root node should have a single child"));
        ok = false;
    }
    return checkTree(mapping) && ok;
}

bool CSVRootNode::readDocument(ReadState& state) {
    resetIterativeCounters();
    CsvTableReader table(state.input(), state.documentName());
    return readCSVRows(state, table);
}

// The external bindings are fixed by the driver before the read begins.
bool CSVRootNode::readCSVRows(ReadState& state, CsvTableReader& table) {
    TreeNode* child = childNamed(kPositionalChild);
    return child && asCsv(*child).readCSVRows(state, table);
}

bool CSVRootNode::writeDocument(WriteState& state, int) {
    CsvWriter output(state.output());
    bool ok = writeCSVRows(state, output);
    output.finish();
    return ok;
}

bool CSVRootNode::writeCSVRows(WriteState& state, CsvWriter& output) {
    TreeNode* child = childNamed(kPositionalChild);
    return child && asCsv(*child).writeCSVRows(state, output);
}

}  // namespace flk
