#include "webmodule/web_module.hpp"

#include "frame/web_module_location.hpp"

#include <dlfcn.h>

#include <mutex>
#include <stdexcept>
#include <vector>

namespace flk {

const char kWebModuleFile[] = "libquaynet.so";

namespace {

// The directory this library was loaded from, with a trailing "/"; empty when unknown.
std::string ownDirectory() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ownDirectory), &info) || !info.dli_fname) return std::string();
    std::string file = info.dli_fname;
    size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

// The places to try, in order: the recorded location, beside this library, the search path.
std::vector<std::string> candidates() {
    std::vector<std::string> out;
    const std::string& location = webModuleLocation();
    if (!location.empty()) out.push_back(location + (location.back() == '/' ? "" : "/") + kWebModuleFile);
    if (std::string own = ownDirectory(); !own.empty()) out.push_back(own + kWebModuleFile);
    out.push_back(kWebModuleFile);
    return out;
}

void* openModuleLibrary() {
    std::string messages;
    for (const std::string& file : candidates()) {
        if (void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) return library;
        const char* message = dlerror();
        messages += std::string("; ") + (message ? message : file);
    }
    throw std::runtime_error(std::string("Unable to load '") + kWebModuleFile + "'" + messages);
}

quaynet::IModule* loadModule() {
    void* library = openModuleLibrary();
    auto entry = reinterpret_cast<GetModuleFunction>(dlsym(library, "GetModule"));
    if (!entry)
        throw std::runtime_error(std::string("Unable to retrieve procedure address of 'GetModule' from '") +
                                 kWebModuleFile + "'");
    quaynet::IModule* module = entry();
    if (!module)
        throw std::runtime_error(std::string("Unable to obtain Module object by invoking 'GetModule' from '") +
                                 kWebModuleFile + "'");
    return module;
}

std::mutex loadLock;
quaynet::IModule* loaded = nullptr;                       // guarded by loadLock
std::shared_ptr<quaynet::IContentTypes> contentTypes;     // guarded by loadLock

}  // namespace

quaynet::IModule& webModule() {
    std::lock_guard<std::mutex> lock(loadLock);
    if (!loaded) loaded = loadModule();
    return *loaded;
}

std::string contentTypeOf(const std::string& fileName) {
    std::shared_ptr<quaynet::IContentTypes> types;
    {
        quaynet::IModule& module = webModule();
        std::lock_guard<std::mutex> lock(loadLock);
        if (!contentTypes) contentTypes = module.contentTypes();
        types = contentTypes;
    }
    return types->lookup(fileName);
}

}  // namespace flk
