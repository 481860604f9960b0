// The payload classes of the event bus. Components loaded into one process share them by name:
// their vtables and type information are visible from every library that uses them, so an event
// made in one library is the same type in another.
#pragma once

#define SIGNALYARD_SHARED __attribute__((visibility("default")))

class SIGNALYARD_SHARED Object {
public:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
    virtual ~Object() = default;
};

// An event names the object that sent it; a handler may cancel it so that later handlers and the
// sender know it was taken care of.
class SIGNALYARD_SHARED Event : public Object {
public:
    explicit Event(Object& sender) : sender_(&sender) {}
    Event(const Event&) = default;

    Object& getSender() const { return *sender_; }
    bool getCanceled() const { return canceled_; }
    void setCanceled(bool canceled) { canceled_ = canceled; }

private:
    Object* sender_;
    bool canceled_ = false;
};

// The ticket of a handler on the bus. removeHandler takes it off the bus; calling it again does
// nothing.
class SIGNALYARD_SHARED HandlerRegistration : public Object {
public:
    virtual void removeHandler() = 0;
};
