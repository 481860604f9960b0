#include "host_model.hpp"

#include "wide_text.hpp"

#include <algorithm>
#include <stdexcept>

namespace molvo {

namespace {

[[noreturn]] void fail(const std::wstring& what) { throw std::invalid_argument(narrow(what)); }

}  // namespace

HostModel& hostModel() {
    static HostModel instance;
    return instance;
}

Model& model() { return hostModel(); }

// ---- sets

int SetData::elementAt(int ordinal) const {
    if (ordinal < 1 || ordinal > size()) return 0;
    if (isRoot()) return ordinal;
    if (orderedDirty) {
        ordered.clear();
        for (size_t e = 1; e < member.size(); ++e)
            if (member[e]) ordered.push_back(int(e));
        orderedDirty = false;
    }
    return ordered[ordinal - 1];
}

void SetData::add(int element) {
    for (SetData* s = this; !s->isRoot(); s = s->parent) {
        if (s->member.size() <= size_t(element)) s->member.resize(element + 1, 0);
        if (!s->member[element]) { s->member[element] = 1; ++s->memberCount; s->orderedDirty = true; }
    }
}

void SetData::remove(int element) {
    if (isRoot() || size_t(element) >= member.size() || !member[element]) return;
    member[element] = 0;
    --memberCount;
    orderedDirty = true;
}

void SetData::clearMembers() {
    member.clear();
    memberCount = 0;
    ordered.clear();
    orderedDirty = false;
}

// ---- declarations

void HostModel::declareSet(const std::wstring& name, const SetDeclaration& declaration) {
    if (findIdentifier(name)) fail(L"identifier " + name + L" is declared twice");
    SetData& set = sets_.emplace_back();
    set.name = name;
    if (!declaration.subsetOf.empty()) {
        Identifier& parent = need(declaration.subsetOf);
        if (parent.kind != Kind::Set) fail(L"subset " + name + L": " + declaration.subsetOf + L" is not a set");
        set.parent = parent.set;
        set.root = parent.set->root;
    } else if (declaration.calendar) {
        set.calendar = std::make_unique<CalendarData>(makeCalendar(*declaration.calendar));
        for (int slot = 0; slot < set.calendar->slots; ++slot) set.names.add(set.calendar->nameOf(slot));
    }
    auto id = std::make_unique<Identifier>();
    id->name = name;
    id->kind = Kind::Set;
    id->type = set.isRoot() ? MOLVO_TYPE_ROOT_SET : MOLVO_TYPE_SUBSET;
    id->set = &set;
    identifiers_.emplace(id->name, std::move(id));
    for (const auto& element : declaration.elements) {
        if (set.calendar) fail(L"calendar " + name + L" cannot be given elements");
        int e = set.root->names.find(element);
        if (!e) e = set.root->names.add(element);
        set.add(e);
    }
    for (const auto& index : declaration.indices) {
        if (findIdentifier(index)) fail(L"index " + index + L" is declared twice");
        auto idx = std::make_unique<Identifier>();
        idx->name = index;
        idx->kind = Kind::Index;
        idx->type = MOLVO_TYPE_INDEX;
        idx->set = &set;
        identifiers_.emplace(idx->name, std::move(idx));
    }
}

void HostModel::declareParameter(const std::wstring& name, const ParameterDeclaration& declaration) {
    if (findIdentifier(name)) fail(L"identifier " + name + L" is declared twice");
    if (declaration.indices.size() > MOLVO_MAX_DIMENSION) fail(L"parameter " + name + L" has more than 32 indices");
    auto id = std::make_unique<Identifier>();
    id->name = name;
    id->kind = Kind::Parameter;
    id->storage = declaration.storage;
    for (const auto& index : declaration.indices) {
        Identifier& idx = need(index);
        if (idx.kind != Kind::Index) fail(L"parameter " + name + L": " + index + L" is not an index");
        id->indices.push_back(&idx);
    }
    if (declaration.storage == Storage::Element) {
        Identifier& range = need(declaration.range);
        if (range.kind != Kind::Set) fail(L"parameter " + name + L": range " + declaration.range + L" is not a set");
        id->range = range.set;
        id->type = MOLVO_TYPE_PARAMETER_ELEMENT;
    } else {
        id->type = declaration.storage == Storage::String ? MOLVO_TYPE_PARAMETER_STRING : MOLVO_TYPE_PARAMETER_NUMERIC;
    }
    bool text = declaration.storage == Storage::String;
    if (text != std::holds_alternative<std::wstring>(declaration.defaultValue) && declaration.storage != Storage::Element)
        fail(L"parameter " + name + L": the default value does not match its type");
    id->defaultValue = declaration.defaultValue;
    if (text) id->texts = std::make_unique<TextValues>(id->dimension());
    else id->numbers = std::make_unique<TupleStore<double>>(id->dimension());
    if (declaration.storage == Storage::Element && std::holds_alternative<double>(id->defaultValue))
        id->defaultValue = std::wstring();
    if (!text) id->defaultNumber = numberOf(*id, id->defaultValue);
    identifiers_.emplace(id->name, std::move(id));
}

void HostModel::declareProcedure(const std::wstring& name, std::vector<int> argumentTypes, ProcedureBody body) {
    if (procedures_.count(name)) fail(L"procedure " + name + L" is declared twice");
    for (int t : argumentTypes)
        if (t != MOLVO_ARG_INPUT_NUMERIC && t != MOLVO_ARG_INPUT_STRING) fail(L"procedure " + name + L": bad argument type");
    auto p = std::make_unique<Procedure>(Procedure{name, std::move(argumentTypes), std::move(body)});
    procedures_.emplace(p->name, std::move(p));
}

void HostModel::clear() {
    handles_.clear();
    lastRecord_ = nullptr;
    identifiers_.clear();
    procedures_.clear();
    sets_.clear();
    errors_.clear();
    nextHandle_ = 1;
    interruptCallback = nullptr;
}

// ---- lookups

Identifier* HostModel::findIdentifier(std::wstring_view name) const {
    if (name.substr(0, 2) == L"::") name.remove_prefix(2);
    auto it = identifiers_.find(name);
    return it == identifiers_.end() ? nullptr : it->second.get();
}

Procedure* HostModel::findProcedure(std::wstring_view name) const {
    if (name.substr(0, 2) == L"::") name.remove_prefix(2);
    auto it = procedures_.find(name);
    return it == procedures_.end() ? nullptr : it->second.get();
}

Identifier& HostModel::need(const std::wstring& name) const {
    Identifier* id = findIdentifier(name);
    if (!id) fail(L"unknown identifier " + name);
    return *id;
}

int HostModel::newHandle(Identifier* identifier, Procedure* procedure) {
    int h = nextHandle_++;
    handles_[h] = HandleRecord{identifier, procedure, 0};
    return h;
}

HandleRecord* HostModel::handleRecord(int handle) {
    if (lastRecord_ && lastHandle_ == handle) return lastRecord_;
    auto it = handles_.find(handle);
    if (it == handles_.end()) return nullptr;
    lastHandle_ = handle;
    lastRecord_ = &it->second;
    return lastRecord_;
}

bool HostModel::deleteHandle(int handle) {
    if (lastHandle_ == handle) lastRecord_ = nullptr;
    return handles_.erase(handle) == 1;
}

int HostModel::handle(const std::wstring& name) { return newHandle(&need(name), nullptr); }

void HostModel::raise(int severity, std::wstring message, std::wstring source) {
    errors_.push_back(RaisedError{severity, std::move(message), std::move(source)});
}

std::vector<RaisedError> HostModel::errors() const { return errors_; }
void HostModel::clearErrors() { errors_.clear(); }

int HostModel::checkInterrupt(bool solving) { return interruptCallback ? interruptCallback(solving ? 1 : 0) : 0; }

// ---- values by name

double numberOf(const Identifier& id, const Value& v) {
    if (id.storage == Storage::Element) {
        const auto* name = std::get_if<std::wstring>(&v);
        if (!name) fail(L"element parameter " + id.name + L" takes element names");
        if (name->empty()) return 0;
        int e = id.range->root->names.find(*name);
        if (!e || !id.range->contains(e)) fail(L"'" + *name + L"' is not an element of the range of " + id.name);
        return e;
    }
    const double* d = std::get_if<double>(&v);
    if (!d) fail(L"parameter " + id.name + L" takes numbers");
    return id.storage == Storage::Integer ? double(int64_t(*d)) : *d;
}

Value valueOf(const Identifier& id, double stored) {
    if (id.storage != Storage::Element) return stored;
    return stored == 0 ? std::wstring() : id.range->root->names.name(int(stored)).str();
}

std::vector<int> HostModel::tupleOf(const Identifier& id, const std::vector<std::wstring>& names) const {
    if (int(names.size()) != id.dimension())
        fail(L"identifier " + id.name + L" has dimension " + std::to_wstring(id.dimension()));
    std::vector<int> tuple;
    for (size_t k = 0; k < names.size(); ++k) {
        SetData* set = id.domainSet(int(k));
        int e = set->root->names.find(names[k]);
        if (!e || !set->contains(e)) fail(L"'" + names[k] + L"' is not an element of " + set->name);
        tuple.push_back(e);
    }
    return tuple;
}

Value HostModel::get(const std::wstring& name, const std::vector<std::wstring>& tuple) const {
    const Identifier& id = need(name);
    if (id.kind != Kind::Parameter) {
        if (id.kind == Kind::Index) fail(L"index " + name + L" has no values");
        auto t = tupleOf(id, tuple);
        return double(id.set->contains(t[0]) ? 1 : 0);
    }
    auto t = tupleOf(id, tuple);
    if (id.texts) {
        uint32_t s = id.texts->find(t.data());
        return s == id.texts->npos ? id.defaultValue : Value(id.texts->value(s).str());
    }
    uint32_t s = id.numbers->find(t.data());
    return s == id.numbers->npos ? id.defaultValue : valueOf(id, id.numbers->value(s));
}

void HostModel::assign(const std::wstring& name, const std::vector<std::wstring>& tuple, const Value& value) {
    Identifier& id = need(name);
    if (id.kind == Kind::Set) {
        if (tuple.size() != 1) fail(L"a set takes one element");
        SetData* set = id.set;
        int e = set->root->names.find(tuple[0]);
        if (!e) {
            if (set->root->calendar) fail(L"calendar " + set->root->name + L" has no element " + tuple[0]);
            e = set->root->names.add(tuple[0]);
        }
        if (set->parent && !set->parent->contains(e)) set->parent->add(e);
        set->add(e);
        return;
    }
    if (id.kind != Kind::Parameter) fail(L"index " + name + L" cannot be assigned");
    auto t = tupleOf(id, tuple);
    if (id.texts) {
        const auto* text = std::get_if<std::wstring>(&value);
        if (!text) fail(L"parameter " + name + L" takes strings");
        if (*text == std::get<std::wstring>(id.defaultValue)) id.texts->erase(t.data());
        else id.texts->put(t.data(), *text);
        return;
    }
    double v = numberOf(id, value);
    if (v == id.defaultNumber) id.numbers->erase(t.data());
    else id.numbers->put(t.data(), v);
}

std::vector<std::wstring> HostModel::elements(const std::wstring& name) const {
    const Identifier& id = need(name);
    std::vector<std::wstring> out;
    for (int i = 1; i <= id.set->size(); ++i) out.push_back(id.set->root->names.name(id.set->elementAt(i)).str());
    return out;
}

std::vector<Entry> HostModel::data(const std::wstring& name) const {
    const Identifier& id = need(name);
    std::vector<Entry> out;
    if (id.kind != Kind::Parameter) {
        for (const auto& e : elements(id.set->name)) out.push_back(Entry{{e}, 1.0});
        return out;
    }
    std::vector<int> t(size_t(id.dimension()));
    auto tupleNames = [&](const auto& store, uint32_t slot) {
        store.copyTuple(slot, t.data());
        std::vector<std::wstring> names;
        for (int k = 0; k < id.dimension(); ++k) names.push_back(id.domainSet(k)->root->names.name(t[size_t(k)]).str());
        return names;
    };
    if (id.texts)
        for (uint32_t s : id.texts->order()) out.push_back(Entry{tupleNames(*id.texts, s), id.texts->value(s).str()});
    else
        for (uint32_t s : id.numbers->order()) out.push_back(Entry{tupleNames(*id.numbers, s), valueOf(id, id.numbers->value(s))});
    return out;
}

size_t HostModel::card(const std::wstring& name) const {
    const Identifier& id = need(name);
    if (id.kind != Kind::Parameter) return id.set->size();
    return id.texts ? id.texts->size() : id.numbers->size();
}

void HostModel::empty(const std::wstring& name) { emptyIdentifier(need(name)); }

void HostModel::emptyIdentifier(Identifier& id) {
    if (id.kind == Kind::Parameter) {
        if (id.texts) id.texts->clear();
        else id.numbers->clear();
        return;
    }
    SetData* set = id.set;
    if (!set->isRoot()) {
        for (auto& s : sets_)   // subsets of this subset lose their elements too
            for (SetData* p = s.parent; p; p = p->parent)
                if (p == set) { s.clearMembers(); break; }
        set->clearMembers();
        return;
    }
    if (set->calendar) fail(L"calendar " + set->name + L" cannot be emptied");
    forgetElementsOf(set);
}

// Emptying a root set removes its elements, so every subset of it and every value indexed by it or
// holding one of its elements goes too.
void HostModel::forgetElementsOf(SetData* root) {
    root->names.clear();
    for (auto& s : sets_)
        if (s.root == root && &s != root) s.clearMembers();
    for (auto& [name, id] : identifiers_) {
        if (id->kind != Kind::Parameter) continue;
        bool indexed = std::any_of(id->indices.begin(), id->indices.end(),
                                   [root](Identifier* i) { return i->set->root == root; });
        bool ranged = id->range && id->range->root == root;
        if (indexed || ranged) {
            if (id->texts) id->texts->clear();
            else id->numbers->clear();
        }
    }
}

}  // namespace molvo
