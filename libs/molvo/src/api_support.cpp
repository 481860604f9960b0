#include "api_support.hpp"

#include <cwchar>

namespace molvo {
namespace {

struct LastError {
    int code = 0;
    std::wstring message;
};
thread_local LastError lastError;

}  // namespace

int failWith(int code, std::wstring message) {
    lastError.code = code;
    lastError.message = std::move(message);
    return 0;
}

void clearLastError() {
    lastError.code = 0;
    lastError.message.clear();
}

Identifier* identifierOf(int handle) {
    HandleRecord* r = hostModel().handleRecord(handle);
    if (!r || !r->identifier) {
        failWith(MOLVO_ERR_BAD_HANDLE, L"invalid identifier handle " + std::to_wstring(handle));
        return nullptr;
    }
    return r->identifier;
}

SetData* setOf(int handle) {
    Identifier* id = identifierOf(handle);
    if (!id) return nullptr;
    if (id->kind == Kind::Set || id->kind == Kind::Index) return id->set;
    if (id->range) return id->range;
    failWith(MOLVO_ERR_WRONG_TYPE, id->name + L" is not a set, an index or an element parameter");
    return nullptr;
}

int copyOut(TextView text, MolvoValueW* value) {
    if (!value->String || value->Length <= 0) {
        value->Length = int(text.size());
        return failWith(MOLVO_ERR_NULL_ARGUMENT, L"no string buffer given");
    }
    size_t n = std::min(text.size(), size_t(value->Length - 1));
    text.copyTo(value->String, n);
    value->String[n] = 0;
    value->Length = int(text.size());
    if (n < text.size())
        return failWith(MOLVO_ERR_TRUNCATED, L"string value of " + std::to_wstring(text.size()) + L" characters was cut");
    return 1;
}

}  // namespace molvo

extern "C" int MolvoAPILastErrorW(int* code, wchar_t* message) {
    using molvo::lastError;
    if (code) *code = lastError.code;
    if (message) {
        size_t n = std::min(lastError.message.size(), size_t(MOLVO_MESSAGE_SIZE - 1));
        wmemcpy(message, lastError.message.data(), n);
        message[n] = 0;
    }
    return 1;
}
