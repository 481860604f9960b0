// A Parquet table: read from the bytes of the input a row group at a time into a table, whose rows
// the table node walks; written by the table node a part of its rows at a time, the file's bytes
// then going to the output.
#include "formats/parquet/parquet_nodes.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/mapping_state.hpp"
#include "streams/stream_buffer.hpp"

#include <tablix/ArrowTable.h>

#include <ostream>
#include <stdexcept>

namespace flk {
namespace {

// The place an open failure names: the footer, from which the file's layout is read.
constexpr const char* kFooter = "footer";

// The library's message, with the document's name in front as the library gives it for a file.
bool libraryFailure(const MappingState& state, const tablix::Exception& e) {
    return raiseError(state.documentName() + L": " + e.whatW());
}

// The same, followed by the warning that names the place.
bool readFailure(const MappingState& state, const tablix::Exception& e, const std::string& place) {
    libraryFailure(state, e);
    warnModel(locatedMessage(toUtf8(state.documentName()), place, e.what()));
    return false;
}

}  // namespace

std::string tablePlace(const TableReadAt& at) {
    std::string place = "row group " + std::to_string(at.group + 1);
    if (at.column != TableReadAt::kNoColumn) place += ", column " + std::string(at.header);
    return place + ", row " + std::to_string(at.groupStart + at.row + 1);
}

bool ParquetNode::readParquet(ReadState&, TableReadAt&) { notImplemented(); }
bool ParquetNode::writeParquet(WriteState&, TableWriteAt&) { notImplemented(); }

std::shared_ptr<TreeNode> makeParquetNode(ParquetParent parent, std::string_view e) {
    if (parent == ParquetParent::Root &&
        (e == "ParquetMapping" || e == "ArrowTableMapping" || e == "TableMapping" || e == "RowMapping"))
        return std::make_shared<ArrowTableRowNode>();
    if (parent == ParquetParent::Table && (e == "ArrowTableColumnMapping" || e == "ColumnMapping"))
        return std::make_shared<ArrowTableColumnNode>();
    return nullptr;
}

std::shared_ptr<TreeNode> ArrowTableRootNode::makeChild(std::string_view element) {
    return makeParquetNode(ParquetParent::Root, element);
}

bool ArrowTableRootNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    static const std::vector<std::string_view> accepted{"iterative-reset", "molvo-namespace", "namespace-uri"};
    bool ok = parseElement(element, mapping, "MolvoParquetMapping", accepted, kPositionalChild);
    if (children().size() != 1) {
        raiseError(std::string_view("Parquet root node should have a single child"));
        ok = false;
    }
    return checkTree(mapping) && ok;
}

// The table holds one row group at a time: a file's rows never take its whole table's memory,
// and each group refills the room the one before took.
bool ArrowTableRootNode::readDocument(ReadState& state) {
    auto table = tablix::IArrowTable::create();
    StreamBuffer bytes = StreamBuffer::read(state.input(), 0);
    try {
        table->openParquet(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    } catch (const tablix::Exception& e) {
        return readFailure(state, e, kFooter);
    }
    TableReadAt at(*table);
    return readParquet(state, at);
}

bool readRowGroup(ReadState& state, TableReadAt& at, int32_t group) {
    try {
        at.table.readRowGroup(group);
        return true;
    } catch (const tablix::Exception& e) {
        std::string place = "row group " + std::to_string(group + 1);
        return readFailure(state, e, e.column().empty() ? place : place + ", column " + e.column());
    }
}

// The external bindings are fixed by the driver before the read begins. A value that cannot be
// bound or converted is placed at its cell.
bool ArrowTableRootNode::readParquet(ReadState& state, TableReadAt& at) {
    resetIterativeCounters();
    TreeNode* child = childNamed(kPositionalChild);
    ScopedPlaceSource place(state, [&at] { return tablePlace(at); });
    return child && asParquet(*child).readParquet(state, at);
}

bool ArrowTableRootNode::writeDocument(WriteState& state, int) {
    auto writer = tablix::IParquetWriter::create();
    TableWriteAt at(*writer);
    try {
        if (!writeParquet(state, at)) return false;
        std::vector<uint8_t> bytes = writer->finish();
        state.output().write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    } catch (const tablix::Exception& e) {
        return libraryFailure(state, e);
    }
    if (!state.output()) throw std::runtime_error("Cannot write the Parquet file to its output");
    return true;
}

bool ArrowTableRootNode::writeParquet(WriteState& state, TableWriteAt& at) {
    TreeNode* child = childNamed(kPositionalChild);
    return child && asParquet(*child).writeParquet(state, at);
}

}  // namespace flk
