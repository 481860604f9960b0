// Allocation failures leave the library as tablix::Exception, like every other failure.
#pragma once

#include <new>
#include <stdexcept>
#include <string>

#include "tablix/Exception.h"

namespace tablix {

// Runs `work`; std::bad_alloc, and std::length_error for a size no container can hold, become a
// tablix::Exception saying what ran out of memory ("out of memory while " + doing()). `doing` is
// called only on failure, so that calls on hot paths build no message.
template <class Work, class Doing>
auto withMemoryErrors(Work&& work, Doing&& doing) -> decltype(work()) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        throw Exception("out of memory while " + std::string(doing()));
    } catch (const std::length_error&) {
        throw Exception("out of memory while " + std::string(doing()));
    }
}

}  // namespace tablix
