// The Thrift compact protocol, as far as Parquet metadata needs it: a bounds-checked reader that
// walks structs field by field (skipping what the caller does not know) and a writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tablix::thrift {

enum Type : uint8_t {
    Stop = 0, True = 1, False = 2, Byte = 3, I16 = 4, I32 = 5, I64 = 6,
    DoubleT = 7, Binary = 8, List = 9, Set = 10, Map = 11, Struct = 12,
};

struct FieldHeader {
    int16_t id = 0;
    uint8_t type = Stop;
};

struct ListHeader {
    uint8_t elementType = 0;
    int64_t size = 0;
};

// Reads from a buffer it does not own. Every read is checked against the end of the buffer;
// malformed input throws tablix::Exception naming `what` (the structure being read).
class Reader {
public:
    Reader(const uint8_t* data, size_t size, const char* what) : p_(data), end_(data + size), begin_(data), what_(what) {}

    size_t position() const { return static_cast<size_t>(p_ - begin_); }

    // Struct traversal: call beginStruct, then nextField until it returns false; endStruct after.
    void beginStruct();
    bool nextField(FieldHeader& field);
    void endStruct();

    bool readBool(const FieldHeader& field) const { return field.type == True; }
    int8_t readI8() { return static_cast<int8_t>(readByte()); }
    int32_t readI32();
    int64_t readI64();
    double readDouble();
    std::string readString();
    ListHeader readListHeader();
    bool readListBool();
    void skip(uint8_t type);

    [[noreturn]] void fail(const std::string& problem) const;

private:
    uint64_t readVarint();
    uint8_t readByte();
    void skipElement(uint8_t type);
    void skipList();
    void skipMap();

    const uint8_t* p_;
    const uint8_t* end_;
    const uint8_t* begin_;
    const char* what_;
    std::vector<int16_t> lastFieldIds_;
    int16_t lastFieldId_ = 0;
    int depth_ = 0;
};

// Appends to a byte vector.
class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}

    void beginStruct();
    void endStruct();  // writes the stop field
    void fieldBool(int16_t id, bool v);
    void fieldI32(int16_t id, int32_t v);
    void fieldI64(int16_t id, int64_t v);
    void fieldString(int16_t id, const std::string& v);
    void fieldStructBegin(int16_t id);  // then the struct's fields and endStruct()
    void fieldListBegin(int16_t id, uint8_t elementType, int64_t size);
    void listI32(int32_t v) { writeVarint(zigzag(v)); }
    void listString(const std::string& v);
    void listStructBegin() { beginStruct(); }

private:
    static uint64_t zigzag(int64_t v) { return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63); }
    void fieldHeader(int16_t id, uint8_t type);
    void writeVarint(uint64_t v);

    std::vector<uint8_t>& out_;
    std::vector<int16_t> lastFieldIds_;
    int16_t lastFieldId_ = 0;
};

}  // namespace tablix::thrift
