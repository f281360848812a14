#pragma once
// BMP reading and writing. Loaders answer 0 (loaded) or 1 (failed); writers
// answer true when the file was written. Nothing here shows a message.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "formats/byte_buffer.h"
#include "formats/picture.h"

// Loads record.FileName as a full-colour picture: first through the plug-in
// hook (if one is set and accepts the file: result 0), then by reading the
// whole file as BMP (result of DecodeBmp; 1 when it cannot be read).
int LoadPicture(TPictureRecord& record);

// The plug-in host connects itself here at start-up (formats never depends
// on plugins). The hook fills a full-colour record and returns true, or
// returns false to let the BMP reader try.
using TPluginLoadHook = std::function<bool(TPictureRecord&)>;
void SetPluginLoadHook(TPluginLoadHook hook);

// Decodes a complete BMP file image held in file (any position): 1, 4, 8,
// 16, 24 or 32 bits; uncompressed, RLE8, RLE4 or bit-field masks; Windows
// headers (40 to 124 bytes), OS/2 headers (12 and 64 bytes); bottom-up or
// top-down. On success (0) sets Kind = pkFullColour, Width, Height and Pixels
// (4 bytes per pixel, top row first, top byte 0) and touches nothing else.
// On failure (1) the record keeps its previous contents. Refused: no "BM",
// headers cut short or malformed, depths or compressions other than those
// above, colours used above 256, more than 2^28 pixels, a colour table, data
// offset or pixel rows past the end of the image, RLE codes that leave the
// row or picture or data that ends before the end-of-bitmap code, and memory
// exhaustion. A pixel index beyond the colour table reads as black; pixels
// an RLE picture skips take colour-table entry 0.
int DecodeBmp(TPictureRecord& record, const TByteBuffer& file);

// Builds a BMP file image in out for a DIB whose information header and
// colour table lie in one block and whose pixel rows lie in another (the two
// may be one packed block). The blocks are untrusted; false when the header
// makes no sense for the sizes given (same header checks as DecodeBmp; the
// colour table, and the three masks that follow a 40-byte header with
// bit-fields, must lie in the header block; the image size field, or
// stride x height when it is 0, must fit the pixel block - a compressed
// picture with image size 0 takes the whole pixel block). On success out
// holds the file image, position 0; on failure out is unspecified.
bool DibToBmpImage(const uint8_t* info, size_t infoSize, const uint8_t* pixels, size_t pixelSize,
                   TByteBuffer& out);

// A packed DIB (information header, colour table, pixel rows), as on the
// clipboard: the pixel rows start after the header and colour table. Same
// result and record handling as DecodeBmp; the caller names the record.
int LoadPictureFromDib(TPictureRecord& record, const uint8_t* dib, size_t size);

// Replaces buffer's contents with the BMP file image of a full-colour (24-bit,
// no colour table) or indexed record (Colors 1-2: 1 bit, 3-16: 4 bits,
// 17-256: 8 bits, colour table of exactly Colors entries) and sets its
// position to 0. The depth follows Kind: a full-colour record is always
// 24-bit. Records of other kinds, or whose sizes, Colors (1..256 for
// indexed) or buffers do not match, leave the buffer untouched; when memory
// runs out the buffer is left empty.
void WriteBmpImage(const TPictureRecord& record, TByteBuffer& buffer);

// Writes WriteBmpImage's image to record.FileName safely (temporary file
// renamed over the target). False when the record cannot be written or the
// file cannot be created or written; an existing file then stays intact.
bool SaveBmp(const TPictureRecord& record);
