#pragma once
#include "config/settings_record.h"
#include "formats/byte_buffer.h"
#include "formats/picture.h"

// Builds the GIF file image of an indexed record. False for other kinds.
bool WriteGifImage(const TPictureRecord& record, const TGifOptions& options, TByteBuffer& out);

// Writes an indexed record to record.FileName as GIF87a/89a with our own LZW
// coder. Full-colour records give false and no file.
bool SaveGif(const TPictureRecord& record, const TGifOptions& options);
