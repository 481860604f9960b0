// The node classes of CSV mappings: the root, its one table (whose rows are the data rows of the
// file) and the table's columns.
#pragma once

#include "formats/csv/csv_node.hpp"

namespace flk {

class CSVRootNode : public CSVNode {
public:
    DocumentKind documentKind() const override { return DocumentKind::CSV; }
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readDocument(ReadState& state) override;
    bool readCSVRows(ReadState& state, CsvTableReader& table) override;
    bool writeDocument(WriteState& state, int pretty) override;
    bool writeCSVRows(WriteState& state, CsvWriter& output) override;
    // The table is the root's one child whatever its name.
    bool hasNamedChildren() const override { return false; }
    const char* typeName() const override { return "CSVRootNode"; }

protected:
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;
};

class CSVRowNode : public CSVNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readCSVRows(ReadState& state, CsvTableReader& table) override;
    bool writeCSVRows(WriteState& state, CsvWriter& output) override;
    bool acceptsExternalBinding() const override { return false; }
    const char* typeName() const override { return "CSVRowNode"; }

protected:
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;
};

class CSVColumnNode : public CSVNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readCSVField(ReadState& state, std::string_view header, std::string_view field, ReadValue& value) override;
    bool writeCSVField(WriteState& state, CsvField& field) override;
    bool isValueNode() const override { return true; }
    bool acceptsExternalBinding() const override { return false; }
    const char* typeName() const override { return "CSVColumnNode"; }

    // write-defaults: a row without a value of this column gets the identifier's default.
    bool writesDefaults() const { return attributes().writeDefaults; }
    // Appends the default of the maps-to identifier as text; false without one.
    bool writeDefault(WriteState& state, std::string& text) const;

private:
    bool writeUnmapped(WriteState& state, std::string& text) const;
};

}  // namespace flk
