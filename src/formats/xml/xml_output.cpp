#include "formats/xml/xml_output.hpp"

#include <cstring>

namespace flk {
namespace {

// The characters escaped in text and in attribute values: markup, and the controls (tab and
// line feed stay themselves in text, where the parser keeps them).
struct Escapes {
    bool text[256] = {};
    bool attribute[256] = {};
    Escapes() {
        for (int c = 0; c < 0x20; ++c) text[c] = attribute[c] = true;
        text[int('\t')] = text[int('\n')] = false;
        for (unsigned char c : {'&', '<', '>'}) text[c] = true;
        for (unsigned char c : {'&', '<', '"'}) attribute[c] = true;
    }
};

const Escapes kEscapes;

bool isText(const pugi::xml_node& node) { return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata; }

}  // namespace

XmlOutput::XmlOutput(bool pretty, std::string namespaceUri) : pretty_(pretty), namespaceUri_(std::move(namespaceUri)) {
    text_ = "<?xml version=\"1.0\"?>";
    if (pretty_) text_ += '\n';
}

void XmlOutput::escaped(const char* value, bool attribute) {
    const bool* special = attribute ? kEscapes.attribute : kEscapes.text;
    const char* run = value;
    for (const char* p = value;; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (c == 0 || special[c]) {
            text_.append(run, size_t(p - run));
            run = p + 1;
        }
        if (c == 0) return;
        if (!special[c]) continue;
        switch (c) {
            case '&': text_ += "&amp;"; break;
            case '<': text_ += "&lt;"; break;
            case '>': text_ += "&gt;"; break;
            case '"': text_ += "&quot;"; break;
            default: {   // a control, as pugixml writes it: two decimal digits
                char reference[] = {'&', '#', char('0' + c / 10), char('0' + c % 10), ';'};
                text_.append(reference, sizeof reference);
            }
        }
    }
}

void XmlOutput::lineStart(unsigned depth) {
    if (!pretty_) return;
    if (layout_ & kNewline) text_ += '\n';
    if (layout_ & kIndent) text_.append(depth, '\t');
}

bool XmlOutput::startTag(pugi::xml_node element) {
    text_ += '<';
    text_ += element.name();
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
        text_ += ' ';
        text_ += a.name();
        text_ += "=\"";
        escaped(a.value(), true);
        text_ += '"';
    }
    if (element.first_child()) {
        text_ += '>';
        return true;
    }
    text_ += pretty_ ? " />" : "/>";
    return false;
}

void XmlOutput::endTag(pugi::xml_node element) {
    text_ += "</";
    text_ += element.name();
    text_ += '>';
}

// Without recursion, however deep the tree: down to the first child, on to the next sibling, up
// to the parent past the last one.
void XmlOutput::subtree(pugi::xml_node root, unsigned depth) {
    pugi::xml_node node = root;
    do {
        if (isText(node)) {
            escaped(node.value(), false);
            layout_ = 0;   // an element after text goes on the same line
        } else {
            lineStart(depth);
            layout_ = kNewline | kIndent;
            if (startTag(node)) {
                node = node.first_child();
                ++depth;
                continue;
            }
        }
        while (node != root) {
            if (node.next_sibling()) {
                node = node.next_sibling();
                break;
            }
            node = node.parent();
            lineStart(--depth);
            endTag(node);
            layout_ = kNewline | kIndent;
        }
    } while (node != root);
}

void XmlOutput::addNamespace(pugi::xml_node element) const {
    if (!namespaceUri_.empty()) element.append_attribute("xmlns").set_value(namespaceUri_.c_str());
}

void XmlOutput::streamChildren(pugi::xml_node element) {
    if (!element.first_child()) return;
    if (!opened_) {
        addNamespace(element);
        lineStart(0);
        startTag(element);
        layout_ = kNewline | kIndent;
        opened_ = true;
    }
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) subtree(child, 1);
    element.remove_children();
}

void XmlOutput::finish(pugi::xml_node element) {
    if (opened_) {
        streamChildren(element);
        lineStart(0);
        endTag(element);
        layout_ = kNewline | kIndent;
    } else {
        addNamespace(element);
        subtree(element, 0);
    }
    if (pretty_ && (layout_ & kNewline)) text_ += '\n';
}

}  // namespace flk
