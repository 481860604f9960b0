// The state of one read or write of one mapping: the element currently bound to each index of the
// mapping's index table, and the element lookups the binding attributes need.
#pragma once

#include "mapping/mapping.hpp"
#include "mapping/value_notes.hpp"

#include <exception>
#include <functional>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace flk {

class MappingState {
public:
    static constexpr int kSkip = -1;   // bindElement: leave this part of the document quietly

    MappingState(std::shared_ptr<Mapping> mapping, std::wstring documentName);
    virtual ~MappingState() = default;
    MappingState(const MappingState&) = delete;
    MappingState& operator=(const MappingState&) = delete;

    Mapping& mapping() { return *mapping_; }
    const std::wstring& documentName() const { return documentName_; }
    std::vector<int>& tuple() { return tuple_; }

    // Binds the element of that name (trimmed of blanks) to the index: the element, 0 after raising
    // an error, or kSkip.
    int bindElement(int index, std::string_view name, bool bindsExisting, bool skipNonExisting);
    // Binds the element at an ordinal (iterativeExisting), or the element named prefix + counter.
    int bindIterative(int index, int counter, std::string_view prefix, bool iterativeExisting, bool bindsExisting,
                      bool skipNonExisting);
    // The element of that name must be the one an external binding fixed; 0 after raising otherwise.
    int checkExternal(int index, std::string_view name);
    // The element of that name must be the one the current tuple binds; 0 after raising otherwise.
    int checkBound(int index, std::string_view name);
    // Appends the value to the reference's target at the tuple of its indices.
    void assignReference(const IdentifierReference& reference, double number);
    void assignReference(const IdentifierReference& reference, std::string_view text);
    void assignElement(const IdentifierReference& reference, int element);
    // Fixes the root's external indices that nothing fixed yet: from their element parameters, and
    // when reading, iterative ones from their counters. False after raising when one cannot be.
    bool prepareExternal(bool reading);
    bool prepareExternal(const ExternalBinding& binding, bool reading);
    // The element a scalar element parameter holds, fixing the index; 0 after raising when none.
    int parameterElement(MolvoIOHandler& parameter, int index);
    // Fixes an index for the whole read or write, as an external binding does.
    void fixExternal(int index, int element) {
        external_[size_t(index)] = element;
        tuple_[size_t(index)] = element;
    }
    // Set when a value binding skipped its element quietly: the enclosing object, row or element
    // is left out. takeSkip() reads and clears it.
    void requestSkip() { skip_ = true; }
    bool takeSkip() {
        bool s = skip_;
        skip_ = false;
        return s;
    }
    bool isExternallyBound(int index) const { return size_t(index) < external_.size() && external_[size_t(index)] != 0; }
    // Unbinds the index at the end of the scope that bound it; one an external binding fixed stays.
    void clearSlot(int index) {
        if (!isExternallyBound(index)) tuple_[size_t(index)] = 0;
    }
    // Flushes every handler of the index table, then every reference; false after raising the
    // first error a handler kept.
    bool flushAll();
    // What is reported when the read or write ends: this state's own notes, or those of the read
    // or write that this one is part of (through an included or embedded mapping).
    ValueNotes& notes() { return *notes_; }
    void shareNotes(ValueNotes& outer) { notes_ = &outer; }
    // Where the reader stands in the document, in the document's own terms ("line 14, column 9
    // ($.orders[12].qty)", "sheet 'Orders' cell C17"): a document kind that can say sets a source
    // that is asked only when a message needs it, so that keeping track costs no formatting.
    using PlaceSource = std::function<std::string()>;
    void setPlaceSource(PlaceSource source) { place_ = std::move(source); }
    const PlaceSource& placeSource() const { return place_; }
    // Follows an error just raised with the warning "<document>, <place>: <reason>", when the
    // document kind gave a place; otherwise does nothing.
    void warnAtPlace(std::string_view reason) const;
    // Called in a handler of an exception that ends the read where the reader stands (a value
    // that cannot be converted): throws it on as a LocatedFailure that carries the warning for
    // that place, or rethrows it unchanged when the document kind gave no place.
    [[noreturn]] void throwAtPlace(const std::exception& failure) const;
    // Raises the reason as an error, then warns of it at the place; returns 0.
    int raisePlaced(const std::string& reason) const;

protected:
    const std::wstring& indexName(int index) const;

private:
    int existingElement(int index, std::string_view name);
    // "<document>, <place>: <reason>", or empty when the document kind gives no place.
    std::string placed(std::string_view reason) const;
    int iterativeElement(const ExternalBinding& b);
    const int* referenceTuple(const IdentifierReference& reference);
    void makeRoomFor(const IdentifierReference& reference);

    std::shared_ptr<Mapping> mapping_;
    std::wstring documentName_;
    std::vector<int> tuple_;
    std::vector<int> external_;     // element fixed by an external binding per index, 0 when none
    std::vector<int> scratch_;      // a reference's tuple, reused
    bool skip_ = false;
    PlaceSource place_;
    ValueNotes ownNotes_;
    ValueNotes* notes_ = &ownNotes_;
};

// An exception that ends a read, with the warning that names where in the document it happened:
// what() is the text of the exception it stands for, so the error it becomes reads the same; the
// warning follows that error.
class LocatedFailure : public std::runtime_error {
public:
    LocatedFailure(const std::string& what, std::string warning) : std::runtime_error(what), warning_(std::move(warning)) {}
    const std::string& warning() const { return warning_; }

private:
    std::string warning_;
};

// Sets a read's place source for as long as it lives (while what the source looks at exists),
// and puts the one before it back afterwards.
class ScopedPlaceSource {
public:
    ScopedPlaceSource(MappingState& state, MappingState::PlaceSource source)
        : state_(state), previous_(state.placeSource()) {
        state.setPlaceSource(std::move(source));
    }
    ~ScopedPlaceSource() { state_.setPlaceSource(std::move(previous_)); }
    ScopedPlaceSource(const ScopedPlaceSource&) = delete;
    ScopedPlaceSource& operator=(const ScopedPlaceSource&) = delete;

private:
    MappingState& state_;
    MappingState::PlaceSource previous_;
};

// Raises that nothing gives the index an iterative-binding names an element; returns 0.
int iterativeUnbound(const std::wstring& index);

struct ResetFlags {
    bool emptyReferenced = false;
    bool emptyIndices = false;
    bool resetCounters = false;
};

class ReadState : public MappingState {
public:
    ReadState(std::shared_ptr<Mapping> mapping, std::wstring documentName, std::istream& input, ResetFlags flags)
        : MappingState(std::move(mapping), std::move(documentName)), input_(input), flags_(flags) {}
    std::istream& input() { return input_; }
    const ResetFlags& resetFlags() const { return flags_; }
    // The flags for reading an embedded document with that mapping: this read's for the first
    // one, none after it, so that a document does not empty or renumber what the ones before read
    // (nor, for a mapping embedded in itself, what this read has read).
    ResetFlags embeddedFlags(const Mapping& embedded) {
        if (&embedded == &mapping()) return ResetFlags{};
        for (const Mapping* done : embeddedReset_)
            if (done == &embedded) return ResetFlags{};
        embeddedReset_.push_back(&embedded);
        return flags_;
    }

private:
    std::istream& input_;
    ResetFlags flags_;
    std::vector<const Mapping*> embeddedReset_;
};

// A position in one referenced identifier's stored values: in the host's tuple order, or, for a
// reference whose indices the mapping nests in another order, in that nesting order (then the
// values are read whole and sorted once, as the host cannot deliver them so).
class ValueCursor {
public:
    explicit ValueCursor(const IdentifierReference& reference)
        : handler_(reference.target.get()), order_(reference.nestingOrder) {}
    // Each is asked several times per written value: the batch at hand is checked inline and
    // only an exhausted one goes to the host for the next.
    bool done() { return ready(), done_; }
    const int* tuple() { return ready(), sorted() ? sorted_.tuple(position_) : handler_->batchTuple(position_); }
    const MolvoValueW& value() { return ready(), sorted() ? sorted_.values[size_t(position_)] : handler_->batchValue(position_); }
    void advance() {
        ready();
        if (!done_) ++position_;
    }

private:
    // All values of the identifier, with owned copies of their strings.
    struct SortedValues {
        int dimension = 0;
        std::vector<int> tuples;
        std::vector<MolvoValueW> values;
        std::vector<std::wstring> texts;
        const int* tuple(int i) const { return tuples.data() + size_t(i) * size_t(dimension); }
    };

    bool sorted() const { return !order_.empty(); }
    void ready() {
        if (!done_ && position_ >= count_) fill();
    }
    void fill();
    void loadSorted();

    MolvoIOHandler* handler_;
    std::vector<int> order_;
    SortedValues sorted_;
    int count_ = 0;
    int position_ = 0;
    bool started_ = false;
    bool done_ = false;
};

// Where a document kind that writes its document as it is built lets a node deep in the tree hand
// over its parts; the kind defines what the parts are.
class WriteSink {
public:
    virtual ~WriteSink() = default;
};

class WriteState : public MappingState {
public:
    WriteState(std::shared_ptr<Mapping> mapping, std::wstring documentName, std::ostream& output, int pretty = 0);
    std::ostream& output() { return output_; }
    int pretty() const { return pretty_; }
    ValueCursor& cursor(int reference) { return cursors_[size_t(reference)]; }
    // A document written as it is built: the root offers the sink, and the node that writes the
    // parts takes it (once); nullptr when none was offered or it is of another kind.
    void offerSink(WriteSink* sink) { sink_ = sink; }
    template <class Sink>
    Sink* takeSink() {
        return dynamic_cast<Sink*>(std::exchange(sink_, nullptr));
    }

private:
    std::ostream& output_;
    int pretty_;
    std::vector<ValueCursor> cursors_;   // one per reference of the mapping
    WriteSink* sink_ = nullptr;
};

}  // namespace flk
