// Element names of one root set, numbered from 1 in creation order, with a chained hash index over
// them that allocates nothing on lookup. The names themselves live in a text pool, a few bytes each.
//
// Names made in sequence ("k1", "k2", ..., "2024-01-15", "c17") land in neighbouring buckets, so
// that creating or finding a run of them walks memory in order instead of missing the cache once
// per name: a name's place is a hash of its stem (the name without its trailing digits) and of
// the block of kRun numbers its number falls in, plus the number's offset in that block. Hashing
// the block as well keeps numbers taken at a stride (every 4096th, hourly time stamps) from piling
// into a few buckets. The fingerprint hashes the whole name, so "k01" and "k1", which share a
// place, rarely need their names compared. Collisions chain, so overlapping runs cost a step
// rather than a probe sequence, and a renamed name simply leaves its chain.
#pragma once

#include "growing_array.hpp"
#include "text_pool.hpp"

#include <cstdint>
#include <string_view>
#include <vector>

namespace molvo {

class NameIndex {
public:
    // Where a name belongs in the index.
    struct Key {
        uint32_t place = 0;         // the bucket, before it is reduced to the index's size
        uint32_t fingerprint = 0;
    };
    // What a failed find learnt, so that adding the name right after needs no second hashing.
    struct Miss {
        Key key;
    };

    int find(std::wstring_view name, Miss* miss = nullptr) const {
        const Key key = keyOf(name);
        if (miss) miss->key = key;
        if (heads_.empty()) return 0;
        for (uint32_t e = heads_[key.place & mask()]; e != kNone; e = node(e).next)
            if (node(e).key.fingerprint == key.fingerprint && this->name(int(e)) == name) return int(e);
        return 0;
    }
    // Adds a name that is not in the index; miss is what find said about it just before, if it
    // was asked.
    int add(std::wstring_view name, const Miss* miss = nullptr) {
        const Key key = miss ? miss->key : keyOf(name);
        names_.push_back(pool_.add(name));
        nodes_.push_back(Node{kNone, key});
        const auto e = uint32_t(names_.size());
        if (names_.size() > heads_.size()) rebuild();   // links every name, this one too
        else link(e);
        return int(e);
    }
    void rename(int element, std::wstring_view name) {
        const auto e = uint32_t(element);
        unlink(e);
        TextPool::Handle& stored = names_[size_t(element) - 1];
        pool_.release(stored);
        stored = pool_.add(name);
        node(e).key = keyOf(name);
        link(e);
        if (pool_.wasteful())
            pool_.compact([this](auto&& update) {
                for (auto& h : names_) update(h);
            });
    }
    TextView name(int element) const { return pool_.view(names_[size_t(element) - 1]); }
    int size() const { return static_cast<int>(names_.size()); }
    void clear() {
        names_.release();
        nodes_.release();
        std::vector<uint32_t>().swap(heads_);
        pool_.clear();
    }

private:
    struct Node {
        uint32_t next;   // the next element of the bucket's chain, kNone at its end
        Key key;         // kept so that growing the index and renaming read no name
    };
    static constexpr uint32_t kNone = 0;          // elements are numbered from 1
    static constexpr size_t kRunDigits = 9;       // 999,999,999 fits a uint32_t
    static constexpr uint32_t kRun = 64;          // neighbouring numbers in neighbouring buckets
    static constexpr size_t kFirstBuckets = 16;
    static constexpr uint64_t kBasis = 0xCBF29CE484222325ull;
    static constexpr uint64_t kPrime = 0x100000001B3ull;
    static constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;

    // The stem is hashed FNV-1a style, character by character; the trailing digits (the last
    // kRunDigits of them, so that the number fits) are read as a number while the stem is found.
    // The stem's hash, the number and the count of its digits make the name whole again, so the
    // fingerprint is made from them without hashing the digits one by one ("k01" and "k1" differ
    // in their count).
    static Key keyOf(std::wstring_view name) {
        size_t stem = name.size();
        uint64_t number = 0, scale = 1;
        while (stem > 0 && name.size() - stem < kRunDigits && isDigit(name[stem - 1])) {
            number += uint64_t(name[stem - 1] - L'0') * scale;
            scale *= 10;
            --stem;
        }
        uint64_t h = kBasis;
        for (size_t i = 0; i < stem; ++i) h = step(h, name[i]);
        const uint64_t whole = (h ^ (number << 4 | (name.size() - stem))) * kGolden;
        const auto block = uint32_t(((h ^ (number / kRun)) * kGolden) >> 32);
        return Key{block + uint32_t(number % kRun), uint32_t(((whole ^ (whole >> 29)) * kGolden) >> 32)};
    }
    static bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
    static uint64_t step(uint64_t h, wchar_t c) { return (h ^ static_cast<uint32_t>(c)) * kPrime; }

    Node& node(uint32_t e) { return nodes_[e - 1]; }
    const Node& node(uint32_t e) const { return nodes_[e - 1]; }
    size_t mask() const { return heads_.size() - 1; }
    uint32_t& head(uint32_t e) { return heads_[node(e).key.place & mask()]; }

    void link(uint32_t e) {
        uint32_t& first = head(e);
        node(e).next = first;
        first = e;
    }
    void unlink(uint32_t e) {
        uint32_t* at = &head(e);
        while (*at != e) at = &node(*at).next;
        *at = node(e).next;
    }
    // At most one name a bucket on average, which keeps chains short.
    void rebuild() {
        size_t buckets = kFirstBuckets;
        while (buckets < names_.size()) buckets *= 2;
        heads_.assign(buckets, kNone);
        for (uint32_t e = 1; e <= names_.size(); ++e) link(e);
    }

    GrowingArray<TextPool::Handle> names_;   // by element - 1
    GrowingArray<Node> nodes_;               // by element - 1
    std::vector<uint32_t> heads_;            // the first element of each bucket's chain
    TextPool pool_;
};

}  // namespace molvo
