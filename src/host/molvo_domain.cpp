#include "host/molvo_domain.hpp"

#include "molvo/molvo3.h"

#include <vector>

namespace flk {

namespace {
constexpr int kNameBufferSize = 8192;
}

MolvoDomain::~MolvoDomain() {
    for (int k = 0; k < kMaxDimension; ++k)
        if (handles_[k]) MolvoIdentifierHandleDelete(handles_[k]);
}

bool MolvoDomain::fill(int handle) {
    if (MolvoAttributeDimension(handle, &count_, &sliced_) != 1) return false;
    if (count_ < 0 || count_ > kMaxDimension) count_ = 0;
    std::vector<wchar_t> buffer(kNameBufferSize, L'\0');
    MolvoValueW value{0, 0, kNameBufferSize, buffer.data()};
    if (MolvoAttributeNameW(handle, &value) == 1) name_ = buffer.data();
    return true;
}

bool MolvoDeclarationDomain::fill(int handle) {
    return MolvoDomain::fill(handle) && (count_ == 0 || MolvoAttributeDeclarationDomain(handle, handles_) == 1);
}

bool MolvoCallDomain::fill(int handle) {
    return MolvoDomain::fill(handle) && (count_ == 0 || MolvoAttributeCallDomain(handle, handles_) == 1);
}

bool MolvoRootDomain::fill(int handle) {
    if (!MolvoDomain::fill(handle) || MolvoAttributeRootDomain(handle, &handles_[0]) != 1) return false;
    int calendar = 0;
    MolvoSetIsCalendar(handles_[0], &calendar);
    calendar_ = calendar != 0;
    return true;
}

bool MolvoRangeDomain::fill(int handle) {
    hasRange_ = MolvoAttributeElementRange(handle, &handles_[0]) == 1 && handles_[0] != 0;
    if (!hasRange_) handles_[0] = 0;
    return hasRange_;
}

}  // namespace flk
