// Reading and assigning values, one at a time and in batches.
#include "api_support.hpp"

#include <cwchar>
#include <vector>

using namespace molvo;

namespace {

// Checks a tuple against the identifier's domain: 1 when every element belongs to its set.
int checkTuple(const Identifier& id, const int* tuple) {
    for (int k = 0; k < id.dimension(); ++k)
        if (!id.domainSet(k)->contains(tuple[k]))
            return failWith(MOLVO_ERR_OUTSIDE_DOMAIN, L"element " + std::to_wstring(tuple[k]) + L" lies outside the domain of " +
                                                          id.name + L"; value not assigned");
    return 1;
}

int putValue(Identifier& id, const int* tuple, const MolvoValueW& v) {
    if (!checkTuple(id, tuple)) return 0;
    if (id.kind == Kind::Set) {
        SetData* set = id.set;
        if (set->isRoot()) return v.Int ? 1 : failWith(MOLVO_ERR_WRONG_TYPE, L"elements cannot be removed from root set " + id.name);
        if (v.Int) set->add(tuple[0]);
        else set->remove(tuple[0]);
        return 1;
    }
    if (id.texts) {
        if (!v.String) return failWith(MOLVO_ERR_NULL_ARGUMENT, L"no string value for " + id.name);
        const std::wstring_view text(v.String);   // measured once: a million values pass here
        if (std::get<std::wstring>(id.defaultValue) == text) id.texts->erase(tuple);
        else id.texts->put(tuple, text);
        return 1;
    }
    double d = id.storage == Storage::Numeric ? v.Double : double(v.Int);
    if (id.storage == Storage::Element && d != 0 && !id.range->contains(int(d)))
        return failWith(MOLVO_ERR_BAD_ELEMENT, L"element " + std::to_wstring(v.Int) + L" is not in the range of " + id.name);
    if (d == id.defaultNumber) id.numbers->erase(tuple);
    else id.numbers->put(tuple, d);
    return 1;
}

int getStored(const Identifier& id, uint32_t slot, MolvoValueW& out) {
    if (id.texts)
        return copyOut(slot == id.texts->npos ? TextView(std::get<std::wstring>(id.defaultValue)) : id.texts->value(slot), &out);
    double d = slot == id.numbers->npos ? id.defaultNumber : id.numbers->value(slot);
    out.Double = d;
    out.Int = intSlot(d);
    return 1;
}

int getValue(const Identifier& id, const int* tuple, MolvoValueW& out) {
    if (id.kind == Kind::Set) {
        out.Int = id.set->contains(tuple[0]) ? 1 : 0;
        out.Double = out.Int;
        return 1;
    }
    if (id.kind != Kind::Parameter) return failWith(MOLVO_ERR_WRONG_TYPE, L"index " + id.name + L" has no values");
    for (int k = 0; k < id.dimension(); ++k)
        if (tuple[k] < 1 || tuple[k] > id.domainSet(k)->root->names.size())
            return failWith(MOLVO_ERR_BAD_ELEMENT, L"element " + std::to_wstring(tuple[k]) + L" does not exist");
    return getStored(id, id.texts ? id.texts->find(tuple) : id.numbers->find(tuple), out);
}

const std::vector<uint32_t>& orderOf(const Identifier& id) { return id.texts ? id.texts->order() : id.numbers->order(); }
void copyTuple(const Identifier& id, uint32_t slot, int* out) {
    if (id.texts) id.texts->copyTuple(slot, out);
    else id.numbers->copyTuple(slot, out);
}

}  // namespace

extern "C" {

int MolvoValueResetHandle(int handle) {
    MOLVO_ENTER();
    HandleRecord* r = hostModel().handleRecord(handle);
    if (!r || !r->identifier) return failWith(MOLVO_ERR_BAD_HANDLE, L"invalid handle " + std::to_wstring(handle));
    r->cursor = 0;
    return 1;
}

int MolvoValueNextMultiW(int handle, int* count, int* tuples, MolvoValueW* values) {
    MOLVO_ENTER();
    MOLVO_NEED(count);
    MOLVO_NEED(tuples);
    MOLVO_NEED(values);
    HandleRecord* r = hostModel().handleRecord(handle);
    if (!r || !r->identifier) return failWith(MOLVO_ERR_BAD_HANDLE, L"invalid handle " + std::to_wstring(handle));
    const Identifier& id = *r->identifier;
    if (id.kind == Kind::Index) return failWith(MOLVO_ERR_WRONG_TYPE, L"index " + id.name + L" has no values");
    int capacity = *count, n = 0, dim = id.dimension(), status = 1;
    if (id.kind == Kind::Set) {
        for (; n < capacity && r->cursor < size_t(id.set->size()); ++n, ++r->cursor) {
            tuples[n] = id.set->elementAt(int(r->cursor) + 1);
            values[n].Int = 1;
            values[n].Double = 1;
        }
    } else {
        const size_t stored = id.texts ? id.texts->size() : id.numbers->size();
        for (; n < capacity && r->cursor < stored; ++n, ++r->cursor) {
            uint32_t slot = id.texts ? id.texts->slotAt(r->cursor) : id.numbers->slotAt(r->cursor);
            copyTuple(id, slot, tuples + size_t(n) * dim);
            if (!getStored(id, slot, values[n])) status = 0;   // a cut string: the text says so
        }
    }
    *count = n;
    if (n == 0) return failWith(MOLVO_ERR_END_OF_DATA, L"no further values of " + id.name);
    return status;
}

int MolvoValueRetrieveW(int handle, const int* tuple, MolvoValueW* value) {
    MOLVO_ENTER();
    MOLVO_NEED(value);
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    if (id->dimension() > 0 && !tuple) return failWith(MOLVO_ERR_DIMENSION, id->name + L" needs a tuple");
    return getValue(*id, tuple, *value);
}

int MolvoValueSearchW(int handle, int* tuple, MolvoValueW* value) {
    MOLVO_ENTER();
    MOLVO_NEED(tuple);
    MOLVO_NEED(value);
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    if (id->kind != Kind::Parameter) return failWith(MOLVO_ERR_WRONG_TYPE, id->name + L" is not a parameter");
    const size_t dim = size_t(id->dimension());
    std::vector<int> t(dim);
    for (uint32_t slot : orderOf(*id)) {   // the first stored tuple at or after the given one
        copyTuple(*id, slot, t.data());
        if (std::lexicographical_compare(t.begin(), t.end(), tuple, tuple + dim)) continue;
        std::copy(t.begin(), t.end(), tuple);
        return getStored(*id, slot, *value);
    }
    return failWith(MOLVO_ERR_END_OF_DATA, L"no further values of " + id->name);
}

int MolvoValueAssignW(int handle, const int* tuple, const MolvoValueW* value) {
    MOLVO_ENTER();
    MOLVO_NEED(value);
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    if (id->kind == Kind::Index) return failWith(MOLVO_ERR_WRONG_TYPE, L"index " + id->name + L" cannot be assigned");
    if (id->dimension() > 0 && !tuple) return failWith(MOLVO_ERR_DIMENSION, id->name + L" needs a tuple");
    return putValue(*id, tuple, *value);
}

int MolvoValueAssignMultiW(int handle, int count, const int* tuples, const MolvoValueW* values) {
    MOLVO_ENTER();
    MOLVO_NEED(values);
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    if (id->kind == Kind::Index) return failWith(MOLVO_ERR_WRONG_TYPE, L"index " + id->name + L" cannot be assigned");
    int dim = id->dimension();
    if (dim > 0 && !tuples) return failWith(MOLVO_ERR_DIMENSION, id->name + L" needs tuples");
    // Every value is tried; the first failure is the one reported.
    int status = 1, code = 0;
    wchar_t message[MOLVO_MESSAGE_SIZE];
    for (int i = 0; i < count; ++i)
        if (!putValue(*id, tuples + size_t(i) * dim, values[i]) && status) {
            status = 0;
            MolvoAPILastErrorW(&code, message);
        }
    return status ? 1 : failWith(code, message);
}

int MolvoIdentifierEmpty(int handle) {
    MOLVO_ENTER();
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    try {
        hostModel().emptyIdentifier(*id);
    } catch (const std::exception&) {
        return failWith(MOLVO_ERR_NOT_CREATABLE, L"calendar " + id->name + L" cannot be emptied");
    }
    return 1;
}

}  // extern "C"
