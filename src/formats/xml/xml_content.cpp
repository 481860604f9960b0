#include "formats/xml/xml_content.hpp"

#include "formats/xml/xml_limits.hpp"
#include "frame/call_context.hpp"
#include "frame/loggers.hpp"
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
    if (!inRuns) return parse(element_, outline_.whole, kReadOptions, problem) || failed(problem);
    if (!parseStartTag(problem)) return failed(problem);
    oneRun_ = outline_.runs.size() == 1;
    return !oneRun_ || parse(run_, outline_.runs[0], kReadOptions | pugi::parse_fragment, problem) || failed(problem);
}

bool XmlContent::forEachRun(const std::function<bool(pugi::xml_node)>& read, bool stopAtFailure) {
    if (oneRun_) return read(run_);
    bool ok = true;
    for (const XmlRange& run : outline_.runs) {
        // The outline refuses whatever the parser would: a run it let pass parses.
        XmlProblem problem;
        if (!parse(run_, run, kReadOptions | pugi::parse_fragment, problem)) return failed(problem);
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
    size_t line = 0, column = 0;
    text_.position(problem.offset, line, column);
    std::string message = "Error parsing XML document " + toUtf8(state_->documentName());
    LOG4CXX_ERROR(logger(Log::FLK), message << " at line " << line << ", column " << column << ": " << problem.reason);
    return raiseError(message);
}

}  // namespace flk
