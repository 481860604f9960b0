// What UninitializeFerrolink stops, in a fixed order. A subsystem that is linked in registers
// its step when the library is loaded; the frame does not depend on the subsystems.
#pragma once

namespace flk {

enum class UninitializeStep { Client, Service, Mappings, Count };

void setUninitializeStep(UninitializeStep step, void (*stop)());
// Runs the registered steps in the order of the enumeration.
void runUninitializeSteps();

}  // namespace flk
