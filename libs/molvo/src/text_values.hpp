// The values of a string parameter: a tuple store of text handles over a text pool of their own,
// compacted when replaced and erased texts make up most of it.
#pragma once

#include "text_pool.hpp"
#include "tuple_store.hpp"

#include <string_view>
#include <vector>

namespace molvo {

class TextValues {
public:
    static constexpr uint32_t npos = TupleStore<TextPool::Handle>::npos;

    explicit TextValues(int dimension) : store_(dimension) {}

    size_t size() const { return store_.size(); }
    uint32_t find(const int* tuple) const { return store_.find(tuple); }
    void copyTuple(uint32_t slot, int* out) const { store_.copyTuple(slot, out); }
    TextView value(uint32_t slot) const { return pool_.view(store_.value(slot)); }
    const std::vector<uint32_t>& order() const { return store_.order(); }
    uint32_t slotAt(size_t position) const { return store_.slotAt(position); }

    void put(const int* tuple, std::wstring_view text) {
        TextPool::Handle& stored = store_.at(tuple);
        pool_.release(stored);
        stored = pool_.add(text);
        if (pool_.wasteful()) pool_.compact([this](auto&& update) { store_.forEachValue(update); });
    }
    void erase(const int* tuple) {
        uint32_t slot = store_.find(tuple);
        if (slot == npos) return;
        pool_.release(store_.value(slot));
        store_.erase(tuple);
    }
    void clear() {
        store_.clear();
        pool_.clear();
    }

private:
    TupleStore<TextPool::Handle> store_;
    TextPool pool_;
};

}  // namespace molvo
