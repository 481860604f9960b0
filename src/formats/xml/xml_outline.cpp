#include "formats/xml/xml_outline.hpp"

#include "formats/xml/xml_characters.hpp"
#include "formats/xml/xml_limits.hpp"

#include <cstring>
#include <string>

namespace flk {
namespace {

constexpr size_t kNone = std::string_view::npos;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Name bytes as the parser takes them: letters, digits, "_:.-" and every byte of a multi-byte
// character; a name does not start with a digit, "." or "-".
struct NameBytes {
    bool name[256] = {}, start[256] = {};
    NameBytes() {
        for (int b = 0; b < 256; ++b) {
            bool letter = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b >= 0x80 || b == '_' || b == ':';
            start[b] = letter;
            name[b] = letter || (b >= '0' && b <= '9') || b == '.' || b == '-';
        }
    }
};
const NameBytes kNameBytes;

bool isNameByte(char c) { return kNameBytes.name[static_cast<unsigned char>(c)]; }
bool isNameStartByte(char c) { return kNameBytes.start[static_cast<unsigned char>(c)]; }

const char* findByte(std::string_view text, size_t from, size_t to, char c) {
    return static_cast<const char*>(std::memchr(text.data() + from, c, to - from));
}

// Where the scan stands in the document.
enum class Part { Prolog, Content, Epilogue };

class Scanner {
public:
    Scanner(std::string_view text, XmlProblem& problem) : t_(text), problem_(problem) {}

    bool outline(size_t runBytes, XmlOutline& out) {
        size_t at = around(0, Part::Prolog);
        if (at == kNone) return false;
        std::string_view root;
        size_t tagEnd = startTag(at, out.empty, root);
        if (tagEnd == kNone) return false;
        out.startTag = {at, tagEnd};
        size_t end = out.empty ? tagEnd : content(tagEnd, runBytes, root, out.runs);
        if (end == kNone) return false;
        out.whole = {at, end};
        return around(end, Part::Epilogue) != kNone;
    }

private:
    bool refuse(size_t at, std::string reason) {
        problem_ = {at, std::move(reason)};
        return false;
    }
    size_t fail(size_t at, std::string reason) { return refuse(at, std::move(reason)), kNone; }
    bool startsWith(size_t at, std::string_view s) const { return t_.substr(at, s.size()) == s; }
    size_t skipBlanks(size_t at) const {
        while (at < t_.size() && isBlank(t_[at])) ++at;
        return at;
    }
    size_t nameEnd(size_t at) const {
        if (at >= t_.size() || !isNameStartByte(t_[at])) return at;
        while (at < t_.size() && isNameByte(t_[at])) ++at;
        return at;
    }
    size_t closedBy(size_t at, size_t from, std::string_view close, const char* what) {
        size_t end = t_.find(close, from);
        return end == kNone ? fail(at, std::string(what) + " is not closed") : end + close.size();
    }

    // Before the document element (Prolog) or after it (Epilogue): comments, processing
    // instructions and blanks, and in the prolog one document type declaration. Returns where the
    // document element starts, or the end.
    size_t around(size_t at, Part part) {
        bool doctypeSeen = false;
        for (;;) {
            at = skipBlanks(at);
            if (at == t_.size()) return part == Part::Epilogue ? at : fail(at, "no document element");
            if (startsWith(at, "<?")) at = instruction(at);
            else if (startsWith(at, "<!--")) at = closedBy(at, at + 4, "-->", "a comment");
            else if (startsWith(at, "<!DOCTYPE") && part == Part::Prolog && !doctypeSeen) {
                at = doctype(at);
                doctypeSeen = true;
            } else if (startsWith(at, "<!")) return markupDeclaration(at);
            else if (t_[at] != '<') return fail(at, part == Part::Prolog ? "text before the document element" : "text after the document element");
            else if (part == Part::Prolog) return at;
            else return fail(at, "a second document element");
            if (at == kNone) return kNone;
        }
    }

    size_t markupDeclaration(size_t at) {
        if (startsWith(at, "<!DOCTYPE")) return fail(at, "a document type declaration where none may stand");
        return fail(at, "unrecognized markup");
    }

    // A document type declaration may name the document element and an external definition,
    // which is never fetched: it is passed over. One with an internal subset is refused, so that
    // no document can define entities for the reader to expand.
    size_t doctype(size_t at) {
        constexpr std::string_view kOpen = "<!DOCTYPE";
        size_t p = at + kOpen.size();
        size_t name = skipBlanks(p);
        size_t end = nameEnd(name);
        if (name == p || end == name) return fail(at, "a document type declaration without a name");
        p = skipBlanks(end);
        if (p > end && startsWith(p, "SYSTEM")) p = quoted(at, p + 6);
        else if (p > end && startsWith(p, "PUBLIC")) p = quoted(at, quoted(at, p + 6));
        if (p == kNone) return kNone;
        p = skipBlanks(p);
        if (p < t_.size() && t_[p] == '[')
            return fail(p, "a document type declaration with an internal subset, which is not accepted");
        if (p >= t_.size() || t_[p] != '>') return fail(at, "a malformed document type declaration");
        return p + 1;
    }

    // Blanks, then a literal in single or double quotes, in a declaration that starts at `at`;
    // returns where the literal ends.
    size_t quoted(size_t at, size_t from) {
        if (from == kNone) return kNone;
        size_t quote = skipBlanks(from);
        if (quote == from || quote >= t_.size() || (t_[quote] != '"' && t_[quote] != '\''))
            return fail(at, "a malformed document type declaration");
        const char* close = findByte(t_, quote + 1, t_.size(), t_[quote]);
        return close ? size_t(close - t_.data()) + 1 : fail(at, "a document type declaration that is not closed");
    }

    size_t instruction(size_t at) {
        size_t end = nameEnd(at + 2);
        std::string_view target = t_.substr(at + 2, end - at - 2);
        if (target.empty()) return fail(at, "a processing instruction without a target");
        bool declaration = target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l';
        if (declaration && at != 0) return fail(at, "an XML declaration that is not at the start of the document");
        if (startsWith(end, "?>")) return end + 2;
        if (end >= t_.size() || !isBlank(t_[end])) return fail(at, "a malformed processing instruction");
        return closedBy(at, end, "?>", "a processing instruction");
    }

    // The content of the document element up to the end of its end tag; a run ends after the
    // first child element that makes it runBytes long. Every end tag must name the element it
    // ends: the open ones are kept, as deep as the document nests them.
    size_t content(size_t at, size_t runBytes, std::string_view root, std::vector<XmlRange>& runs) {
        size_t runBegin = at;
        std::vector<std::string_view> open{root};
        for (;;) {
            size_t lt = t_.find('<', at);
            if (lt == kNone) return fail(t_.size(), "the element '" + std::string(open.back()) + "' is not closed");
            if (!references(at, lt)) return kNone;
            at = lt;
            bool childEnds = false;
            if (startsWith(at, "</")) {
                std::string_view name;
                size_t end = endTag(at, name);
                if (end == kNone) return kNone;
                if (name != open.back())
                    return fail(at, "the end tag '" + std::string(name) + "' where '" + std::string(open.back()) + "' ends");
                open.pop_back();
                if (open.empty()) {
                    if (at > runBegin) runs.push_back({runBegin, at});
                    return end;
                }
                at = end;
                childEnds = open.size() == 1;
            } else if (startsWith(at, "<!") || startsWith(at, "<?")) {
                at = otherMarkup(at);
            } else {
                bool empty = false;
                std::string_view name;
                at = startTag(at, empty, name);
                if (at != kNone && !empty && open.size() == kMaxXmlDepth)
                    return fail(lt, "elements nested more than " + std::to_string(kMaxXmlDepth) + " deep");
                if (at != kNone && !empty) open.push_back(name);
                childEnds = empty && open.size() == 1;
            }
            if (at == kNone) return kNone;
            if (childEnds && at - runBegin >= runBytes) {
                runs.push_back({runBegin, at});
                runBegin = at;
            }
        }
    }

    // Comments, CDATA sections and instructions in content.
    size_t otherMarkup(size_t at) {
        if (startsWith(at, "<!--")) return closedBy(at, at + 4, "-->", "a comment");
        if (startsWith(at, "<![CDATA[")) return closedBy(at, at + 9, "]]>", "a CDATA section");
        if (startsWith(at, "<?")) return instruction(at);
        return markupDeclaration(at);
    }

    size_t startTag(size_t at, bool& empty, std::string_view& name) {
        size_t p = nameEnd(at + 1);
        if (p == at + 1) return fail(at, "unrecognized markup");
        name = t_.substr(at + 1, p - at - 1);
        for (;;) {
            size_t q = skipBlanks(p);
            if (q >= t_.size()) return fail(at, "the start tag of '" + std::string(name) + "' is not closed");
            if (t_[q] == '>') return empty = false, q + 1;
            if (t_[q] == '/') return startsWith(q, "/>") ? (empty = true, q + 2) : fail(q, "a malformed start tag");
            if (q == p) return fail(q, "a malformed start tag of '" + std::string(name) + "'");
            p = attribute(q, name);
            if (p == kNone) return kNone;
        }
    }

    size_t attribute(size_t at, std::string_view element) {
        size_t end = nameEnd(at);
        if (end == at) return fail(at, "a malformed attribute in the start tag of '" + std::string(element) + "'");
        std::string what = "the value of attribute '" + std::string(t_.substr(at, end - at)) + "'";
        size_t eq = skipBlanks(end);
        if (eq >= t_.size() || t_[eq] != '=') return fail(eq, "no value for attribute '" + std::string(t_.substr(at, end - at)) + "'");
        size_t quote = skipBlanks(eq + 1);
        if (quote >= t_.size() || (t_[quote] != '"' && t_[quote] != '\'')) return fail(quote, what + " is not quoted");
        const char* close = findByte(t_, quote + 1, t_.size(), t_[quote]);
        if (!close) return fail(quote, what + " is not closed");
        size_t valueEnd = size_t(close - t_.data());
        if (const char* lt = findByte(t_, quote + 1, valueEnd, '<')) return fail(size_t(lt - t_.data()), "'<' in " + what);
        return references(quote + 1, valueEnd) ? valueEnd + 1 : kNone;
    }

    size_t endTag(size_t at, std::string_view& name) {
        size_t p = nameEnd(at + 2);
        name = t_.substr(at + 2, p - at - 2);
        size_t q = skipBlanks(p);
        if (name.empty() || q >= t_.size() || t_[q] != '>') return fail(at, "a malformed end tag");
        return q + 1;
    }

    // Every '&' in character data or an attribute value between from and to begins a reference.
    bool references(size_t from, size_t to) {
        while (const char* amp = findByte(t_, from, to, '&')) {
            size_t at = size_t(amp - t_.data());
            const char* semicolon = findByte(t_, at + 1, std::min(to, at + kXmlMaxReference), ';');
            if (!semicolon) return refuse(at, "an '&' that begins no reference");
            std::string_view body = t_.substr(at + 1, size_t(semicolon - amp) - 1);
            if (!reference(at, body)) return false;
            from = size_t(semicolon - t_.data()) + 1;
        }
        return true;
    }

    bool reference(size_t at, std::string_view body) {
        if (body == "amp" || body == "lt" || body == "gt" || body == "quot" || body == "apos") return true;
        if (body.empty() || body[0] != '#') return refuse(at, "the entity reference '&" + std::string(body) + ";', which is not defined");
        bool hex = body.size() > 1 && body[1] == 'x';
        std::string_view digits = body.substr(hex ? 2 : 1);
        unsigned long value = 0;
        for (char c : digits) {
            int d = c >= '0' && c <= '9' ? c - '0' : hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1;
            if (d < 0) return refuse(at, "a malformed character reference '&" + std::string(body) + ";'");
            value = std::min(value * (hex ? 16 : 10) + unsigned(d), 0x110000ul);
        }
        if (digits.empty()) return refuse(at, "a malformed character reference '&" + std::string(body) + ";'");
        if (!isXmlCharacter(std::uint32_t(value)))
            return refuse(at, "the character reference '&" + std::string(body) + ";' to a character XML documents cannot hold");
        return true;
    }

    std::string_view t_;
    XmlProblem& problem_;
};

}  // namespace

bool outlineXml(std::string_view text, size_t runBytes, XmlOutline& outline, XmlProblem& problem) {
    return Scanner(text, problem).outline(runBytes, outline);
}

}  // namespace flk
