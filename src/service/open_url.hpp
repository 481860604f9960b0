// Opening a URL in the desktop's browser.
#pragma once

#include <string>

namespace flk::service {

// Hands an absolute http or https URL to xdg-open, as one argument and without a shell, and does
// not wait for it. Throws std::invalid_argument for anything else (a local path, a file: URL,
// text that could read as an option, control characters) and std::runtime_error when the opener
// cannot be started.
void openUrlDesktop(const std::string& url);
// Whether openUrlDesktop would hand the URL on.
bool isWebUrl(const std::string& url);

}  // namespace flk::service
