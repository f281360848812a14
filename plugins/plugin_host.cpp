#include "plugins/plugin_host.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "config/failure_reason.h"
#include "config/ini_file.h"
#include "config/paths.h"
#include "config/regular_file.h"
#include "config/settings.h"
#include "formats/bmp.h"
#include "plugins/dib_check.h"
#include "plugins/plugin_probe.h"
#include "plugins/spi.h"

namespace {

std::string& FolderState() {
    static std::string folder;
    return folder;
}

std::string& SettingsFileState() {
    static std::string path = DefaultSettingsPath();
    return path;
}

std::vector<TLoadedPlugin>& PluginsState() {
    static std::vector<TLoadedPlugin> plugins;
    return plugins;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

bool HasSpiExtension(const std::string& name) {
    return name.size() > 4 && SameNameIgnoringCase(name.substr(name.size() - 4), ".spi");
}

struct TFreeDeleter {
    void operator()(void* block) const { std::free(block); }
};
using TPluginBlock = std::unique_ptr<void, TFreeDeleter>;

// The header buffer: 2048 bytes seen from byte 0, and the same 2048 seen from
// byte 128, so a plug-in reading a full header at the second offer stays
// inside the buffer. Zero past the end of a short file.
using THeaderBuffer = std::array<uint8_t, kPluginHeaderBytes + kPluginSecondOffset>;

bool ReadHeader(const std::string& path, THeaderBuffer& header) {
    header.fill(0);
    std::unique_ptr<FILE, int (*)(FILE*)> file(OpenRegularFile(path), &std::fclose);
    if (!file) return false;
    std::fread(header.data(), 1, header.size(), file.get());
    return !std::ferror(file.get());
}

// Asks one plug-in: the offset it claims the file at, or -1.
intptr_t ClaimOffset(const TPluginLibrary& library, const std::string& path,
                     const THeaderBuffer& fileHeader) {
    auto isSupported = reinterpret_cast<SPI_IsSupported>(library.Symbol("IsSupported"));
    if (!isSupported) return -1;
    // Each plug-in gets its own copy: one that scribbles on the buffer cannot
    // change what the next one sees.
    THeaderBuffer header = fileHeader;
    if (isSupported(path.c_str(), header.data()) != 0) return 0;
    if (isSupported(path.c_str(), header.data() + kPluginSecondOffset) != 0) {
        return static_cast<intptr_t>(kPluginSecondOffset);
    }
    return -1;
}

// Runs GetPicture and turns a sound result into a BMP file image in buffer.
// SPI_ALL_RIGHT, the plug-in's failure code, or SPI_OUT_OF_ORDER for blocks
// that make no sense.
int32_t DecodeWith(const TPluginLibrary& library, const std::string& path, intptr_t offset,
                   TByteBuffer& buffer) {
    auto getPicture = reinterpret_cast<SPI_GetPicture>(library.Symbol("GetPicture"));
    if (!getPicture) return SPI_NO_FUNCTION;
    void* infoHandle = nullptr;
    void* pixelHandle = nullptr;
    const int32_t result =
        getPicture(path.c_str(), offset, 0, &infoHandle, &pixelHandle, &PluginProgress, 0);
    const TPluginBlock info(infoHandle);
    const TPluginBlock pixels(pixelHandle);
    if (result != SPI_ALL_RIGHT) return result;
    if (!info || !pixels) return SPI_OUT_OF_ORDER;
    auto* infoBytes = static_cast<uint8_t*>(info.get());
    const size_t infoCapacity = PluginBlockSize(info.get());
    if (infoCapacity >= 40) {
        // Colours used and important to 0: the colour table has its default
        // length (2, 16 or 256 entries), whatever the plug-in claimed.
        std::fill(infoBytes + 32, infoBytes + 40, uint8_t{0});
    }
    TDibBlockSizes sizes;
    if (!CheckPluginDib(infoBytes, infoCapacity, PluginBlockSize(pixels.get()), sizes))
        return SPI_OUT_OF_ORDER;
    TByteBuffer image;
    // The whole information block: a V5 header's embedded profile follows
    // the colour table in it.
    if (!DibToBmpImage(infoBytes, infoCapacity, static_cast<const uint8_t*>(pixels.get()),
                       sizes.PixelBytes, image)) {
        return SPI_NO_MEMORY;  // the blocks passed the check: only memory is left
    }
    buffer = std::move(image);
    return SPI_ALL_RIGHT;
}

// The reason a plug-in's failure code gives; None for codes that say
// nothing about the file (not supported, cancelled, not implemented).
TFailureReason PluginFailureReason(int32_t result) {
    switch (result) {
    case SPI_OUT_OF_ORDER: return {TFailure::Damaged, 0};
    case SPI_NO_MEMORY: return {TFailure::OutOfMemory, 0};
    case SPI_TOO_LARGE: return {TFailure::TooLarge, 0};
    case SPI_FILE_READ_ERROR: return {TFailure::System, EIO};
    default: return {};
    }
}

}  // namespace

const std::string& PluginFolder() { return FolderState(); }
void SetPluginFolder(const std::string& folder) { FolderState() = folder; }

const std::string& PluginSettingsFile() { return SettingsFileState(); }
void SetPluginSettingsFile(const std::string& path) { SettingsFileState() = path; }

const std::vector<TLoadedPlugin>& LoadedPlugins() { return PluginsState(); }

bool ContainsPluginName(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return SameNameIgnoringCase(n, name); });
}

void EnumeratePluginFiles(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    if (folder.empty()) return;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        std::error_code typeError;
        if (HasSpiExtension(name) && entry.is_regular_file(typeError)) names.push_back(name);
    }
    // readdir order is a hash order on most Linux file systems; name order
    // makes the order plug-ins are asked in predictable.
    std::sort(names.begin(), names.end());
}

void EnumeratePluginFiles(std::vector<std::string>& names) {
    EnumeratePluginFiles(PluginFolder(), names);
}

bool PluginNameStorable(const std::string& name) { return IsIniKeyName(name); }

void ReadDisabledPlugins(const std::string& iniPath, std::vector<std::string>& names) {
    names = ReadSectionKeys(iniPath, kPluginsSection);
}

void ReadDisabledPlugins(std::vector<std::string>& names) {
    ReadDisabledPlugins(PluginSettingsFile(), names);
}

bool WriteDisabledPlugins(const std::string& iniPath, const std::vector<std::string>& names) {
    // One document, one atomic save: the section is never left half written.
    TIniDocument ini;
    if (ini.Load(iniPath) == TIniLoadStatus::Unreadable) return false;
    ini.EraseSection(kPluginsSection);
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (PluginNameStorable(*it)) ini.WriteBool(kPluginsSection, *it, false);
    }
    // The plug-in dialog may close before the first settings save made the
    // per-user folder.
    PrepareSettingsFolder(iniPath);
    return ini.Save(iniPath);
}

bool WriteDisabledPlugins(const std::vector<std::string>& names) {
    return WriteDisabledPlugins(PluginSettingsFile(), names);
}

void UnloadPlugins() {
    auto& plugins = PluginsState();
    plugins.clear();
    plugins.shrink_to_fit();
}

void LoadPlugins() {
    UnloadPlugins();
    std::vector<std::string> candidates;
    std::vector<std::string> disabled;
    EnumeratePluginFiles(candidates);
    ReadDisabledPlugins(disabled);
    std::erase_if(candidates, [&](const std::string& name) {
        return !PluginNameStorable(name) || ContainsPluginName(disabled, name);
    });

    auto& plugins = PluginsState();
    plugins.reserve(candidates.size());
    for (const std::string& name : candidates) {
        TPluginProbe probe = ProbePlugin(AddTrailingSeparator(PluginFolder()) + name);
        if (probe.Refusal == TPluginRefusal::None) {
            plugins.push_back(TLoadedPlugin{name, std::move(probe.Library)});
        }
    }
}

bool LoadThroughPlugins(const std::string& path, TByteBuffer& buffer, int32_t* failure) {
    if (failure != nullptr) *failure = SPI_NOT_SUPPORT;
    THeaderBuffer header;
    if (!ReadHeader(path, header)) return false;
    for (const TLoadedPlugin& plugin : LoadedPlugins()) {
        const intptr_t offset = ClaimOffset(plugin.Library, path, header);
        if (offset < 0) continue;
        const int32_t result = DecodeWith(plugin.Library, path, offset, buffer);
        if (result == SPI_ALL_RIGHT) return true;
        // The first telling reason is kept: a later plug-in that does not
        // know the format says nothing about the file.
        if (failure != nullptr && PluginFailureReason(*failure).Kind == TFailure::None)
            *failure = result;
    }
    return false;
}

int32_t PluginProgress(int32_t, int32_t, intptr_t) { return 0; }

void InstallPluginLoadHook() {
    SetPluginLoadHook([](TPictureRecord& record) {
        if (LoadedPlugins().empty()) return false;
        TByteBuffer image;
        int32_t failure = SPI_NOT_SUPPORT;
        if (LoadThroughPlugins(record.FileName, image, &failure)) return DecodeBmp(record, image) == 0;
        SetLastLoadFailure(PluginFailureReason(failure));
        return false;
    });
}
