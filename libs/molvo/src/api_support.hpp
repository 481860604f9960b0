// What every Molvo* function shares: the calling thread's last error and the checks on arguments.
#pragma once

#include "host_model.hpp"

#include <string>

namespace molvo {

// Records the failure for MolvoAPILastErrorW and returns 0, the failure result.
int failWith(int code, std::wstring message);
void clearLastError();

// True when the calling thread holds control; otherwise records MOLVO_ERR_NOT_CONTROLLER.
bool holdsControl();

// The identifier behind a handle, or nullptr after recording MOLVO_ERR_BAD_HANDLE.
Identifier* identifierOf(int handle);
// The set a handle stands for: a set, or the set of an index, or the range of an element parameter.
SetData* setOf(int handle);

// The int slot of a value for a stored number: truncated toward zero, saturated at the int range,
// 0 for NaN (a plain cast of a double beyond the range is undefined).
inline int intSlot(double d) {
    if (d != d) return 0;
    if (d >= 2147483647.0) return 2147483647;
    if (d <= -2147483648.0) return -2147483647 - 1;
    return int(d);
}

// Copies text into a caller's string buffer; 0 with MOLVO_ERR_TRUNCATED when it had to be cut.
int copyOut(TextView text, MolvoValueW* value);
inline int copyOut(const std::wstring& text, MolvoValueW* value) { return copyOut(TextView(text), value); }

}  // namespace molvo

// Opening lines of every Molvo* function that needs control.
#define MOLVO_ENTER()                         \
    do {                                      \
        if (!molvo::holdsControl()) return 0; \
        molvo::clearLastError();              \
    } while (0)
#define MOLVO_NEED(pointer)                                                                 \
    do {                                                                                    \
        if (!(pointer)) return molvo::failWith(MOLVO_ERR_NULL_ARGUMENT, L"null argument " L## #pointer); \
    } while (0)
