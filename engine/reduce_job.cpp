#include "engine/reduce_job.h"

#include <utility>

#include "config/paths.h"
#include "formats/palette_file.h"

namespace {

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

int32_t PaletteSizeOf(const TSettingsRecord& settings) {
    switch (settings.PaletteSizeButton) {
        case RadioButton4bit:
            return 16;
        case RadioButton1bit:
            return 2;
        case RadioButtonPalette:
            return Clamp(settings.UpDownValue, 2, 256);
        default:
            return 256;
    }
}

// 0 (5 bit) .. 3 (8 bit): the low bits cleared from every channel.
int32_t SourceMaskOf(int comboBoxTrim) {
    constexpr int32_t Masks[4] = {7, 3, 1, 0};
    return Masks[Clamp(comboBoxTrim, 0, 3)];
}

// Slider position 0..20 to the weight in hundredths, 30..130.
int32_t WeightOf(int trackBarPosition) { return Clamp(trackBarPosition, 0, 20) * 5 + 30; }

int32_t TransCornerOf(const TSettingsRecord& settings) {
    if (!settings.CheckBoxTrans) return -1;
    switch (settings.TransCornerButton) {
        case RadioButtonLT:
            return 0;
        case RadioButtonLB:
            return 1;
        case RadioButtonRT:
            return 2;
        default:
            return 3;
    }
}

// A file palette replaces the built one: its count (and the transparent
// entry) is the palette size and nothing else is added.
void FillPaletteChoice(const TSettingsRecord& settings, ReduceJob& job) {
    job.FilePalette.clear();
    job.LockedColors.clear();
    if (settings.RadioButtonPaletteFile && !settings.FilePaletteColors.empty()) {
        job.FilePalette.assign(settings.FilePaletteColors.begin(), settings.FilePaletteColors.end());
        job.AddFixed16 = false;
        job.PaletteSize = static_cast<int32_t>(job.FilePalette.size()) + (job.TransCorner >= 0 ? 1 : 0);
        return;
    }
    job.LockedColors.assign(settings.LockedColorValues.begin(), settings.LockedColorValues.end());
}

}  // namespace

std::string PaletteKey(const ReduceJob& job) {
    std::string key = std::to_string(job.OutputPrecision);
    key += '/';
    if (job.AddFixed16) key += '\x01';
    for (int32_t value : {job.PaletteSize, job.SourceMask, job.WeightBlue, job.WeightRed,
                          job.WeightGreen, job.TransCorner}) {
        key += '/';
        key += std::to_string(value);
    }
    if (!job.UseAlpha || job.AlphaThreshold != 128)
        key += "/a" + std::to_string(job.UseAlpha ? job.AlphaThreshold : 0);
    if (!job.FilePalette.empty()) key += "/P" + ColorListText(job.FilePalette);
    if (!job.LockedColors.empty()) key += "/L" + ColorListText(job.LockedColors);
    if (job.Refine > 0) key += "/r" + std::to_string(job.Refine);
    return key;
}

std::string FillReduceJob(TSettingsRecord& settings, ReduceJob& job) {
    job.PaletteSize = PaletteSizeOf(settings);
    job.SourceMask = SourceMaskOf(settings.ComboBoxTrim);
    settings.GifOptions = GifOptionsFromIndex(settings.ComboBoxGIF);
    settings.PngInterlace = settings.CheckBoxPNGinterlace;
    settings.BatchFormat = Clamp(settings.BatchFormatButton, 0, 2);
    job.WeightBlue = WeightOf(settings.TrackBarCb);
    job.WeightRed = WeightOf(settings.TrackBarCr);
    job.WeightGreen = WeightOf(settings.TrackBarCg);
    job.DitherMode = Clamp(settings.ComboBoxDither, 0, 4);
    job.SpreadOption = Clamp(settings.UpDownDitherOption, 0, 64);
    job.OutputPrecision = Clamp(settings.ComboBoxPaletteVolume, 0, 6);
    job.DitherDepth = Clamp(settings.TrackBarDither, 0, 10) * 10;
    job.AddFixed16 = settings.CheckBoxAdd16;
    settings.BatchSaveDirectory = AddTrailingSeparator(settings.BatchSaveDirectory);
    job.TransCorner = TransCornerOf(settings);
    job.UseAlpha = settings.CheckBoxAlpha;
    job.AlphaThreshold = Clamp(settings.UpDownAlphaThreshold, 1, 255);
    FillPaletteChoice(settings, job);
    const int32_t minimum = (job.AddFixed16 ? 16 : 0) + (job.TransCorner >= 0 ? 1 : 0) +
                            static_cast<int32_t>(job.LockedColors.size());
    job.Refine = Clamp(settings.ComboBoxRefine, 0, 3);
    if (job.PaletteSize < minimum) job.PaletteSize = minimum;
    return PaletteKey(job);
}

void SetUpSingleJob(ReduceJob& job, int32_t width, int32_t height, const ColorValue* source,
                    uint8_t* indexes, ColorValue* palette256, int32_t* workBuffer,
                    bool reusePalette) {
    job.Batch = false;
    job.Width = width;
    job.Height = height;
    job.SourcePixels = source;
    job.IndexPixels = indexes;
    job.PaletteBuffer = palette256;
    job.WorkBuffer = workBuffer;
    job.ReusePalette = reusePalette;
    job.SourceAlpha = nullptr;
    job.SourceAlphaOf.clear();
}

void SetUpBatchJob(ReduceJob& job, std::vector<int32_t> widths, std::vector<int32_t> heights,
                   std::vector<const ColorValue*> sources, std::vector<uint8_t*> indexes,
                   std::vector<ColorValue*> palettes, int32_t* workBuffer) {
    job.Batch = true;
    job.ReusePalette = false;  // a batch always builds its own palette
    job.PictureCount = static_cast<int32_t>(widths.size());
    job.Widths = std::move(widths);
    job.Heights = std::move(heights);
    job.SourcePixelsOf = std::move(sources);
    job.IndexPixelsOf = std::move(indexes);
    job.PaletteOf = std::move(palettes);
    job.PaletteCountOf.assign(static_cast<size_t>(job.PictureCount), 0);
    job.WorkBuffer = workBuffer;
    job.SourceAlpha = nullptr;
    job.SourceAlphaOf.clear();
}
