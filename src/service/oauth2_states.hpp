// The OAuth2 state values this process expects a redirect for: those CreateCodeChallenge made and
// those the model waits for. A redirect with any other state was not asked for by this model and
// is refused, so strangers cannot fill the receiver.
#pragma once

#include <string>

namespace flk::service {

// Remembers a state; beyond kMaxUnclaimedRedirects the oldest is forgotten.
void expectState(const std::string& state);
bool stateExpected(const std::string& state);
// Once the model has taken the redirect of a state, a second one is not expected.
void forgetState(const std::string& state);

}  // namespace flk::service
