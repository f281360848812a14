// libFuzzer entry for the palette file reader: the input is parsed as a
// palette file (text formats, indexed PNG/GIF/BMP by signature) and, the
// first byte deciding, as an Adobe ".act" table. A palette read must hold
// 1..256 colours with the top byte zero and survive a write and a second
// read in every format with the same colours in the same order.
//
// Build as bmp_fuzz (see there), target palette_fuzz; seeds: any .gpl,
// .pal, .act, .hex files and small indexed PNG/GIF/BMP pictures.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/palette_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* name = size > 0 && (data[0] & 1) ? "fuzz.act" : "fuzz.gpl";
    std::vector<ColorValue> colors;
    TPaletteError error;
    if (!ParsePalette(data, size, name, colors, error)) {
        if (!colors.empty() || error.Problem == TPaletteProblem::None) std::abort();
        return 0;
    }
    if (colors.empty() || colors.size() > 256) std::abort();
    for (ColorValue color : colors)
        if (color > 0xFFFFFF) std::abort();
    for (TPaletteFormat format : {TPaletteFormat::Gpl, TPaletteFormat::Pal, TPaletteFormat::Act,
                                  TPaletteFormat::Hex}) {
        const std::string image = PaletteFileImage(colors, format, "fuzz");
        std::vector<ColorValue> again;
        const std::string again_name = std::string("again.") + PaletteFormatExtension(format);
        if (!ParsePalette(reinterpret_cast<const uint8_t*>(image.data()), image.size(), again_name,
                          again, error) ||
            again != colors)
            std::abort();
    }
    return 0;
}
