// Internal structure of the simulated host's model: sets, indices, parameters, procedures, handles.
#pragma once

#include "calendar.hpp"
#include "molvo/model.hpp"
#include "molvo/molvo3.h"
#include "text_pool.hpp"
#include "text_values.hpp"
#include "tuple_store.hpp"

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace molvo {

// Element names of one root set, numbered from 1 in creation order, with an open-addressing hash
// index that allocates nothing on lookup. Each entry of the index holds the element number and a
// fingerprint of its name's hash, so that probing touches a name only when the fingerprints agree;
// the fingerprint also gives the entry's place, so that growing the index reads no name. The
// names themselves live in a text pool, a few bytes each.
class NameIndex {
public:
    // What a failed find learnt, so that adding the name right after needs no second probe: its
    // hash and the place it would take.
    struct Miss {
        uint64_t hash = 0;
        size_t place = SIZE_MAX;
    };

    int find(std::wstring_view name, Miss* miss = nullptr) const {
        uint64_t h = hash(name);
        if (miss) *miss = Miss{h, SIZE_MAX};
        if (table_.empty()) return 0;
        for (size_t i = fingerprint(h) & mask();; i = (i + 1) & mask()) {
            uint64_t entry = table_[i];
            if (miss && miss->place == SIZE_MAX && (entry == kEmpty || entry == kGone)) miss->place = i;
            if (entry == kEmpty) return 0;
            uint32_t e = element(entry);
            if (entry != kGone && fingerprint(entry) == fingerprint(h) && this->name(int(e)) == name) return int(e);
        }
    }
    // Adds a name that is not in the index; miss is what find said about it just before, if it
    // was asked.
    int add(std::wstring_view name, const Miss* miss = nullptr) {
        names_.push_back(pool_.add(name));
        auto e = uint32_t(names_.size());
        if ((names_.size() + gone_) * 2 > table_.size()) {
            rebuild();
            place(e, miss ? miss->hash : hash(name));
        } else if (miss && miss->place != SIZE_MAX) {
            if (table_[miss->place] == kGone) --gone_;
            table_[miss->place] = (fingerprint(miss->hash) << 32) | e;
        } else {
            place(e, hash(name));
        }
        return int(e);
    }
    void rename(int element, std::wstring_view name) {
        table_[slotOf(uint32_t(element))] = kGone;
        ++gone_;
        TextPool::Handle& stored = names_[size_t(element) - 1];
        pool_.release(stored);
        stored = pool_.add(name);
        place(uint32_t(element), hash(name));
        // Renamed names leave tombstones behind; without a rebuild they would fill the table and
        // a probe for a missing name would never meet a free place.
        if ((names_.size() + gone_) * 2 > table_.size()) rebuild();
        if (pool_.wasteful())
            pool_.compact([this](auto&& update) {
                for (auto& h : names_) update(h);
            });
    }
    TextView name(int element) const { return pool_.view(names_[size_t(element) - 1]); }
    int size() const { return static_cast<int>(names_.size()); }
    void clear() {
        std::vector<TextPool::Handle>().swap(names_);
        std::vector<uint64_t>().swap(table_);
        pool_.clear();
        gone_ = 0;
    }

private:
    static constexpr uint64_t kEmpty = 0;
    static constexpr uint64_t kGone = UINT64_MAX;

    template <class Text>
    static uint64_t hash(const Text& name) {
        uint64_t h = 0xCBF29CE484222325ull;
        for (size_t i = 0; i < name.size(); ++i) h = (h ^ static_cast<uint32_t>(name[i])) * 0x100000001B3ull;
        return h ^ (h >> 29);
    }
    static uint32_t element(uint64_t entry) { return static_cast<uint32_t>(entry); }
    static uint64_t fingerprint(uint64_t h) { return h >> 32; }
    size_t mask() const { return table_.size() - 1; }
    void place(uint32_t e, uint64_t h) { placeEntry((fingerprint(h) << 32) | e); }
    void placeEntry(uint64_t entry) {
        size_t i = fingerprint(entry) & mask();
        while (table_[i] != kEmpty && table_[i] != kGone) i = (i + 1) & mask();
        if (table_[i] == kGone) --gone_;
        table_[i] = entry;
    }
    size_t slotOf(uint32_t e) const {
        size_t i = fingerprint(hash(name(int(e)))) & mask();
        while (table_[i] == kGone || element(table_[i]) != e) i = (i + 1) & mask();
        return i;
    }
    void rebuild() {
        size_t capacity = 16;
        while (capacity < names_.size() * 2) capacity *= 2;
        std::vector<uint64_t> old(capacity, kEmpty);
        table_.swap(old);
        gone_ = 0;
        for (uint64_t entry : old)
            if (entry != kEmpty && entry != kGone) placeEntry(entry);
    }

    std::vector<TextPool::Handle> names_;
    TextPool pool_;
    std::vector<uint64_t> table_;   // fingerprint << 32 | element; kEmpty free, kGone a renamed name's place
    size_t gone_ = 0;
};

struct SetData {
    std::wstring name;
    SetData* root = this;                // a root set points to itself
    SetData* parent = nullptr;           // the superset of a subset
    NameIndex names;                     // root sets only
    std::unique_ptr<CalendarData> calendar;  // root sets only
    std::vector<uint8_t> member;         // subsets only: by element number
    int memberCount = 0;                 // subsets only
    mutable std::vector<int> ordered;    // subsets only: members in order, rebuilt when dirty
    mutable bool orderedDirty = false;

    bool isRoot() const { return root == this; }
    int size() const { return isRoot() ? names.size() : memberCount; }
    bool contains(int element) const {
        if (element < 1 || element > root->names.size()) return false;
        return isRoot() || (size_t(element) < member.size() && member[element]);
    }
    // The element at a 1-based ordinal, 0 when out of range.
    int elementAt(int ordinal) const;
    void add(int element);               // into this set and every superset
    void remove(int element);
    void clearMembers();
};

enum class Kind { Set, Index, Parameter };

struct Identifier {
    std::wstring name;
    Kind kind = Kind::Set;
    int type = 0;
    SetData* set = nullptr;              // sets: the set; indices: the set they run over
    std::vector<Identifier*> indices;    // parameters: their indices
    Storage storage = Storage::Numeric;
    SetData* range = nullptr;            // element parameters: the range set
    Value defaultValue = 0.0;
    double defaultNumber = 0;            // numeric storages: the default as stored
    std::unique_ptr<TupleStore<double>> numbers;      // numeric, integer and element parameters
    std::unique_ptr<TextValues> texts;                // string parameters

    int dimension() const { return kind == Kind::Parameter ? int(indices.size()) : kind == Kind::Set ? 1 : 0; }
    SetData* domainSet(int k) const { return kind == Kind::Set ? set : indices[k]->set; }
};

struct Procedure {
    std::wstring name;
    std::vector<int> argumentTypes;
    ProcedureBody body;
};

struct HandleRecord {
    Identifier* identifier = nullptr;
    Procedure* procedure = nullptr;
    size_t cursor = 0;                   // iteration position in tuple order
};

class HostModel : public Model {
public:
    void declareSet(const std::wstring& name, const SetDeclaration& declaration) override;
    void declareParameter(const std::wstring& name, const ParameterDeclaration& declaration) override;
    void declareProcedure(const std::wstring& name, std::vector<int> argumentTypes, ProcedureBody body) override;
    void clear() override;
    Value get(const std::wstring& name, const std::vector<std::wstring>& tuple) const override;
    void assign(const std::wstring& name, const std::vector<std::wstring>& tuple, const Value& value) override;
    std::vector<std::wstring> elements(const std::wstring& set) const override;
    std::vector<Entry> data(const std::wstring& name) const override;
    size_t card(const std::wstring& name) const override;
    void empty(const std::wstring& name) override;
    int handle(const std::wstring& name) override;
    std::vector<RaisedError> errors() const override;
    void clearErrors() override;
    int checkInterrupt(bool solving) override;

    // For the C functions.
    Identifier* findIdentifier(std::wstring_view name) const;
    Procedure* findProcedure(std::wstring_view name) const;
    int newHandle(Identifier* identifier, Procedure* procedure);
    HandleRecord* handleRecord(int handle);
    bool deleteHandle(int handle);
    void emptyIdentifier(Identifier& id);
    void raise(int severity, std::wstring message, std::wstring source);

    MolvoInterruptCallback interruptCallback = nullptr;

private:
    Identifier& need(const std::wstring& name) const;
    std::vector<int> tupleOf(const Identifier& id, const std::vector<std::wstring>& names) const;
    void forgetElementsOf(SetData* root);

    // Keys view the names held by the values, which live on the heap and never move.
    std::unordered_map<std::wstring_view, std::unique_ptr<Identifier>> identifiers_;
    std::unordered_map<std::wstring_view, std::unique_ptr<Procedure>> procedures_;
    std::deque<SetData> sets_;
    std::unordered_map<int, HandleRecord> handles_;
    int nextHandle_ = 1;
    std::vector<RaisedError> errors_;
};

HostModel& hostModel();

// Values as the model sees them <-> as stored.
double numberOf(const Identifier& id, const Value& v);
Value valueOf(const Identifier& id, double stored);

}  // namespace molvo
