#include "mapping/value_notes.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"

#include <algorithm>
#include <climits>

namespace flk {

void ValueNotes::note(Kind kind, const std::wstring& identifier, const std::string& node, int limit, size_t count,
                      size_t length) {
    auto same = [&](const Note& n) {
        return n.kind == kind && n.identifier == identifier && n.node == node && n.limit == limit;
    };
    auto it = std::find_if(notes_.begin(), notes_.end(), same);
    if (it == notes_.end()) it = notes_.insert(notes_.end(), Note{kind, identifier, node, limit, 0, 0});
    it->count += count;
    it->longest = std::max(it->longest, length);
}

void ValueNotes::textCut(const std::string& node, const std::wstring& identifier, int limit, size_t length) {
    note(Kind::TextCut, identifier, node, limit, 1, length);
}

void ValueNotes::integerSaturated(const std::wstring& identifier, bool writing) {
    note(writing ? Kind::SaturatedWritten : Kind::Saturated, identifier, {}, 0, 1, 0);
}

void ValueNotes::writtenAsNull(const std::wstring& identifier) { note(Kind::Null, identifier, {}, 0, 1, 0); }

void ValueNotes::hostCuts(const MolvoIOHandler& handler, const MolvoIOHandler::Cuts& cuts) {
    if (cuts.names > 0)
        note(Kind::NameCut, handler.name(), {}, MolvoIOHandler::kMaxStringSize, cuts.names, cuts.longestName);
    if (cuts.values > 0) note(Kind::ValueCut, handler.name(), {}, handler.stringSize(), cuts.values, cuts.longestValue);
}

std::string ValueNotes::text(const std::string& document, const Note& n) {
    const std::string count = std::to_string(n.count), identifier = toUtf8(n.identifier);
    const std::string limit = std::to_string(n.limit), longest = std::to_string(n.longest);
    switch (n.kind) {
        case Kind::TextCut:
            return "Reading " + document + ": " + count + " strings for " + identifier + " were cut to the max-string-size " +
                   limit + " of node '" + n.node + "'; the longest had " + longest + " characters";
        case Kind::Saturated:
            return "Reading " + document + ": " + count + " values for " + identifier +
                   " were outside the 32-bit integer range and were stored as " + std::to_string(INT_MIN) + " or " +
                   std::to_string(INT_MAX);
        case Kind::SaturatedWritten:
            return "Writing " + document + ": " + count + " values of " + identifier +
                   " were outside the 32-bit range of number-type integer and were written as " +
                   std::to_string(INT_MIN) + " or " + std::to_string(INT_MAX);
        case Kind::Null:
            return "Writing " + document + ": " + count + " values of " + identifier +
                   " that the document cannot hold (NaN or infinite numbers) were written as null";
        case Kind::NameCut:
            return "Writing " + document + ": " + count + " element names of " + identifier + " were cut to " + limit +
                   " characters; the longest had " + longest + " characters";
        case Kind::ValueCut:
            return "Writing " + document + ": " + count + " strings of " + identifier + " were cut to the max-string-size " +
                   limit + "; the longest had " + longest + " characters";
    }
    return {};
}

void ValueNotes::report(const std::wstring& documentName) {
    const std::string document = toUtf8(documentName);
    std::vector<Note> notes;
    notes.swap(notes_);   // forgotten even when a warning fails
    for (const Note& n : notes) warnModel(text(document, n));
}

}  // namespace flk
