// The node classes of Excel mappings.
#pragma once

#include "formats/excel/excel_node.hpp"

namespace flk {

class ExcelRootNode : public ExcelNode {
public:
    DocumentKind documentKind() const override { return DocumentKind::Excel; }
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readDocument(ReadState& state) override;
    bool readWorkbook(ReadState& state, WorkbookReadAt& at) override;
    bool writeDocument(WriteState& state, int pretty) override;
    bool writeWorkbook(WriteState& state, WorkbookWriteAt& at) override;
    bool acceptsExternalBinding() const override { return true; }
    const char* typeName() const override { return "ExcelRootNode"; }

protected:
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;

private:
    void restartRowNumbering() const;
    bool readSheets(ReadState& state, WorkbookReadAt& at);
};

class ExcelSheetNode : public ExcelNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readWorkbook(ReadState& state, WorkbookReadAt& at) override;
    bool writeWorkbook(WriteState& state, WorkbookWriteAt& at) override;
    // Its one child is the row node, whatever that is named.
    bool hasNamedChildren() const override { return false; }
    const char* typeName() const override { return "ExcelSheetNode"; }

private:
    bool parseChild(const pugi::xml_node& child, Mapping& mapping, std::shared_ptr<TreeNode>& implicitRow);
    bool addSheet(WorkbookWriteAt& at, const std::string& name) const;
};

class ExcelRowNode : public ExcelNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readWorkbook(ReadState& state, WorkbookReadAt& at) override;
    bool writeWorkbook(WriteState& state, WorkbookWriteAt& at) override;
    const char* typeName() const override { return "ExcelRowNode"; }

    // The row node that column mappings standing directly under a sheet mapping make.
    static std::shared_ptr<ExcelRowNode> implicitRow(Mapping& mapping);

protected:
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;

private:
    bool writeHeader(WorkbookWriteAt& at) const;
    bool writeRows(WriteState& state, WorkbookWriteAt& at);
    bool fillDefaults(WriteState& state, WorkbookWriteAt& at) const;
};

class ExcelColumnNode : public ExcelNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readWorkbook(ReadState& state, WorkbookReadAt& at) override;
    bool writeWorkbook(WriteState& state, WorkbookWriteAt& at) override;
    bool isValueNode() const override { return true; }
    const char* typeName() const override { return "ExcelColumnNode"; }

    bool writesDefaults() const { return attributes().writeDefaults; }
    // Writes the identifier's default value into the cell (nothing without maps-to).
    bool writeDefault(WriteState& state, WorkbookWriteAt& at, int column) const;

private:
    bool writeStored(WriteState& state, WorkbookWriteAt& at, int column, const MolvoValueW& value) const;
    bool writeBoundElement(WriteState& state, WorkbookWriteAt& at, int column) const;
};

}  // namespace flk
