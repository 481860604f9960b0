// The CSV node classes: CSVNode marks a node as part of a CSV mapping and declares the read and
// write steps of CSV tables; the factory creates the node class for a mapping element under a
// given parent element.
#pragma once

#include "mapping/tree_node.hpp"

#include <memory>
#include <string>
#include <string_view>

namespace flk {

class CsvTableReader;
class CsvWriter;
struct ReadValue;

// What a column gives one row of a write: the header of its column, and its text when it has one.
struct CsvField {
    std::string header, text;
    bool present = false;
};

// The read and write steps of the nodes of CSV mappings; those a class does not implement fail as
// TreeNode's do.
class CSVNode : public TreeNode {
public:
    virtual bool readCSVRows(ReadState& state, CsvTableReader& table);
    // One field of a data row, under the header of its column; value is room the row reuses.
    virtual bool readCSVField(ReadState& state, std::string_view header, std::string_view field, ReadValue& value);
    virtual bool writeCSVRows(WriteState& state, CsvWriter& output);
    virtual bool writeCSVField(WriteState& state, CsvField& field);
};

// Every node of a CSV tree is a CSVNode: the factory below makes no other.
inline CSVNode& asCsv(TreeNode& node) { return static_cast<CSVNode&>(node); }

enum class CsvParent { Root, Table };

// The node for a child element, or nullptr when the parent does not accept it.
std::shared_ptr<TreeNode> makeCsvNode(CsvParent parent, std::string_view element);

}  // namespace flk
