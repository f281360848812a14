// zinop-cli convert, info and plugins.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/failure_report.h"
#include "cli/interrupt.h"
#include "config/failure_reason.h"
#include "config/safe_file.h"
#include "config/texts.h"
#include "formats/bmp.h"
#include "formats/png_writer.h"
#ifdef ZINOP_HAVE_PLUGINS
#include "plugins/plugin_host.h"
#include "plugins/plugin_listing.h"
#endif

namespace {

std::string FullPath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.lexically_normal().string();
}

// The message the program shows for a single file: full path, then the text.
void ReportFile(const std::string& path, TextId text) {
    std::fprintf(stderr, "%s%s\n", FullPath(path).c_str(), Text(text));
}

std::string LowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool Load(const std::string& path, TPictureRecord& record) {
    record = TPictureRecord{};
    record.FileName = path;
    if (LoadPicture(record) != 0) {
        ReportFile(path, TextId::OpenCantLoad);
        ReportReadFailure(path);
        return false;
    }
    return true;
}

}  // namespace

int CountDistinctColors(const TPictureRecord& record) {
    const size_t pixels = static_cast<size_t>(record.Width) * static_cast<size_t>(record.Height);
    int count = 0;
    if (record.Kind == pkFullColour && record.Pixels.size() >= pixels * 4) {
        // One bit per 24-bit colour (2 MiB); the top byte of a pixel is 0.
        std::vector<uint64_t> seen((1u << 24) / 64, 0);
        const ColorValue* colors = record.ColorPixels();
        for (size_t i = 0; i < pixels; ++i) {
            const uint32_t c = colors[i] & 0xFFFFFF;
            const uint64_t bit = uint64_t{1} << (c & 63);
            if ((seen[c >> 6] & bit) == 0) {
                seen[c >> 6] |= bit;
                ++count;
            }
        }
    } else if (record.Kind == pkIndexed && record.Pixels.size() >= pixels) {
        bool seen[256] = {};
        for (size_t i = 0; i < pixels; ++i) {
            const uint8_t index = record.Pixels[i];
            count += seen[index] ? 0 : 1;
            seen[index] = true;
        }
    }
    return count;
}

std::string PropertyText(const TPictureRecord& record, int colors) {
    return std::to_string(record.Width) + " x " + std::to_string(record.Height) + " / " +
           std::to_string(colors) + Text(TextId::PropertyColors);
}

int RunInfo(const TCliOptions& options) {
    TPictureRecord record;
    if (!Load(options.Files[0], record)) {
        return kExitFailed;
    }
    const int colors = CountDistinctColors(record);
    if (colors > 0) {
        std::printf("%s\n", PropertyText(record, colors).c_str());
    }
    if (!record.Alpha.empty()) std::printf("%s\n", Text(TextId::PropertyAlpha));
    return kExitOk;
}

int RunConvert(const TCliOptions& options) {
    const std::string& out = options.Files[1];
    const std::string extension = LowerExtension(out);
    // GIF takes only reduced pictures, so a full-colour OUT.gif can never be
    // written: a usage error found before anything is loaded.
    if (extension != ".bmp" && extension != ".png") {
        std::fprintf(stderr, "zinop-cli: convert: OUT must end in .bmp or .png, not '%s'\n%s\n",
                     out.c_str(), kTryHelp);
        return kExitUsage;
    }
    // Ctrl+C lets the file being written be finished (or not begun), never cut.
    TInterruptGuard interrupt;
    TPictureRecord record;
    if (!Load(options.Files[0], record)) {
        return TInterruptGuard::Interrupted() ? TInterruptGuard::ExitStatus() : kExitFailed;
    }
    if (TInterruptGuard::Interrupted()) {
        return TInterruptGuard::ExitStatus();
    }
    record.FileName = out;
    ClearSaveFailure();
    const bool written =
        extension == ".bmp" ? SaveBmp(record) : SavePng(record, false, options.Png);
    if (!written) {
        ReportFile(out, TextId::SaveCantSave);
        ReportWriteFailure(out);
        return kExitFailed;
    }
    return TInterruptGuard::Interrupted() ? TInterruptGuard::ExitStatus() : kExitOk;
}

#ifdef ZINOP_HAVE_PLUGINS
int RunPlugins(const TCliOptions& /*options*/) {
    std::vector<std::string> disabled;
    if (!PluginSettingsFile().empty()) {
        ReadDisabledPlugins(PluginSettingsFile(), disabled);
    }
    const std::vector<TPluginListing> listings = ListPlugins(PluginFolder(), disabled);
    std::printf("Plug-in folder: %s\n", PluginFolder().c_str());
    std::printf("Settings file: %s\n", PluginSettingsFile().c_str());
    if (listings.empty()) {
        std::printf("No plug-ins (*.spi) found.\n");
    }
    for (const TPluginListing& listing : listings) {
        if (listing.Refusal == TPluginRefusal::UnstorableName) {
            std::fprintf(stderr,
                         "zinop-cli: plug-in file name cannot be kept in the settings file: %s\n",
                         listing.FileName.c_str());
        }
        std::printf("%s: %s\n", listing.FileName.c_str(), PluginStateText(listing).c_str());
        if (!listing.Version.empty()) {
            std::printf("  0: %s\n", listing.Version.c_str());
        }
        for (size_t i = 0; i < listing.InfoTexts.size(); ++i) {
            std::printf("  %zu: %s\n", i + 1, listing.InfoTexts[i].c_str());
        }
    }
    return kExitOk;
}
#else
int RunPlugins(const TCliOptions& /*options*/) {
    std::printf("This zinop-cli was built without the plug-in host.\n");
    return kExitOk;
}
#endif
