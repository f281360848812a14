#pragma once
// BMP reading and writing. Loaders answer 0 (loaded) or 1 (failed); writers
// answer true when the file was written. Nothing here shows a message.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "formats/byte_buffer.h"
#include "formats/picture.h"

// Loads record.FileName as a full-colour picture: first through the plug-in
// hook (if one is set and accepts the file), then as a BMP file.
int LoadPicture(TPictureRecord& record);

// The plug-in host connects itself here at start-up (formats never depends
// on plugins). The hook fills a full-colour record and returns true, or
// returns false to let the BMP reader try.
using TPluginLoadHook = std::function<bool(TPictureRecord&)>;
void SetPluginLoadHook(TPluginLoadHook hook);

// Decodes a complete BMP file image held in file (any position).
int DecodeBmp(TPictureRecord& record, const TByteBuffer& file);

// Builds a BMP file image in out for a DIB whose information header and
// colour table lie in one block and whose pixel rows lie in another (the two
// may be one packed block). The blocks are untrusted; false when the header
// makes no sense for the sizes given.
bool DibToBmpImage(const uint8_t* info, size_t infoSize, const uint8_t* pixels, size_t pixelSize,
                   TByteBuffer& out);

// A packed DIB (information header, colour table, pixel rows), as on the
// clipboard.
int LoadPictureFromDib(TPictureRecord& record, const uint8_t* dib, size_t size);

// Replaces buffer's contents with the BMP file image of a full-colour (24-bit)
// or indexed (1, 4 or 8-bit) record and sets its position to 0.
void WriteBmpImage(const TPictureRecord& record, TByteBuffer& buffer);

// Writes record.FileName safely (temporary file renamed over the target).
bool SaveBmp(const TPictureRecord& record);
