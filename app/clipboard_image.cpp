#include "app/clipboard_image.h"

#include <QBuffer>
#include <QImageReader>
#include <QMimeData>
#include <new>

#include "config/failure_reason.h"
#include "formats/bmp.h"
#include "formats/byte_buffer.h"
#include "formats/pixel_cap.h"

namespace {
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kV5HeaderBytes = 124;
constexpr int32_t kPixelsPerMetre = 0;  // unknown: the clipboard carries none

// Non-premultiplied blue, green, red, alpha rows, bottom-up, after a V5
// header with bit fields in the sRGB colour space.
std::vector<uint8_t> AlphaDibFromImage(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) return {};
    const int width = argb.width();
    const int height = argb.height();
    const uint64_t imageBytes = uint64_t{4} * static_cast<uint64_t>(width) * height;
    if (imageBytes > UINT32_MAX - kV5HeaderBytes) return {};
    TByteBuffer dib;
    dib.Data.reserve(kV5HeaderBytes + imageBytes);
    dib.PutU32LE(kV5HeaderBytes);
    dib.PutU32LE(static_cast<uint32_t>(width));
    dib.PutU32LE(static_cast<uint32_t>(height));  // positive: bottom-up rows
    dib.PutU16LE(1);
    dib.PutU16LE(32);
    dib.PutU32LE(3);  // bit fields
    dib.PutU32LE(static_cast<uint32_t>(imageBytes));
    dib.PutU32LE(kPixelsPerMetre);
    dib.PutU32LE(kPixelsPerMetre);
    dib.PutU32LE(0);
    dib.PutU32LE(0);
    for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) dib.PutU32LE(mask);
    dib.PutU32LE(0x73524742);  // 'sRGB'
    dib.Data.resize(kV5HeaderBytes, 0);  // end points, gammas, intent, no profile
    for (int y = height - 1; y >= 0; --y) {
        const auto* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < width; ++x) dib.PutU32LE(from[x]);  // 0xAARRGGBB: B, G, R, A bytes
    }
    return std::move(dib.Data);
}

}  // namespace

std::vector<uint8_t> PackedDibFromImage(const QImage& image) {
    if (image.isNull()) return {};
    if (image.hasAlphaChannel()) return AlphaDibFromImage(image);
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

// ---- Paste ----------------------------------------------------------------

namespace {

// 8 bytes per pixel: a 16-bit picture is read at 16 bits per channel.
constexpr int kReadingLimitMb = static_cast<int>(kMaxPicturePixels * 8 / (1024 * 1024));

// The encoded forms other programs offer, most faithful first; any other
// image type follows.
const char* const kPreferredTypes[] = {"image/png",  "image/bmp",  "image/x-bmp", "image/tiff",
                                       "image/webp", "image/jpeg", "image/gif"};

QString ChooseEncodedType(const QMimeData& data) {
    const QStringList offered = data.formats();
    for (const char* type : kPreferredTypes) {
        if (offered.contains(QLatin1String(type))) return QLatin1String(type);
    }
    for (const QString& type : offered) {
        if (type.startsWith(QLatin1String("image/"))) return type;
    }
    return {};
}

int Fail(TFailure kind) {
    SetLastLoadFailure({kind, 0});
    return 1;
}

// Decodes encoded, refusing a picture over the cap before reading its pixels.
int DecodeImage(const QByteArray& encoded, QImage& image) {
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (size.isValid() &&
        static_cast<uint64_t>(size.width()) * static_cast<uint64_t>(size.height()) >
            kMaxPicturePixels) {
        return Fail(TFailure::TooLarge);
    }
    if (reader.read(&image)) return 0;
    return Fail(reader.error() == QImageReader::UnsupportedFormatError ? TFailure::NotPicture
                                                                       : TFailure::Damaged);
}

}  // namespace

void RaiseImageReadingLimit() { QImageReader::setAllocationLimit(kReadingLimitMb); }

TClipboardPicture TakeClipboardPicture(const QMimeData& data, bool own) {
    TClipboardPicture picture;
    if (!data.hasImage()) return picture;
    const QString type = own ? QString() : ChooseEncodedType(data);
    if (!type.isEmpty()) picture.Encoded = data.data(type);
    // Our own copy, or no encoded form to be had: Qt's own image.
    if (picture.Encoded.isEmpty()) picture.Image = qvariant_cast<QImage>(data.imageData());
    return picture;
}

int LoadClipboardPicture(const TClipboardPicture& picture, TPictureRecord& record) {
    QImage image = picture.Image;
    if (image.isNull()) {
        if (picture.Encoded.isEmpty()) return Fail(TFailure::NotPicture);
        if (DecodeImage(picture.Encoded, image) != 0) return 1;
    }
    if (static_cast<uint64_t>(image.width()) * static_cast<uint64_t>(image.height()) >
        kMaxPicturePixels) {
        return Fail(TFailure::TooLarge);
    }
    std::vector<uint8_t> dib;
    try {
        dib = PackedDibFromImage(image);
    } catch (const std::bad_alloc&) {
        return Fail(TFailure::OutOfMemory);
    }
    // A null conversion of a real image: the memory was not there.
    if (dib.empty()) return Fail(TFailure::OutOfMemory);
    image = QImage();  // the DIB is all that is needed from here on
    return LoadPictureFromDib(record, dib.data(), dib.size());
}
