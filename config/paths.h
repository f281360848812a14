#pragma once
// Folders of the program and where its files are looked for.
//
// Zinop runs in one of two ways. Portable: from a build tree or a folder the
// user unpacked, with "Zinop.ini" and the bundled plug-ins beside the
// program. Installed: from a package, where the program's folder is a system
// folder; then the settings live in the user's configuration folder, the
// plug-ins and the help pages in the folders the package installs them to.
// The decisions are plain functions of a TProgramPlace so that they can be
// tested without installing anything.

#include <string>

// Returns path with "/" appended unless its last byte already is "/";
// the empty path gives "/".
std::string AddTrailingSeparator(const std::string& path);

// The folder holding the running program, with a trailing separator
// (the folder of /proc/self/exe). Empty when it cannot be found.
std::string ProgramFolder();

// The file name of the settings file, in both places.
inline constexpr const char* kSettingsFileName = "Zinop.ini";

// Everything the decisions below depend on. Folders carry a trailing "/";
// an empty folder is unknown.
struct TProgramPlace {
    std::string ProgramFolder;
    // A new file can be made in ProgramFolder.
    bool ProgramFolderWritable = false;
    // ProgramFolder holds at least one "*.spi" file.
    bool ProgramFolderHoldsPlugins = false;
    // The install layout surrounds the program: its installed plug-in folder
    // exists. A build tree or an unpacked folder has none.
    bool Installed = false;
    // Where the package puts the bundled plug-ins and the help pages, seen
    // from ProgramFolder (the install layout is relocatable).
    std::string InstalledPluginFolder;
    std::string InstalledHelpFolder;
    // "<config home>/zinop/": $XDG_CONFIG_HOME when it is an absolute path,
    // else ~/.config.
    std::string UserConfigFolder;
};

// The running program's place, from /proc/self/exe, the file system and the
// environment.
TProgramPlace CurrentProgramPlace();

// The settings file: beside the program when the program is portable and its
// folder can be written; otherwise UserConfigFolder + "Zinop.ini" (the folder
// is made on the first save, see PrepareSettingsFolder). Beside the program
// again when no user folder is known. Both sections, "zinop" and "plugins",
// live in this one file.
std::string SettingsPathFor(const TProgramPlace& place);

// The plug-in folder on a first start: the program's folder when it holds
// plug-ins (the portable case), otherwise the installed plug-in folder.
std::string FirstStartPluginFolderFor(const TProgramPlace& place);

// The help page relativePath ("image/setting.htm"): beside the program when
// that file exists, else in the installed help folder when it exists there,
// else beside the program (opened anyway; a missing page is not reported).
std::string HelpPagePathFor(const TProgramPlace& place, const std::string& relativePath);

// The per-user configuration folder for Zinop, "<base>/zinop/": base is
// xdgConfigHome when it is an absolute path (the XDG rule: a relative value
// is ignored), else home + "/.config". Empty when neither gives a base.
std::string UserConfigFolderFrom(const char* xdgConfigHome, const char* home);

// True when a file can be created in folder (it exists, is a folder, and
// may be written and entered).
bool FolderIsWritable(const std::string& folder);
// True when folder holds a regular file whose name ends in ".spi" (any case).
bool FolderHoldsPlugins(const std::string& folder);

// Before writing settingsPath: when it is the per-user settings file of
// CurrentProgramPlace(), makes its folder (and the ones above it) with mode
// 0700 as the XDG rules ask. Any other missing folder is left missing, so
// writing there still fails. True when the folder of settingsPath exists
// afterwards.
bool PrepareSettingsFolder(const std::string& settingsPath);
