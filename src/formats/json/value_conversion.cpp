#include "formats/json/value_conversion.hpp"

#include "frame/utf8.hpp"
#include "host/molvo_io_handler.hpp"
#include "mapping/tree_node.hpp"
#include "mapping/value_notes.hpp"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace flk {
namespace {

// The shortest text that reads back as the same double ("0.0" for zero).
std::string shortestText(double d) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    if (!writer.Double(d)) return {};
    return buffer.GetString();
}

bool isInt32(const JsonValue& v) { return v.IsInt(); }

}  // namespace

void convertForRead(TargetKind kind, const JsonValue& v, ReadValue& out) {
    beginConversion(kind, out);
    out.text.clear();
    if (v.IsBool()) {
        if (out.isText) out.text = kind == TargetKind::Holder ? "" : (v.GetBool() ? "true" : "false");
        else out.number = v.GetBool() ? 1 : 0;
    } else if (v.IsNumber()) {
        if (!out.isText) {
            out.number = v.GetDouble();   // an integer target's assignment truncates and saturates it
        } else if (isInt32(v)) {
            out.text = std::to_string(v.GetInt());
        } else if (v.IsInt64() || v.IsUint64()) {
            // Integers beyond 32 bits keep their decimal text.
            out.text = v.IsInt64() ? std::to_string(v.GetInt64()) : std::to_string(v.GetUint64());
        } else if (kind == TargetKind::String) {
            out.text = shortestText(v.GetDouble());
        }
    } else if (v.IsString()) {
        convertText(kind, std::string(v.GetString(), v.GetStringLength()), out);
    }
    // null, objects and arrays: 0 or the empty text
}

void anyFromText(const std::string& text, JsonValue& out, JsonAllocator& allocator) {
    const char* start = text.c_str();
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(start, &end, 10);
    if (end != start && *end == '\0' && errno != ERANGE && n >= INT_MIN && n <= INT_MAX) {
        out.SetInt(int(n));
        return;
    }
    double d = 0;
    if (leadingDecimal(text, d) == LeadingDecimal::Number) {
        out.SetDouble(d);
        return;
    }
    if (text == "true" || text == "false") out.SetBool(text == "true");
    else if (text == "null") out.SetNull();
    else out.SetString(text.data(), rapidjson::SizeType(text.size()), allocator);
}

void convertForWrite(MolvoIOHandler& source, const MolvoValueW& v, NumberType numberType, bool acceptAny,
                     const TreeNode& node, JsonValue& out, JsonAllocator& allocator, ValueNotes& notes) {
    switch (targetKindOf(&source)) {
        case TargetKind::Element: {
            std::string name = v.Int > 0 ? node.normalizedForWrite(source.elementName(v.Int)) : std::string();
            out.SetString(name.data(), rapidjson::SizeType(name.size()), allocator);
            return;
        }
        case TargetKind::String: {
            std::string text = v.String ? toUtf8(v.String) : std::string();
            if (acceptAny) anyFromText(text, out, allocator);
            else out.SetString(text.data(), rapidjson::SizeType(text.size()), allocator);
            return;
        }
        case TargetKind::Numeric:
            // Whatever the number type: NaN has no integer or truth value to stand for it.
            if (!std::isfinite(v.Double)) {
                out.SetDouble(v.Double);
                notes.writtenAsNull(source.name());
            } else if (numberType == NumberType::Integer) {
                out.SetInt(truncatedToInt(v.Double));
                if (v.Double < double(INT_MIN) || v.Double > double(INT_MAX)) notes.integerSaturated(source.name(), true);
            } else if (numberType == NumberType::Boolean) {
                out.SetBool(truncatedToInt(v.Double) != 0);
            } else {
                out.SetDouble(v.Double);
            }
            return;
        default:
            if (numberType == NumberType::Double) out.SetDouble(double(v.Int));
            else if (numberType == NumberType::Boolean) out.SetBool(v.Int != 0);
            else out.SetInt(v.Int);
            return;
    }
}

}  // namespace flk
