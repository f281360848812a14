#pragma once
// Move-only owner of one dlopen handle. POSIX dynamic loading stays here.

#include <string>

class TPluginLibrary {
public:
    TPluginLibrary() = default;
    // Loads path with RTLD_NOW | RTLD_LOCAL. An empty library on failure, with
    // the loader's message in *error when error is given.
    static TPluginLibrary Open(const std::string& path, std::string* error = nullptr);

    TPluginLibrary(TPluginLibrary&& other) noexcept;
    TPluginLibrary& operator=(TPluginLibrary&& other) noexcept;
    TPluginLibrary(const TPluginLibrary&) = delete;
    TPluginLibrary& operator=(const TPluginLibrary&) = delete;
    ~TPluginLibrary();

    explicit operator bool() const { return handle_ != nullptr; }
    // The address of the export name, or null when the library lacks it.
    void* Symbol(const char* name) const;
    // Unloads now; the library is empty afterwards.
    void Close();

private:
    explicit TPluginLibrary(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};
