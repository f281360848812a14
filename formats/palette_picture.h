#pragma once
// The palette of an indexed PNG, GIF or BMP file image, for the palette
// file reader. Bounds-checked: a cut-short or lying header fails with
// Truncated, never reads outside data.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/palette_file.h"

enum class TPictureKindOfPalette { None, Png, Gif, Bmp };

// The kind told by the signature ("\x89PNG", "GIF87a"/"GIF89a", "BM").
TPictureKindOfPalette PictureKindOf(const uint8_t* data, size_t size);

// PNG: the PLTE chunk of a colour-type-3 picture; GIF: the global colour
// table, else the first image's local one; BMP: the colour table of a 1, 2,
// 4 or 8-bit picture (biClrUsed entries, else 2^bits). Full-colour pictures
// fail with NoPalette.
bool ReadPicturePalette(TPictureKindOfPalette kind, const uint8_t* data, size_t size,
                        std::vector<ColorValue>& colors, TPaletteError& error);
