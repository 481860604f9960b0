#include "mapping/document_drivers.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/tree_node.hpp"

namespace flk {
namespace {

void resetCounters(const TreeNode& node) {
    if (!node.attributes().iterativeBindsTo.empty()) iterativeCounter(node.attributes().iterativeBindsTo) = 0;
    for (const auto& b : node.externalBindings())
        if (!b.iterativeBinding.empty()) iterativeCounter(b.iterativeBinding) = 0;
    for (const auto& child : node.children()) resetCounters(*child);
}

// Each read or write starts afresh: names may have changed in the model since the last one,
// and errors and cuts kept from it were reported then.
void forgetNames(Mapping& mapping) {
    for (auto& index : mapping.indexTable) {
        index->clearNameCache();
        index->clearError();
        index->takeCuts();
    }
    for (auto& reference : mapping.references) {
        reference.target->clearError();
        reference.target->takeCuts();
    }
}

// Reports what the state noted when the read or write ends, however it ends; notes that belong
// to an outer read or write are left to it.
class NotesReport {
public:
    NotesReport(MappingState& state, ValueNotes* outer) : state_(state), own_(outer == nullptr) {
        if (outer) state.shareNotes(*outer);
    }
    ~NotesReport() {
        try {
            if (own_) state_.notes().report(state_.documentName());
        } catch (...) {   // a logger that fails cannot fail the read or write
        }
    }
    NotesReport(const NotesReport&) = delete;
    NotesReport& operator=(const NotesReport&) = delete;

private:
    MappingState& state_;
    bool own_;
};

}  // namespace

int raiseReadException(std::string_view text, const std::wstring& documentName) {
    return raiseError("Exception occurred while reading data: " + std::string(text) + " from document " + toUtf8(documentName));
}

void discardPending(Mapping& mapping) {
    for (auto& index : mapping.indexTable) index->discardPending();
    for (auto& reference : mapping.references) reference.target->discardPending();
}

void noteHostCuts(Mapping& mapping, ValueNotes& notes) {
    for (auto& index : mapping.indexTable) notes.hostCuts(*index, index->takeCuts());
    for (auto& reference : mapping.references) notes.hostCuts(*reference.target, reference.target->takeCuts());
}

void applyResets(Mapping& mapping, ResetFlags flags) {
    if (flags.emptyIndices)
        for (auto& index : mapping.indexTable) MolvoIdentifierEmpty(index->handle());
    if (flags.emptyReferenced)
        for (auto& reference : mapping.references)
            if (reference.clearedOnReset) MolvoIdentifierEmpty(reference.target->handle());
    if (flags.resetCounters && mapping.root) resetCounters(*mapping.root);
}

bool readDocumentWith(const std::shared_ptr<Mapping>& mapping, const std::wstring& documentName,
                      std::istream& input, ResetFlags flags, ValueNotes* outerNotes) {
    ReadState state(mapping, documentName, input, flags);
    NotesReport report(state, outerNotes);
    forgetNames(*mapping);
    applyResets(*mapping, flags);
    if (!state.prepareExternal(true)) return false;
    if (!mapping->root->readDocument(state)) {
        discardPending(*mapping);
        return false;
    }
    return state.flushAll();
}

bool writeDocumentWith(const std::shared_ptr<Mapping>& mapping, const std::wstring& documentName,
                       std::ostream& output, int pretty, ValueNotes* outerNotes) {
    WriteState state(mapping, documentName, output, pretty);
    NotesReport report(state, outerNotes);
    forgetNames(*mapping);
    if (!state.prepareExternal(false)) return false;
    const bool written = mapping->root->writeDocument(state, pretty);
    noteHostCuts(*mapping, state.notes());
    return written;
}

}  // namespace flk
