// Values of one identifier keyed by tuples of element numbers.
//
// Tuples live in one flat array (dimension entries each) with an open-addressing hash table over
// them, so assigning or looking up a value allocates nothing once the arrays have grown. Iteration
// follows tuple order (element numbers compared position by position) through a sorted permutation
// that is rebuilt only after tuples were added or removed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace molvo {

template <class V>
class TupleStore {
public:
    static constexpr uint32_t npos = UINT32_MAX;

    explicit TupleStore(int dimension) : dim_(dimension) {}

    int dimension() const { return dim_; }
    size_t size() const { return live_; }

    uint32_t find(const int* tuple) const {
        if (table_.empty()) return npos;
        size_t mask = table_.size() - 1;
        for (size_t i = hash(tuple) & mask;; i = (i + 1) & mask) {
            uint32_t slot = table_[i];
            if (slot == kEmpty) return npos;
            if (equal(slot, tuple)) return alive_[slot] ? slot : npos;
        }
    }

    // Stores the value at the tuple, adding the tuple when it is new.
    void put(const int* tuple, V value) {
        if ((values_.size() + 1) * 2 > table_.size()) grow();
        size_t mask = table_.size() - 1;
        size_t i = hash(tuple) & mask;
        for (;; i = (i + 1) & mask) {
            uint32_t slot = table_[i];
            if (slot == kEmpty) break;
            if (equal(slot, tuple)) {
                values_[slot] = std::move(value);
                if (!alive_[slot]) { alive_[slot] = 1; ++live_; orderDirty_ = true; }
                return;
            }
        }
        uint32_t slot = static_cast<uint32_t>(values_.size());
        table_[i] = slot;
        keys_.insert(keys_.end(), tuple, tuple + dim_);
        values_.push_back(std::move(value));
        alive_.push_back(1);
        ++live_;
        orderDirty_ = true;
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
        keys_.clear(); values_.clear(); alive_.clear(); table_.clear(); order_.clear();
        live_ = 0;
        orderDirty_ = false;
    }

    const int* tuple(uint32_t slot) const { return keys_.data() + size_t(slot) * dim_; }
    const V& value(uint32_t slot) const { return values_[slot]; }

    // Slots of the live values in tuple order.
    const std::vector<uint32_t>& order() const {
        if (orderDirty_) rebuildOrder();
        return order_;
    }

    // Removes every value whose tuple satisfies the predicate (used when elements disappear).
    template <class Pred>
    void eraseIf(Pred pred) {
        for (uint32_t s = 0; s < values_.size(); ++s)
            if (alive_[s] && pred(tuple(s))) { alive_[s] = 0; values_[s] = V(); --live_; orderDirty_ = true; }
    }

private:
    static constexpr uint32_t kEmpty = UINT32_MAX;

    size_t hash(const int* tuple) const {
        uint64_t h = 0x9E3779B97F4A7C15ull;
        for (int k = 0; k < dim_; ++k) {
            h ^= static_cast<uint32_t>(tuple[k]);
            h *= 0xFF51AFD7ED558CCDull;
            h ^= h >> 32;
        }
        return static_cast<size_t>(h);
    }
    bool equal(uint32_t slot, const int* t) const {
        return dim_ == 0 || std::memcmp(tuple(slot), t, sizeof(int) * dim_) == 0;   // scalars have no tuple
    }
    void grow() {
        size_t capacity = std::max<size_t>(16, table_.size() * 2);
        table_.assign(capacity, kEmpty);
        size_t mask = capacity - 1;
        for (uint32_t s = 0; s < values_.size(); ++s) {
            size_t i = hash(tuple(s)) & mask;
            while (table_[i] != kEmpty) i = (i + 1) & mask;
            table_[i] = s;
        }
    }
    void rebuildOrder() const {
        order_.clear();
        order_.reserve(live_);
        for (uint32_t s = 0; s < values_.size(); ++s)
            if (alive_[s]) order_.push_back(s);
        std::sort(order_.begin(), order_.end(), [this](uint32_t a, uint32_t b) {
            return std::lexicographical_compare(tuple(a), tuple(a) + dim_, tuple(b), tuple(b) + dim_);
        });
        orderDirty_ = false;
    }

    int dim_;
    std::vector<int> keys_;
    std::vector<V> values_;
    std::vector<uint8_t> alive_;
    std::vector<uint32_t> table_;
    size_t live_ = 0;
    mutable std::vector<uint32_t> order_;
    mutable bool orderDirty_ = false;
};

}  // namespace molvo
