#include "formats/xml/xml_reading.hpp"

namespace flk {

std::string XmlReading::place() {
    if (!element_) return {};
    size_t offset = content_.offsetOf(element_, attribute_);
    return offset == std::string_view::npos ? std::string() : places_.at(offset);
}

}  // namespace flk
