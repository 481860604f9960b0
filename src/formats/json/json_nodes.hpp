// The node classes of JSON mappings.
#pragma once

#include "formats/json/json_node.hpp"

#include <functional>

namespace flk {

class JSONRootNode : public JSONNode {
public:
    int documentKind() const override { return 1; }
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
    bool readParsed(ReadState& state, class JsonText& text);
    bool readArrayItems(ReadState& state, class ArrayNode& array, class JsonText& text);
    bool readTableRows(ReadState& state, class RowOrientedObjectNode& table, class JsonText& text);
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
};

class ArrayNode : public JSONNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readJSON(ReadState& state, std::string_view name, const JsonValue& value) override;
    bool writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) override;
    bool hasNamedChildren() const override { return false; }
    const char* typeName() const override { return "ArrayNode"; }

    // The read of an array in steps, so that a top-level array can be read item by item as it is
    // parsed: begin (1 go on, 0 failed, -1 skip the array), each item, end.
    int beginItems(ReadState& state, std::string_view name);
    bool readItem(ReadState& state, const JsonValue& item);
    void endItems(ReadState& state, bool ok);
    bool streamable() const { return includedMapping_.empty(); }

    bool singletonAsArray_ = false;

protected:
    bool applyOwnAttribute(const std::string& attribute, const std::string& value) override;
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;
};

class ValueNode : public JSONNode {
public:
    enum NumberType { kNotGiven = 0, kInteger = 1, kDouble = 2, kBoolean = 3 };

    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readJSON(ReadState& state, std::string_view name, const JsonValue& value) override;
    bool writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) override;
    bool isValueNode() const override { return true; }
    bool acceptsExternalBinding() const override { return false; }
    const char* typeName() const override { return "ValueNode"; }

    // The identifier's default value, converted as its values are; null without maps-to.
    void writeDefault(WriteState& state, JsonValue& value, JsonAllocator& allocator) const;

    NumberType numberType_ = kNotGiven;
    bool acceptAny_ = false;
    bool base64_ = false;

protected:
    bool applyOwnAttribute(const std::string& attribute, const std::string& value) override;

private:
    bool readEmbedded(ReadState& state, const JsonValue& value);
    bool writeEmbedded(WriteState& state, JsonValue& value, JsonAllocator& allocator);
    bool assignRead(ReadState& state, const JsonValue& value);
};

// The table layouts: "meta" and "data" rows, or one array per column.
class TableObjectNode : public JSONNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool writeJSON(WriteState& state, std::string& name, JsonValue& value, JsonAllocator& allocator) override;
    bool acceptsExternalBinding() const override { return false; }

protected:
    struct Column {
        std::string name;
        TreeNode* child;
    };
    // Children serving the column name: the exact one, else every matching pattern.
    void serving(std::string_view column, std::vector<TreeNode*>& out) const;
    // Orders the columns so that exact-name index-binding value columns come first.
    void groups(const std::vector<std::string>& names, std::vector<std::pair<size_t, TreeNode*>>& first,
                std::vector<std::pair<size_t, TreeNode*>>& second) const;
    bool readRow(ReadState& state, const std::vector<std::pair<size_t, TreeNode*>>& first,
                 const std::vector<std::pair<size_t, TreeNode*>>& second, const std::vector<std::string>& names,
                 const std::vector<const JsonValue*>& cells);
    void finishRead(ReadState& state);
    std::vector<std::string> writeColumns(WriteState& state) const;
    void fillMissing(const std::string& column, JsonValue& cell, WriteState& state, JsonAllocator& allocator) const;
    // Walks the table's tuples that pass the write filter as rows: cell(column, value) for every
    // non-null cell a child writes under one of the columns, then endRow() once per row.
    bool writeRows(WriteState& state, const std::vector<std::string>& columns, JsonAllocator& allocator,
                   const std::function<void(size_t, JsonValue&)>& cell, const std::function<void()>& endRow);
    virtual bool buildValue(WriteState& state, const std::vector<std::string>& columns, JsonValue& value,
                            JsonAllocator& allocator) = 0;
    virtual bool rowOriented() const = 0;
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;
};

class RowOrientedObjectNode : public TableObjectNode {
public:
    bool readJSON(ReadState& state, std::string_view name, const JsonValue& value) override;
    const char* typeName() const override { return "RowOrientedObjectNode"; }

    // The read in steps, so that a top-level table can be read row by row as it is parsed:
    // begin with the object's members before "data" (1 go on, 0 failed, -1 skip), each row, end.
    struct RowReading {
        std::string name;
        std::vector<std::string> names;
        std::vector<std::pair<size_t, TreeNode*>> first, second;
        std::vector<const JsonValue*> cells;
    };
    int beginRows(ReadState& state, std::string_view name, const JsonValue& head, RowReading& reading);
    bool readRowValue(ReadState& state, const JsonValue& row, RowReading& reading);
    void endRows(ReadState& state);

protected:
    bool buildValue(WriteState& state, const std::vector<std::string>& columns, JsonValue& value,
                    JsonAllocator& allocator) override;
    bool rowOriented() const override { return true; }
};

class ColumnOrientedObjectNode : public TableObjectNode {
public:
    bool readJSON(ReadState& state, std::string_view name, const JsonValue& value) override;
    const char* typeName() const override { return "ColumnOrientedObjectNode"; }

protected:
    bool buildValue(WriteState& state, const std::vector<std::string>& columns, JsonValue& value,
                    JsonAllocator& allocator) override;
    bool rowOriented() const override { return false; }
};

}  // namespace flk
