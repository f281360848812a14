// Transparency in the windows and on the clipboard: the view image carries
// it only when asked, and a pasted image with alpha keeps it.

#include <gtest/gtest.h>

#include <QImage>

#include "app/clipboard_image.h"
#include "app/picture_view.h"
#include "formats/bmp.h"

namespace {

TEST(TransparencyView, IndexedTransparentEntryShowsOnlyWhenAsked) {
    TPictureRecord r;
    r.Kind = pkIndexed;
    r.Width = 2;
    r.Height = 1;
    r.Colors = 2;
    r.Pixels = {0, 1};
    r.Palette.assign(1024, 0);
    r.SetPaletteEntry(0, MakeColor(10, 20, 30));
    r.TransCorner = -1;
    r.TransIndex = 1;
    r.AlphaTransparent = true;
    const QImage shown = ViewImage(r, true);
    ASSERT_TRUE(shown.hasAlphaChannel());
    EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(shown.pixel(1, 0)), 0);
    EXPECT_FALSE(ViewImage(r).hasAlphaChannel());  // as a BMP save shows it
}

TEST(TransparencyView, PastedImageKeepsItsAlpha) {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(qRgba(200, 100, 50, 255));
    image.setPixel(1, 0, qRgba(1, 2, 3, 0));
    image.setPixel(2, 1, qRgba(9, 8, 7, 100));
    const std::vector<uint8_t> dib = PackedDibFromImage(image);
    TPictureRecord r;
    ASSERT_EQ(LoadPictureFromDib(r, dib.data(), dib.size()), 0);
    ASSERT_EQ(r.Alpha.size(), 6u);
    EXPECT_EQ(r.Alpha[1], 0);
    EXPECT_EQ(r.Alpha[5], 100);
    EXPECT_EQ(r.Alpha[0], 255);
    EXPECT_EQ(r.ColorPixels()[5], MakeColor(9, 8, 7));
    EXPECT_EQ(r.XPelsPerMeter, 0);  // the clipboard has no resolution

    QImage opaque(2, 2, QImage::Format_RGB32);
    opaque.fill(qRgb(1, 2, 3));
    const std::vector<uint8_t> plain = PackedDibFromImage(opaque);
    ASSERT_EQ(LoadPictureFromDib(r, plain.data(), plain.size()), 0);
    EXPECT_TRUE(r.Alpha.empty());
}

}  // namespace
