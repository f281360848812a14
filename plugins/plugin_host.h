#pragma once
// The image plug-in host: finds "*.spi" files in the plug-in folder, keeps
// the enabled image import plug-ins loaded, and offers every picture file to
// them before the built-in BMP reader gets it.
//
// Process-wide state, used from the main thread only. Nothing here shows a
// message: a plug-in that cannot be loaded, lacks an export, is not an image
// import plug-in or fails to decode is silently passed over.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/byte_buffer.h"
#include "plugins/plugin_library.h"

// The ini section whose key names are the disabled plug-in files.
inline constexpr const char* kPluginsSection = "plugins";
// Bytes of a file's start offered to IsSupported.
inline constexpr std::size_t kPluginHeaderBytes = 2048;
// Second offer of a file: its header seen from this byte (a MacBinary-style
// prefix), and the offset GetPicture is then given.
inline constexpr std::size_t kPluginSecondOffset = 128;

// The folder searched for plug-ins, normally with a trailing "/" (the program
// keeps TSettingsRecord::PluginFolder and hands it over here at start-up and
// after the plug-in dialog's Browse). Initially empty. An empty folder holds
// no plug-ins: the working directory is never searched.
const std::string& PluginFolder();
void SetPluginFolder(const std::string& folder);

// The settings file whose section "plugins" lists the disabled plug-ins.
// Defaults to the settings file of the running program (DefaultSettingsPath()).
const std::string& PluginSettingsFile();
void SetPluginSettingsFile(const std::string& path);

// One plug-in in use: its file name (without folder) and its library.
struct TLoadedPlugin {
    std::string FileName;
    TPluginLibrary Library;
};

// The plug-ins in use, in the order of the folder listing less those skipped.
// Empty until LoadPlugins; emptied by UnloadPlugins.
const std::vector<TLoadedPlugin>& LoadedPlugins();

// Fills LoadedPlugins from PluginFolder() and the disabled list: every
// "*.spi" file not disabled (names compared without regard to case) whose
// name PluginNameStorable allows and that
// loads, exports GetPluginInfo and answers an info-0 text whose characters 3
// and 4 are "IN". Unloads what was loaded before.
void LoadPlugins();
// Unloads every plug-in and empties LoadedPlugins.
void UnloadPlugins();

// Replaces names with the regular files of folder whose name ends in ".spi",
// in the order the file system lists them. Empty when folder is empty or
// cannot be read. The one-argument form lists PluginFolder().
void EnumeratePluginFiles(const std::string& folder, std::vector<std::string>& names);
void EnumeratePluginFiles(std::vector<std::string>& names);

// Replaces names with the key names of section "plugins" of iniPath, in file
// order (empty when the file or section is missing). The one-argument form
// reads PluginSettingsFile().
void ReadDisabledPlugins(const std::string& iniPath, std::vector<std::string>& names);
void ReadDisabledPlugins(std::vector<std::string>& names);

// Rewrites section "plugins" of iniPath: erases it, then writes each name,
// from the last to the first, with the value 0. Other sections stay as they
// are. False when the file could not be written (the old file stays intact).
// A name the ini format cannot hold (PluginNameStorable) is left out: such
// a plug-in is never loaded anyway.
bool WriteDisabledPlugins(const std::string& iniPath, const std::vector<std::string>& names);
bool WriteDisabledPlugins(const std::vector<std::string>& names);

// Offers the file at path to LoadedPlugins in order: IsSupported with the
// header from byte 0, then from byte 128; the first whose GetPicture succeeds
// and returns a sound bitmap wins. True when buffer now holds a BMP file
// image of the picture; false (buffer untouched) when the file cannot be
// opened or no plug-in delivered. A returned BITMAPINFO that makes no sense
// counts as a failed GetPicture (SPI_OUT_OF_ORDER). *failure, when given,
// gets the first failure code of a plug-in that claimed the file and gave
// a reason (SPI_OUT_OF_ORDER, SPI_NO_MEMORY, SPI_TOO_LARGE,
// SPI_FILE_READ_ERROR), else SPI_NOT_SUPPORT.
bool LoadThroughPlugins(const std::string& path, TByteBuffer& buffer,
                        int32_t* failure = nullptr);

// The progress callback handed to GetPicture: always 0 (go on).
int32_t PluginProgress(int32_t num, int32_t denom, intptr_t data);

// Connects LoadThroughPlugins to LoadPicture (formats/bmp.h): the program
// and zinop-cli call this once at start-up. A plug-in's failure code becomes
// the load's reason (LastLoadFailure): broken data Damaged, no memory
// OutOfMemory, SPI_TOO_LARGE TooLarge, a read error EIO.
void InstallPluginLoadHook();

// True when a plug-in file name can be a key of section "plugins" and read
// back unchanged ("a=b.spi", "[x].spi", ";x.spi" or a name with a line break
// cannot). A plug-in whose name cannot be stored could never be disabled,
// so it is never loaded: it is listed as refused instead.
bool PluginNameStorable(const std::string& name);

// True when name is among names, compared without regard to ASCII case.
bool ContainsPluginName(const std::vector<std::string>& names, const std::string& name);
