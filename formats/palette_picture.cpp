// The palettes of indexed pictures (PNG, GIF, BMP), read straight from the
// file image: the picture loaders give full colour and keep no palette, and
// only the header part is needed, so the pixels are never decoded.

#include "formats/palette_picture.h"

#include <cstring>

#include "formats/byte_reader.h"

namespace {

bool Fail(TPaletteError& error, TPaletteProblem problem) {
    error = TPaletteError{problem, 0, 0};
    return false;
}

uint32_t U32BE(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// count RGB triples from the reader.
bool ReadTriples(TByteReader& reader, int count, std::vector<ColorValue>& colors) {
    colors.clear();
    for (int i = 0; i < count; ++i) {
        const uint8_t* rgb = reader.Take(3);
        if (rgb == nullptr) return false;
        colors.push_back(MakeColor(rgb[0], rgb[1], rgb[2]));
    }
    return true;
}

bool ReadPngPalette(const uint8_t* data, size_t size, std::vector<ColorValue>& colors,
                    TPaletteError& error) {
    TByteReader reader(data, size, 8);
    bool indexed = false;
    while (reader.Remaining() >= 8) {
        const uint32_t length = U32BE(reader.Take(4));
        const uint8_t* type = reader.Take(4);
        if (length > reader.Remaining()) return Fail(error, TPaletteProblem::Truncated);
        const uint8_t* body = reader.Take(length);
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (length < 13) return Fail(error, TPaletteProblem::Truncated);
            indexed = body[9] == 3;
            if (!indexed) return Fail(error, TPaletteProblem::NoPalette);
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            if (!indexed) return Fail(error, TPaletteProblem::NoPalette);
            if (length == 0 || length % 3 != 0) return Fail(error, TPaletteProblem::Truncated);
            if (length / 3 > kMaxPaletteColors) return Fail(error, TPaletteProblem::TooMany);
            TByteReader entries(body, length);
            ReadTriples(entries, static_cast<int>(length / 3), colors);
            return true;
        } else if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) {
            return Fail(error, TPaletteProblem::NoPalette);
        }
        reader.Skip(4);  // CRC
    }
    return Fail(error, TPaletteProblem::Truncated);
}

// Skips the data sub-blocks of a GIF extension; false when cut short.
bool SkipSubBlocks(TByteReader& reader) {
    for (;;) {
        const uint8_t length = reader.U8();
        if (!reader.Ok()) return false;
        if (length == 0) return true;
        reader.Skip(length);
    }
}

// The global colour table, else the local table of the first image.
bool ReadGifPalette(const uint8_t* data, size_t size, std::vector<ColorValue>& colors,
                    TPaletteError& error) {
    TByteReader reader(data, size, 10);
    const uint8_t packed = reader.U8();
    reader.Skip(2);  // background index, aspect ratio
    if (!reader.Ok()) return Fail(error, TPaletteProblem::Truncated);
    if (packed & 0x80) {
        if (!ReadTriples(reader, 2 << (packed & 7), colors))
            return Fail(error, TPaletteProblem::Truncated);
        return true;
    }
    for (;;) {
        const uint8_t block = reader.U8();
        if (!reader.Ok()) return Fail(error, TPaletteProblem::Truncated);
        if (block == 0x21) {
            reader.U8();  // label
            if (!SkipSubBlocks(reader)) return Fail(error, TPaletteProblem::Truncated);
        } else if (block == 0x2C) {
            reader.Skip(8);
            const uint8_t local = reader.U8();
            if (!reader.Ok()) return Fail(error, TPaletteProblem::Truncated);
            if (!(local & 0x80)) return Fail(error, TPaletteProblem::NoPalette);
            if (!ReadTriples(reader, 2 << (local & 7), colors))
                return Fail(error, TPaletteProblem::Truncated);
            return true;
        } else {
            return Fail(error, TPaletteProblem::NoPalette);  // trailer or garbage
        }
    }
}

bool ReadBmpPalette(const uint8_t* data, size_t size, std::vector<ColorValue>& colors,
                    TPaletteError& error) {
    TByteReader reader(data, size, 14);
    const uint32_t headerSize = reader.U32LE();
    const bool core = headerSize == 12;
    if (!core && (headerSize < 40 || headerSize > 124))
        return Fail(error, TPaletteProblem::UnknownHeader);
    reader.Seek(core ? 24 : 28);
    const int bits = reader.U16LE();
    reader.Seek(46);
    const uint32_t used = core ? 0 : reader.U32LE();
    if (!reader.Ok()) return Fail(error, TPaletteProblem::Truncated);
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return Fail(error, TPaletteProblem::NoPalette);
    if (used > kMaxPaletteColors) return Fail(error, TPaletteProblem::TooMany);
    const int count = used != 0 ? static_cast<int>(used) : 1 << bits;
    const size_t entryBytes = core ? 3 : 4;
    reader.Seek(14 + headerSize);
    colors.clear();
    for (int i = 0; i < count; ++i) {
        const uint8_t* bgr = reader.Take(entryBytes);
        if (bgr == nullptr) return Fail(error, TPaletteProblem::Truncated);
        colors.push_back(MakeColor(bgr[2], bgr[1], bgr[0]));
    }
    return true;
}

}  // namespace

TPictureKindOfPalette PictureKindOf(const uint8_t* data, size_t size) {
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 8 && std::memcmp(data, kPngSignature, 8) == 0) return TPictureKindOfPalette::Png;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return TPictureKindOfPalette::Gif;
    if (size >= 18 && data[0] == 'B' && data[1] == 'M') return TPictureKindOfPalette::Bmp;
    return TPictureKindOfPalette::None;
}

bool ReadPicturePalette(TPictureKindOfPalette kind, const uint8_t* data, size_t size,
                        std::vector<ColorValue>& colors, TPaletteError& error) {
    switch (kind) {
        case TPictureKindOfPalette::Png:
            return ReadPngPalette(data, size, colors, error);
        case TPictureKindOfPalette::Gif:
            return ReadGifPalette(data, size, colors, error);
        case TPictureKindOfPalette::Bmp:
            return ReadBmpPalette(data, size, colors, error);
        default:
            return Fail(error, TPaletteProblem::UnknownHeader);
    }
}
