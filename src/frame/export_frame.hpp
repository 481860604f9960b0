// The frame every export runs in: it sets the call context, takes host control when the export
// touches identifiers, and turns any exception into a raised error and the result 0, so that
// nothing ever unwinds into the host. Control is released on every path.
#pragma once

#include "frame/call_context.hpp"
#include "frame/host_control.hpp"

#include <exception>
#include <new>
#include <string_view>

namespace flk {

enum class Host { Untouched, Controlled };

// A string argument of an export; a null pointer reads as the empty string.
inline std::wstring_view argumentText(const wchar_t* text) {
    return text ? std::wstring_view(text) : std::wstring_view();
}
inline std::string_view argumentText(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// What an exception is reported as: its own text, or what happened where the text would only name
// a type ("std::bad_alloc") or say nothing.
inline std::string_view exceptionText(const std::exception& e) {
    if (dynamic_cast<const std::bad_alloc*>(&e)) return "out of memory";
    return *e.what() ? std::string_view(e.what()) : std::string_view("Unknown exception");
}

// context: the name to store as call context, or nullptr for the exports that keep the previous one.
template <class Work>
int runExport(const char* context, Host host, Work&& work) noexcept {
    if (context) setCallContext(std::string_view(context));
    HostControl control(host == Host::Controlled);
    try {
        return work();
    } catch (const std::exception& e) {
        return raiseError(exceptionText(e));
    } catch (...) {
        return raiseError(std::string_view("Unknown exception"));
    }
}

}  // namespace flk
