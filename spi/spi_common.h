#pragma once
// Shared by the bundled plug-ins: the 24-bit bottom-up DIB they return, the
// export bodies, and the decoders (one per format, each reading a whole file
// image from memory so the fuzz targets can call them directly).

#include <cstddef>
#include <cstdint>

#include "formats/pixel_cap.h"
#include "plugins/spi.h"

// Pictures above this many pixels are refused before the large allocations.
inline constexpr uint64_t kSpiMaxPixels = kMaxPicturePixels;

// A 24-bit picture built straight into the two malloc blocks GetPicture
// hands over: a 40-byte information header and bottom-up pixel rows padded
// to 4 bytes. Pixels start black. Owns both blocks until Release.
// With alpha, a 32-bit picture instead: a 124-byte BITMAPV5HEADER with bit
// fields (blue, green, red, alpha bytes in this order) and pixels that start
// black and transparent. An embedded profile turns the header into a V5 one
// with the profile right after it.
class TSpiBitmap {
public:
    TSpiBitmap() = default;
    TSpiBitmap(const TSpiBitmap&) = delete;
    TSpiBitmap& operator=(const TSpiBitmap&) = delete;
    ~TSpiBitmap();

    // False when a size is 0, the picture is larger than maxPixels, or memory
    // runs out; CreateFailure() then tells which (SPI_OUT_OF_ORDER,
    // SPI_TOO_LARGE, SPI_NO_MEMORY). May be called once.
    bool Create(uint32_t width, uint32_t height, uint64_t maxPixels, bool alpha = false);
    int32_t CreateFailure() const { return createFailure_; }
    bool HasAlpha() const { return alpha_; }
    // Embeds an ICC profile (copied); false when memory runs out or the
    // profile is empty or larger than 16 MiB (the picture then has none).
    bool SetProfile(const uint8_t* profile, size_t size);
    // Resolution in pixels per metre; 0 (the default) is unknown.
    void SetResolution(uint32_t xPelsPerMeter, uint32_t yPelsPerMeter);
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    size_t Stride() const { return stride_; }
    // Row y counted from the top: Width() blue, green, red triplets (or
    // blue, green, red, alpha quadruplets with alpha).
    uint8_t* Row(uint32_t y) { return pixels_ + (height_ - 1 - y) * stride_; }
    void SetPixel(uint32_t x, uint32_t y, uint8_t red, uint8_t green, uint8_t blue,
                  uint8_t alpha = 255) {
        uint8_t* p = Row(y) + (alpha_ ? 4 : 3) * static_cast<size_t>(x);
        p[0] = blue;
        p[1] = green;
        p[2] = red;
        if (alpha_) p[3] = alpha;
    }
    // The bottom row; rows follow upwards, Stride() apart.
    uint8_t* BottomUpPixels() { return pixels_; }
    // Hands both blocks to the caller (who frees them with free).
    void Release(void** info, void** pixels);

private:
    uint8_t* info_ = nullptr;
    bool alpha_ = false;
    uint8_t* pixels_ = nullptr;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    size_t stride_ = 0;
    int32_t createFailure_ = SPI_OUT_OF_ORDER;
};

// A decoder: reads the file image data[0, size) into out. Returns SPI_ALL_RIGHT
// or an SPI_ failure code; never ends the process, whatever the data.
using TSpiDecoder = int32_t (*)(const uint8_t* data, size_t size, uint64_t maxPixels,
                                TSpiBitmap& out);

int32_t DecodePng(const uint8_t* data, size_t size, uint64_t maxPixels, TSpiBitmap& out);
int32_t DecodeJpeg(const uint8_t* data, size_t size, uint64_t maxPixels, TSpiBitmap& out);
int32_t DecodeGif(const uint8_t* data, size_t size, uint64_t maxPixels, TSpiBitmap& out);
int32_t DecodeTiff(const uint8_t* data, size_t size, uint64_t maxPixels, TSpiBitmap& out);
int32_t DecodeWebp(const uint8_t* data, size_t size, uint64_t maxPixels, TSpiBitmap& out);

// Header tests on the first bytes of a file; each reads at most 12 bytes
// (IsSupported receives 2048).
bool LooksLikePng(const uint8_t* header);
bool LooksLikeJpeg(const uint8_t* header);
bool LooksLikeGif(const uint8_t* header);
bool LooksLikeTiff(const uint8_t* header);
bool LooksLikeWebp(const uint8_t* header);

// The body of GetPluginInfo for a plug-in whose texts are texts[0, count):
// version, name, then pattern/format-name pairs.
int32_t SpiPluginInfo(const char* const* texts, int32_t count, int32_t infono, char* buf,
                      int32_t buflen);

// The body of GetPicture: reads the file (flag 0) from offset len, or takes
// buf as len bytes of memory (flag 1), decodes it and hands over the blocks.
int32_t SpiGetPicture(TSpiDecoder decoder, const char* buf, intptr_t len, uint32_t flag,
                      void** pHBInfo, void** pHBm, SPI_PROGRESS progress, intptr_t lData);
