// Configures logging from a properties file and reconfigures it whenever the file changes.
//
// The logging library's own file watch cannot be used: its watchdog thread deadlocks against the
// library's static destruction, so every process that used it hung at exit. This watch has one
// thread with one shutdown path (flag under the lock, wake, join), run before the static objects
// it reads are destroyed, both at process exit and when the library is unloaded.
#pragma once

#include <chrono>
#include <string>

namespace flk {

// Configures from the file now (when it exists) and watches it from then on; a second call moves
// the watch to the new file. A missing file is not an error: logging stays as it is until the
// file appears.
void configureAndWatchLogging(const std::string& file);

// How often the file is checked (once a minute unless a test asks for more); applies at once.
void setLogConfigPollInterval(std::chrono::milliseconds interval);

}  // namespace flk
