// Procedure handles and runs.
#include "api_support.hpp"
#include "wide_text.hpp"

#include <exception>

using namespace molvo;

namespace {

Procedure* procedureOf(int handle) {
    HandleRecord* r = hostModel().handleRecord(handle);
    if (!r || !r->procedure) {
        failWith(MOLVO_ERR_BAD_HANDLE, L"invalid procedure handle " + std::to_wstring(handle));
        return nullptr;
    }
    return r->procedure;
}

}  // namespace

extern "C" {

int MolvoProcedureHandleCreateW(const wchar_t* name, int* handle, int* argumentCount, int* argumentTypes) {
    MOLVO_ENTER();
    MOLVO_NEED(name);
    MOLVO_NEED(handle);
    Procedure* p = hostModel().findProcedure(name);
    if (!p) return failWith(MOLVO_ERR_UNKNOWN_IDENTIFIER, std::wstring(L"unknown procedure ") + name);
    *handle = hostModel().newHandle(nullptr, p);
    if (argumentCount) *argumentCount = int(p->argumentTypes.size());
    if (argumentTypes) std::copy(p->argumentTypes.begin(), p->argumentTypes.end(), argumentTypes);
    return 1;
}

int MolvoProcedureHandleCreateA(const char* name, int* handle, int* argumentCount, int* argumentTypes) {
    MOLVO_ENTER();
    MOLVO_NEED(name);
    return MolvoProcedureHandleCreateW(widen(name).c_str(), handle, argumentCount, argumentTypes);
}

int MolvoProcedureRunW(int handle, const int* argumentTypes, const MolvoValueW* arguments, int* result) {
    MOLVO_ENTER();
    Procedure* p = procedureOf(handle);
    if (!p) return 0;
    std::vector<ProcedureArgument> args;
    for (size_t i = 0; i < p->argumentTypes.size(); ++i) {
        if (!argumentTypes || !arguments) return failWith(MOLVO_ERR_NULL_ARGUMENT, p->name + L" needs arguments");
        if (argumentTypes[i] != p->argumentTypes[i])
            return failWith(MOLVO_ERR_WRONG_TYPE, L"argument " + std::to_wstring(i + 1) + L" of " + p->name + L" has the wrong type");
        const MolvoValueW& v = arguments[i];
        bool text = argumentTypes[i] == MOLVO_ARG_INPUT_STRING;
        args.push_back(ProcedureArgument{argumentTypes[i], text ? 0.0 : v.Double, text && v.String ? v.String : L""});
    }
    try {
        int r = p->body(args);
        if (result) *result = r;
        return 1;
    } catch (const std::exception& e) {
        return failWith(MOLVO_ERR_PROCEDURE_FAILED, L"procedure " + p->name + L" failed: " + widen(e.what()));
    }
}

int MolvoProcedureHandleDelete(int handle) {
    MOLVO_ENTER();
    if (!procedureOf(handle)) return 0;
    hostModel().deleteHandle(handle);
    return 1;
}

}  // extern "C"
