#pragma once
// PNG output through libpng: indexed pictures as 8-bit palette images (with
// a tRNS alpha table when a transparent index is set), full-colour pictures
// as 8-bit RGB (never with tRNS), optionally Adam7-interlaced. By default
// libpng chooses among all five row filters per row at compression level 9;
// a caller may ask for other settings per call (TPngWriteOptions).

#include <cstdint>
#include <functional>
#include <string>

#include "formats/picture.h"

// Progress in per mille while the rows are compressed. Called on the thread
// that saves, from inside libpng: it must not throw (an exception is
// swallowed) and must not call back into the writer. A save moves it in
// steps of more than 50 and ends with 0. An empty hook reports nothing.
// Each SavePng takes a copy of the hook set when it starts; setting the hook
// is safe from any thread, but saves running on several threads at once all
// report to the one hook, so it must be safe to call from them.
using TPngProgressHook = std::function<void(int perMille)>;
void SetPngProgressHook(TPngProgressHook hook);

// The progress of one save: the figure last shown, the picture's height and
// the hook it reports to. Every save has its own, so two saves on two
// threads never disturb each other.
struct TPngProgressState {
    uint16_t LastShown = 0;
    uint32_t Height = 0;
    TPngProgressHook Hook;
};

// libpng's write-status report (row number as libpng counts it, pass):
// value = row * 1000 / state.Height; when it exceeds the last value shown by
// more than 50 it is shown through state.Hook.
void PngProgress(TPngProgressState& state, uint32_t rowNumber, int pass);

// The largest width or height PNG can hold (2^31 - 1). libpng's default
// limit of 1,000,000 is raised to it.
inline constexpr uint32_t kPngMaxDimension = 0x7FFFFFFF;

// How the rows are compressed. The defaults are the program's own settings.
struct TPngWriteOptions {
    // true: libpng picks one of the five filters per row (none, sub, up,
    // average, Paeth), which suits photographs in RGB. false: every row is
    // filter type 0, which suits palette indexes: smaller files, written in
    // a fraction of the time.
    bool AdaptiveFilters = true;
    int Level = 9;  // zlib compression level, 0..9
};

struct TPngRgb {
    uint8_t Red;
    uint8_t Green;
    uint8_t Blue;
};

// The inner writer. rows: height rows, top first, each width bytes of
// indexes (colors > 0) or 3*width bytes red, green, blue (colors == 0);
// libpng only reads them. palette: colors entries (colors 1..256) or null.
// alphaTable: at least colors bytes, written as tRNS when colors > 0 and
// transCorner >= 0. The file appears complete or not at all (written beside
// fileName and renamed over it); false on any failure, after libpng's
// structures are freed, and then an existing file stays as it was; also
// when options.Level is outside 0..9. progress, when not null, receives
// libpng's row reports. A resolution (pixels per metre) above 0 in both
// directions is written as pHYs.
bool WritePngFile(const std::string& fileName, uint8_t* const* rows, const TPngRgb* palette,
                  int32_t height, int32_t width, int32_t transCorner, const uint8_t* alphaTable,
                  int32_t colors, bool interlace, const TPngWriteOptions& options = {},
                  TPngProgressState* progress = nullptr, int32_t xPelsPerMeter = 0,
                  int32_t yPelsPerMeter = 0);

// Writes record.FileName: pkIndexed records (Colors 1..256, Width*Height
// indexes below Colors) as palette images, pkFullColour records as RGB.
// Other kinds, empty sizes or inconsistent buffers give false and no file,
// without touching the progress hook. Otherwise the progress restarts at 0
// and the hook gets 0 when the save ends, whether it succeeded or not.
bool SavePng(const TPictureRecord& record, bool interlace, const TPngWriteOptions& options = {});
