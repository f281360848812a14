// GIF through giflib: the first image of the file, drawn on a canvas of the
// logical screen filled with the background colour. With a transparent
// index (graphic control extension) the picture has alpha: those pixels and
// the screen around the image are transparent. Every giflib call's
// result is checked; giflib never jumps or exits.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "spi/spi_common.h"

namespace {

struct TGifSource {
    const uint8_t* Data;
    size_t Size;
    size_t Position;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int count) {
    auto* source = static_cast<TGifSource*>(gif->UserData);
    if (count <= 0) return 0;
    const size_t wanted = static_cast<size_t>(count);
    const size_t got = std::min(wanted, source->Size - source->Position);
    std::memcpy(out, source->Data + source->Position, got);
    source->Position += got;
    return static_cast<int>(got);
}

struct TGifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using TGifFile = std::unique_ptr<GifFileType, TGifCloser>;

constexpr int kNoTransparency = -1;

// The transparent index of a graphic control extension's first block.
void ReadControl(const GifByteType* block, int& transparentIndex) {
    if (block && block[0] >= 4 && (block[1] & 1) != 0) transparentIndex = block[4];
}

// Skips extension blocks up to the first image descriptor; the last graphic
// control before it names the image's transparent index.
bool FindFirstImage(GifFileType* gif, int& transparentIndex) {
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
        if (type != EXTENSION_RECORD_TYPE) return false;  // end of file before any image
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE) {
            transparentIndex = kNoTransparency;
            ReadControl(block, transparentIndex);
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
        }
    }
}

void FillBackground(const GifFileType* gif, TSpiBitmap& out) {
    const ColorMapObject* map = gif->SColorMap;
    if (!map || gif->SBackGroundColor >= map->ColorCount) return;  // stays black
    const GifColorType c = map->Colors[gif->SBackGroundColor];
    const uint8_t alpha = out.HasAlpha() ? 0 : 255;
    for (uint32_t y = 0; y < out.Height(); ++y) {
        for (uint32_t x = 0; x < out.Width(); ++x)
            out.SetPixel(x, y, c.Red, c.Green, c.Blue, alpha);
    }
}

// Rows in the order the file stores them: interlaced images in four passes.
std::vector<int> StoredRowOrder(int height, bool interlaced) {
    std::vector<int> order;
    order.reserve(static_cast<size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) order.push_back(y);
        return order;
    }
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
    }
    return order;
}

void PutFrameRow(const GifPixelType* line, const GifImageDesc& frame, const ColorMapObject* map,
                 int frameRow, int transparentIndex, TSpiBitmap& out) {
    const int64_t y = int64_t{frame.Top} + frameRow;
    if (y >= out.Height()) return;
    for (int x = 0; x < frame.Width; ++x) {
        const int64_t canvasX = int64_t{frame.Left} + x;
        if (canvasX >= out.Width()) break;
        // An index beyond the colour map reads as black.
        if (line[x] >= map->ColorCount) continue;
        const GifColorType c = map->Colors[line[x]];
        out.SetPixel(static_cast<uint32_t>(canvasX), static_cast<uint32_t>(y), c.Red, c.Green,
                     c.Blue, line[x] == transparentIndex ? 0 : 255);
    }
}

int32_t DrawFirstImage(GifFileType* gif, uint64_t maxPixels, int transparentIndex,
                       TSpiBitmap& out) {
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0) {
        return SPI_OUT_OF_ORDER;
    }
    if (uint64_t(frame.Width) * uint64_t(frame.Height) > maxPixels) return SPI_TOO_LARGE;
    // A screen of size 0 (some writers leave it out) is the image's size.
    const bool noScreen = gif->SWidth <= 0 || gif->SHeight <= 0;
    const int canvasWidth = noScreen ? frame.Width : gif->SWidth;
    const int canvasHeight = noScreen ? frame.Height : gif->SHeight;
    if (!out.Create(static_cast<uint32_t>(canvasWidth), static_cast<uint32_t>(canvasHeight),
                    maxPixels, transparentIndex != kNoTransparency)) {
        return out.CreateFailure();
    }
    FillBackground(gif, out);
    std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
    for (int row : StoredRowOrder(frame.Height, frame.Interlace)) {
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return SPI_OUT_OF_ORDER;
        PutFrameRow(line.data(), frame, map, row, transparentIndex, out);
    }
    return SPI_ALL_RIGHT;
}

}  // namespace

int32_t DecodeGif(const uint8_t* data, size_t size, uint64_t maxPixels, TSpiBitmap& out) {
    if (size < 6 || !LooksLikeGif(data)) return SPI_NOT_SUPPORT;
    TGifSource source{data, size, 0};
    int error = 0;
    TGifFile gif(DGifOpen(&source, &ReadFromMemory, &error));
    if (!gif) return error == D_GIF_ERR_NOT_ENOUGH_MEM ? SPI_NO_MEMORY : SPI_OUT_OF_ORDER;
    int transparentIndex = kNoTransparency;
    if (!FindFirstImage(gif.get(), transparentIndex)) return SPI_OUT_OF_ORDER;
    return DrawFirstImage(gif.get(), maxPixels, transparentIndex, out);
}
