// The process-wide event bus: handlers are added and removed per event type, and an event
// published on any thread reaches every handler of its type on that thread.
//
// Thread safety: add, remove and publish may be called from any thread at once. A removal waits
// until no publication is calling any handler, so a handler object may be destroyed as soon as
// its registration is removed. A handler must therefore not add or remove handlers while it
// handles an event.
#pragma once

#include "signalyard/payloads.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <typeinfo>

namespace signalyard {

// The bus works on type-erased entries: a handler object and the function that hands it an event.
using Dispatch = void (*)(void* handler, Event& event);

class Bus {
public:
    virtual ~Bus() = default;
    // Returns the ticket of the new entry (never 0).
    virtual std::uint64_t add(std::size_t eventType, void* handler, Dispatch dispatch) = 0;
    // False when the ticket is not (or no longer) on the bus.
    virtual bool remove(std::size_t eventType, std::uint64_t ticket) = 0;
    // Calls the handlers of the type in the order they were added; returns how many were called.
    virtual std::size_t publish(std::size_t eventType, Event& event) = 0;
};

template <class E>
std::size_t eventType() {
    return typeid(E).hash_code();
}

}  // namespace signalyard

extern "C" SIGNALYARD_SHARED signalyard::Bus* DLLGetSignalyard();

// A handler of one event type. The default ignores the event: a handler still being built or
// torn down while an event arrives lets it pass instead of calling a missing override.
template <class E>
class EventHandler : public Object {
public:
    virtual void onEvent(E&) {}
};

namespace DLLSignalyard {

// Removes its entry from the bus once, on request or on destruction.
template <class E>
class EventRegistration : public HandlerRegistration {
public:
    explicit EventRegistration(EventHandler<E>& handler)
        : ticket_(DLLGetSignalyard()->add(signalyard::eventType<E>(), &handler, &dispatch)) {}
    ~EventRegistration() override { removeHandler(); }
    EventRegistration(const EventRegistration&) = delete;
    EventRegistration& operator=(const EventRegistration&) = delete;

    void removeHandler() override {
        if (registered_) DLLGetSignalyard()->remove(signalyard::eventType<E>(), ticket_);
        registered_ = false;
    }

private:
    static void dispatch(void* handler, Event& event) {
        static_cast<EventHandler<E>*>(handler)->onEvent(static_cast<E&>(event));
    }

    std::uint64_t ticket_;
    bool registered_ = true;
};

// Publishes an event to the handlers of its own type; returns how many handlers were called.
template <class E>
std::size_t publish(E& event) {
    return DLLGetSignalyard()->publish(signalyard::eventType<E>(), event);
}

}  // namespace DLLSignalyard

// A handler that is on the bus while it lives. The deriving class calls registerOnBus() as the
// last step of its constructor and unregister() as the first of its destructor: an event published
// meanwhile on another thread would otherwise meet the object half built or half torn down.
template <class E>
class SelfRegisteringEventHandler : public EventHandler<E> {
public:
    SelfRegisteringEventHandler() = default;
    ~SelfRegisteringEventHandler() override { unregister(); }
    SelfRegisteringEventHandler(const SelfRegisteringEventHandler&) = delete;
    SelfRegisteringEventHandler& operator=(const SelfRegisteringEventHandler&) = delete;

protected:
    void registerOnBus() {
        if (!registration_) registration_ = std::make_unique<DLLSignalyard::EventRegistration<E>>(*this);
    }
    // Returns once no publication is calling this handler; later events pass it by.
    void unregister() {
        if (registration_) registration_->removeHandler();
    }

private:
    std::unique_ptr<DLLSignalyard::EventRegistration<E>> registration_;
};
