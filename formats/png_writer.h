#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "formats/picture.h"

// Progress in per mille while a PNG is written; 0 again at the end.
using TPngProgressHook = std::function<void(int perMille)>;
void SetPngProgressHook(TPngProgressHook hook);

// Writes a full-colour (RGB) or indexed (palette) record to record.FileName
// through libpng, Adam7-interlaced when interlace is set. True when written.
bool SavePng(const TPictureRecord& record, bool interlace);
