#include "mapping/mapping_state.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace flk {

namespace {

// The blanks trimmed off element names: space, tab, newline, carriage return, form feed and
// vertical tab. Tested directly, as every bound name passes here.
bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

unsigned& iterativeCounter(const std::wstring& index) {
    static std::unordered_map<std::wstring, unsigned> counters;
    return counters[index];
}

MappingState::MappingState(std::shared_ptr<Mapping> mapping, std::wstring documentName)
    : mapping_(std::move(mapping)),
      documentName_(std::move(documentName)),
      tuple_(mapping_->indexCount(), 0),
      external_(mapping_->indexCount(), 0) {}

const std::wstring& MappingState::indexName(int index) const { return mapping_->indexTable[size_t(index)]->name(); }

int MappingState::bindElement(int index, std::string_view name, bool bindsExisting, bool skipNonExisting) {
    name = trimmed(name);
    if (name.empty()) {
        if (skipNonExisting) return kSkip;
        raiseError(L"Empty element encountered for index " + indexName(index));
        warnAtPlace("an empty element name for index " + toUtf8(indexName(index)));
        return 0;
    }
    if (name.find('\0') != std::string_view::npos) {
        // The host's names end at a NUL: "k\u0000a" would bind the element "k".
        return raisePlaced("Element name '" + visibleText(name) + "' for index " + toUtf8(indexName(index)) +
                           " holds a NUL character, which element names cannot hold");
    }
    MolvoIOHandler& handler = *mapping_->indexTable[size_t(index)];
    int element = handler.elementByName(name, bindsExisting);
    if (element > 0) {
        tuple_[size_t(index)] = element;
        return element;
    }
    handler.clearError();   // reported here, or skipped quietly
    if (skipNonExisting) return kSkip;
    return raisePlaced("Element " + std::string(name) + " could not be created for index " + toUtf8(indexName(index)));
}

int MappingState::raisePlaced(const std::string& reason) const {
    raiseError(reason);
    warnAtPlace(reason);
    return 0;
}

std::string MappingState::placed(std::string_view reason) const {
    if (!place_) return {};
    const std::string place = place_();
    return place.empty() ? std::string() : locatedMessage(toUtf8(documentName_), place, reason);
}

void MappingState::warnAtPlace(std::string_view reason) const {
    const std::string warning = placed(reason);
    if (!warning.empty()) warnModel(warning);
}

void MappingState::throwAtPlace(const std::exception& failure) const {
    std::string warning = placed(failure.what());
    if (warning.empty()) throw;
    throw LocatedFailure(failure.what(), std::move(warning));
}

int MappingState::bindIterative(int index, int counter, std::string_view prefix, bool iterativeExisting,
                                bool bindsExisting, bool skipNonExisting) {
    if (!iterativeExisting) {
        std::string name(prefix);
        name += std::to_string(counter);
        return bindElement(index, name, bindsExisting, skipNonExisting);
    }
    int element = mapping_->indexTable[size_t(index)]->elementByOrdinal(counter);
    if (element > 0) {
        tuple_[size_t(index)] = element;
        return element;
    }
    return raisePlaced("No existing element found with ordinal " + std::to_string(counter) + " for index " + toUtf8(indexName(index)));
}

// A check only looks: a name that is no element does not match, and does not become one.
int MappingState::existingElement(int index, std::string_view name) {
    MolvoIOHandler& handler = *mapping_->indexTable[size_t(index)];
    int element = handler.elementByName(trimmed(name), true);
    if (element <= 0) handler.clearError();
    return element;
}

int MappingState::checkExternal(int index, std::string_view name) {
    int element = existingElement(index, name);
    if (element > 0 && element == external_[size_t(index)]) return element;
    return raisePlaced("Value " + std::string(name) + " of index " + toUtf8(indexName(index)) + " does not match external binding");
}

int MappingState::checkBound(int index, std::string_view name) {
    int bound = tuple_[size_t(index)];
    int element = existingElement(index, name);
    if (element > 0 && element == bound) return element;
    return raisePlaced("Value " + std::string(name) + " of index " + toUtf8(indexName(index)) + " does not match its element " +
                       mapping_->indexTable[size_t(index)]->elementName(bound) + " bound by the enclosing element");
}

const int* MappingState::referenceTuple(const IdentifierReference& reference) {
    scratch_.resize(reference.indices.size());
    for (size_t k = 0; k < reference.indices.size(); ++k) scratch_[k] = tuple_[size_t(reference.indices[k])];
    return scratch_.data();
}

// A full batch is flushed after the sets of its tuple, so that the elements exist before the
// values that use them.
void MappingState::makeRoomFor(const IdentifierReference& reference) {
    if (!reference.target->batchFull()) return;
    for (int index : reference.indices) mapping_->indexTable[size_t(index)]->flush();
    reference.target->flush();
}

void MappingState::assignReference(const IdentifierReference& reference, double number) {
    makeRoomFor(reference);
    reference.target->assignNumber(referenceTuple(reference), number);
}

void MappingState::assignReference(const IdentifierReference& reference, std::string_view text) {
    makeRoomFor(reference);
    reference.target->assignText(referenceTuple(reference), text);
}

void MappingState::assignElement(const IdentifierReference& reference, int element) {
    makeRoomFor(reference);
    reference.target->assignInteger(referenceTuple(reference), element);
}

WriteState::WriteState(std::shared_ptr<Mapping> mapping, std::wstring documentName, std::ostream& output, int pretty)
    : MappingState(std::move(mapping), std::move(documentName)), output_(output), pretty_(pretty) {
    cursors_.reserve(this->mapping().references.size());
    for (auto& reference : this->mapping().references) cursors_.emplace_back(reference);
}

bool MappingState::prepareExternal(bool reading) {
    for (const ExternalBinding& b : mapping_->externalBindings)
        if (!isExternallyBound(b.index) && !prepareExternal(b, reading)) return false;
    return true;
}

bool MappingState::prepareExternal(const ExternalBinding& b, bool reading) {
    int element = b.binding ? parameterElement(*b.binding, b.index)
                  : reading  ? iterativeElement(b)
                             : iterativeUnbound(b.iterativeBinding);
    if (element <= 0) return false;
    fixExternal(b.index, element);
    return true;
}

int MappingState::parameterElement(MolvoIOHandler& parameter, int index) {
    MolvoValueW value{0, 0, 0, nullptr};
    parameter.retrieve(nullptr, value);
    if (value.Int > 0) return value.Int;
    return raiseError(L"External binding for " + indexName(index) + L" has no value");
}

int iterativeUnbound(const std::wstring& index) {
    return raiseError("The iterative-binding attribute " + toUtf8(index) + " cannot be bound");
}

// A mapping read on its own numbers a new element per read, as iterative-binds-to does per item.
int MappingState::iterativeElement(const ExternalBinding& b) {
    unsigned& counter = iterativeCounter(b.iterativeBinding);
    return bindIterative(b.index, int(++counter), b.iterativePrefix, false, false, false);
}

bool MappingState::flushAll() {
    bool clean = true;
    // Errors the host only warns about (a value outside a domain, a cut string) are raised but do
    // not fail the read.
    auto flushOne = [&clean](MolvoIOHandler& h) {
        if (h.flush() || h.lastErrorCode() == 0) return;
        raiseError(h.lastError());
        if (!h.ok()) clean = false;
        h.clearError();
    };
    for (auto& index : mapping_->indexTable) flushOne(*index);
    for (auto& reference : mapping_->references) flushOne(*reference.target);
    return clean;
}

void ValueCursor::fill() {
    if (done_ || position_ < count_) return;
    if (started_ && sorted()) {   // a sorted cursor holds everything from the start
        done_ = true;
        return;
    }
    if (!started_) handler_->resetIteration();
    started_ = true;
    if (sorted()) {
        loadSorted();
        count_ = int(sorted_.values.size());
    } else {
        count_ = handler_->nextBatch();
    }
    position_ = 0;
    done_ = count_ == 0;
}

void ValueCursor::loadSorted() {
    SortedValues all;
    all.dimension = handler_->slicedDimension();
    bool strings = handler_->storage() == IdentifierHandle::kString;
    for (int n; (n = handler_->nextBatch()) > 0;)
        for (int i = 0; i < n; ++i) {
            all.tuples.insert(all.tuples.end(), handler_->batchTuple(i), handler_->batchTuple(i) + all.dimension);
            all.values.push_back(handler_->batchValue(i));
            if (strings) all.texts.emplace_back(handler_->batchValue(i).String);
        }
    std::vector<size_t> rank(all.values.size());
    for (size_t i = 0; i < rank.size(); ++i) rank[i] = i;
    std::stable_sort(rank.begin(), rank.end(), [&](size_t a, size_t b) {
        for (int k : order_)
            if (all.tuple(int(a))[k] != all.tuple(int(b))[k]) return all.tuple(int(a))[k] < all.tuple(int(b))[k];
        return false;
    });
    sorted_.dimension = all.dimension;
    for (size_t i : rank) {
        sorted_.tuples.insert(sorted_.tuples.end(), all.tuple(int(i)), all.tuple(int(i)) + all.dimension);
        sorted_.values.push_back(all.values[i]);
        if (strings) sorted_.texts.push_back(std::move(all.texts[i]));
    }
    for (size_t i = 0; strings && i < sorted_.values.size(); ++i) sorted_.values[i].String = sorted_.texts[i].data();
}

}  // namespace flk
