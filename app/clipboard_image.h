#pragma once
// The clipboard's picture forms. Other Linux programs mostly offer and read
// encoded images (image/png); the program's own form is the packed DIB of
// the BMP reader, so a pasted image is turned into one.

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <vector>

// A packed DIB of image: a 40-byte information header and bottom-up rows of
// 24 bits per pixel (blue, green, red), each padded to 4 bytes. An image
// with an alpha channel gives a 124-byte BITMAPV5HEADER with bit fields and
// 32 bits per pixel (blue, green, red, alpha). Empty for a null image.
// The clipboard carries no resolution: the fields hold 0 (unknown).
std::vector<uint8_t> PackedDibFromImage(const QImage& image);

// ---- Paste ----------------------------------------------------------------

class QMimeData;
struct TPictureRecord;

// Raises Qt's image-reading allocation limit (128 MB by default, about 33
// megapixels) so that the program's own cap (formats/pixel_cap.h, 16384 x
// 16384) is the only limit, also at 16 bits per channel. Process-wide; call on the main thread
// before any paste.
void RaiseImageReadingLimit();

// The clipboard's picture as taken on the main thread, for decoding on
// another: a picture the program itself copied (no decoding needed), or the
// encoded bytes another program offers. Empty when there is none.
struct TClipboardPicture {
    QImage Image;
    QByteArray Encoded;
    bool Empty() const { return Image.isNull() && Encoded.isEmpty(); }
};
// own: data is what this program put on the clipboard.
TClipboardPicture TakeClipboardPicture(const QMimeData& data, bool own);

// Decodes picture into a full-colour record through the packed DIB of
// PackedDibFromImage and the BMP reader, on any thread. 0 loaded, 1 not;
// on failure LastLoadFailure() says why (over the cap, not a picture,
// damaged, out of memory).
int LoadClipboardPicture(const TClipboardPicture& picture, TPictureRecord& record);
