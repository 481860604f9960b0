// Batched reading and writing of one identifier's values.
//
// Assignments and new set elements collect in batches until flush() hands them to the host (new
// elements first, so that values never refer to elements the host does not know yet); values are
// read a batch at a time. Failed host calls go through one error policy; the owner decides
// whether to raise the text it leaves. A handler is used only while host control is held and is
// never shared between threads.
#pragma once

#include "host/identifier_handle.hpp"
#include "host/molvo_domain.hpp"
#include "molvo/molvo3.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace flk {

// A double as the host's int: truncated toward zero, saturated at the int range, 0 for NaN (a
// plain cast of a double beyond the range is undefined).
int truncatedToInt(double value);

class MolvoIOHandler : public IdentifierHandle {
public:
    static constexpr int kBatchSize = 1024;
    static constexpr int kMinStringSize = 1024;
    static constexpr int kMaxStringSize = 8192;
    static constexpr int kStringBatchChars = 1048576;   // characters moved per batch of strings
    static constexpr int kMinReadStringSize = 16384;
    // Names cached per handler and direction: enough for the small sets whose names repeat
    // (products on order lines), small enough to stay in the processor cache for the large sets
    // whose names come once.
    static constexpr size_t kNameCacheLimit = 4096;

    // elementMode: element values travel as names. maxStringSize is clamped to 1024..8192.
    MolvoIOHandler(std::wstring name, bool elementMode, int flags, int maxStringSize);
    // Over a handle the host gave the caller, which stays the caller's.
    MolvoIOHandler(int borrowedHandle, bool elementMode, int maxStringSize);

    bool elementMode() const { return elementMode_; }
    int stringSize() const { return stringSize_; }
    int writeBatchSize() const { return writeBatch_; }
    int readBatchSize() const { return readBatch_; }
    const MolvoDeclarationDomain& declarationDomain() const { return declaration_; }
    const MolvoRangeDomain& rangeDomain() const { return range_; }

    // ---- elements of a set or index (types 1, 2, 60); 0 when there is none
    // With existingOnly the element must exist; otherwise it is created (and added to the set).
    int elementByName(std::string_view name, bool existingOnly);
    int elementByOrdinal(int ordinal);
    // The UTF-8 name of an element of this set or index, or of this element parameter's range;
    // valid until the next call.
    const std::string& elementName(int element);
    // The name exactly as the host holds it (no conversion); false after the error policy ran,
    // and for a name longer than kMaxStringSize, which the host cut (the kept error says so): a
    // caller that would store the name again must not store it cut.
    bool wideElementName(int element, std::wstring& name);
    bool renameElement(int element, const std::wstring& name);

    // ---- writing; tuples have slicedDimension() entries and may be null for a scalar
    void assignNumber(const int* tuple, double value);
    void assignInteger(const int* tuple, int value);   // integers and element numbers
    void assignText(const int* tuple, std::string_view utf8);
    bool batchFull() const { return pendingValues_ >= writeBatch_; }
    int pendingValues() const { return pendingValues_; }
    // Hands pending new elements, then pending values, to the host; true when no error is left.
    bool flush();
    // Drops what is waiting, after a read failed.
    void discardPending() { pendingElements_ = 0; pendingValues_ = 0; pendingChars_ = 0; }
    // Forgets cached element names; the model may have changed since the last read or write.
    void clearNameCache();

    // ---- reading, in the host's tuple order
    void resetIteration();
    // Fetches the next batch; returns how many values it holds, 0 at the end or on an error.
    int nextBatch();
    const int* batchTuple(int i) const { return readTuples_.data() + size_t(i) * slicedDimension(); }
    const MolvoValueW& batchValue(int i) const { return readValues_[size_t(i)]; }
    // The value at a tuple (the default where none is stored); strings stay valid until the next call.
    bool retrieve(const int* tuple, MolvoValueW& value);
    // The identifier's default value; its string stays valid until the next call. False when the
    // host does not give it.
    bool defaultValue(MolvoValueW& value);

    // ---- errors
    bool ok() const { return ok_; }
    int lastErrorCode() const { return lastErrorCode_; }
    const std::wstring& lastError() const { return lastError_; }
    // Run after a host call that did not return 1. Returns ok().
    bool applyErrorPolicy();
    // Forgets the kept error once its owner has reported it.
    void clearError() { ok_ = true; lastErrorCode_ = 0; lastError_.clear(); }

    // ---- what the host cut to fit this handler's buffers: element names longer than
    // kMaxStringSize (each element once), string values longer than stringSize() (each time one
    // is read); lengths in characters as the host reports them
    struct Cuts {
        size_t names = 0, longestName = 0;
        size_t values = 0, longestValue = 0;
    };
    // What was cut since the last call; counting starts afresh.
    Cuts takeCuts();

private:
    void init();
    // Into nameBuffer_, its length into nameLength_, and whether the host cut it into nameCut_;
    // false after the error policy ran.
    bool readName(int element);
    MolvoValueW& nextSlot(const int* tuple);
    void prepareReadBuffers();
    int namesHandle() const;
    void countIfCut(const MolvoValueW& value);

    bool elementMode_;
    int stringSize_;
    int writeBatch_;
    int readBatch_;
    MolvoDeclarationDomain declaration_;
    MolvoRangeDomain range_;

    // Write batch: new elements, tuples, values, and one string slot per value for string storage.
    std::vector<int> newElements_;
    int pendingElements_ = 0;
    std::vector<int> writeTuples_;
    std::vector<MolvoValueW> writeValues_;
    std::vector<wchar_t> writeStrings_;
    int pendingValues_ = 0;
    size_t pendingChars_ = 0;   // of writeStrings_, used by the pending string values

    // Read batch.
    std::vector<int> readTuples_;
    std::vector<MolvoValueW> readValues_;
    std::vector<wchar_t> readStrings_;

    std::unordered_map<std::string, int> nameCache_;
    std::string probe_;      // reused key for cache lookups, so that hits allocate nothing
    std::wstring wideName_;  // reused for the host's lookups, so that they allocate nothing
    // How the two caches fare, so that one that only misses is no longer asked.
    struct CacheUse {
        size_t hits = 0, misses = 0;
        bool worthAsking(size_t size) const;
        bool count(bool hit) {
            ++(hit ? hits : misses);
            return hit;
        }
    };
    CacheUse elementCacheUse_, nameCacheUse_;
    std::unordered_map<int, std::string> nameOfElement_;
    std::vector<wchar_t> nameBuffer_;
    size_t nameLength_ = 0;
    bool nameCut_ = false;
    std::vector<wchar_t> defaultBuffer_;
    std::string lastName_;

    Cuts cuts_;
    std::unordered_set<int> cutElements_;   // whose names were cut, so that each counts once

    bool ok_ = true;
    int lastErrorCode_ = 0;
    std::wstring lastError_;
};

}  // namespace flk
