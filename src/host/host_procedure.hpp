// Host procedures the library runs by name: the prototype check when the model names one, and the
// run itself. Only a thread that holds the host may call these.
#pragma once

#include "molvo/molvo3.h"

#include <string>
#include <vector>

namespace flk {

class HostProcedure {
public:
    // The most arguments a procedure's prototype is read with; a host writes one type per argument.
    static constexpr int kMaxArguments = 256;

    // Looks the procedure up by its UTF-8 name. True when it exists and takes exactly these
    // argument types, which are then kept for running it.
    bool resolve(const std::string& name, const std::vector<int>& expectedTypes);
    // Runs the procedure with the arguments; false when the host could not look it up or run it.
    // The procedure's own return value goes to *result when given.
    bool run(const MolvoValueW* arguments, int* result = nullptr) const;
    const std::string& name() const { return name_; }

private:
    std::string name_;
    std::vector<int> types_;
};

}  // namespace flk
