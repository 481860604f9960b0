// Holds the host's control lock for a scope. Exports that touch identifiers wait without limit;
// library threads pass a time-out and check obtained() before any host call.
#pragma once

namespace flk {

class HostControl {
public:
    static constexpr int kWaitForever = -1;

    explicit HostControl(bool take = true, int timeoutMs = kWaitForever);
    ~HostControl();
    HostControl(const HostControl&) = delete;
    HostControl& operator=(const HostControl&) = delete;

    bool obtained() const { return obtained_; }

private:
    bool obtained_ = false;
};

}  // namespace flk
