#include "config/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

// The install layout, as paths from the installed program's folder to the
// installed plug-in and help folders; the build sets them from CMake's
// install directories.
#ifndef ZINOP_PLUGINS_FROM_BIN
#define ZINOP_PLUGINS_FROM_BIN "../lib/zinop/plugins"
#endif
#ifndef ZINOP_HELP_FROM_BIN
#define ZINOP_HELP_FROM_BIN "../share/zinop/help"
#endif

namespace {

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::string Beside(const std::string& programFolder, const char* relative) {
    if (programFolder.empty()) return std::string();
    const std::filesystem::path joined = std::filesystem::path(programFolder) / relative;
    return AddTrailingSeparator(joined.lexically_normal().string());
}

bool EndsWithSpi(const std::string& name) {
    if (name.size() <= 4) return false;
    const std::string tail = name.substr(name.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 's' && (tail[2] | 0x20) == 'p' &&
           (tail[3] | 0x20) == 'i';
}

// The home folder: $HOME, or the password database when it is unset.
const char* HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return home;
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr ? entry->pw_dir : nullptr;
}

std::string CurrentUserConfigFolder() {
    return UserConfigFolderFrom(std::getenv("XDG_CONFIG_HOME"), HomeFolder());
}

// mkdir -p with mode 0700 for every folder it makes.
bool MakeFolders(const std::filesystem::path& folder) {
    if (IsFolder(folder.string())) return true;
    if (folder.has_parent_path() && folder.parent_path() != folder &&
        !MakeFolders(folder.parent_path())) {
        return false;
    }
    return ::mkdir(folder.c_str(), 0700) == 0 || IsFolder(folder.string());
}

}  // namespace

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

std::string UserConfigFolderFrom(const char* xdgConfigHome, const char* home) {
    std::string base;
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') {
        base = xdgConfigHome;
    } else if (home != nullptr && home[0] == '/') {
        base = AddTrailingSeparator(home) + ".config";
    } else {
        return std::string();
    }
    return AddTrailingSeparator(base) + "zinop/";
}

bool FolderIsWritable(const std::string& folder) {
    return IsFolder(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool FolderHoldsPlugins(const std::string& folder) {
    if (!IsFolder(folder)) return false;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (EndsWithSpi(it->path().filename().string()) && it->is_regular_file(typeError)) {
            return true;
        }
    }
    return false;
}

TProgramPlace CurrentProgramPlace() {
    TProgramPlace place;
    place.ProgramFolder = ProgramFolder();
    place.ProgramFolderWritable = FolderIsWritable(place.ProgramFolder);
    place.ProgramFolderHoldsPlugins = FolderHoldsPlugins(place.ProgramFolder);
    place.InstalledPluginFolder = Beside(place.ProgramFolder, ZINOP_PLUGINS_FROM_BIN);
    place.InstalledHelpFolder = Beside(place.ProgramFolder, ZINOP_HELP_FROM_BIN);
    place.Installed = IsFolder(place.InstalledPluginFolder);
    place.UserConfigFolder = CurrentUserConfigFolder();
    return place;
}

std::string SettingsPathFor(const TProgramPlace& place) {
    const bool portable = !place.Installed && place.ProgramFolderWritable;
    if ((portable || place.UserConfigFolder.empty()) && !place.ProgramFolder.empty()) {
        return place.ProgramFolder + kSettingsFileName;
    }
    if (place.UserConfigFolder.empty()) return kSettingsFileName;
    return place.UserConfigFolder + kSettingsFileName;
}

std::string FirstStartPluginFolderFor(const TProgramPlace& place) {
    if (place.ProgramFolderHoldsPlugins || place.InstalledPluginFolder.empty()) {
        return AddTrailingSeparator(place.ProgramFolder);
    }
    return place.InstalledPluginFolder;
}

std::string HelpPagePathFor(const TProgramPlace& place, const std::string& relativePath) {
    const std::string beside = AddTrailingSeparator(place.ProgramFolder) + relativePath;
    if (IsFile(beside) || place.InstalledHelpFolder.empty()) return beside;
    const std::string installed = place.InstalledHelpFolder + relativePath;
    return IsFile(installed) ? installed : beside;
}

bool PrepareSettingsFolder(const std::string& settingsPath) {
    const std::filesystem::path folder = std::filesystem::path(settingsPath).parent_path();
    const std::string userFolder = CurrentUserConfigFolder();
    if (!userFolder.empty() && settingsPath == userFolder + kSettingsFileName) {
        return MakeFolders(folder);
    }
    return folder.empty() || IsFolder(folder.string());
}
