// The node classes of JSON mappings.
#pragma once

#include "formats/json/json_node.hpp"
#include "formats/json/json_reading.hpp"
#include "mapping/column_table.hpp"
#include "mapping/unread_names.hpp"

#include <functional>
#include <optional>

namespace flk {

class JSONRootNode : public JSONNode {
public:
    DocumentKind documentKind() const override { return DocumentKind::JSON; }
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readDocument(ReadState& state) override;
    bool readJSON(ReadState& state, std::string_view name, const JsonValue& value) override;
    bool writeDocument(WriteState& state, int pretty) override;
    bool writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) override;
    bool hasNamedChildren() const override { return false; }
    const char* typeName() const override { return "JSONRootNode"; }

protected:
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;

private:
    bool readParsed(ReadState& state, class JsonText& text, class JsonReading& reading);
    bool readArrayItems(ReadState& state, class ArrayNode& array, class JsonText& text, JsonReading& reading);
    bool readTableRows(ReadState& state, class RowOrientedObjectNode& table, class JsonText& text, JsonReading& reading);
};

class ObjectNode : public JSONNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readJSON(ReadState& state, std::string_view name, const JsonValue& value) override;
    bool writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) override;
    const char* typeName() const override { return "ObjectNode"; }

    bool emptyAsBool_ = false;

protected:
    bool applyOwnAttribute(const std::string& attribute, const std::string& value) override;
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;

private:
    bool readMembers(ReadState& state, const JsonValue& object);
    // Notes for the read whether a child read some member of the object, or which it met.
    void tallyMembers(const JsonValue& object, bool anyRead);

    UnreadNames::Mark readMark_;
};

class ArrayNode : public JSONNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readJSON(ReadState& state, std::string_view name, const JsonValue& value) override;
    bool writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) override;
    bool hasNamedChildren() const override { return false; }
    const char* typeName() const override { return "ArrayNode"; }

    // One item; a top-level array is read item by item as it is parsed, in the array's scope.
    bool readItem(ReadState& state, const JsonValue& item);
    bool streamable() const { return attributes_.includedMapping.empty(); }

    bool singletonAsArray_ = false;

protected:
    bool applyOwnAttribute(const std::string& attribute, const std::string& value) override;
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;
};

class ValueNode : public JSONNode {
public:

    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readJSON(ReadState& state, std::string_view name, const JsonValue& value) override;
    bool writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) override;
    bool isValueNode() const override { return true; }
    bool acceptsExternalBinding() const override { return false; }
    const char* typeName() const override { return "ValueNode"; }

    // The identifier's default value, converted as its values are; null without maps-to.
    void writeDefault(WriteState& state, JsonValue& value, JsonAllocator& allocator) const;

    NumberType numberType_ = NumberType::NotGiven;
    bool acceptAny_ = false;
    bool base64_ = false;

protected:
    bool applyOwnAttribute(const std::string& attribute, const std::string& value) override;

private:
    bool readEmbedded(ReadState& state, const JsonValue& value);
    bool writeEmbedded(WriteState& state, JsonValue& value, JsonAllocator& allocator);
    bool assignRead(ReadState& state, std::string_view name, const JsonValue& value);
    // Whether the document read may hold a NUL in a string; refuses a text holding one on its
    // way to a string or an element of the model.
    static bool mayHoldNul();
    bool refuseNul(ReadState& state, std::string_view name, TargetKind kind);
};

// The table layouts: "meta" and "data" rows, or one array per column.
class TableObjectNode : public JSONNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) override;
    bool acceptsExternalBinding() const override { return false; }

protected:
    // One row of cells, one per header column, and the steps of the path that say where each
    // stands below the table's object, kept by the caller for all rows: the cell's item of the
    // row, or (column-oriented, with the columns' keys and arrays) the column's member and the
    // row's item of it.
    struct RowCells {
        const std::vector<const JsonValue*>& cells;
        JsonStep& item;
        JsonStep* member = nullptr;
        const std::vector<const JsonValue*>* keys = nullptr;
        const std::vector<const JsonValue*>* arrays = nullptr;
        size_t row = 0;
    };
    bool readRow(ReadState& state, const ReadHeader& header, const RowCells& row);
    // The default of the value node serving the column, or {} where no value node serves it.
    void fillMissing(const std::string& column, JsonValue& cell, WriteState& state, JsonAllocator& allocator) const;
    // Walks the table's rows: cell(column, value) for every non-null cell a child writes under one
    // of the header's columns, then endRow() once per row.
    bool writeRows(WriteState& state, const WriteHeader& header, JsonAllocator& allocator,
                   const std::function<void(size_t, JsonValue&)>& cell, const std::function<void()>& endRow);
    virtual bool buildValue(WriteState& state, const WriteHeader& header, JsonValue& value,
                            JsonAllocator& allocator) = 0;
    virtual bool rowOriented() const = 0;
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;
};

class RowOrientedObjectNode : public TableObjectNode {
public:
    bool readJSON(ReadState& state, std::string_view name, const JsonValue& value) override;
    const char* typeName() const override { return "RowOrientedObjectNode"; }

    // The read in steps, so that a top-level table can be read row by row as it is parsed: begin
    // with the object's members before "data" (the table's scope opens), each row, end.
    struct RowReading {
        std::string name;
        ReadHeader header;
        std::vector<const JsonValue*> cells;
        std::optional<ReadScope> scope;
        std::optional<JsonStep> cell;   // from the first row on, below the steps to the row
    };
    ReadStart beginRows(ReadState& state, std::string_view name, const JsonValue& head, RowReading& reading);
    bool readRowValue(ReadState& state, const JsonValue& row, RowReading& reading);

protected:
    bool buildValue(WriteState& state, const WriteHeader& header, JsonValue& value, JsonAllocator& allocator) override;
    bool rowOriented() const override { return true; }
};

class ColumnOrientedObjectNode : public TableObjectNode {
public:
    bool readJSON(ReadState& state, std::string_view name, const JsonValue& value) override;
    const char* typeName() const override { return "ColumnOrientedObjectNode"; }

protected:
    bool buildValue(WriteState& state, const WriteHeader& header, JsonValue& value, JsonAllocator& allocator) override;
    bool rowOriented() const override { return false; }
};

}  // namespace flk
