// The call context (the name of the export entered last) and how errors reach the host.
//
// Only the host's thread, or a library thread holding host control, may raise: the context is a
// plain global without a lock, as the host calls exports one at a time.
#pragma once

#include <string>
#include <string_view>

namespace flk {

enum class Log;

void setCallContext(std::string_view name);
void setCallContext(std::wstring_view name);
const std::string& callContext();

// Raises "<call context>: <message>" as an error (severity 1, source "Ferrolink") and returns 0,
// which the caller passes on as its own failure result.
int raiseError(std::string_view message);
int raiseError(std::wstring_view message);

// Logs the message at Error on that logger, then raises it as raiseError does; returns 0.
int raiseLogged(Log logger, std::string_view message);

// Raises the message unchanged as a warning (severity 2, source "Ferrolink").
void raiseWarning(std::wstring_view message);

// What the modeller must hear about their data (values cut, rows skipped, a place in a document
// that failed): logged as a warning on Ferrolink.FLK and raised as a warning, both unchanged.
// One call per identifier, column or document per read or write, never one per value.
void warnModel(std::string_view message);

// A place in a document in the one form every kind uses: "<document>, <place>: <reason>".
std::string locatedMessage(std::string_view document, std::string_view place, std::string_view reason);

}  // namespace flk
