#include "config/paths.h"

#include <filesystem>
#include <system_error>

std::string AddTrailingSeparator(const std::string& path) {
    if (!path.empty() && path.back() == '/') return path;
    return path + '/';
}

std::string ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::string();
    return AddTrailingSeparator(exe.parent_path().string());
}
