#include "host/host_procedure.hpp"

#include <algorithm>

namespace flk {

bool HostProcedure::resolve(const std::string& name, const std::vector<int>& expectedTypes) {
    int handle = 0, count = 0;
    int types[kMaxArguments] = {};
    // A procedure with more arguments than the buffer holds cannot be the expected one; its count
    // is asked for first so that the host never writes past the buffer.
    if (MolvoProcedureHandleCreateA(name.c_str(), &handle, &count, nullptr) != 1) return false;
    MolvoProcedureHandleDelete(handle);
    if (count != int(expectedTypes.size()) || count > kMaxArguments) return false;
    if (MolvoProcedureHandleCreateA(name.c_str(), &handle, &count, types) != 1) return false;
    MolvoProcedureHandleDelete(handle);
    if (count != int(expectedTypes.size()) || !std::equal(expectedTypes.begin(), expectedTypes.end(), types)) return false;
    name_ = name;
    types_ = expectedTypes;
    return true;
}

// The count is asked for without the types, so that the host never writes past a buffer; the
// model may have redeclared the procedure since it was resolved.
bool HostProcedure::run(const MolvoValueW* arguments, int* result) const {
    int handle = 0, count = 0;
    if (MolvoProcedureHandleCreateA(name_.c_str(), &handle, &count, nullptr) != 1) return false;
    int local = 0;
    bool ran = count == int(types_.size()) &&
               MolvoProcedureRunW(handle, types_.data(), arguments, result ? result : &local) == 1;
    MolvoProcedureHandleDelete(handle);
    return ran;
}

}  // namespace flk
