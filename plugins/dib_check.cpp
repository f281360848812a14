#include "plugins/dib_check.h"

#include <malloc.h>

#include "formats/pixel_cap.h"

namespace {

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Any side up to the pixel cap (a picture one pixel high may be that wide).
constexpr int64_t kMaxSide = static_cast<int64_t>(kMaxPicturePixels);
constexpr uint64_t kMaxPixels = kMaxPicturePixels;
constexpr size_t kMaskBytes = 12;  // three bit-field masks after a 40-byte header

bool KnownHeaderSize(uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool KnownDepth(uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Compression 0 (none) at any depth, 3 (bit fields) at 16 and 32 bits. RLE
// is refused: its length cannot be checked before decoding.
bool KnownCompression(uint32_t compression, uint16_t bits) {
    return compression == 0 || (compression == 3 && (bits == 16 || bits == 32));
}

}  // namespace

size_t PluginBlockSize(const void* block) {
    return block ? malloc_usable_size(const_cast<void*>(block)) : 0;
}

bool CheckPluginDib(const uint8_t* info, size_t infoCapacity, size_t pixelCapacity,
                    TDibBlockSizes& sizes) {
    if (!info || infoCapacity < 40) return false;
    const uint32_t headerSize = U32(info);
    const int64_t width = static_cast<int32_t>(U32(info + 4));
    const int64_t height = static_cast<int32_t>(U32(info + 8));
    const uint16_t planes = U16(info + 12);
    const uint16_t bits = U16(info + 14);
    const uint32_t compression = U32(info + 16);
    if (!KnownHeaderSize(headerSize) || headerSize > infoCapacity) return false;
    const int64_t rows = height < 0 ? -height : height;
    if (width < 1 || width > kMaxSide || rows < 1 || rows > kMaxSide) return false;
    if (planes != 1 || !KnownDepth(bits) || !KnownCompression(compression, bits)) return false;
    if (static_cast<uint64_t>(width) * static_cast<uint64_t>(rows) > kMaxPixels) return false;

    size_t tableBytes = bits <= 8 ? (size_t{4} << bits) : 0;
    if (compression == 3 && headerSize == 40) tableBytes += kMaskBytes;
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t pixelBytes = stride * static_cast<uint64_t>(rows);
    if (headerSize + tableBytes > infoCapacity || pixelBytes > pixelCapacity) return false;
    sizes.InfoBytes = headerSize + tableBytes;
    sizes.PixelBytes = static_cast<size_t>(pixelBytes);
    return true;
}
