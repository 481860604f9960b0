// Values of one identifier keyed by tuples of element numbers.
//
// Tuples live in one flat array (dimension entries each) with a chained hash index over them, so
// assigning or looking up a value allocates nothing once the arrays have grown; the per-slot
// arrays grow in place, so a million values are not copied at every doubling. Iteration
// follows tuple order (element numbers compared position by position) through a sorted permutation
// that is rebuilt only after tuples were added or removed.
//
// One-dimensional values sit at their element's place instead (slot = element - 1) while the
// elements they use are mostly filled, as a one-index parameter over its set mostly is: no hash,
// no stored key, half the memory, and tuple order is slot order. A store whose elements turn out
// sparse moves to the hash once, and stays there until cleared.
#pragma once

#include "growing_array.hpp"

#include <algorithm>
#include <utility>
#include <cstdint>
#include <vector>

namespace molvo {

template <class V>
class TupleStore {
public:
    static constexpr uint32_t npos = UINT32_MAX;

    explicit TupleStore(int dimension) : dim_(dimension), byElement_(dimension == 1) {}

    int dimension() const { return dim_; }
    size_t size() const { return live_; }

    uint32_t find(const int* tuple) const {
        if (byElement_) {
            const size_t slot = size_t(tuple[0]) - 1;   // element 0 and below wrap beyond every slot
            return slot < values_.size() && alive_[slot] ? uint32_t(slot) : npos;
        }
        if (buckets_.empty()) return npos;
        uint32_t slot = lookup(mix(tuple), tuple);
        return slot != npos && alive_[slot] ? slot : npos;
    }

    // Stores the value at the tuple, adding the tuple when it is new.
    void put(const int* tuple, V value) { at(tuple) = std::move(value); }

    // The value at the tuple, to be set by the caller: the tuple is added (or brought back after
    // an erase) with the value V() when it holds none.
    V& at(const int* tuple) {
        if (byElement_ && !placesElement(tuple[0])) spread();
        if (byElement_) return atElement(tuple[0]);
        if (values_.size() >= buckets_.size()) grow();
        Hash h = mix(tuple);
        uint32_t slot = lookup(h, tuple);
        if (slot != npos) {
            if (!alive_[slot]) { alive_[slot] = 1; ++live_; orderDirty_ = true; }
            return values_[slot];
        }
        slot = static_cast<uint32_t>(values_.size());
        if (slot > 0 && appendedInOrder_ && less(tuple, this->tuple(slot - 1))) appendedInOrder_ = false;
        std::copy(tuple, tuple + dim_, keys_.extend(size_t(dim_)));
        values_.push_back(V());
        alive_.push_back(1);
        if (dim_ > 1) fingerprints_.push_back(fingerprint(h));
        uint32_t& head = buckets_[position(h)];
        next_.push_back(head);
        head = slot;
        ++live_;
        orderDirty_ = true;
        return values_.back();
    }

    // Removes the value at the tuple; the slot is kept so that the tuple can come back cheaply.
    void erase(const int* tuple) {
        uint32_t slot = find(tuple);
        if (slot == npos) return;
        alive_[slot] = 0;
        values_[slot] = V();
        --live_;
        orderDirty_ = true;
    }

    void clear() {
        keys_.clear(); values_.clear(); alive_.clear(); buckets_.clear(); next_.clear(); fingerprints_.clear();
        order_.clear();
        live_ = 0;
        byElement_ = dim_ == 1;
        appendedInOrder_ = true;
        orderDirty_ = false;
    }

    // Writes the slot's tuple (dimension entries) to out.
    void copyTuple(uint32_t slot, int* out) const {
        if (byElement_) *out = int(slot) + 1;
        else std::copy_n(tuple(slot), dim_, out);
    }
    const V& value(uint32_t slot) const { return values_[slot]; }

    // The slot at a position of tuple order. Tuples appended in order and none erased are in
    // tuple order already, as models mostly write them: walking them builds no permutation.
    uint32_t slotAt(size_t position) const { return inSlotOrder() ? uint32_t(position) : order()[position]; }

    // Slots of the live values in tuple order.
    const std::vector<uint32_t>& order() const {
        if (orderDirty_) rebuildOrder();
        return order_;
    }

    // Calls f(V&) for the value of every slot, live or erased (an erased slot holds V()).
    template <class F>
    void forEachValue(F&& f) {
        for (V& v : values_) f(v);
    }

private:
    // Elements beyond the filled ones are placed while the array stays at most twice the values it
    // holds, plus a little room for a start that skips a few.
    static constexpr size_t kSparseRoom = 4096;

    bool placesElement(int element) const {
        return element >= 1 && (size_t(element) <= values_.size() || size_t(element) <= 2 * live_ + kSparseRoom);
    }
    V& atElement(int element) {
        const size_t slot = size_t(element) - 1;
        if (slot >= values_.size()) {
            const size_t more = slot + 1 - values_.size();
            std::fill_n(values_.extend(more), more, V());
            std::fill_n(alive_.extend(more), more, uint8_t(0));
        }
        if (!alive_[slot]) {
            alive_[slot] = 1;
            ++live_;
            orderDirty_ = true;
        }
        return values_[slot];
    }
    // Moves the values placed by element into hashed slots, in element order.
    void spread() {
        GrowingArray<V> values;
        GrowingArray<uint8_t> alive;
        for (uint32_t s = 0; s < values_.size(); ++s) {
            if (!alive_[s]) continue;
            keys_.push_back(int(s) + 1);
            values.push_back(values_[s]);
            alive.push_back(1);
            next_.push_back(npos);
        }
        values_ = std::move(values);
        alive_ = std::move(alive);
        byElement_ = false;
        orderDirty_ = true;
        grow();
    }

    const int* tuple(uint32_t slot) const { return keys_.data() + size_t(slot) * dim_; }

    // Tuples that differ only in their last element land in neighbouring buckets, so that the
    // usual writes (the last index running fastest) walk the buckets in order; the other elements
    // choose where such a run starts, spread by Fibonacci hashing. Collisions chain, so runs that
    // overlap cost one more step, not a probe sequence. The fingerprint spares most key
    // comparisons, each of which would be a cache miss.
    struct Hash {
        uint64_t start;
        uint64_t last;
    };
    Hash mix(const int* tuple) const {
        uint64_t prefix = 0;
        for (int k = 0; k + 1 < dim_; ++k) prefix = (prefix << 21 | prefix >> 43) ^ static_cast<uint32_t>(tuple[k]);
        return Hash{(prefix + 1) * kGolden, dim_ > 0 ? static_cast<uint32_t>(tuple[dim_ - 1]) : 0u};
    }
    size_t position(const Hash& h) const { return static_cast<size_t>((h.start >> 32) + h.last) & (buckets_.size() - 1); }
    static uint32_t fingerprint(const Hash& h) { return static_cast<uint32_t>(((h.start ^ h.last) * kGolden) >> 32); }
    static constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;

    uint32_t lookup(const Hash& h, const int* tuple) const {
        if (dim_ <= 1) {   // the key itself is as small as a fingerprint
            for (uint32_t s = buckets_[position(h)]; s != npos; s = next_[s])
                if (equal(s, tuple)) return s;
            return npos;
        }
        uint32_t fp = fingerprint(h);
        for (uint32_t s = buckets_[position(h)]; s != npos; s = next_[s])
            if (fingerprints_[s] == fp && equal(s, tuple)) return s;
        return npos;
    }

    bool equal(uint32_t slot, const int* t) const {
        const int* k = tuple(slot);
        for (int d = 0; d < dim_; ++d)
            if (k[d] != t[d]) return false;
        return true;
    }
    bool inSlotOrder() const { return appendedInOrder_ && live_ == values_.size(); }
    bool less(const int* a, const int* b) const { return std::lexicographical_compare(a, a + dim_, b, b + dim_); }
    void grow() {
        size_t count = std::max<size_t>(16, buckets_.size() * 2);
        while (count <= values_.size()) count *= 2;
        buckets_.assign(count, npos);
        for (uint32_t s = 0; s < values_.size(); ++s) {
            uint32_t& head = buckets_[position(mix(tuple(s)))];
            next_[s] = head;
            head = s;
        }
    }
    void rebuildOrder() const {
        order_.clear();
        order_.reserve(live_);
        for (uint32_t s = 0; s < values_.size(); ++s)
            if (alive_[s]) order_.push_back(s);
        // Models mostly write in tuple order already; then the slots are the order.
        if (!appendedInOrder_)
            std::sort(order_.begin(), order_.end(), [this](uint32_t a, uint32_t b) { return less(tuple(a), tuple(b)); });
        orderDirty_ = false;
    }

    int dim_;
    GrowingArray<int> keys_;
    GrowingArray<V> values_;
    GrowingArray<uint8_t> alive_;
    std::vector<uint32_t> buckets_;        // first slot of each bucket's chain, npos when empty
    GrowingArray<uint32_t> next_;          // per slot: the next slot of its chain
    GrowingArray<uint32_t> fingerprints_;  // per slot, for tuples of more than one element
    size_t live_ = 0;
    mutable std::vector<uint32_t> order_;
    mutable bool orderDirty_ = false;
    bool byElement_;                // values placed at their element, keys and hash unused
    bool appendedInOrder_ = true;   // every new tuple came after the one appended before it
};

}  // namespace molvo
