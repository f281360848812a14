#pragma once
// The clipboard's picture forms. Other Linux programs mostly offer and read
// encoded images (image/png); the program's own form is the packed DIB of
// the BMP reader, so a pasted image is turned into one.

#include <QImage>
#include <cstdint>
#include <vector>

// A packed DIB of image: a 40-byte information header and bottom-up rows of
// 24 bits per pixel (blue, green, red), each padded to 4 bytes. An image
// with an alpha channel gives a 124-byte BITMAPV5HEADER with bit fields and
// 32 bits per pixel (blue, green, red, alpha). Empty for a null image.
// The clipboard carries no resolution: the fields hold 0 (unknown).
std::vector<uint8_t> PackedDibFromImage(const QImage& image);
