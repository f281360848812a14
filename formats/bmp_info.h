#pragma once
// Private to the BMP code: the checked form of a BMP/DIB information header,
// shared by the file decoder and the DIB wrapper.

#include <cstddef>
#include <cstdint>

enum TBmpCompression : uint32_t { biRgb = 0, biRle8 = 1, biRle4 = 2, biBitFields = 3 };

#include "formats/pixel_cap.h"

// Larger pictures are refused before any allocation: 2^28 pixels are 1 GiB
// of full-colour pixels already.
constexpr uint64_t kMaxBmpPixels = kMaxPicturePixels;

struct TBmpInfo {
    uint32_t HeaderSize = 0;  // 12 (OS/2 core), 40, 52, 56, 64 (OS/2 2.x), 108 or 124
    bool Core = false;        // 12-byte header: 16-bit sizes, 3-byte colour entries
    int32_t Width = 0;        // > 0
    int32_t Height = 0;       // number of rows, > 0
    bool TopDown = false;     // stored height was negative: first stored row is the top
    int BitCount = 0;         // 1, 4, 8, 16, 24 or 32
    uint32_t Compression = biRgb;
    uint32_t ColorsUsed = 0;  // <= 256
    uint32_t ImageSize = 0;   // as stored; 0 is allowed for uncompressed pictures
    uint32_t Masks[3] = {};   // red, green, blue for 16 and 32 bits (defaults filled in)
    int PaletteEntries = 0;   // colour-table entries the header announces, 0..256
    int EntryBytes = 4;       // 3 for the core header
    size_t MaskBytes = 0;     // 12 when the masks follow a 40-byte header
    // Alpha channel mask of a bit-field picture whose header holds one (56
    // bytes and more); 0 when the picture has no usable alpha (none given,
    // or overlapping a colour mask, or not contiguous).
    uint32_t AlphaMask = 0;
    int32_t XPelsPerMeter = 0;  // as stored; negative values read as 0
    int32_t YPelsPerMeter = 0;
    // 124-byte header only: colour space type and the embedded profile's
    // place, counted from the start of the information header.
    uint32_t ColorSpaceType = 0;
    uint32_t ProfileOffset = 0;
    uint32_t ProfileSize = 0;

    // Bytes between the end of the header and the pixels in a packed DIB.
    size_t TableBytes() const {
        return MaskBytes + static_cast<size_t>(PaletteEntries) * static_cast<size_t>(EntryBytes);
    }
    bool Compressed() const { return Compression == biRle8 || Compression == biRle4; }
};

// Colour space types of BITMAPV4/V5 headers (four characters, big-endian).
constexpr uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'
constexpr uint32_t kV5ProfileDataOffset = 112;      // profile offset field in a 124-byte header
constexpr uint32_t kV5ProfileSizeOffset = 116;

// Bytes per stored row of width pixels at bitCount bits, rounded up to 4.
inline uint64_t BmpStride(int64_t width, int bitCount) {
    return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount) + 31) / 32 * 4;
}

// Reads and checks the information header at block[0, size): header size,
// sizes (1..2^28 pixels), planes (1), bit count, compression for that depth,
// colours used (<= 256) and bit-field masks (contiguous, inside the pixel).
// The block must also hold the three masks that follow a 40-byte header.
// False when anything is cut short or malformed.
bool ParseBmpInfo(const uint8_t* block, size_t size, TBmpInfo& info);
