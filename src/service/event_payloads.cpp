// The library exports the event bus's payload classes Object and Event to the components loaded
// beside it: the factory below (kept, never called) makes the compiler emit their vtables and
// type information in this library, visible as the classes' attribute asks.
#include "signalyard/payloads.hpp"

namespace flk::service {
namespace {

[[gnu::used, gnu::noinline]] Object* makePayload(Object* sender) {
    return sender ? static_cast<Object*>(new Event(*sender)) : new Object;
}

}  // namespace
}  // namespace flk::service
