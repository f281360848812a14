#pragma once
// The one picture record of the program: full-colour pictures from loaders,
// indexed pictures from the engine, and the bare batch marker.

#include <cstdint>
#include <string>
#include <vector>

// red | green << 8 | blue << 16, top byte always zero. Loaders must keep the
// top byte zero: the engine compares whole values with the transparent colour
// and the colour counter uses the value as an index into 2^24 bits.
using ColorValue = uint32_t;

constexpr ColorValue MakeColor(int red, int green, int blue) {
    return static_cast<ColorValue>(red) | static_cast<ColorValue>(green) << 8 |
           static_cast<ColorValue>(blue) << 16;
}
constexpr int RedOf(ColorValue c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(ColorValue c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(ColorValue c) { return static_cast<int>((c >> 16) & 0xFF); }

enum PictureKind : int32_t { pkNone = 0, pkFullColour = 1, pkIndexed = 2, pkBatch = 3 };

// Pixels run row by row from the top row with no gap between rows:
//   pkFullColour: Width*Height ColorValues stored little-endian (4 bytes each);
//   pkIndexed:    Width*Height bytes, each below Colors;
//   pkBatch:      empty.
// Palette is 256 ColorValues (1024 bytes) once created; entries from Colors on
// are ignored by every writer. A new record is all zeros (TransCorner 0).
struct TPictureRecord {
    PictureKind Kind = pkNone;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Zoom = 0;
    int32_t ViewWidth = 0;
    int32_t ViewHeight = 0;
    std::string FileName;
    std::vector<uint8_t> Pixels;
    std::vector<uint8_t> Palette;
    int32_t Colors = 0;
    void* View = nullptr;  // the child window's picture view; unset outside windows
    int32_t Busy = 0;
    int32_t TransIndex = 0;
    int32_t TransCorner = 0;  // -1 none, 0 top left, 1 bottom left, 2 top right, 3 bottom right
    // Full colour: Width*Height alpha values (0 transparent .. 255 opaque) in
    // pixel order, or empty when the picture has no alpha (every loader
    // leaves it empty when all values are 255). Indexed: unused.
    std::vector<uint8_t> Alpha;
    // Resolution from the file in pixels per metre; 0 when unknown.
    int32_t XPelsPerMeter = 0;
    int32_t YPelsPerMeter = 0;
    // Indexed: entry TransIndex is transparent because of the picture's
    // alpha, whatever TransCorner says.
    bool AlphaTransparent = false;
    // How the loader treated an embedded colour profile.
    enum TProfileState : int32_t { psNone = 0, psConverted, psSrgb, psRejected };
    TProfileState Profile = psNone;

    // Indexed: whether entry TransIndex is written as transparent.
    bool HasTransparentEntry() const { return TransCorner >= 0 || AlphaTransparent; }
    const uint8_t* AlphaOrNull() const { return Alpha.empty() ? nullptr : Alpha.data(); }

    // Typed views of the buffers; valid only for the matching Kind and size.
    ColorValue* ColorPixels() { return reinterpret_cast<ColorValue*>(Pixels.data()); }
    const ColorValue* ColorPixels() const {
        return reinterpret_cast<const ColorValue*>(Pixels.data());
    }
    ColorValue PaletteEntry(int index) const {
        const uint8_t* p = Palette.data() + 4 * index;
        return static_cast<ColorValue>(p[0]) | static_cast<ColorValue>(p[1]) << 8 |
               static_cast<ColorValue>(p[2]) << 16 | static_cast<ColorValue>(p[3]) << 24;
    }
    void SetPaletteEntry(int index, ColorValue c) {
        uint8_t* p = Palette.data() + 4 * index;
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c >> 16);
        p[3] = static_cast<uint8_t>(c >> 24);
    }
};
