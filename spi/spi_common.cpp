#include "spi/spi_common.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

constexpr uint32_t kV5HeaderBytes = 124;
constexpr size_t kMaxEmbeddedProfile = size_t{16} << 20;
constexpr uint32_t kProfileEmbeddedType = 0x4D424544;  // 'MBED'
constexpr uint32_t kSrgbType = 0x73524742;             // 'sRGB'
constexpr uint32_t kImagesIntent = 4;                  // LCS_GM_IMAGES

// The V5 fields after the first 40 bytes: bit fields for 32-bit pixels
// (BGRA bytes), sRGB until a profile is embedded.
void FillV5Fields(uint8_t* info, bool alpha) {
    if (alpha) {
        PutU32(info + 16, 3);  // BI_BITFIELDS
        PutU32(info + 40, 0x00FF0000);
        PutU32(info + 44, 0x0000FF00);
        PutU32(info + 48, 0x000000FF);
        PutU32(info + 52, 0xFF000000);
    }
    PutU32(info + 56, kSrgbType);
    PutU32(info + 108, kImagesIntent);
}

// A file image larger than this is refused before it is read.
constexpr long kMaxFileBytes = 1L << 30;

// Reads the file name from offset to its end into bytes.
int32_t ReadFileFrom(const char* name, intptr_t offset, std::vector<uint8_t>& bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(name, "rb"), &std::fclose);
    if (!file || offset < 0) return SPI_FILE_READ_ERROR;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return SPI_FILE_READ_ERROR;
    const long end = std::ftell(file.get());
    if (end < 0 || end - offset < 0) return SPI_FILE_READ_ERROR;
    if (end - offset > kMaxFileBytes) return SPI_NO_MEMORY;
    if (std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0) return SPI_FILE_READ_ERROR;
    try {
        bytes.resize(static_cast<size_t>(end - offset));
    } catch (const std::bad_alloc&) {
        return SPI_NO_MEMORY;
    }
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        return SPI_FILE_READ_ERROR;
    }
    return SPI_ALL_RIGHT;
}

}  // namespace

TSpiBitmap::~TSpiBitmap() {
    std::free(info_);
    std::free(pixels_);
}

bool TSpiBitmap::Create(uint32_t width, uint32_t height, uint64_t maxPixels, bool alpha) {
    createFailure_ = SPI_OUT_OF_ORDER;
    if (info_ || width == 0 || height == 0) return false;
    createFailure_ = SPI_TOO_LARGE;
    if (width > INT32_MAX || height > INT32_MAX) return false;
    if (static_cast<uint64_t>(width) * height > maxPixels) return false;
    const uint32_t bytesPerPixel = alpha ? 4 : 3;
    const uint64_t stride = (uint64_t{width} * bytesPerPixel + 3) / 4 * 4;
    const uint64_t bytes = stride * height;
    if (bytes > SIZE_MAX) return false;
    createFailure_ = SPI_NO_MEMORY;
    const uint32_t headerBytes = alpha ? kV5HeaderBytes : 40;
    info_ = static_cast<uint8_t*>(std::calloc(1, headerBytes));
    pixels_ = static_cast<uint8_t*>(std::calloc(1, static_cast<size_t>(bytes)));
    if (!info_ || !pixels_) return false;
    width_ = width;
    height_ = height;
    stride_ = static_cast<size_t>(stride);
    alpha_ = alpha;
    PutU32(info_, headerBytes);
    PutU32(info_ + 4, width);
    PutU32(info_ + 8, height);  // positive: bottom-up rows
    PutU16(info_ + 12, 1);
    PutU16(info_ + 14, static_cast<uint16_t>(8 * bytesPerPixel));
    PutU32(info_ + 20, static_cast<uint32_t>(bytes > UINT32_MAX ? 0 : bytes));
    if (alpha) FillV5Fields(info_, true);
    return true;
}

bool TSpiBitmap::SetProfile(const uint8_t* profile, size_t size) {
    if (!info_ || !profile || size == 0 || size > kMaxEmbeddedProfile) return false;
    auto* grown = static_cast<uint8_t*>(std::realloc(info_, kV5HeaderBytes + size));
    if (!grown) return false;
    info_ = grown;
    if (!alpha_) {
        std::memset(info_ + 40, 0, kV5HeaderBytes - 40);
        PutU32(info_, kV5HeaderBytes);
        FillV5Fields(info_, false);
    }
    std::memcpy(info_ + kV5HeaderBytes, profile, size);
    PutU32(info_ + 56, kProfileEmbeddedType);
    PutU32(info_ + 112, kV5HeaderBytes);  // counted from the header's start
    PutU32(info_ + 116, static_cast<uint32_t>(size));
    return true;
}

void TSpiBitmap::SetResolution(uint32_t xPelsPerMeter, uint32_t yPelsPerMeter) {
    if (!info_) return;
    // Values a signed field cannot hold mean nothing: unknown.
    PutU32(info_ + 24, xPelsPerMeter > INT32_MAX ? 0 : xPelsPerMeter);
    PutU32(info_ + 28, yPelsPerMeter > INT32_MAX ? 0 : yPelsPerMeter);
}

void TSpiBitmap::Release(void** info, void** pixels) {
    *info = info_;
    *pixels = pixels_;
    info_ = nullptr;
    pixels_ = nullptr;
}

bool LooksLikePng(const uint8_t* h) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return std::memcmp(h, kSignature, 8) == 0;
}
bool LooksLikeJpeg(const uint8_t* h) { return h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF; }
bool LooksLikeGif(const uint8_t* h) {
    return std::memcmp(h, "GIF87a", 6) == 0 || std::memcmp(h, "GIF89a", 6) == 0;
}
bool LooksLikeTiff(const uint8_t* h) {
    // Classic TIFF (42) and BigTIFF (43), either byte order.
    return (h[0] == 'I' && h[1] == 'I' && (h[2] == 42 || h[2] == 43) && h[3] == 0) ||
           (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && (h[3] == 42 || h[3] == 43));
}
bool LooksLikeWebp(const uint8_t* h) {
    return std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WEBP", 4) == 0;
}

int32_t SpiPluginInfo(const char* const* texts, int32_t count, int32_t infono, char* buf,
                      int32_t buflen) {
    if (infono < 0 || infono >= count || !buf || buflen <= 0) return 0;
    const size_t length = std::strlen(texts[infono]);
    const size_t kept = length < static_cast<size_t>(buflen) ? length : static_cast<size_t>(buflen) - 1;
    std::memcpy(buf, texts[infono], kept);
    buf[kept] = '\0';
    return static_cast<int32_t>(kept);
}

int32_t SpiGetPicture(TSpiDecoder decoder, const char* buf, intptr_t len, uint32_t flag,
                      void** pHBInfo, void** pHBm, SPI_PROGRESS progress, intptr_t lData) {
    if (!buf || !pHBInfo || !pHBm) return SPI_NO_FUNCTION;
    *pHBInfo = nullptr;
    *pHBm = nullptr;
    if (progress && progress(0, 1, lData) != 0) return SPI_ABORT;
    std::vector<uint8_t> file;
    const uint8_t* data = reinterpret_cast<const uint8_t*>(buf);
    size_t size = static_cast<size_t>(len);
    if ((flag & 7) == 0) {
        const int32_t read = ReadFileFrom(buf, len, file);
        if (read != SPI_ALL_RIGHT) return read;
        data = file.data();
        size = file.size();
    } else if ((flag & 7) != 1 || len < 0) {
        return SPI_NO_FUNCTION;
    }
    TSpiBitmap bitmap;
    const int32_t result = decoder(data, size, kSpiMaxPixels, bitmap);
    if (result != SPI_ALL_RIGHT) return result;
    if (progress && progress(1, 1, lData) != 0) return SPI_ABORT;
    bitmap.Release(pHBInfo, pHBm);
    return SPI_ALL_RIGHT;
}
