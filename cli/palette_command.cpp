// zinop-cli palette, and the palette files reduce --save-palette writes.

#include <cstdio>
#include <memory>
#include <utility>

#include "cli/cli_commands.h"
#include "cli/failure_report.h"
#include "config/failure_reason.h"
#include "config/texts.h"
#include "engine/palette_choice.h"
#include "engine/palette_only.h"
#include "engine/reduce_job.h"
#include "formats/bmp.h"
#include "formats/palette_file.h"

namespace {

// The whole value of the chosen corner pixel (the engine's transparent colour).
ColorValue CornerOf(const TPictureRecord& record, int corner) {
    const size_t lastRow = static_cast<size_t>(record.Height - 1) * record.Width;
    const size_t lastColumn = static_cast<size_t>(record.Width - 1);
    const size_t index[4] = {0, lastRow, lastColumn, lastRow + lastColumn};
    return record.ColorPixels()[index[corner & 3]];
}

// The path with its extension (after the file name's last '.') replaced.
std::string WithExtension(const std::string& path, const char* extension) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    const bool hasDot = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasDot ? path.substr(0, dot) : path) + "." + extension;
}

bool WritePalette(const std::string& path, const std::vector<ColorValue>& colors) {
    TPaletteError error;
    if (WritePaletteFile(path, colors, error)) return true;
    std::fprintf(stderr, "zinop-cli: cannot write %s: %s\n", path.c_str(),
                 PaletteErrorText(error, UseEnglish()).c_str());
    return false;
}

// The entries of a result; without the transparent entry when asked (a
// palette for --palette, which appends its own).
std::vector<ColorValue> PaletteOf(const TPictureRecord& record, bool withoutTransparent) {
    int count = record.Colors;
    if (withoutTransparent && record.TransCorner >= 0 && record.TransIndex == count - 1) --count;
    std::vector<ColorValue> colors;
    for (int i = 0; i < count && i < 256; ++i) colors.push_back(record.PaletteEntry(i) & 0xFFFFFF);
    return colors;
}

}  // namespace

bool ResolveCliPaletteChoice(TSettingsRecord& settings, int& status) {
    TPaletteChoiceError error;
    if (ResolvePaletteChoice(settings, error)) return true;
    std::fprintf(stderr, "zinop-cli: %s\n", PaletteChoiceErrorText(error, UseEnglish()).c_str());
    status = error.File.empty() && !error.NoRoomForTransparent ? kExitUsage : kExitFailed;
    return false;
}

TBatchSaver WithPaletteFiles(TBatchSaver save, const TCliOptions& options) {
    if (!options.SavePalette) return save;
    const char* extension = PaletteFormatExtension(static_cast<TPaletteFormat>(options.PaletteFormat));
    auto sharedWritten = std::make_shared<bool>(false);
    return [save, extension, sharedWritten, integrated = options.Integrated](
               const TPictureRecord& record, const TBatchOutput& to) {
        if (!save(record, to)) return false;
        bool written = WritePalette(WithExtension(record.FileName, extension), PaletteOf(record, false));
        if (integrated && !*sharedWritten) {
            *sharedWritten = true;
            written = WritePalette(to.Folder + "palette." + extension, PaletteOf(record, true)) && written;
        }
        return written;
    };
}

int RunPalette(const TCliOptions& options, TSettingsRecord settings) {
    const std::string& target = options.Files.front();
    ReduceJob job;
    FillReduceJob(settings, job);
    std::vector<TColorCount> counts;
    int status = kExitOk;
    bool anyLoaded = false;
    uint32_t transColor = 0x1000000;  // none
    for (size_t i = 1; i < options.Files.size(); ++i) {
        TPictureRecord record;
        record.FileName = options.Files[i];
        if (LoadPicture(record) != 0) {
            if (!options.Quiet) std::printf("%s%s\n", Text(TextId::BatchCantLoad), record.FileName.c_str());
            ReportReadFailure(record.FileName);
            status = kExitFailed;
            continue;
        }
        if (!options.Quiet) std::printf("%s%s\n", Text(TextId::BatchLoad), record.FileName.c_str());
        // An integrated run takes the transparent colour from its first picture.
        if (!anyLoaded && job.TransCorner >= 0) transColor = CornerOf(record, job.TransCorner);
        anyLoaded = true;
        const size_t pixels = static_cast<size_t>(record.Width) * record.Height;
        MergeColorCounts(counts, CountPictureColors(record.ColorPixels(), pixels, job.SourceMask, transColor));
    }
    if (!anyLoaded) {
        if (!options.Quiet) std::printf("%s\n", Text(TextId::BatchAbort));
        return kExitFailed;
    }
    std::vector<ColorValue> palette;
    if (!BuildPaletteFromCounts(job, std::move(counts), palette)) {
        std::fprintf(stderr, "zinop-cli: cannot build the palette with these settings\n");
        return kExitFailed;
    }
    if (!WritePalette(target, palette)) return kExitFailed;
    if (!options.Quiet) std::printf("%s%s\n", Text(TextId::BatchSave), target.c_str());
    return status;
}
