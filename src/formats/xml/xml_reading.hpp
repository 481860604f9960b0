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

    const XmlContent& content_;
    TextPlaces places_;
    pugi::xml_node element_;
    pugi::xml_attribute attribute_;
    UnreadNames unread_;
};

// The element, or the attribute of it, that is read while this lives; the one before it again
// afterwards. Does nothing outside an XML read.
class XmlFocus {
public:
    explicit XmlFocus(pugi::xml_node element, pugi::xml_attribute attribute = pugi::xml_attribute())
        : reading_(CurrentRead<XmlReading>::get()) {
        if (!reading_) return;
        element_ = reading_->element_;
        attribute_ = reading_->attribute_;
        reading_->element_ = element;
        reading_->attribute_ = attribute;
    }
    ~XmlFocus() {
        if (!reading_) return;
        reading_->element_ = element_;
        reading_->attribute_ = attribute_;
    }
    XmlFocus(const XmlFocus&) = delete;
    XmlFocus& operator=(const XmlFocus&) = delete;

private:
    XmlReading* reading_;
    pugi::xml_node element_;         // the one before
    pugi::xml_attribute attribute_;
};

}  // namespace flk
