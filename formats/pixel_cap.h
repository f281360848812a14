#pragma once
// The one pixel cap of the program: every loader (the BMP reader, the DIB
// wrapper, the plug-in host's check of plug-in output) and every bundled
// plug-in refuses a picture of more pixels before it allocates anything for
// it. 2^28 pixels is 16384 x 16384; zinop-cli --help states it.
//
// A picture at the cap may legally come from a few bytes (a GIF of one
// colour, an RLE8 BMP of one run per row): loading it must cost no more than
// kMaxBytesPerPixel bytes per pixel at any moment, the same budget a
// reduction allows itself (source, result, work buffer and their copies).

#include <cstdint>

inline constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 28;
inline constexpr uint64_t kMaxBytesPerPixel = 24;
