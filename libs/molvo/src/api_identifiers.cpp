// Handles, attributes and raised errors.
#include "api_support.hpp"
#include "wide_text.hpp"

#include <cstdio>
#include <cwchar>

using namespace molvo;

namespace {

int newHandleFor(Identifier* id) { return hostModel().newHandle(id, nullptr); }

// A domain is returned as fresh handles that the caller deletes.
int fillDomain(Identifier* id, int* handles, bool sets) {
    for (int k = 0; k < id->dimension(); ++k) {
        if (id->kind == Kind::Set) {
            handles[k] = newHandleFor(id);
            continue;
        }
        Identifier* index = id->indices[k];
        handles[k] = sets ? hostModel().handle(index->set->name) : newHandleFor(index);
    }
    return 1;
}

}  // namespace

extern "C" {

int MolvoIdentifierHandleCreateW(const wchar_t* name, const int* /*domain*/, const int* slicing, int /*flags*/,
                                 int* handle) {
    MOLVO_ENTER();
    MOLVO_NEED(name);
    MOLVO_NEED(handle);
    Identifier* id = hostModel().findIdentifier(name);
    if (!id) return failWith(MOLVO_ERR_UNKNOWN_IDENTIFIER, std::wstring(L"unknown identifier ") + name);
    if (slicing)
        for (int k = 0; k < id->dimension(); ++k)
            if (slicing[k]) return failWith(MOLVO_ERR_DIMENSION, L"slicing is not supported");
    *handle = newHandleFor(id);
    return 1;
}

int MolvoIdentifierHandleDelete(int handle) {
    MOLVO_ENTER();
    return hostModel().deleteHandle(handle) ? 1 : failWith(MOLVO_ERR_BAD_HANDLE, L"invalid handle " + std::to_wstring(handle));
}

int MolvoAttributeType(int handle, int* type) {
    MOLVO_ENTER();
    MOLVO_NEED(type);
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    *type = id->type;
    return 1;
}

int MolvoAttributeStorage(int handle, int* storage) {
    MOLVO_ENTER();
    MOLVO_NEED(storage);
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    *storage = id->kind == Kind::Parameter && id->storage == Storage::Numeric ? MOLVO_STORAGE_DOUBLE
               : id->kind == Kind::Parameter && id->storage == Storage::String ? MOLVO_STORAGE_STRING
                                                                               : MOLVO_STORAGE_INT;
    return 1;
}

int MolvoAttributeDimension(int handle, int* full, int* sliced) {
    MOLVO_ENTER();
    MOLVO_NEED(full);
    MOLVO_NEED(sliced);
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    *full = *sliced = id->dimension();
    return 1;
}

int MolvoAttributeSlicing(int handle, int* slicing) {
    MOLVO_ENTER();
    MOLVO_NEED(slicing);
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    for (int k = 0; k < id->dimension(); ++k) slicing[k] = 0;
    return 1;
}

int MolvoAttributeNameW(int handle, MolvoValueW* name) {
    MOLVO_ENTER();
    MOLVO_NEED(name);
    Identifier* id = identifierOf(handle);
    return id ? copyOut(id->name, name) : 0;
}

int MolvoAttributeDeclarationDomain(int handle, int* indexHandles) {
    MOLVO_ENTER();
    MOLVO_NEED(indexHandles);
    Identifier* id = identifierOf(handle);
    return id ? fillDomain(id, indexHandles, false) : 0;
}

int MolvoAttributeCallDomain(int handle, int* setHandles) {
    MOLVO_ENTER();
    MOLVO_NEED(setHandles);
    Identifier* id = identifierOf(handle);
    return id ? fillDomain(id, setHandles, true) : 0;
}

int MolvoAttributeRootDomain(int handle, int* rootHandle) {
    MOLVO_ENTER();
    MOLVO_NEED(rootHandle);
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    if (id->kind == Kind::Parameter)
        return failWith(MOLVO_ERR_WRONG_TYPE, id->name + L" is not a set or an index");
    *rootHandle = hostModel().handle(id->set->root->name);
    return 1;
}

int MolvoAttributeElementRange(int handle, int* rangeHandle) {
    MOLVO_ENTER();
    MOLVO_NEED(rangeHandle);
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    SetData* range = id->kind == Kind::Index ? id->set : id->range;
    *rangeHandle = range ? hostModel().handle(range->name) : 0;
    return range ? 1 : failWith(MOLVO_ERR_WRONG_TYPE, id->name + L" has no element range");
}

int MolvoAttributeDefaultW(int handle, MolvoValueW* value) {
    MOLVO_ENTER();
    MOLVO_NEED(value);
    Identifier* id = identifierOf(handle);
    if (!id) return 0;
    if (id->kind != Kind::Parameter) {
        value->Double = 0;
        value->Int = 0;
        return 1;
    }
    if (id->storage == Storage::String) return copyOut(std::get<std::wstring>(id->defaultValue), value);
    double d = id->defaultNumber;
    value->Double = d;
    value->Int = intSlot(d);
    return 1;
}

int MolvoErrorRaiseA(int severity, const char* message, const char* source) {
    MOLVO_ENTER();
    MOLVO_NEED(message);
    std::wstring text = widen(message), from = source ? widen(source) : L"";
    fprintf(stderr, "%s %s: %s\n", severity == 1 ? "Error" : "Warning", source ? source : "", message);
    hostModel().raise(severity, std::move(text), std::move(from));
    return 1;
}

int MolvoErrorRaiseW(int severity, const wchar_t* message, const wchar_t* source) {
    MOLVO_ENTER();
    MOLVO_NEED(message);
    std::wstring from = source ? source : L"";
    fprintf(stderr, "%s %s: %s\n", severity == 1 ? "Error" : "Warning", narrow(from).c_str(), narrow(message).c_str());
    hostModel().raise(severity, message, from);
    return 1;
}

}  // extern "C"
