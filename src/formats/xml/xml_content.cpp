#include "formats/xml/xml_content.hpp"

#include "formats/xml/xml_limits.hpp"
#include "frame/call_context.hpp"
#include "frame/text_place.hpp"
#include "frame/utf8.hpp"
#include "mapping/mapping_state.hpp"

namespace flk {
namespace {

// Whitespace that is an element's only content is kept: it is the value of a value element.
constexpr unsigned kReadOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

}  // namespace

bool XmlContent::load(ReadState& state, bool inRuns) {
    state_ = &state;
    XmlProblem problem;
    if (!text_.read(state.input(), problem) || !outlineXml(text_.body(), kXmlRunBytes, outline_, problem))
        return failed(problem);
    if (!inRuns) {
        elementBase_ = outline_.whole.begin;
        return parse(element_, outline_.whole, kReadOptions, problem) || failed(problem);
    }
    elementBase_ = outline_.startTag.begin;
    if (!parseStartTag(problem)) return failed(problem);
    oneRun_ = outline_.runs.size() == 1;
    if (oneRun_) runBase_ = outline_.runs[0].begin;
    return !oneRun_ || parse(run_, outline_.runs[0], kReadOptions | pugi::parse_fragment, problem) || failed(problem);
}

bool XmlContent::forEachRun(const std::function<bool(pugi::xml_node)>& read, bool stopAtFailure) {
    if (oneRun_) return read(run_);
    bool ok = true;
    for (const XmlRange& run : outline_.runs) {
        // The outline refuses whatever the parser would: a run it let pass parses.
        XmlProblem problem;
        if (!parse(run_, run, kReadOptions | pugi::parse_fragment, problem)) return failed(problem);
        runBase_ = run.begin;
        ok = read(run_) && ok;
        if (!ok && stopAtFailure) break;
    }
    run_.reset();
    return ok;
}

bool XmlContent::parse(pugi::xml_document& document, XmlRange range, unsigned options, XmlProblem& problem) const {
    pugi::xml_parse_result result =
        document.load_buffer(text_.body().data() + range.begin, range.end - range.begin, options, pugi::encoding_utf8);
    if (result) return true;
    problem = {range.begin + size_t(result.offset), result.description()};
    return false;
}

// The start tag alone, closed as an empty element, gives the document element's name and
// attributes as the parser reads them.
bool XmlContent::parseStartTag(XmlProblem& problem) {
    XmlRange tag = outline_.startTag;
    std::string text(text_.body().substr(tag.begin, tag.end - tag.begin));
    if (!outline_.empty) text.insert(text.size() - 1, 1, '/');
    pugi::xml_parse_result result = element_.load_buffer(text.data(), text.size(), kReadOptions, pugi::encoding_utf8);
    if (result) return true;
    problem = {tag.begin + std::min(size_t(result.offset), tag.end - tag.begin - 1), result.description()};
    return false;
}

bool XmlContent::failed(const XmlProblem& problem) {
    const std::string document = toUtf8(state_->documentName());
    raiseError("Error parsing XML document " + document);
    warnModel(locatedMessage(document, TextPlaces(text_.body()).at(problem.offset), problem.reason));
    return false;
}

size_t XmlContent::offsetOf(pugi::xml_node element, pugi::xml_attribute attribute) const {
    ptrdiff_t name = element.offset_debug();   // of its name, just after the '<'
    if (name <= 0 || element.type() != pugi::node_element) return std::string_view::npos;
    size_t base = element.root() == element_ ? elementBase_ : runBase_;
    if (!attribute) return base + size_t(name) - 1;
    return base + size_t(name) + size_t(attribute.name() - element.name());
}

}  // namespace flk
