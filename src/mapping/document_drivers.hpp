// Reading a whole document into the model with a mapping, and writing one from it. Used by the
// exports and by nodes that read or write an embedded document.
#pragma once

#include "mapping/mapping_state.hpp"

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace flk {

// Applies the reset flags, fixes the external bindings, reads and flushes. Exceptions propagate.
// What the read or write notes is reported when it ends, or, given outer notes (a document
// embedded in another), added to them.
bool readDocumentWith(const std::shared_ptr<Mapping>& mapping, const std::wstring& documentName,
                      std::istream& input, ResetFlags flags, ValueNotes* outerNotes = nullptr);
bool writeDocumentWith(const std::shared_ptr<Mapping>& mapping, const std::wstring& documentName,
                       std::ostream& output, int pretty, ValueNotes* outerNotes = nullptr);

// What a read that an exception ended raises: "Exception occurred while reading data: <text> from
// document <name>"; returns 0. A node that meets such a failure of a value raises it itself, so
// that it can follow it with the place in the document.
int raiseReadException(std::string_view text, const std::wstring& documentName);

// The resets of ResetMappingData, in their order: indices, referenced identifiers, counters.
void applyResets(Mapping& mapping, ResetFlags flags);
// Drops the values and elements waiting in the mapping's handlers.
void discardPending(Mapping& mapping);
// Adds what the host cut of the names and strings the mapping's handlers read since the last call
// to the notes; the handlers count afresh.
void noteHostCuts(Mapping& mapping, ValueNotes& notes);

}  // namespace flk
