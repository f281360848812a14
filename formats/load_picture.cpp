// How pictures enter the program: files (plug-ins first, BMP as fallback)
// and DIB blocks from the clipboard or a plug-in, wrapped into a BMP file
// image so that one decoder reads everything.

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "config/failure_reason.h"
#include "config/regular_file.h"
#include "formats/bmp.h"
#include "formats/bmp_info.h"
#include "formats/color_profile.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;
// Offset of the colours-important field inside a Windows information header.
constexpr size_t kColorsImportantOffset = 36;

TPluginLoadHook& PluginHook() {
    static TPluginLoadHook hook;
    return hook;
}

bool AskPlugins(TPictureRecord& record) {
    const TPluginLoadHook& hook = PluginHook();
    if (!hook) return false;
    try {
        return hook(record);
    } catch (const std::bad_alloc&) {
        SetLastLoadFailure({TFailure::OutOfMemory, 0});
        return false;  // the BMP reader may still read it
    }
}

void WriteFileHeader(TByteBuffer& out, uint32_t fileSize, uint32_t pixelOffset) {
    out.PutU8('B');
    out.PutU8('M');
    out.PutU32LE(fileSize);
    out.PutU16LE(0);
    out.PutU16LE(0);
    out.PutU32LE(pixelOffset);
}

void PutU32At(TByteBuffer& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.Data[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A V5 header's embedded profile, counted from the header's start, may lie
// anywhere in the information block. The file image keeps it after the
// pixels; a profile outside the block or too large gets an offset no file
// image reaches, so the decoder treats it as unusable.
void AppendProfile(const uint8_t* info, size_t infoSize, const TBmpInfo& bmp, TByteBuffer& out) {
    if (bmp.HeaderSize != 124 || bmp.ColorSpaceType != kProfileEmbedded) return;
    const uint64_t end = uint64_t{bmp.ProfileOffset} + bmp.ProfileSize;
    const size_t offsetField = kFileHeaderBytes + kV5ProfileDataOffset;
    const uint64_t newOffset = out.Data.size() - kFileHeaderBytes;
    if (bmp.ProfileSize == 0 || bmp.ProfileSize > kMaxProfileBytes || end > infoSize ||
        out.Data.size() + uint64_t{bmp.ProfileSize} > std::numeric_limits<uint32_t>::max()) {
        PutU32At(out, offsetField, std::numeric_limits<uint32_t>::max());
        return;
    }
    out.PutBytes(info + bmp.ProfileOffset, bmp.ProfileSize);
    PutU32At(out, offsetField, static_cast<uint32_t>(newOffset));
    PutU32At(out, 2, static_cast<uint32_t>(out.Data.size()));  // file size
}

}  // namespace

void SetPluginLoadHook(TPluginLoadHook hook) { PluginHook() = std::move(hook); }

int LoadPicture(TPictureRecord& record) {
    // A FIFO or a device would block a plug-in in open or feed it without
    // end: only regular files are offered to anyone.
    int openError = 0;
    FILE* probe = OpenRegularFile(record.FileName, &openError);
    if (probe == nullptr) {
        SetLastLoadFailure({TFailure::System, openError});
        return 1;
    }
    std::fclose(probe);
    // A plug-in that took the file and failed leaves its reason here.
    SetLastLoadFailure({});
    if (AskPlugins(record)) return 0;
    const TFailureReason pluginReason = LastLoadFailure();
    SetLastLoadFailure({TFailure::NotPicture, 0});
    TByteBuffer file;
    if (!ReadWholeFile(record.FileName, file) || DecodeBmp(record, file) != 0) {
        // The BMP reader's own reason, unless the file is no BMP at all:
        // then what the plug-in that claimed it said.
        if (LastLoadFailure().Kind == TFailure::NotPicture && pluginReason.Kind != TFailure::None)
            SetLastLoadFailure(pluginReason);
        return 1;
    }
    return 0;
}

bool DibToBmpImage(const uint8_t* info, size_t infoSize, const uint8_t* pixels, size_t pixelSize,
                   TByteBuffer& out) {
    TBmpInfo bmp;
    if (!info || !ParseBmpInfo(info, infoSize, bmp)) return false;
    const size_t headerAndTable = bmp.HeaderSize + bmp.TableBytes();
    if (headerAndTable > infoSize) return false;
    // An image size of 0 is allowed for uncompressed rows; a compressed
    // picture then takes the whole pixel block.
    uint64_t imageSize = bmp.ImageSize;
    if (imageSize == 0)
        imageSize = bmp.Compressed() ? pixelSize : BmpStride(bmp.Width, bmp.BitCount) * bmp.Height;
    if (imageSize > pixelSize || (imageSize > 0 && !pixels)) return false;
    const uint64_t pixelOffset = kFileHeaderBytes + headerAndTable;
    const uint64_t fileSize = pixelOffset + imageSize;
    if (fileSize > std::numeric_limits<uint32_t>::max()) return false;
    try {
        out.Clear();
        out.Data.reserve(static_cast<size_t>(fileSize));
        WriteFileHeader(out, static_cast<uint32_t>(fileSize), static_cast<uint32_t>(pixelOffset));
        out.PutBytes(info, headerAndTable);
        if (!bmp.Core)
            std::memset(out.Data.data() + kFileHeaderBytes + kColorsImportantOffset, 0, 4);
        out.PutBytes(pixels, static_cast<size_t>(imageSize));
        AppendProfile(info, infoSize, bmp, out);
    } catch (const std::bad_alloc&) {
        out.Clear();
        return false;
    }
    out.Position = 0;
    return true;
}

int LoadPictureFromDib(TPictureRecord& record, const uint8_t* dib, size_t size) {
    TBmpInfo bmp;
    if (!dib || !ParseBmpInfo(dib, size, bmp)) return 1;
    const size_t pixelOffset = bmp.HeaderSize + bmp.TableBytes();
    if (pixelOffset > size) return 1;
    TByteBuffer image;
    if (!DibToBmpImage(dib, size, dib + pixelOffset, size - pixelOffset, image)) return 1;
    return DecodeBmp(record, image);
}
