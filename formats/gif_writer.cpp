#include "formats/gif_writer.h"

#include <algorithm>
#include <new>

#include "formats/lzw_encoder.h"
#include "config/failure_reason.h"
#include "config/safe_file.h"

namespace {

constexpr int32_t GifMaxSide = 65535;  // the size fields are 16 bits
constexpr size_t GifMaxSubBlock = 255;

bool PixelsBelow(const std::vector<uint8_t>& pixels, int colors) {
    if (colors >= 256) return true;
    const uint8_t limit = static_cast<uint8_t>(colors);
    // Branch-free so the compiler can vectorise the scan.
    uint8_t bad = 0;
    for (const uint8_t p : pixels) bad |= static_cast<uint8_t>(p >= limit);
    return bad == 0;
}

bool IsWritableIndexed(const TPictureRecord& record) {
    if (record.Kind != pkIndexed) return false;
    if (record.Colors < 1 || record.Colors > 256) return false;
    if (record.Width < 1 || record.Width > GifMaxSide) return false;
    if (record.Height < 1 || record.Height > GifMaxSide) return false;
    const size_t pixelCount = static_cast<size_t>(record.Width) * static_cast<size_t>(record.Height);
    if (record.Pixels.size() != pixelCount) return false;
    if (record.Palette.size() < 4 * static_cast<size_t>(record.Colors)) return false;
    return PixelsBelow(record.Pixels, record.Colors);
}

void PutHeader(const TPictureRecord& record, bool version89a, int tableBits, TByteBuffer& out) {
    out.PutBytes(version89a ? "GIF89a" : "GIF87a", 6);
    // Logical screen descriptor: global table present, colour resolution
    // and table size both b.
    out.PutU16LE(static_cast<uint16_t>(record.Width));
    out.PutU16LE(static_cast<uint16_t>(record.Height));
    out.PutU8(static_cast<uint8_t>(0x80 | (tableBits - 1) << 4 | (tableBits - 1)));
    out.PutU8(0);  // background index
    out.PutU8(0);  // no aspect ratio given
    // Global colour table: 2^b entries, black beyond the palette.
    const int tableSize = 1 << tableBits;
    for (int i = 0; i < tableSize; ++i) {
        const ColorValue c = i < record.Colors ? record.PaletteEntry(i) : 0;
        out.PutU8(static_cast<uint8_t>(RedOf(c)));
        out.PutU8(static_cast<uint8_t>(GreenOf(c)));
        out.PutU8(static_cast<uint8_t>(BlueOf(c)));
    }
}

void PutTransparency(int32_t transIndex, TByteBuffer& out) {
    out.PutU8(0x21);  // extension
    out.PutU8(0xF9);  // graphic control
    out.PutU8(4);     // block size
    out.PutU8(0x01);  // transparent index present; no disposal, no user input
    out.PutU16LE(0);  // delay
    out.PutU8(static_cast<uint8_t>(transIndex));
    out.PutU8(0);  // block terminator
}

void PutImageDescriptor(const TPictureRecord& record, bool interlace, TByteBuffer& out) {
    out.PutU8(0x2C);
    out.PutU16LE(0);  // left
    out.PutU16LE(0);  // top
    out.PutU16LE(static_cast<uint16_t>(record.Width));
    out.PutU16LE(static_cast<uint16_t>(record.Height));
    out.PutU8(interlace ? 0x40 : 0x00);  // no local colour table
}

void PutSubBlocks(const std::vector<uint8_t>& coded, TByteBuffer& out) {
    out.Data.reserve(out.Data.size() + coded.size() + coded.size() / GifMaxSubBlock + 3);
    for (size_t at = 0; at < coded.size(); at += GifMaxSubBlock) {
        const size_t chunk = std::min(GifMaxSubBlock, coded.size() - at);
        out.PutU8(static_cast<uint8_t>(chunk));
        out.PutBytes(coded.data() + at, chunk);
    }
    out.PutU8(0);  // zero-length block ends the image data
}

const std::vector<uint8_t>& CodePixels(const TPictureRecord& record, int minCodeSize,
                                       bool interlace, TLzwEncoder& encoder) {
    const size_t width = static_cast<size_t>(record.Width);
    encoder.Begin(minCodeSize, width * static_cast<size_t>(record.Height));
    if (interlace) {
        for (const int32_t row : GifRowOrder(record.Height, true)) {
            encoder.Add(record.Pixels.data() + static_cast<size_t>(row) * width, width);
        }
    } else {
        encoder.Add(record.Pixels.data(), record.Pixels.size());
    }
    return encoder.Finish();
}

}  // namespace

int GifTableBits(int colors) {
    int bits = 1;
    while ((1 << bits) < colors) ++bits;
    return bits;
}

std::vector<int32_t> GifRowOrder(int32_t height, bool interlace) {
    std::vector<int32_t> rows;
    rows.reserve(static_cast<size_t>(std::max(height, 0)));
    if (!interlace) {
        for (int32_t row = 0; row < height; ++row) rows.push_back(row);
        return rows;
    }
    static constexpr int32_t start[4] = {0, 4, 2, 1};
    static constexpr int32_t step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int32_t row = start[pass]; row < height; row += step[pass]) rows.push_back(row);
    }
    return rows;
}

bool WriteGifImage(const TPictureRecord& record, const TGifOptions& options, TByteBuffer& out) {
    out.Clear();
    if (!IsWritableIndexed(record)) {
        if (record.Kind == pkFullColour) SetLastSaveFailure({TFailure::NeedsReduced, 0});
        return false;
    }
    const int tableBits = GifTableBits(record.Colors);
    const int minCodeSize = std::max(2, tableBits);
    const bool transparent = record.HasTransparentEntry();
    // The graphic control extension exists only from GIF89a on.
    PutHeader(record, options.Version89a || transparent, tableBits, out);
    if (transparent) PutTransparency(record.TransIndex, out);
    PutImageDescriptor(record, options.Interlace, out);
    out.PutU8(static_cast<uint8_t>(minCodeSize));

    try {
        TLzwEncoder encoder;
        PutSubBlocks(CodePixels(record, minCodeSize, options.Interlace, encoder), out);
    } catch (const std::bad_alloc&) {
        out.Clear();  // too big for memory: a refusal, not a crash
        SetLastSaveFailure({TFailure::OutOfMemory, 0});
        return false;
    }
    out.PutU8(0x3B);  // trailer
    return true;
}

bool SaveGif(const TPictureRecord& record, const TGifOptions& options) {
    TByteBuffer file;
    if (!WriteGifImage(record, options, file)) return false;
    return WriteFileSafely(record.FileName, file.Data.data(), file.Data.size());
}
