// Ownership of a host handle that a host call created for the library (for example the index
// handles of a declaration domain): the handle is deleted when the owner goes out of scope.
#pragma once

#include "molvo/molvo3.h"

namespace flk {

class OwnedHostHandle {
public:
    OwnedHostHandle() = default;
    ~OwnedHostHandle() {
        if (handle_) MolvoIdentifierHandleDelete(handle_);
    }
    OwnedHostHandle(const OwnedHostHandle&) = delete;
    OwnedHostHandle& operator=(const OwnedHostHandle&) = delete;

    int get() const { return handle_; }
    // For host calls that write a new handle.
    int* receive() { return &handle_; }

private:
    int handle_ = 0;
};

}  // namespace flk
