#pragma once
// Checks a BITMAPINFO block and pixel block that a plug-in returned, before
// anything reads them. Plug-in output is foreign data: it is judged like file
// input, against the sizes the blocks really have.

#include <cstddef>
#include <cstdint>

struct TDibBlockSizes {
    size_t InfoBytes = 0;   // information header + masks + colour table
    size_t PixelBytes = 0;  // rows the header implies
};

// The usable size of a block that a plug-in allocated with malloc; the upper
// bound for every read of it.
size_t PluginBlockSize(const void* block);

// Judges info[0, infoCapacity) and a pixel block of pixelCapacity bytes:
// header size (40, 52, 56, 108 or 124), width 1..2^28 (height likewise in
// magnitude, negative for top-down rows), planes 1, bit count 1/4/8/16/24/32,
// compression none (or bit fields at 16/32 bits), at most 2^28 pixels, and
// both implied sizes inside their blocks. Call it after colours-used has been
// set to 0 (the colour table then has its default length). False when
// anything makes no sense; sizes is filled on success.
bool CheckPluginDib(const uint8_t* info, size_t infoCapacity, size_t pixelCapacity,
                    TDibBlockSizes& sizes);
