#include "frame/call_context.hpp"

#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "molvo/molvo3.h"

namespace flk {
namespace {

std::string& context() {
    static std::string name;
    return name;
}

constexpr char kSource[] = "Ferrolink";
constexpr wchar_t kSourceW[] = L"Ferrolink";

}  // namespace

void setCallContext(std::string_view name) { context().assign(name); }
void setCallContext(std::wstring_view name) { context() = toUtf8(name); }
const std::string& callContext() { return context(); }

int raiseError(std::string_view message) {
    std::string text;
    text.reserve(context().size() + 2 + message.size());
    text.append(context()).append(": ").append(message);
    MolvoErrorRaiseA(1, text.c_str(), kSource);
    return 0;
}

int raiseError(std::wstring_view message) { return raiseError(toUtf8(message)); }

int raiseLogged(Log which, std::string_view message) {
    LOG4CXX_ERROR(logger(which), std::string(message));
    return raiseError(message);
}

void raiseWarning(std::wstring_view message) { MolvoErrorRaiseW(2, std::wstring(message).c_str(), kSourceW); }

void warnModel(std::string_view message) {
    LOG4CXX_WARN(logger(Log::FLK), std::string(message));
    MolvoErrorRaiseA(2, std::string(message).c_str(), kSource);
}

std::string locatedMessage(std::string_view document, std::string_view place, std::string_view reason) {
    std::string text;
    text.reserve(document.size() + place.size() + reason.size() + 4);
    text.append(document).append(", ").append(place).append(": ").append(reason);
    return text;
}

}  // namespace flk
