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

bool TSpiBitmap::Create(uint32_t width, uint32_t height, uint64_t maxPixels) {
    createFailure_ = SPI_OUT_OF_ORDER;
    if (info_ || width == 0 || height == 0) return false;
    createFailure_ = SPI_TOO_LARGE;
    if (width > INT32_MAX || height > INT32_MAX) return false;
    if (static_cast<uint64_t>(width) * height > maxPixels) return false;
    const uint64_t stride = (uint64_t{width} * 3 + 3) / 4 * 4;
    const uint64_t bytes = stride * height;
    if (bytes > SIZE_MAX) return false;
    createFailure_ = SPI_NO_MEMORY;
    info_ = static_cast<uint8_t*>(std::calloc(1, 40));
    pixels_ = static_cast<uint8_t*>(std::calloc(1, static_cast<size_t>(bytes)));
    if (!info_ || !pixels_) return false;
    width_ = width;
    height_ = height;
    stride_ = static_cast<size_t>(stride);
    PutU32(info_, 40);
    PutU32(info_ + 4, width);
    PutU32(info_ + 8, height);  // positive: bottom-up rows
    PutU16(info_ + 12, 1);
    PutU16(info_ + 14, 24);
    PutU32(info_ + 20, static_cast<uint32_t>(bytes > UINT32_MAX ? 0 : bytes));
    PutU32(info_ + 24, 2835);  // 72 dpi in pixels per metre
    PutU32(info_ + 28, 2835);
    return true;
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
