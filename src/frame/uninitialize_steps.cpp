#include "frame/uninitialize_steps.hpp"

namespace flk {
namespace {

void (*steps[int(UninitializeStep::Count)])() = {};

}  // namespace

void setUninitializeStep(UninitializeStep step, void (*stop)()) { steps[int(step)] = stop; }

void runUninitializeSteps() {
    for (auto stop : steps)
        if (stop) stop();
}

}  // namespace flk
