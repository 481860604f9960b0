// The node classes of Parquet mappings: the root, its one table (whose rows are the rows of the
// file) and the table's columns.
#pragma once

#include "formats/parquet/parquet_node.hpp"
#include "molvo/molvo3.h"

#include <cstdint>
#include <vector>

namespace flk {

class ArrowTableRootNode : public ParquetNode {
public:
    DocumentKind documentKind() const override { return DocumentKind::Parquet; }
    bool documentsInFilesOnly() const override { return true; }
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readDocument(ReadState& state) override;
    bool readParquet(ReadState& state, TableReadAt& at) override;
    bool writeDocument(WriteState& state, int pretty) override;
    bool writeParquet(WriteState& state, TableWriteAt& at) override;
    // The table is the root's one child whatever its name.
    bool hasNamedChildren() const override { return false; }
    bool acceptsExternalBinding() const override { return true; }
    const char* typeName() const override { return "ArrowTableRootNode"; }

protected:
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;
};

class ArrowTableRowNode : public ParquetNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readParquet(ReadState& state, TableReadAt& at) override;
    bool writeParquet(WriteState& state, TableWriteAt& at) override;
    const char* typeName() const override { return "ArrowTableRowNode"; }

protected:
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;

private:
    // The rows of a row group read by column that its index columns did not skip, and their tuples
    // one after the other; kept from group to group for their room.
    struct KeptRows {
        std::vector<int64_t> rows;
        std::vector<int> tuples;
    };
    void warnUnreadable(ReadState& state, const TableReadAt& at, const ReadHeader& header) const;
    void claimColumns(ReadState& state, const TableReadAt& at, const ReadHeader& header) const;
    bool readCell(ReadState& state, TableReadAt& at, const ReadHeader& header, size_t column, TreeNode& child) const;
    bool readByRow(ReadState& state, TableReadAt& at, const ReadHeader& header);
    bool readsByColumn(ReadState& state, const ReadHeader& header) const;
    bool readByColumn(ReadState& state, TableReadAt& at, const ReadHeader& header, KeptRows& kept) const;
    void prepareColumns(WriteState& state, TableWriteAt& at) const;
    bool writeRows(WriteState& state, TableWriteAt& at) const;
    bool cellsByChild(WriteState& state, TableWriteAt& at) const;
    bool writeRowsByCell(WriteState& state, TableWriteAt& at) const;
    bool cellsConsumeRow() const;
    bool typedColumns(const TableWriteAt& at) const;
    void writePart(TableWriteAt& at) const;
    void writePartWhenFull(TableWriteAt& at) const;
};

class ArrowTableColumnNode : public ParquetNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readParquet(ReadState& state, TableReadAt& at) override;
    bool writeParquet(WriteState& state, TableWriteAt& at) override;
    bool isValueNode() const override { return true; }
    const char* typeName() const override { return "ArrowTableColumnNode"; }

    // ---- reading: the columns of the table being read that this node claimed, by column index.
    // A column of a type no cell conversion reads is logged once here and assigns nothing.
    void setColumnData(ReadState& state, size_t column, std::shared_ptr<const tablix::ColumnData> data);
    void clearColumnData();
    // Reads the cells of column at.column at the rows given, each at the tuple kept for its row
    // (as many entries each as the state's tuple), straight into the node's target: only for a
    // node that binds, marks and resets nothing, whose cells do nothing but assign.
    bool readDown(ReadState& state, TableReadAt& at, const std::vector<int64_t>& rows, const std::vector<int>& tuples) const;

    // ---- writing
    // The storage type of the column this node writes, from its target; 0 when it has none.
    int32_t storageType(WriteState& state) const;
    bool writesDefaults() const { return attributes().writeDefaults; }
    // Appends the identifier's default value to the column; false when there is none to append.
    bool writeDefault(WriteState& state, TableWriteAt& at, size_t column) const;
    // Appends the node's cell of the current row to the column.
    bool writeCell(WriteState& state, TableWriteAt& at, size_t column) const;
    // Whether the node writes exactly one cell per row, into the column its name gives.
    bool oneCellPerRow() const;

private:
    struct Claimed {
        size_t column;
        std::shared_ptr<const tablix::ColumnData> data;
        TargetKind kind;   // of the node's target, for every cell of the read
    };
    const Claimed* claimed(size_t column) const;
    bool appendStored(WriteState& state, TableWriteAt& at, size_t column, const MolvoValueW& value) const;

    // Shared with the read in progress: set when its table's columns are matched, dropped at its end.
    std::vector<Claimed> columns_;
};

}  // namespace flk
