#pragma once
// The engine job: settings copied from the settings record, the picture
// buffers, and the values that come back. One job is run by one worker at a
// time; while it runs the buffers belong to the worker.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/settings_record.h"
#include "formats/picture.h"

struct ReduceJob {
    // Settings part, filled by FillReduceJob.
    int32_t PaletteSize = 256;     // 2..256, raised for fixed colours/transparency
    int32_t OutputPrecision = 6;   // 0 Web .. 6 888
    int32_t SourceMask = 0;        // 7, 3, 1 or 0: low bits cleared per channel
    int32_t WeightBlue = 80;       // 30..130, hundredths
    int32_t WeightRed = 80;
    int32_t WeightGreen = 80;
    bool AddFixed16 = false;
    int32_t DitherMode = 2;        // 0 none, 1 gPeanos, 2 DiffuseFS, 3 Maem, 4 Anime
    int32_t DitherDepth = 70;      // 0..100
    int32_t SpreadOption = 16;     // 0..64
    int32_t TransCorner = -1;      // -1 none, 0 TL, 1 BL, 2 TR, 3 BR
    bool UseAlpha = true;          // pixels with alpha below AlphaThreshold are transparent
    int32_t AlphaThreshold = 128;  // 1..255
    // Non-empty: map to exactly these colours (1..256, file order), building
    // nothing; PaletteSize is their count (+1 with transparency), AddFixed16
    // off and LockedColors empty.
    std::vector<ColorValue> FilePalette;
    // Colours the palette must hold exactly, after the found colours and
    // before the fixed ones; they count toward PaletteSize.
    std::vector<ColorValue> LockedColors;
    int32_t Refine = 0;            // 0 off .. 3: palette refinement before snapping

    // Picture part, single mode (Batch false). The caller owns the arrays.
    bool Batch = false;
    int32_t Width = 0;
    int32_t Height = 0;
    const ColorValue* SourcePixels = nullptr;  // Width*Height, never changed
    uint8_t* IndexPixels = nullptr;            // Width*Height, output
    ColorValue* PaletteBuffer = nullptr;       // 256 entries; input too with ReusePalette
    int32_t* WorkBuffer = nullptr;             // one int32 per pixel (all pictures in batch mode)
    bool ReusePalette = false;

    // Picture part, integrated-batch mode (Batch true): entry i is picture i.
    int32_t PictureCount = 0;
    std::vector<int32_t> Widths;
    std::vector<int32_t> Heights;
    std::vector<const ColorValue*> SourcePixelsOf;
    std::vector<uint8_t*> IndexPixelsOf;
    std::vector<ColorValue*> PaletteOf;  // at least PaletteSize entries each, output
    std::vector<int32_t> PaletteCountOf;  // output

    // Results.
    std::atomic<int16_t> Progress{0};  // 0..1000, read by another thread
    std::atomic<bool> StopRequested{false};
    bool Succeeded = false;
    int32_t TransIndex = 0;  // PaletteSize - 1 when TransCorner >= 0
    // Optional: called on the worker thread with every value written to
    // Progress, right after the store (tests and tools that follow each step).
    std::function<void(int)> ProgressObserver;
    // With Succeeded false: the run ended because working memory could not
    // be had (not for a stop request or a bad value).
    bool OutOfMemory = false;

    // Alpha of the pictures (Width*Height values each, pixel order), or
    // null for pictures without alpha; never changed. Single mode reads
    // SourceAlpha, integrated-batch mode SourceAlphaOf (empty or one entry
    // per picture). The set-up functions reset both to none.
    const uint8_t* SourceAlpha = nullptr;
    std::vector<const uint8_t*> SourceAlphaOf;
    // Result: some pixel was transparent through its alpha, so entry
    // TransIndex (PaletteSize - 1) is the transparent one even without
    // TransCorner.
    bool AlphaTransparent = false;
};

// Copies the settings record into the settings part of the job, stores the
// batch format, GIF options and PNG interlace flag in the record, adds a
// trailing separator to BatchSaveDirectory, and returns the PaletteKey: the
// text naming every setting the palette depends on (e.g. "6//256/0/80/80/80/-1").
std::string FillReduceJob(TSettingsRecord& settings, ReduceJob& job);

// The palette key of the job's settings: OutputPrecision, AddFixed16 (one
// character of code 1 when on, nothing when off), PaletteSize, SourceMask,
// WeightBlue, WeightRed, WeightGreen, TransCorner, joined by "/"; then
// "/a" and the alpha threshold (0 with UseAlpha off) only when the alpha
// settings are not the defaults (on, 128); then, only when there are any,
// "/P" and the file palette's "#rrggbb,..." and "/L" and the locked colours'
// list.
// "/r" and the level when Refine is above 0 (nothing at level 0).
std::string PaletteKey(const ReduceJob& job);

// Single-picture and integrated-batch set-ups; see the fields above.
void SetUpSingleJob(ReduceJob& job, int32_t width, int32_t height, const ColorValue* source,
                    uint8_t* indexes, ColorValue* palette256, int32_t* workBuffer,
                    bool reusePalette);
void SetUpBatchJob(ReduceJob& job, std::vector<int32_t> widths, std::vector<int32_t> heights,
                   std::vector<const ColorValue*> sources, std::vector<uint8_t*> indexes,
                   std::vector<ColorValue*> palettes, int32_t* workBuffer);

// Runs every stage of the reduction on the calling thread. Polls
// job.StopRequested between stages and per row; sets job.Succeeded (true
// only when every stage ended without a stop request). A job with values
// out of range (sizes below 1 or above 2^31-1 pixels, missing buffers,
// settings outside their ranges, PaletteSize above 256 or below what the
// fixed colours and transparency need, no searchable entry) or whose working
// memory cannot be obtained ends with Succeeded false and its outputs
// untouched or incomplete.
void RunJob(ReduceJob& job);
