#include "service/oauth2_states.hpp"

#include "frame/guarded.hpp"
#include "service/service_limits.hpp"

#include <algorithm>
#include <deque>

namespace flk::service {
namespace {

Guarded<std::deque<std::string>>& expected() {
    static Guarded<std::deque<std::string>> states;
    return states;
}

}  // namespace

void expectState(const std::string& state) {
    auto lock = expected().lock();
    auto& states = expected().get(lock);
    if (std::find(states.begin(), states.end(), state) != states.end()) return;
    states.push_back(state);
    if (states.size() > kMaxUnclaimedRedirects) states.pop_front();
}

bool stateExpected(const std::string& state) {
    auto lock = expected().lock();
    const auto& states = expected().get(lock);
    return std::find(states.begin(), states.end(), state) != states.end();
}

void forgetState(const std::string& state) {
    auto lock = expected().lock();
    auto& states = expected().get(lock);
    states.erase(std::remove(states.begin(), states.end(), state), states.end());
}

}  // namespace flk::service
