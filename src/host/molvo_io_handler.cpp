#include "host/molvo_io_handler.hpp"

#include "frame/utf8.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cwchar>
#include <utility>

namespace flk {

MolvoIOHandler::MolvoIOHandler(std::wstring name, bool elementMode, int flags, int maxStringSize)
    : IdentifierHandle(std::move(name), flags),
      elementMode_(elementMode),
      stringSize_(std::clamp(maxStringSize, kMinStringSize, kMaxStringSize)),
      writeBatch_(kBatchSize),
      readBatch_(kBatchSize) {
    init();
}

MolvoIOHandler::MolvoIOHandler(int borrowedHandle, bool elementMode, int maxStringSize)
    : IdentifierHandle(borrowedHandle),
      elementMode_(elementMode),
      stringSize_(std::clamp(maxStringSize, kMinStringSize, kMaxStringSize)),
      writeBatch_(kBatchSize),
      readBatch_(kBatchSize) {
    init();
}

void MolvoIOHandler::init() {
    if (!valid()) return;
    if (storage() == kString) {
        writeBatch_ = kStringBatchChars / stringSize_;
        readBatch_ = kStringBatchChars / std::max(stringSize_, kMinReadStringSize);
    }
    declaration_.fill(handle());
    range_.fill(handle());
    if (slicedDimension() > 0) MolvoValueResetHandle(handle());
}

// ---- errors

bool MolvoIOHandler::applyErrorPolicy() {
    HostError e = lastHostError();
    if (e.code == 0) return ok_;
    if (e.code == MOLVO_ERR_END_OF_DATA || e.code == MOLVO_ERR_ALREADY_MEMBER) {
        ok_ = true;
        lastErrorCode_ = 0;
        lastError_.clear();
        return ok_;
    }
    lastErrorCode_ = e.code;
    lastError_ = name() + L": " + e.text + L" (error " + std::to_wstring(e.code) + L")";
    if (e.code != MOLVO_ERR_OUTSIDE_DOMAIN && e.code != MOLVO_ERR_TRUNCATED) ok_ = false;
    return ok_;
}

// ---- elements

int MolvoIOHandler::elementByName(std::string_view name, bool existingOnly) {
    if (!isSetOrIndex() || name.empty()) return 0;
    bool cached = elementCacheUse_.worthAsking(nameCache_.size());
    if (cached) {
        probe_.assign(name);
        auto it = nameCache_.find(probe_);
        if (elementCacheUse_.count(it != nameCache_.end())) return it->second;
    }
    wideName_.clear();
    appendWide(wideName_, name);
    int element = 0, created = 0;
    int status = existingOnly ? MolvoSetNameToElementW(handle(), wideName_.c_str(), &element)
                              : MolvoSetElementNumberW(handle(), wideName_.c_str(), 1, &element, &created);
    if (status != 1) {
        applyErrorPolicy();
        return 0;
    }
    if (created) {
        // A new element must also become a member of the set this handler stands for: a set takes
        // it as the value 1, an index through the recursive add of its range.
        if (type() == kIndex) {
            if (pendingElements_ == kBatchSize) flush();
            newElements_.resize(kBatchSize);
            newElements_[size_t(pendingElements_++)] = element;
        } else {
            assignInteger(&element, 1);
        }
    }
    // Names met again (products on order lines) are worth caching; keys met once (a million row
    // keys) would only fill memory, so the cache stops growing at its limit.
    if (cached && nameCache_.size() < kNameCacheLimit) nameCache_.emplace(probe_, element);
    return element;
}

// Once a cache is full and mostly misses, the names do not repeat (a million row keys): asking
// it first would only make each lookup two.
bool MolvoIOHandler::CacheUse::worthAsking(size_t size) const {
    return size < kNameCacheLimit || misses < kNameCacheLimit || hits >= misses / 4;
}

void MolvoIOHandler::clearNameCache() {
    nameCache_.clear();
    nameOfElement_.clear();
    elementCacheUse_ = CacheUse();
    nameCacheUse_ = CacheUse();
}

int MolvoIOHandler::elementByOrdinal(int ordinal) {
    int element = 0;
    if (MolvoSetOrdinalToElement(handle(), ordinal, &element) != 1) {
        applyErrorPolicy();
        return 0;
    }
    return element;
}

int MolvoIOHandler::namesHandle() const { return isSetOrIndex() ? handle() : range_.range(); }

const std::string& MolvoIOHandler::elementName(int element) {
    if (nameCacheUse_.worthAsking(nameOfElement_.size())) {
        auto it = nameOfElement_.find(element);
        if (nameCacheUse_.count(it != nameOfElement_.end())) return it->second;
    }
    readName(element);
    lastName_.clear();
    appendUtf8(lastName_, std::wstring_view(nameBuffer_.data(), nameLength_));
    if (nameOfElement_.size() >= kNameCacheLimit) return lastName_;
    return nameOfElement_.emplace(element, lastName_).first->second;
}

bool MolvoIOHandler::readName(int element) {
    if (nameBuffer_.empty()) nameBuffer_.resize(size_t(kMaxStringSize) + 1);
    nameBuffer_[0] = L'\0';
    MolvoValueW value{0, 0, kMaxStringSize + 1, nameBuffer_.data()};
    bool read = MolvoSetElementToNameW(namesHandle(), element, &value) == 1;
    // The length the host reports spares measuring the name; a name cut or not read is measured.
    const size_t reported = size_t(std::max(value.Length, 0));
    nameLength_ = read && reported <= size_t(kMaxStringSize) && nameBuffer_[reported] == L'\0' ? reported
                                                                                              : std::wcslen(nameBuffer_.data());
    nameCut_ = false;
    if (read) return true;
    bool ok = applyErrorPolicy();
    nameCut_ = lastErrorCode_ == MOLVO_ERR_TRUNCATED;
    if (nameCut_ && cutElements_.insert(element).second) {
        ++cuts_.names;
        cuts_.longestName = std::max(cuts_.longestName, reported);
    }
    return ok;
}

bool MolvoIOHandler::wideElementName(int element, std::wstring& name) {
    bool read = readName(element);
    name.assign(nameBuffer_.data(), nameLength_);
    return read && !nameCut_;
}

bool MolvoIOHandler::renameElement(int element, const std::wstring& name) {
    if (MolvoSetRenameElementW(namesHandle(), element, name.c_str()) == 1) {
        nameOfElement_.erase(element);
        clearNameCache();
        return true;
    }
    applyErrorPolicy();
    return false;
}

// ---- writing

MolvoValueW& MolvoIOHandler::nextSlot(const int* tuple) {
    if (batchFull()) flush();
    int dim = slicedDimension();
    if (writeValues_.empty()) {
        writeTuples_.resize(size_t(writeBatch_) * size_t(dim));
        writeValues_.resize(size_t(writeBatch_));
    }
    int* slot = writeTuples_.data() + size_t(pendingValues_) * size_t(dim);
    for (int k = 0; k < dim; ++k) slot[k] = tuple[k];
    return writeValues_[size_t(pendingValues_++)];
}

int truncatedToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= double(INT_MAX)) return INT_MAX;
    if (value <= double(INT_MIN)) return INT_MIN;
    return int(value);
}

void MolvoIOHandler::assignNumber(const int* tuple, double value) {
    MolvoValueW v{value, truncatedToInt(value), 0, nullptr};
    if (slicedDimension() == 0) {
        if (MolvoValueAssignW(handle(), nullptr, &v) != 1) applyErrorPolicy();
        return;
    }
    nextSlot(tuple) = v;
}

void MolvoIOHandler::assignInteger(const int* tuple, int value) { assignNumber(tuple, value); }

void MolvoIOHandler::assignText(const int* tuple, std::string_view utf8) {
    size_t slotSize = size_t(stringSize_) + 1;
    if (slicedDimension() == 0) {
        std::vector<wchar_t> text(slotSize, L'\0');
        text[decodeUtf8Into(utf8, text.data(), size_t(stringSize_))] = 0;
        MolvoValueW v{0, 0, stringSize_ + 1, text.data()};
        if (MolvoValueAssignW(handle(), nullptr, &v) != 1) applyErrorPolicy();
        return;
    }
    MolvoValueW& v = nextSlot(tuple);
    if (writeStrings_.empty()) writeStrings_.resize(slotSize * size_t(writeBatch_));
    // The batch's strings follow each other: room for a full batch of the longest, but short ones
    // stay on a few pages.
    wchar_t* target = writeStrings_.data() + pendingChars_;
    size_t length = decodeUtf8Into(utf8, target, size_t(stringSize_));
    target[length] = 0;
    pendingChars_ += length + 1;
    v = MolvoValueW{0, 0, stringSize_ + 1, target};
}

bool MolvoIOHandler::flush() {
    bool clean = true;
    if (pendingElements_ > 0) {
        if (MolvoSetAddElementRecursiveMulti(handle(), pendingElements_, newElements_.data()) != 1)
            clean = applyErrorPolicy() && clean;
        pendingElements_ = 0;
    }
    if (pendingValues_ > 0) {
        if (MolvoValueAssignMultiW(handle(), pendingValues_, writeTuples_.data(), writeValues_.data()) != 1)
            clean = applyErrorPolicy() && clean;
        pendingValues_ = 0;
        pendingChars_ = 0;
    }
    return clean && lastErrorCode_ == 0;
}

// ---- reading

void MolvoIOHandler::resetIteration() { MolvoValueResetHandle(handle()); }

void MolvoIOHandler::prepareReadBuffers() {
    if (!readValues_.empty()) return;
    readTuples_.resize(size_t(readBatch_) * size_t(std::max(slicedDimension(), 1)));
    readValues_.resize(size_t(readBatch_));
    if (storage() != kString) return;
    size_t slotSize = size_t(stringSize_) + 1;
    readStrings_.resize(slotSize * size_t(readBatch_));
    for (int i = 0; i < readBatch_; ++i)
        readValues_[size_t(i)] = MolvoValueW{0, 0, int(slotSize), readStrings_.data() + slotSize * size_t(i)};
}

int MolvoIOHandler::nextBatch() {
    prepareReadBuffers();
    if (storage() == kString)   // the host reports lengths in Length: give every slot its capacity back
        for (auto& v : readValues_) v.Length = stringSize_ + 1;
    int count = readBatch_;
    if (MolvoValueNextMultiW(handle(), &count, readTuples_.data(), readValues_.data()) != 1) {
        applyErrorPolicy();
        if (count <= 0) return 0;
        if (lastErrorCode_ == MOLVO_ERR_TRUNCATED)
            for (int i = 0; i < count; ++i) countIfCut(readValues_[size_t(i)]);
    }
    return count;
}

bool MolvoIOHandler::retrieve(const int* tuple, MolvoValueW& value) {
    prepareReadBuffers();
    if (storage() == kString) value = MolvoValueW{0, 0, stringSize_ + 1, readStrings_.data()};
    if (MolvoValueRetrieveW(handle(), tuple, &value) == 1) return true;
    bool ok = applyErrorPolicy();
    if (lastErrorCode_ == MOLVO_ERR_TRUNCATED) countIfCut(value);
    return ok;
}

// The host reports a string's whole length where it had to cut the string to the slot.
void MolvoIOHandler::countIfCut(const MolvoValueW& value) {
    if (storage() != kString || value.Length <= stringSize_) return;
    ++cuts_.values;
    cuts_.longestValue = std::max(cuts_.longestValue, size_t(value.Length));
}

MolvoIOHandler::Cuts MolvoIOHandler::takeCuts() {
    cutElements_.clear();
    return std::exchange(cuts_, Cuts());
}

bool MolvoIOHandler::defaultValue(MolvoValueW& value) {
    if (defaultBuffer_.empty()) defaultBuffer_.resize(size_t(stringSize_) + 1);
    value = MolvoValueW{0, 0, stringSize_ + 1, defaultBuffer_.data()};
    return MolvoAttributeDefaultW(handle(), &value) == 1;
}

}  // namespace flk
