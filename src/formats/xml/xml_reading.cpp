#include "formats/xml/xml_reading.hpp"

namespace flk {

std::string XmlReading::place() {
    if (!focus_.element) return {};
    size_t offset = content_.offsetOf(*focus_.element, focus_.attribute ? *focus_.attribute : pugi::xml_attribute());
    return offset == std::string_view::npos ? std::string() : places_.at(offset);
}

}  // namespace flk
