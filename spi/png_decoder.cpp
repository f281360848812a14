// PNG through libpng: every colour type and depth comes out as 8-bit BGR
// (palette expanded, grey widened, 16 bits scaled), or BGRA when the picture
// has alpha (an alpha channel or tRNS). The ICC profile (iCCP) and the
// resolution (pHYs in metres) travel in the DIB header. libpng reports
// errors by longjmp, so each setjmp lives in a small function with no C++
// object alive across it.
#include <png.h>

#include <cstring>
#include <vector>

#include "spi/spi_common.h"

namespace {

// libpng's own side limit is lifted to what the format allows; the pixel
// cap (maxPixels) is what refuses a picture, whatever its shape.
constexpr uint32_t kMaxSide = PNG_UINT_31_MAX;
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;  // text, ICC profiles and the like

struct TPngSource {
    const uint8_t* Data;
    size_t Size;
    size_t Position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<TPngSource*>(png_get_io_ptr(png));
    if (count > source->Size - source->Position) png_error(png, "truncated");
    std::memcpy(out, source->Data + source->Position, count);
    source->Position += count;
}

// Silent: a plug-in never writes to the console of its host.
void ErrorJump(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

// The size the IHDR chunk (always the first) claims, judged before libpng
// reads on and allocates for it.
bool OverPixelCap(const uint8_t* data, size_t size, uint64_t maxPixels) {
    constexpr size_t kSizeEnd = 24;  // signature, length, "IHDR", width, height
    if (size < kSizeEnd || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
    auto bigEndian = [data](size_t at) {
        return uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 | uint32_t{data[at + 2]} << 8 |
               data[at + 3];
    };
    return uint64_t{bigEndian(16)} * bigEndian(20) > maxPixels;
}

void AskForBgr(png_structp png, png_infop info) {
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    if (bitDepth == 16) png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    // Expanding a palette also turns tRNS into alpha; tRNS on grey or RGB
    // becomes an alpha channel too.
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
}

// Reads the header and sets up the transformations; the size comes back.
bool ReadHeaderStage(png_structp png, png_infop info, TPngSource* source, png_uint_32* width,
                     png_uint_32* height) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, source, &ReadFromMemory);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);
    AskForBgr(png, info);
    png_read_update_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    const size_t channels = png_get_channels(png, info);
    return (channels == 3 || channels == 4) && png_get_bit_depth(png, info) == 8 &&
           png_get_rowbytes(png, info) == static_cast<size_t>(*width) * channels;
}

bool ReadRowsStage(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    return true;
}

struct TPngReader {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    TPngReader() {
        Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, &ErrorJump, &IgnoreWarning);
        if (Png) Info = png_create_info_struct(Png);
    }
    ~TPngReader() { png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr); }
    TPngReader(const TPngReader&) = delete;
    TPngReader& operator=(const TPngReader&) = delete;
};

// Profile and resolution from chunks read before the image data. A
// profile that cannot be embedded is dropped: the pixels still load.
void CopyHeaderChunks(png_structp png, png_infop info, TSpiBitmap& out) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileSize = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) != 0)
        out.SetProfile(profile, profileSize);
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &x, &y, &unit) != 0 && unit == PNG_RESOLUTION_METER)
        out.SetResolution(x, y);
}

}  // namespace

int32_t DecodePng(const uint8_t* data, size_t size, uint64_t maxPixels, TSpiBitmap& out) {
    if (size < 8 || !LooksLikePng(data)) return SPI_NOT_SUPPORT;
    if (OverPixelCap(data, size, maxPixels)) return SPI_TOO_LARGE;
    TPngReader reader;
    if (!reader.Png || !reader.Info) return SPI_NO_MEMORY;
    TPngSource source{data, size, 0};
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    if (!ReadHeaderStage(reader.Png, reader.Info, &source, &width, &height)) return SPI_OUT_OF_ORDER;
    const bool alpha = png_get_channels(reader.Png, reader.Info) == 4;
    if (!out.Create(width, height, maxPixels, alpha)) return out.CreateFailure();
    CopyHeaderChunks(reader.Png, reader.Info, out);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = out.Row(y);
    if (!ReadRowsStage(reader.Png, rows.data())) return SPI_OUT_OF_ORDER;
    return SPI_ALL_RIGHT;
}
