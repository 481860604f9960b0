// One read of an XML document as it goes: the element (or the attribute of it) the mapping's
// nodes read now, for the messages that name its place ("line 14, column 9"), and the elements
// that met child elements none of their node's children read. Nodes reach the read going on
// through CurrentRead<XmlReading>; a place is worked out only when a message asks for it.
#pragma once

#include "formats/xml/xml_content.hpp"
#include "frame/text_place.hpp"
#include "mapping/current_read.hpp"
#include "mapping/unread_names.hpp"

#include <pugixml.hpp>

#include <string>

namespace flk {

class XmlReading {
public:
    explicit XmlReading(const XmlContent& content) : content_(content), places_(content.body()) {}
    XmlReading(const XmlReading&) = delete;
    XmlReading& operator=(const XmlReading&) = delete;

    // The line and column of the element or attribute read now; empty when there is none.
    std::string place();
    UnreadNames& unread() { return unread_; }

private:
    friend class XmlFocus;

    // The handles of the element and attribute read now, owned by the callers that read them
    // (pugixml's handles are made by calls into the library: pointers to them cost none).
    struct Focus {
        const pugi::xml_node* element = nullptr;
        const pugi::xml_attribute* attribute = nullptr;
    };

    const XmlContent& content_;
    TextPlaces places_;
    Focus focus_;
    UnreadNames unread_;
};

// The element, or the attribute of it, that is read while this lives (the handles must live as
// long); the one before it again afterwards. Does nothing outside an XML read.
class XmlFocus {
public:
    explicit XmlFocus(const pugi::xml_node& element, const pugi::xml_attribute* attribute = nullptr)
        : reading_(CurrentRead<XmlReading>::get()) {
        if (!reading_) return;
        previous_ = reading_->focus_;
        reading_->focus_ = {&element, attribute};
    }
    ~XmlFocus() {
        if (reading_) reading_->focus_ = previous_;
    }
    XmlFocus(const XmlFocus&) = delete;
    XmlFocus& operator=(const XmlFocus&) = delete;

private:
    XmlReading* reading_;
    XmlReading::Focus previous_;
};

}  // namespace flk
