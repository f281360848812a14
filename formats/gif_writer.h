#pragma once
// GIF output of indexed pictures: one image, a global colour table of 2^b
// entries, our own LZW coder, optional interlace, transparency as a graphic
// control extension (which makes the file GIF89a whatever the options say).

#include <cstdint>
#include <vector>

#include "config/settings_record.h"
#include "formats/byte_buffer.h"
#include "formats/picture.h"

// Table bits b: the smallest b >= 1 with 2^b >= colors (2 -> 1, 3..4 -> 2,
// 129..256 -> 8). colors must be 1..256.
int GifTableBits(int colors);

// The order in which rows are coded: 0..height-1, or with interlace the four
// passes (every 8th row from 0, every 8th from 4, every 4th from 2, every
// 2nd from 1).
std::vector<int32_t> GifRowOrder(int32_t height, bool interlace);

// Replaces out's contents with the GIF file image of record. False (out
// emptied) unless record is pkIndexed with Colors 1..256, Width and Height
// 1..65535, Width*Height pixel bytes each below Colors, and a palette of at
// least Colors entries.
bool WriteGifImage(const TPictureRecord& record, const TGifOptions& options, TByteBuffer& out);

// Writes an indexed record to record.FileName. The file appears complete or
// not at all: it is written beside the target and renamed over it. False for
// any record WriteGifImage refuses (full-colour included; no file then) and
// when the file cannot be written (an existing file stays as it was).
bool SaveGif(const TPictureRecord& record, const TGifOptions& options);
