// TIFF through libtiff's RGBA reader, which handles every photometric
// interpretation, depth and layout libtiff supports. The first directory is
// read. Errors and warnings go to per-file handlers that keep quiet; every
// call's result is checked.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "spi/spi_common.h"

namespace {

// libtiff refuses single allocations above this (a hostile strip size).
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{512} << 20;

struct TTiffSource {
    const uint8_t* Data;
    size_t Size;
    uint64_t Position;
};

TTiffSource* SourceOf(thandle_t handle) { return static_cast<TTiffSource*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* out, tmsize_t count) {
    TTiffSource* source = SourceOf(handle);
    if (count <= 0 || source->Position >= source->Size) return 0;
    const size_t got = std::min(static_cast<uint64_t>(count), source->Size - source->Position);
    std::memcpy(out, source->Data + source->Position, got);
    source->Position += got;
    return static_cast<tmsize_t>(got);
}
tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }
toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    TTiffSource* source = SourceOf(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = source->Position;
    if (whence == SEEK_END) base = source->Size;
    if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
    source->Position = base + offset;
    return source->Position;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return SourceOf(handle)->Size; }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int QuietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TTiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct TOptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

TIFF* OpenFromMemory(TTiffSource& source) {
    std::unique_ptr<TIFFOpenOptions, TOptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxSingleAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), &QuietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), &QuietHandler, nullptr);
    // "m": never map; the data is already in memory.
    return TIFFClientOpenExt("memory", "rm", &source, &ReadProc, &WriteProc, &SeekProc, &CloseProc,
                             &SizeProc, &MapProc, &UnmapProc, options.get());
}

// The RGBA reader gives colour multiplied by alpha; dividing it out keeps the
// colour of half-transparent pixels (fully transparent ones stay black).
uint8_t Unpremultiply(uint32_t channel, uint32_t alpha) {
    if (alpha == 0 || alpha == 255) return static_cast<uint8_t>(channel);
    return static_cast<uint8_t>(std::min<uint32_t>(255, (channel * 255 + alpha / 2) / alpha));
}

// raster holds bottom-up rows, as the DIB does.
void CopyRaster(const std::vector<uint32_t>& raster, TSpiBitmap& out) {
    const uint32_t width = out.Width();
    const size_t step = out.HasAlpha() ? 4 : 3;
    for (uint32_t row = 0; row < out.Height(); ++row) {
        const uint32_t* in = raster.data() + static_cast<size_t>(row) * width;
        uint8_t* bgr = out.BottomUpPixels() + row * out.Stride();
        for (uint32_t x = 0; x < width; ++x, bgr += step) {
            const uint32_t a = TIFFGetA(in[x]);
            bgr[0] = Unpremultiply(TIFFGetB(in[x]), a);
            bgr[1] = Unpremultiply(TIFFGetG(in[x]), a);
            bgr[2] = Unpremultiply(TIFFGetR(in[x]), a);
            if (step == 4) bgr[3] = static_cast<uint8_t>(a);
        }
    }
}

// The RGBA reader answers 255 where the file has no alpha.
bool RasterHasAlpha(const std::vector<uint32_t>& raster) {
    return std::any_of(raster.begin(), raster.end(), [](uint32_t p) { return TIFFGetA(p) != 255; });
}

// Profile and resolution tags; what cannot be used is dropped.
void CopyTags(TIFF* tiff, TSpiBitmap& out) {
    uint32_t profileSize = 0;
    void* profile = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile)
        out.SetProfile(static_cast<const uint8_t*>(profile), profileSize);
    float x = 0, y = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (!TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) ||
        !TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y))
        return;
    const double perMetre = unit == RESUNIT_INCH         ? 1 / 0.0254
                            : unit == RESUNIT_CENTIMETER ? 100
                                                         : 0;  // no unit: an aspect ratio only
    const double xm = x * perMetre + 0.5, ym = y * perMetre + 0.5;
    if (xm >= 1 && ym >= 1 && xm < 1e9 && ym < 1e9)
        out.SetResolution(static_cast<uint32_t>(xm), static_cast<uint32_t>(ym));
}

int32_t ReadFirstDirectory(TIFF* tiff, uint64_t maxPixels, TSpiBitmap& out) {
    uint32_t width = 0;
    uint32_t height = 0;
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height)) {
        return SPI_OUT_OF_ORDER;
    }
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff, message)) return SPI_NOT_SUPPORT;
    if (width == 0 || height == 0) return SPI_OUT_OF_ORDER;
    if (uint64_t{width} * height > maxPixels) return SPI_TOO_LARGE;
    std::vector<uint32_t> raster;
    try {
        raster.resize(static_cast<size_t>(width) * height);
    } catch (const std::bad_alloc&) {
        return SPI_NO_MEMORY;
    }
    if (!TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_BOTLEFT, 1)) {
        return SPI_OUT_OF_ORDER;
    }
    if (!out.Create(width, height, maxPixels, RasterHasAlpha(raster))) return out.CreateFailure();
    CopyRaster(raster, out);
    CopyTags(tiff, out);
    return SPI_ALL_RIGHT;
}

}  // namespace

int32_t DecodeTiff(const uint8_t* data, size_t size, uint64_t maxPixels, TSpiBitmap& out) {
    if (size < 8 || !LooksLikeTiff(data)) return SPI_NOT_SUPPORT;
    TTiffSource source{data, size, 0};
    std::unique_ptr<TIFF, TTiffCloser> tiff(OpenFromMemory(source));
    if (!tiff) return SPI_OUT_OF_ORDER;
    return ReadFirstDirectory(tiff.get(), maxPixels, out);
}
