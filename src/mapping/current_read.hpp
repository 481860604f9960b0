// The read of a document of one kind that is going on, for the nodes deep in its mapping to note
// where they stand without each call passing it down. Reads run one at a time under host
// control; a document embedded in another is read inside the outer read, which is current again
// when it ends.
#pragma once

namespace flk {

template <class Reading>
class CurrentRead {
public:
    explicit CurrentRead(Reading& reading) : previous_(current_) { current_ = &reading; }
    ~CurrentRead() { current_ = previous_; }
    CurrentRead(const CurrentRead&) = delete;
    CurrentRead& operator=(const CurrentRead&) = delete;

    // nullptr outside every read of the kind.
    static Reading* get() { return current_; }

private:
    Reading* previous_;
    static inline Reading* current_ = nullptr;
};

}  // namespace flk
