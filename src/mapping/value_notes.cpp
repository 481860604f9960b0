#include "mapping/value_notes.hpp"

#include "frame/loggers.hpp"
#include "frame/utf8.hpp"

#include <algorithm>

namespace flk {

void ValueNotes::textCut(const std::string& node, const std::wstring& identifier, int limit, size_t length) {
    auto same = [&](const Cut& c) { return c.node == node && c.identifier == identifier && c.limit == limit; };
    auto it = std::find_if(cuts_.begin(), cuts_.end(), same);
    if (it == cuts_.end()) it = cuts_.insert(cuts_.end(), Cut{node, identifier, limit, 0, 0});
    it->longest = std::max(it->longest, length);
    ++it->count;
}

void ValueNotes::writtenAsNull(const std::wstring& identifier) {
    if (std::find(nulls_.begin(), nulls_.end(), identifier) == nulls_.end()) nulls_.push_back(identifier);
}

void ValueNotes::report(const std::wstring& documentName) {
    const log4cxx::LoggerPtr& log = logger(Log::FLK);
    std::string document = toUtf8(documentName);
    for (const Cut& c : cuts_) {
        LOG4CXX_WARN(log, "Reading " << document << ": " << c.count << " strings for " << toUtf8(c.identifier)
                              << " were cut to the max-string-size " << c.limit << " of node '" << c.node
                              << "'; the longest had " << c.longest << " characters");
    }
    for (const std::wstring& identifier : nulls_) {
        LOG4CXX_WARN(log, "Writing " << document << ": values of " << toUtf8(identifier)
                              << " that the document cannot hold (NaN or infinite numbers) were written as null");
    }
    cuts_.clear();
    nulls_.clear();
}

}  // namespace flk
