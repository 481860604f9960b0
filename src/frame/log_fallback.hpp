// Logging while no configuration decides it: warnings and errors of every logger go to standard
// error, one line each ("WARN Ferrolink.FLK: <message>"), and nothing else. Without it the
// logging library drops every message and says instead, on standard error, that it found no
// appender. A configuration file, once applied, decides everything: the fallback makes way.
#pragma once

namespace flk {

// Whether some logger has an appender other than the fallback: the logging library calls
// itself configured once its default start-up ran, even when that found nothing, so that alone
// does not tell.
bool loggingConfigured();

// Gives the root logger the fallback appender unless logging is configured (the process may
// have done so before loading the library). Called while the library loads, so that messages
// logged before InitService are not lost either.
void installLogFallback();

// Removes the fallback before a configuration is applied.
void removeLogFallback();

}  // namespace flk
