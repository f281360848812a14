#include "plugins/plugin_library.h"

#include <dlfcn.h>

#include <utility>

TPluginLibrary TPluginLibrary::Open(const std::string& path, std::string* error) {
    // RTLD_LOCAL: two plug-ins may carry same-named symbols (each its own
    // codec glue) without one binding to the other's.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle && error) {
        const char* message = dlerror();
        *error = message ? message : "cannot be loaded";
    }
    return TPluginLibrary(handle);
}

TPluginLibrary::TPluginLibrary(TPluginLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

TPluginLibrary& TPluginLibrary::operator=(TPluginLibrary&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

TPluginLibrary::~TPluginLibrary() { Close(); }

void* TPluginLibrary::Symbol(const char* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

void TPluginLibrary::Close() {
    if (handle_) dlclose(std::exchange(handle_, nullptr));
}
