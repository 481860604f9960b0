#include "Thrift.h"

#include <cstring>

#include "Limits.h"
#include "tablix/Exception.h"

namespace tablix::thrift {

void Reader::fail(const std::string& problem) const {
    throw Exception(std::string("malformed ") + what_ + " at byte " + std::to_string(position()) + ": " + problem);
}

uint8_t Reader::readByte() {
    if (p_ >= end_) fail("unexpected end of data");
    return *p_++;
}

uint64_t Reader::readVarint() {
    uint64_t result = 0;
    for (int shift = 0; shift < 70; shift += 7) {
        const uint8_t b = readByte();
        result |= static_cast<uint64_t>(b & 0x7F) << shift;
        if ((b & 0x80) == 0) return result;
    }
    fail("a variable-length integer is longer than 10 bytes");
}

int32_t Reader::readI32() {
    const uint64_t v = readVarint();
    if (v > 0xFFFFFFFFull) fail("a 32-bit integer has " + std::to_string(v) + " as its encoding");
    const uint32_t u = static_cast<uint32_t>(v);
    return static_cast<int32_t>((u >> 1) ^ (~(u & 1) + 1));
}

int64_t Reader::readI64() {
    const uint64_t u = readVarint();
    return static_cast<int64_t>((u >> 1) ^ (~(u & 1) + 1));
}

double Reader::readDouble() {
    if (end_ - p_ < 8) fail("unexpected end of data in a double");
    double d;
    std::memcpy(&d, p_, 8);
    p_ += 8;
    return d;
}

std::string Reader::readString() {
    const uint64_t n = readVarint();
    if (n > static_cast<uint64_t>(end_ - p_))
        fail("a string of " + std::to_string(n) + " bytes runs past the end (" + std::to_string(end_ - p_) + " left)");
    std::string s(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return s;
}

ListHeader Reader::readListHeader() {
    const uint8_t b = readByte();
    ListHeader h;
    h.elementType = b & 0x0F;
    h.size = b >> 4;
    if (h.size == 15) h.size = static_cast<int64_t>(readVarint());
    if (h.size < 0 || h.size > limits::kMaxThriftListSize || h.size > end_ - p_)
        fail("a list declares " + std::to_string(h.size) + " elements, more than the data can hold");
    return h;
}

bool Reader::readListBool() { return readByte() == True; }

void Reader::beginStruct() {
    if (++depth_ > limits::kMaxThriftDepth) fail("structures nested deeper than " + std::to_string(limits::kMaxThriftDepth));
    lastFieldIds_.push_back(lastFieldId_);
    lastFieldId_ = 0;
}

void Reader::endStruct() {
    --depth_;
    lastFieldId_ = lastFieldIds_.back();
    lastFieldIds_.pop_back();
}

bool Reader::nextField(FieldHeader& field) {
    const uint8_t b = readByte();
    if (b == Stop) return false;
    field.type = b & 0x0F;
    const int delta = b >> 4;
    if (delta != 0) {
        field.id = static_cast<int16_t>(lastFieldId_ + delta);
    } else {
        const int32_t id = readI32();
        if (id < -32768 || id > 32767) fail("a field id of " + std::to_string(id));
        field.id = static_cast<int16_t>(id);
    }
    if (field.type > Struct) fail("unknown field type " + std::to_string(field.type));
    lastFieldId_ = field.id;
    return true;
}

// Inside lists and maps a boolean takes a byte of its own.
void Reader::skipElement(uint8_t type) {
    if (type == True || type == False) readByte();
    else skip(type);
}

void Reader::skipList() {
    const ListHeader h = readListHeader();
    if (++depth_ > limits::kMaxThriftDepth) fail("lists nested too deep");
    for (int64_t i = 0; i < h.size; ++i) skipElement(h.elementType);
    --depth_;
}

void Reader::skipMap() {
    const uint64_t n = readVarint();
    if (n == 0) return;
    if (n > static_cast<uint64_t>(end_ - p_)) fail("a map declares more entries than the data can hold");
    const uint8_t kinds = readByte();
    if (++depth_ > limits::kMaxThriftDepth) fail("maps nested too deep");
    for (uint64_t i = 0; i < n; ++i) {
        skipElement(kinds >> 4);
        skipElement(kinds & 0x0F);
    }
    --depth_;
}

void Reader::skip(uint8_t type) {
    switch (type) {
    case True:
    case False: return;
    case Byte: readByte(); return;
    case I16:
    case I32:
    case I64: readVarint(); return;
    case DoubleT: readDouble(); return;
    case Binary: {
        const uint64_t n = readVarint();
        if (n > static_cast<uint64_t>(end_ - p_)) fail("a binary field runs past the end");
        p_ += n;
        return;
    }
    case List:
    case Set: return skipList();
    case Map: return skipMap();
    case Struct: {
        beginStruct();
        FieldHeader f;
        while (nextField(f)) skip(f.type);
        endStruct();
        return;
    }
    default: fail("unknown type " + std::to_string(type));
    }
}

void Writer::writeVarint(uint64_t v) {
    while (v >= 0x80) {
        out_.push_back(static_cast<uint8_t>(v | 0x80));
        v >>= 7;
    }
    out_.push_back(static_cast<uint8_t>(v));
}

void Writer::fieldHeader(int16_t id, uint8_t type) {
    const int delta = id - lastFieldId_;
    if (delta > 0 && delta <= 15) {
        out_.push_back(static_cast<uint8_t>((delta << 4) | type));
    } else {
        out_.push_back(type);
        writeVarint(zigzag(id));
    }
    lastFieldId_ = id;
}

void Writer::beginStruct() {
    lastFieldIds_.push_back(lastFieldId_);
    lastFieldId_ = 0;
}

void Writer::endStruct() {
    out_.push_back(Stop);
    lastFieldId_ = lastFieldIds_.back();
    lastFieldIds_.pop_back();
}

void Writer::fieldBool(int16_t id, bool v) { fieldHeader(id, v ? True : False); }

void Writer::fieldI32(int16_t id, int32_t v) {
    fieldHeader(id, I32);
    writeVarint(zigzag(v));
}

void Writer::fieldI64(int16_t id, int64_t v) {
    fieldHeader(id, I64);
    writeVarint(zigzag(v));
}

void Writer::fieldString(int16_t id, const std::string& v) {
    fieldHeader(id, Binary);
    listString(v);
}

void Writer::listString(const std::string& v) {
    writeVarint(v.size());
    out_.insert(out_.end(), v.begin(), v.end());
}

void Writer::fieldStructBegin(int16_t id) {
    fieldHeader(id, Struct);
    beginStruct();
}

void Writer::fieldListBegin(int16_t id, uint8_t elementType, int64_t size) {
    fieldHeader(id, List);
    if (size < 15) {
        out_.push_back(static_cast<uint8_t>((size << 4) | elementType));
    } else {
        out_.push_back(static_cast<uint8_t>(0xF0 | elementType));
        writeVarint(static_cast<uint64_t>(size));
    }
}

}  // namespace tablix::thrift
