#include "formats/png_writer.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <mutex>
#include <new>
#include <vector>

#include "config/failure_reason.h"
#include "config/safe_file.h"

namespace {

// Guarded by hookMutex: a save copies the hook once when it starts, so
// saves on several threads never share mutable state.
std::mutex hookMutex;
TPngProgressHook progressHook;

TPngProgressHook CurrentHook() {
    std::lock_guard<std::mutex> lock(hookMutex);
    return progressHook;
}

void ShowProgress(const TPngProgressHook& hook, int perMille) noexcept {
    try {
        if (hook) hook(perMille);
    } catch (...) {
        // An exception must never unwind through libpng's C frames.
    }
}

// The save's own progress state travels as libpng's error pointer (the
// default error handlers do not use it).
void PNGCBAPI WriteStatus(png_structp png, png_uint_32 rowNumber, int pass) {
    auto* state = static_cast<TPngProgressState*>(png_get_error_ptr(png));
    if (state != nullptr) PngProgress(*state, rowNumber, pass);
}

// The errno value when libpng gave up: the system's reason for a refused
// write (ENOSPC, EFBIG), ENOMEM for a failed allocation, 0 for anything else.
thread_local int pngFailureErrno = 0;

// libpng's own handlers print to stderr; the reason goes to the caller instead.
void PNGCBAPI OnPngError(png_structp png, png_const_charp) {
    pngFailureErrno = errno;
    png_longjmp(png, 1);
}
void PNGCBAPI OnPngWarning(png_structp, png_const_charp) {}

// Turns a failed libpng stream into the save's reason.
void RecordStreamFailure() {
    if (pngFailureErrno == ENOMEM) {
        SetLastSaveFailure({TFailure::OutOfMemory, 0});
    } else if (pngFailureErrno != 0) {
        SetSafeFileError(pngFailureErrno);
    }
}

// Everything the libpng calls need, as plain data: nothing in the function
// that holds the error return point may have a destructor, because libpng
// leaves it with longjmp.
struct TPngJob {
    FILE* File;
    TPngProgressState* Progress;
    png_bytepp Rows;
    png_const_colorp Palette;
    png_const_bytep Alpha;
    png_uint_32 Width;
    png_uint_32 Height;
    int Colors;
    bool WithAlpha;
    bool Interlace;
    bool AdaptiveFilters;
    int Level;
    png_uint_32 XPelsPerMeter;  // pHYs when both are above 0
    png_uint_32 YPelsPerMeter;
};

bool WritePngStream(const TPngJob* job) {
    pngFailureErrno = 0;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, job->Progress, OnPngError, OnPngWarning);
    if (png == nullptr) {
        pngFailureErrno = ENOMEM;
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        pngFailureErrno = ENOMEM;
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, job->File);
    errno = 0;  // so that the error handler sees only what the writes set
    // libpng refuses widths and heights over 1,000,000 unless told otherwise;
    // the readers accept larger pictures, so allow what the format allows.
    png_set_user_limits(png, kPngMaxDimension, kPngMaxDimension);
    png_set_write_status_fn(png, WriteStatus);
    // Adaptive: none, sub, up, average, Paeth, chosen per row.
    png_set_filter(png, 0, job->AdaptiveFilters ? PNG_ALL_FILTERS : PNG_FILTER_NONE);
    png_set_compression_level(png, job->Level);
    png_set_IHDR(png, info, job->Width, job->Height, 8,
                 job->Colors > 0 ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
                 job->Interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job->Colors > 0) png_set_PLTE(png, info, job->Palette, job->Colors);
    if (job->WithAlpha) png_set_tRNS(png, info, job->Alpha, job->Colors, nullptr);
    if (job->XPelsPerMeter > 0 && job->YPelsPerMeter > 0)
        png_set_pHYs(png, info, job->XPelsPerMeter, job->YPelsPerMeter, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    png_write_image(png, job->Rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool IndexesBelow(const std::vector<uint8_t>& pixels, int colors) {
    if (colors >= 256) return true;
    const uint8_t limit = static_cast<uint8_t>(colors);
    uint8_t bad = 0;  // branch-free so the scan vectorises
    for (const uint8_t p : pixels) bad |= static_cast<uint8_t>(p >= limit);
    return bad == 0;
}

bool IsWritable(const TPictureRecord& record) {
    if (record.Width < 1 || record.Height < 1) return false;
    const size_t pixelCount =
        static_cast<size_t>(record.Width) * static_cast<size_t>(record.Height);
    if (record.Kind == pkFullColour) return record.Pixels.size() == 4 * pixelCount;
    if (record.Kind != pkIndexed) return false;
    if (record.Colors < 1 || record.Colors > 256) return false;
    if (record.Pixels.size() != pixelCount) return false;
    if (record.Palette.size() < 4 * static_cast<size_t>(record.Colors)) return false;
    return IndexesBelow(record.Pixels, record.Colors);
}

// Red, green, blue of each colour value: its three low bytes in memory order.
std::vector<uint8_t> RgbRows(const TPictureRecord& record) {
    const size_t pixelCount = record.Pixels.size() / 4;
    std::vector<uint8_t> rgb(3 * pixelCount);
    const uint8_t* from = record.Pixels.data();
    uint8_t* to = rgb.data();
    for (size_t i = 0; i < pixelCount; ++i, from += 4, to += 3) {
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
    }
    return rgb;
}

bool WriteRecord(const TPictureRecord& record, bool interlace, const TPngWriteOptions& options,
                 TPngProgressState* progress) {
    const bool indexed = record.Kind == pkIndexed;
    // libpng copies every row before filtering it, so the indexes can be
    // handed over in place; full colour needs its own RGB copy.
    std::vector<uint8_t> rgb;
    uint8_t* pixels = const_cast<uint8_t*>(record.Pixels.data());
    if (!indexed) {
        rgb = RgbRows(record);
        pixels = rgb.data();
    }
    const size_t rowBytes = static_cast<size_t>(record.Width) * (indexed ? 1 : 3);
    std::vector<uint8_t*> rows(static_cast<size_t>(record.Height));
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = pixels + y * rowBytes;

    const int32_t colors = indexed ? record.Colors : 0;  // full colour: no palette, no tRNS
    TPngRgb palette[256] = {};
    uint8_t alpha[256] = {};
    for (int i = 0; i < colors; ++i) {
        const ColorValue c = record.PaletteEntry(i);
        palette[i] = TPngRgb{static_cast<uint8_t>(RedOf(c)), static_cast<uint8_t>(GreenOf(c)),
                             static_cast<uint8_t>(BlueOf(c))};
        alpha[i] = i == record.TransIndex ? 0 : 255;
    }
    // Transparency from alpha alone writes tRNS as a corner would.
    const int32_t transCorner = !indexed                  ? -1
                                : record.AlphaTransparent ? std::max(record.TransCorner, 0)
                                                          : record.TransCorner;
    return WritePngFile(record.FileName, rows.data(), colors > 0 ? palette : nullptr, record.Height,
                        record.Width, transCorner, alpha, colors, interlace, options, progress,
                        record.XPelsPerMeter, record.YPelsPerMeter);
}

}  // namespace

void SetPngProgressHook(TPngProgressHook hook) {
    std::lock_guard<std::mutex> lock(hookMutex);
    progressHook = std::move(hook);
}

void PngProgress(TPngProgressState& state, uint32_t rowNumber, int /*pass*/) {
    if (state.Height == 0) return;
    const auto value =
        static_cast<uint16_t>(static_cast<uint64_t>(rowNumber) * 1000 / state.Height);
    if (value > state.LastShown + 50) {
        state.LastShown = value;
        ShowProgress(state.Hook, value);
    }
}

bool WritePngFile(const std::string& fileName, uint8_t* const* rows, const TPngRgb* palette,
                  int32_t height, int32_t width, int32_t transCorner, const uint8_t* alphaTable,
                  int32_t colors, bool interlace, const TPngWriteOptions& options,
                  TPngProgressState* progress, int32_t xPelsPerMeter, int32_t yPelsPerMeter) {
    if (rows == nullptr || width < 1 || height < 1 || colors < 0 || colors > 256) return false;
    if (options.Level < 0 || options.Level > 9) return false;
    if (static_cast<uint32_t>(width) > kPngMaxDimension ||
        static_cast<uint32_t>(height) > kPngMaxDimension) {
        return false;
    }
    if (colors > 0 && palette == nullptr) return false;
    const bool withAlpha = colors > 0 && transCorner >= 0;
    if (withAlpha && alphaTable == nullptr) return false;

    TSafeFile file(fileName);
    if (!file.Open()) return false;
    png_color plte[256] = {};
    for (int i = 0; i < colors; ++i) {
        plte[i] = png_color{palette[i].Red, palette[i].Green, palette[i].Blue};
    }
    const TPngJob job{file.File(),
                      progress,
                      const_cast<png_bytepp>(rows),  // libpng reads the rows only
                      plte,
                      alphaTable,
                      static_cast<png_uint_32>(width),
                      static_cast<png_uint_32>(height),
                      colors,
                      withAlpha,
                      interlace,
                      options.AdaptiveFilters,
                      options.Level,
                      static_cast<png_uint_32>(std::max(xPelsPerMeter, 0)),
                      static_cast<png_uint_32>(std::max(yPelsPerMeter, 0))};
    if (!WritePngStream(&job)) {
        RecordStreamFailure();
        return false;  // the temporary file goes with `file`
    }
    return file.Commit();
}

bool SavePng(const TPictureRecord& record, bool interlace, const TPngWriteOptions& options) {
    if (!IsWritable(record)) return false;
    TPngProgressState progress;
    progress.Height = static_cast<uint32_t>(record.Height);
    progress.Hook = CurrentHook();
    bool written = false;
    try {
        written = WriteRecord(record, interlace, options, &progress);
    } catch (const std::bad_alloc&) {
        written = false;  // a picture too big for memory is a failed save
        SetLastSaveFailure({TFailure::OutOfMemory, 0});
    }
    ShowProgress(progress.Hook, 0);
    return written;
}
