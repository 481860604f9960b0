#include "frame/host_control.hpp"

#include "molvo/molvo3.h"

namespace flk {

HostControl::HostControl(bool take, int timeoutMs) : obtained_(take && MolvoControlGet(timeoutMs) == 1) {}

HostControl::~HostControl() {
    if (obtained_) MolvoControlRelease();
}

}  // namespace flk
