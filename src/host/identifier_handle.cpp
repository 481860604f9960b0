#include "host/identifier_handle.hpp"

#include "molvo/molvo3.h"

#include <vector>

namespace flk {

HostError lastHostError() {
    HostError e;
    wchar_t message[MOLVO_MESSAGE_SIZE] = {0};
    MolvoAPILastErrorW(&e.code, message);
    e.text = message;
    return e;
}

IdentifierHandle::IdentifierHandle(std::wstring name, int flags) : name_(std::move(name)) {
    int handle = 0;
    if (MolvoIdentifierHandleCreateW(name_.c_str(), nullptr, nullptr, flags, &handle) != 1) {
        HostError e = lastHostError();
        if (e.code != 0) {
            creationError_ = e.text;
            return;
        }
    }
    handle_ = handle;
    readAttributes();
}

IdentifierHandle::IdentifierHandle(int borrowedHandle) : owned_(false) {
    constexpr int kNameBufferSize = 8192;
    std::vector<wchar_t> buffer(kNameBufferSize, L'\0');
    MolvoValueW value{0, 0, kNameBufferSize, buffer.data()};
    if (MolvoAttributeNameW(borrowedHandle, &value) != 1) {
        creationError_ = lastHostError().text;
        return;
    }
    name_ = buffer.data();
    handle_ = borrowedHandle;
    readAttributes();
}

void IdentifierHandle::readAttributes() {
    MolvoAttributeType(handle_, &type_);
    MolvoAttributeDimension(handle_, &fullDimension_, &slicedDimension_);
    slicing_.assign(size_t(fullDimension_), 0);
    if (fullDimension_ > 0) MolvoAttributeSlicing(handle_, slicing_.data());
    MolvoAttributeStorage(handle_, &storage_);
    if (storage_ == kBinary) storage_ = kInteger;
}

IdentifierHandle::~IdentifierHandle() {
    if (handle_ && owned_) MolvoIdentifierHandleDelete(handle_);
    if (secondHandle_) MolvoIdentifierHandleDelete(secondHandle_);
}

bool IdentifierHandle::isCalendar() {
    if (calendar_ >= 0) return calendar_ == 1;
    int answer = 0;
    if (isSetOrIndex()) MolvoSetIsCalendar(handle_, &answer);
    calendar_ = answer ? 1 : 0;
    return calendar_ == 1;
}

}  // namespace flk
