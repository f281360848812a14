#include "app/clipboard_image.h"

#include "formats/byte_buffer.h"

namespace {
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr int32_t kPixelsPerMetre = 2835;  // 72 dots per inch
}  // namespace

std::vector<uint8_t> PackedDibFromImage(const QImage& image) {
    if (image.isNull()) return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull()) return {};
    const int width = rgb.width();
    const int height = rgb.height();
    const uint64_t stride = (static_cast<uint64_t>(width) * 3 + 3) & ~uint64_t{3};
    const uint64_t imageBytes = stride * static_cast<uint64_t>(height);
    if (imageBytes > UINT32_MAX - kInfoHeaderBytes) return {};
    TByteBuffer dib;
    dib.Data.reserve(kInfoHeaderBytes + imageBytes);
    dib.PutU32LE(kInfoHeaderBytes);
    dib.PutU32LE(static_cast<uint32_t>(width));
    dib.PutU32LE(static_cast<uint32_t>(height));  // positive: bottom-up rows
    dib.PutU16LE(1);                              // planes
    dib.PutU16LE(24);                             // bits per pixel
    dib.PutU32LE(0);                              // no compression
    dib.PutU32LE(static_cast<uint32_t>(imageBytes));
    dib.PutU32LE(kPixelsPerMetre);
    dib.PutU32LE(kPixelsPerMetre);
    dib.PutU32LE(0);  // colours used
    dib.PutU32LE(0);  // colours important
    std::vector<uint8_t> row(stride, 0);
    for (int y = height - 1; y >= 0; --y) {
        const uchar* from = rgb.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = from[3 * x + 2];
            row[3 * x + 1] = from[3 * x + 1];
            row[3 * x + 2] = from[3 * x];
        }
        dib.PutBytes(row.data(), row.size());
    }
    return std::move(dib.Data);
}
