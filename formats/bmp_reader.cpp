// BMP decoding: every Windows and OS/2 variant with 1, 4, 8, 16, 24 or 32
// bits per pixel, uncompressed, RLE8, RLE4 or with bit-field masks, stored
// bottom-up or top-down. Every byte comes through bounds-checked reads and
// every size is checked in 64 bits before anything is allocated, so a hostile
// file is refused rather than read past its end.

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "config/failure_reason.h"
#include "formats/bmp.h"
#include "formats/bmp_info.h"
#include "formats/byte_reader.h"
#include "formats/color_profile.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;

using TColorTable = std::array<ColorValue, 256>;

bool KnownHeaderSize(uint32_t size) {
    switch (size) {
        case 12:
        case 40:
        case 52:
        case 56:
        case 64:
        case 108:
        case 124:
            return true;
        default:
            return false;
    }
}

bool DepthAllowed(const TBmpInfo& info) {
    const int bits = info.BitCount;
    if (info.Core)
        return info.Compression == biRgb && (bits == 1 || bits == 4 || bits == 8 || bits == 24);
    switch (info.Compression) {
        case biRgb:
            return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
        case biRle8:
            return bits == 8;
        case biRle4:
            return bits == 4;
        case biBitFields:
            // The 64-byte OS/2 header uses compression 3 for Huffman coding.
            return (bits == 16 || bits == 32) && info.HeaderSize != 64;
        default:
            return false;
    }
}

// One colour channel of a 16- or 32-bit pixel: mask, position and width.
struct TChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;
};

// False for a mask with holes or bits beyond the pixel. A zero mask is a
// channel that always reads 0.
bool MakeChannel(uint32_t mask, int bitCount, TChannel& channel) {
    channel = TChannel{mask, 0, 0};
    if (mask == 0) return true;
    if (bitCount == 16 && mask > 0xFFFF) return false;
    channel.Shift = std::countr_zero(mask);
    const uint32_t bits = mask >> channel.Shift;
    if ((bits & (bits + 1)) != 0) return false;
    channel.Bits = std::popcount(bits);
    return true;
}

// Widens a channel value to 8 bits. Narrow channels are scaled so that their
// maximum becomes 255 (5-bit 31 -> 255, 16 -> 132); wider ones keep their top
// 8 bits.
uint32_t WidenChannel(uint32_t pixel, const TChannel& channel) {
    if (channel.Bits == 0) return 0;
    const uint32_t value = (pixel & channel.Mask) >> channel.Shift;
    if (channel.Bits >= 8) return value >> (channel.Bits - 8);
    const uint32_t maximum = (uint32_t{1} << channel.Bits) - 1;
    return (value * 255 + maximum / 2) / maximum;
}

void ReadAlphaMask(TByteReader& in, TBmpInfo& info);

bool ReadMasks(TByteReader& in, TBmpInfo& info) {
    if (info.BitCount != 16 && info.BitCount != 32) return true;
    if (info.Compression == biBitFields) {
        // Masks sit at offset 40 of the block: inside headers from 52 bytes
        // on, directly after a 40-byte header.
        if (info.HeaderSize == 40) info.MaskBytes = 12;
        in.Seek(40);
        for (uint32_t& mask : info.Masks) mask = in.U32LE();
        if (!in.Ok()) return false;
    } else if (info.BitCount == 16) {
        info.Masks[0] = 0x7C00, info.Masks[1] = 0x03E0, info.Masks[2] = 0x001F;
    } else {
        info.Masks[0] = 0xFF0000, info.Masks[1] = 0x00FF00, info.Masks[2] = 0x0000FF;
    }
    TChannel channel;
    for (uint32_t mask : info.Masks)
        if (!MakeChannel(mask, info.BitCount, channel)) return false;
    if (info.Compression == biBitFields && info.HeaderSize >= 56) ReadAlphaMask(in, info);
    return true;
}

// The alpha mask sits right after the three colour masks. One that is not
// contiguous or shares bits with a colour is ignored: the colours still load.
void ReadAlphaMask(TByteReader& in, TBmpInfo& info) {
    const uint32_t mask = in.U32LE();
    TChannel channel;
    if (!in.Ok() || mask == 0 || !MakeChannel(mask, info.BitCount, channel)) return;
    if ((mask & (info.Masks[0] | info.Masks[1] | info.Masks[2])) != 0) return;
    info.AlphaMask = mask;
}

// Colour space and profile fields of a 124-byte header.
void ReadProfileFields(const uint8_t* block, TBmpInfo& info) {
    if (info.HeaderSize != 124) return;
    TByteReader in(block, info.HeaderSize, 56);
    info.ColorSpaceType = in.U32LE();
    in.Seek(kV5ProfileDataOffset);
    info.ProfileOffset = in.U32LE();
    info.ProfileSize = in.U32LE();
}

// Reads the fields up to colours used; sizes stay 64-bit for the checks.
bool ReadHeaderFields(TByteReader& in, TBmpInfo& info, int64_t& width, int64_t& height) {
    uint16_t planes = 0;
    if (info.Core) {
        width = in.U16LE();
        height = in.U16LE();
        planes = in.U16LE();
        info.BitCount = in.U16LE();
    } else {
        width = in.I32LE();
        height = in.I32LE();
        planes = in.U16LE();
        info.BitCount = in.U16LE();
        info.Compression = in.U32LE();
        info.ImageSize = in.U32LE();
        info.XPelsPerMeter = std::max(in.I32LE(), 0);
        info.YPelsPerMeter = std::max(in.I32LE(), 0);
        info.ColorsUsed = in.U32LE();
    }
    return in.Ok() && planes == 1;
}

// Output row of a stored row: stored rows run bottom-up unless top-down.
size_t OutputRow(const TBmpInfo& info, int64_t storedRow) {
    return static_cast<size_t>(info.TopDown ? storedRow : info.Height - 1 - storedRow);
}

void StoreColor(uint8_t* destination, ColorValue color) {
    destination[0] = static_cast<uint8_t>(color);
    destination[1] = static_cast<uint8_t>(color >> 8);
    destination[2] = static_cast<uint8_t>(color >> 16);
    destination[3] = 0;
}

// Where the parts of a BMP file image lie, checked against its size.
struct TBmpLayout {
    TBmpInfo Info;
    size_t DataOffset = 0;
    size_t TableOffset = 0;
    int TableEntries = 0;  // entries actually present in the file
};

bool ParseFileLayout(const uint8_t* file, size_t size, TBmpLayout& layout) {
    if (size < kFileHeaderBytes || file[0] != 'B' || file[1] != 'M') return false;
    TByteReader in(file, size, 10);
    layout.DataOffset = in.U32LE();
    if (!in.Ok() || layout.DataOffset > size) return false;
    TBmpInfo& info = layout.Info;
    if (!ParseBmpInfo(file + kFileHeaderBytes, size - kFileHeaderBytes, info)) return false;
    layout.TableOffset = kFileHeaderBytes + info.HeaderSize + info.MaskBytes;
    if (info.BitCount > 8) return true;  // no colour table is used
    size_t entries = static_cast<size_t>(info.PaletteEntries);
    const size_t entryBytes = static_cast<size_t>(info.EntryBytes);
    // Writers that store a shorter table than announced put the pixels
    // right after it: only the entries before the pixels exist.
    if (layout.DataOffset >= layout.TableOffset &&
        layout.DataOffset < layout.TableOffset + entries * entryBytes)
        entries = (layout.DataOffset - layout.TableOffset) / entryBytes;
    if (layout.TableOffset > size || entries * entryBytes > size - layout.TableOffset) return false;
    layout.TableEntries = static_cast<int>(entries);
    return true;
}

// Entries beyond those present stay black, so any index reads a colour.
TColorTable ReadColorTable(const uint8_t* file, const TBmpLayout& layout) {
    TColorTable table{};
    const uint8_t* entry = file + layout.TableOffset;
    for (int i = 0; i < layout.TableEntries; ++i, entry += layout.Info.EntryBytes)
        table[static_cast<size_t>(i)] = MakeColor(entry[2], entry[1], entry[0]);
    return table;
}

void DecodeIndexedRow(const uint8_t* source, int width, int bitCount, const TColorTable& table,
                      uint8_t* destination) {
    for (int x = 0; x < width; ++x, destination += 4) {
        unsigned index;
        if (bitCount == 1)
            index = (source[x >> 3] >> (7 - (x & 7))) & 1u;
        else if (bitCount == 4)
            index = (x & 1) ? source[x >> 1] & 0x0Fu : source[x >> 1] >> 4;
        else
            index = source[x];
        StoreColor(destination, table[index]);
    }
}

void DecodeBgrRow(const uint8_t* source, int width, uint8_t* destination) {
    for (int x = 0; x < width; ++x, source += 3, destination += 4)
        StoreColor(destination, MakeColor(source[2], source[1], source[0]));
}

void DecodeMaskedRow(const uint8_t* source, int width, int bitCount, const TChannel (&channels)[3],
                     uint8_t* destination) {
    const int bytesPerPixel = bitCount / 8;
    for (int x = 0; x < width; ++x, source += bytesPerPixel, destination += 4) {
        uint32_t pixel = static_cast<uint32_t>(source[0]) | static_cast<uint32_t>(source[1]) << 8;
        if (bytesPerPixel == 4) {
            pixel |= static_cast<uint32_t>(source[2]) << 16;
            pixel |= static_cast<uint32_t>(source[3]) << 24;
        }
        StoreColor(destination, MakeColor(static_cast<int>(WidenChannel(pixel, channels[0])),
                                          static_cast<int>(WidenChannel(pixel, channels[1])),
                                          static_cast<int>(WidenChannel(pixel, channels[2]))));
    }
}

void DecodeAlphaRow(const uint8_t* source, int width, int bitCount, const TChannel& channel,
                    uint8_t* destination) {
    const int bytesPerPixel = bitCount / 8;
    for (int x = 0; x < width; ++x, source += bytesPerPixel) {
        uint32_t pixel = static_cast<uint32_t>(source[0]) | static_cast<uint32_t>(source[1]) << 8;
        if (bytesPerPixel == 4)
            pixel |= static_cast<uint32_t>(source[2]) << 16 |
                     static_cast<uint32_t>(source[3]) << 24;
        destination[x] = static_cast<uint8_t>(WidenChannel(pixel, channel));
    }
}

// All opaque is no alpha; all 0 is the unused fourth byte of writers that
// announce an alpha mask without filling it, which must not hide the picture.
void DropUselessAlpha(std::vector<uint8_t>& alpha) {
    if (alpha.empty()) return;
    const uint8_t first = alpha[0];
    if ((first == 0 || first == 255) &&
        std::all_of(alpha.begin(), alpha.end(), [first](uint8_t a) { return a == first; }))
        std::vector<uint8_t>().swap(alpha);
}

// True when the file holds every stored row of an uncompressed picture. The
// last row's padding may be missing; its pixels may not.
bool UncompressedDataFits(size_t size, const TBmpLayout& layout) {
    const TBmpInfo& info = layout.Info;
    const uint64_t stride = BmpStride(info.Width, info.BitCount);
    const uint64_t rowBytes = (static_cast<uint64_t>(info.Width) * info.BitCount + 7) / 8;
    const uint64_t needed = stride * static_cast<uint64_t>(info.Height - 1) + rowBytes;
    return needed <= size - layout.DataOffset;
}

bool DecodeUncompressed(const uint8_t* file, size_t size, const TBmpLayout& layout,
                        const TColorTable& table, uint8_t* output, uint8_t* alpha) {
    const TBmpInfo& info = layout.Info;
    const uint64_t stride = BmpStride(info.Width, info.BitCount);
    if (!UncompressedDataFits(size, layout)) return false;
    TChannel channels[3];
    for (int c = 0; c < 3; ++c) MakeChannel(info.Masks[c], info.BitCount, channels[c]);
    TChannel alphaChannel;
    MakeChannel(info.AlphaMask, info.BitCount, alphaChannel);
    const size_t outputRowBytes = static_cast<size_t>(info.Width) * 4;
    for (int64_t row = 0; row < info.Height; ++row) {
        const uint8_t* source = file + layout.DataOffset + static_cast<size_t>(stride) * row;
        uint8_t* destination = output + OutputRow(info, row) * outputRowBytes;
        if (info.BitCount <= 8)
            DecodeIndexedRow(source, info.Width, info.BitCount, table, destination);
        else if (info.BitCount == 24)
            DecodeBgrRow(source, info.Width, destination);
        else
            DecodeMaskedRow(source, info.Width, info.BitCount, channels, destination);
        if (alpha)
            DecodeAlphaRow(source, info.Width, info.BitCount, alphaChannel,
                           alpha + OutputRow(info, row) * static_cast<size_t>(info.Width));
    }
    return true;
}

// Run-length decoding (RLE8 and RLE4). Position (X, Y) counts stored rows
// from the first stored row; pixels no code reaches keep entry 0.
class TRleDecoder {
public:
    TRleDecoder(const uint8_t* file, size_t size, const TBmpLayout& layout,
                const TColorTable& table, uint8_t* output)
        : in_(file, size, layout.DataOffset), info_(layout.Info), table_(table), output_(output) {}

    // False for a code that leaves the row or picture, or data that ends
    // before the end-of-bitmap code.
    bool Run() {
        for (;;) {
            const unsigned count = in_.U8();
            const unsigned second = in_.U8();
            if (!in_.Ok()) return false;
            if (count > 0) {
                if (!EncodedRun(count, second)) return false;
            } else if (second == 1) {
                return true;  // end of bitmap
            } else if (!Escape(second)) {
                return false;
            }
        }
    }

private:
    bool Nibbles() const { return info_.Compression == biRle4; }

    void Put(int64_t x, unsigned index) {
        const size_t offset =
            (OutputRow(info_, y_) * static_cast<size_t>(info_.Width) + static_cast<size_t>(x)) * 4;
        StoreColor(output_ + offset, table_[index]);
    }

    // count pixels fit at the current position of a row inside the picture.
    bool Fits(unsigned count) const { return y_ < info_.Height && x_ + count <= info_.Width; }

    // RLE8 repeats one index; RLE4 alternates the two nibbles, high first.
    bool EncodedRun(unsigned count, unsigned value) {
        if (!Fits(count)) return false;
        for (unsigned i = 0; i < count; ++i) {
            const unsigned index = !Nibbles() ? value : (i & 1) ? value & 0x0Fu : value >> 4;
            Put(x_ + i, index);
        }
        x_ += count;
        return true;
    }

    bool Escape(unsigned code) {
        if (code == 0) {  // end of line
            if (y_ >= info_.Height) return false;
            x_ = 0;
            ++y_;
            return true;
        }
        if (code == 2) {  // delta: move right and up; landing on the end is allowed
            const unsigned dx = in_.U8();
            const unsigned dy = in_.U8();
            if (!in_.Ok() || y_ >= info_.Height) return false;
            x_ += dx;
            y_ += dy;
            return x_ <= info_.Width && y_ <= info_.Height;
        }
        return Absolute(code);
    }

    // count literal indexes, padded to a 16-bit boundary.
    bool Absolute(unsigned count) {
        if (!Fits(count)) return false;
        const size_t dataBytes = Nibbles() ? (count + 1) / 2 : count;
        const uint8_t* data = in_.Take(dataBytes + (dataBytes & 1));
        if (!data) return false;
        for (unsigned i = 0; i < count; ++i) {
            const unsigned index = !Nibbles() ? data[i]
                                   : (i & 1)  ? data[i / 2] & 0x0Fu
                                              : data[i / 2] >> 4u;
            Put(x_ + i, index);
        }
        x_ += count;
        return true;
    }

    TByteReader in_;
    const TBmpInfo& info_;
    const TColorTable& table_;
    uint8_t* output_;
    int64_t x_ = 0;
    int64_t y_ = 0;
};

// The general decoder: full-colour pixels (4 bytes each, top row first) of a
// BMP file image. False, with pixels unspecified, when the image is refused.
bool DecodeBmpPixels(const uint8_t* file, size_t size, TBmpInfo& info,
                     std::vector<uint8_t>& pixels, std::vector<uint8_t>& alpha) {
    TBmpLayout layout;
    if (!ParseFileLayout(file, size, layout)) return false;
    info = layout.Info;
    // A 54-byte header may claim 2^28 pixels: refuse it before the 1 GiB
    // pixel buffer is made, not after.
    if (!info.Compressed() && !UncompressedDataFits(size, layout)) return false;
    const TColorTable table = ReadColorTable(file, layout);
    pixels.assign(static_cast<size_t>(info.Width) * static_cast<size_t>(info.Height) * 4, 0);
    if (info.Compressed()) {
        for (size_t i = 0; i < pixels.size(); i += 4) StoreColor(pixels.data() + i, table[0]);
        return TRleDecoder(file, size, layout, table, pixels.data()).Run();
    }
    if (info.AlphaMask != 0) alpha.assign(static_cast<size_t>(info.Width) * info.Height, 0);
    if (!DecodeUncompressed(file, size, layout, table, pixels.data(),
                            alpha.empty() ? nullptr : alpha.data()))
        return false;
    DropUselessAlpha(alpha);
    return true;
}

// The embedded profile of a 124-byte header, when it lies inside the file
// image and is no larger than kMaxProfileBytes; otherwise no usable profile.
bool FindProfile(const TByteBuffer& file, const TBmpInfo& info, const uint8_t*& profile,
                 size_t& profileSize) {
    const uint64_t start = kFileHeaderBytes + uint64_t{info.ProfileOffset};
    if (info.ProfileSize == 0 || info.ProfileSize > kMaxProfileBytes ||
        start + info.ProfileSize > file.Data.size())
        return false;
    profile = file.Data.data() + start;
    profileSize = info.ProfileSize;
    return true;
}

TPictureRecord::TProfileState ApplyProfile(const TByteBuffer& file, const TBmpInfo& info,
                                           std::vector<uint8_t>& pixels) {
    if (info.ColorSpaceType != kProfileEmbedded) return TPictureRecord::psNone;
    const uint8_t* profile = nullptr;
    size_t profileSize = 0;
    if (!FindProfile(file, info, profile, profileSize)) return TPictureRecord::psRejected;
    return ConvertToSrgb(profile, profileSize, pixels);
}

}  // namespace

bool ParseBmpInfo(const uint8_t* block, size_t size, TBmpInfo& info) {
    info = TBmpInfo{};
    TByteReader in(block, size);
    info.HeaderSize = in.U32LE();
    if (!in.Ok() || !KnownHeaderSize(info.HeaderSize) || size < info.HeaderSize) return false;
    info.Core = info.HeaderSize == 12;
    info.EntryBytes = info.Core ? 3 : 4;
    int64_t width = 0, height = 0;
    if (!ReadHeaderFields(in, info, width, height)) return false;
    if (height < 0) {
        info.TopDown = true;
        height = -height;
    }
    if (width <= 0 || height <= 0 || static_cast<uint64_t>(width * height) > kMaxBmpPixels)
        return false;
    info.Width = static_cast<int32_t>(width);
    info.Height = static_cast<int32_t>(height);
    if (!DepthAllowed(info) || info.ColorsUsed > 256) return false;
    if (info.ColorsUsed != 0)
        info.PaletteEntries = static_cast<int>(info.ColorsUsed);
    else if (info.BitCount <= 8)
        info.PaletteEntries = 1 << info.BitCount;
    if (!ReadMasks(in, info)) return false;
    ReadProfileFields(block, info);
    return true;
}

namespace {

// Why a file image was refused: no "BM" is no BMP at all; a header over the
// pixel cap is too large; anything else after "BM" is a damaged or
// truncated BMP.
TFailure RefusalKind(const uint8_t* file, size_t size) {
    if (size < 2 || file[0] != 'B' || file[1] != 'M') return TFailure::NotPicture;
    TByteReader in(file, size, kFileHeaderBytes);
    TBmpInfo info;
    info.HeaderSize = in.U32LE();
    info.Core = info.HeaderSize == 12;
    int64_t width = 0, height = 0;
    if (!ReadHeaderFields(in, info, width, height)) return TFailure::Damaged;
    const uint64_t columns = static_cast<uint64_t>(width < 0 ? -width : width);
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
    return columns * rows > kMaxBmpPixels ? TFailure::TooLarge : TFailure::Damaged;
}

}  // namespace

int DecodeBmp(TPictureRecord& record, const TByteBuffer& file) {
    TBmpInfo info;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> alpha;
    TPictureRecord::TProfileState profile = TPictureRecord::psNone;
    try {
        if (!DecodeBmpPixels(file.Data.data(), file.Data.size(), info, pixels, alpha)) {
            SetLastLoadFailure({RefusalKind(file.Data.data(), file.Data.size()), 0});
            return 1;
        }
        profile = ApplyProfile(file, info, pixels);
    } catch (const std::bad_alloc&) {
        SetLastLoadFailure({TFailure::OutOfMemory, 0});
        return 1;
    } catch (const std::length_error&) {
        SetLastLoadFailure({TFailure::OutOfMemory, 0});
        return 1;
    }
    record.Kind = pkFullColour;
    record.Width = info.Width;
    record.Height = info.Height;
    record.Pixels.swap(pixels);
    record.Alpha.swap(alpha);
    record.XPelsPerMeter = info.XPelsPerMeter;
    record.YPelsPerMeter = info.YPelsPerMeter;
    record.Profile = profile;
    return 0;
}
