// The arithmetic of document windows: zoom steps, the colour count, the
// recent list, the shown picture against the saved BMP and the clipboard's
// DIB form.

#include "app/view_math.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "app/clipboard_image.h"
#include "app/picture_view.h"
#include "config/texts.h"
#include "formats/bmp.h"

namespace {

struct TZoomCase {
    int Size;
    int Zoom;
    int Shown;
};

class ZoomSteps : public ::testing::TestWithParam<TZoomCase> {};

TEST_P(ZoomSteps, ShownLength) {
    EXPECT_EQ(ViewExtent(GetParam().Size, GetParam().Zoom), GetParam().Shown);
}

INSTANTIATE_TEST_SUITE_P(ViewMath, ZoomSteps,
                         ::testing::Values(TZoomCase{3, 0, 3}, TZoomCase{3, -1, 1},
                                           TZoomCase{3, -2, 1}, TZoomCase{3, -3, 0},
                                           TZoomCase{3, 1, 6}, TZoomCase{3, 2, 9},
                                           TZoomCase{100, -2, 33}, TZoomCase{100, -99, 1},
                                           TZoomCase{100, -100, 0}, TZoomCase{100, INT_MIN + 1, 0},
                                           TZoomCase{100, INT_MAX, INT_MAX}));

TEST(ViewMath, ZoomStateByKindAndWindowState) {
    EXPECT_EQ(ZoomState(pkBatch, false), 0);
    EXPECT_EQ(ZoomState(pkNone, true), 0);
    EXPECT_EQ(ZoomState(pkFullColour, false), 1);
    EXPECT_EQ(ZoomState(pkIndexed, true), 2);
}

TPictureRecord Indexed(int w, int h, int colors, std::vector<uint8_t> pixels) {
    TPictureRecord r;
    r.Kind = pkIndexed;
    r.Width = w;
    r.Height = h;
    r.Colors = colors;
    r.Pixels = std::move(pixels);
    r.Palette.assign(1024, 0);
    for (int i = 0; i < colors; ++i) r.SetPaletteEntry(i, MakeColor(i * 16, 255 - i * 16, i));
    return r;
}

TPictureRecord FullColour(int w, int h, std::vector<ColorValue> pixels) {
    TPictureRecord r;
    r.Kind = pkFullColour;
    r.Width = w;
    r.Height = h;
    r.Pixels.resize(pixels.size() * 4);
    std::memcpy(r.Pixels.data(), pixels.data(), r.Pixels.size());
    return r;
}

TEST(ViewMath, PropertyCountsColoursThatOccur) {
    // 16 palette entries, 5 of them used.
    const TPictureRecord indexed = Indexed(4, 2, 16, {0, 3, 3, 7, 15, 9, 0, 7});
    EXPECT_EQ(CountColors(indexed), 5);
    const TPictureRecord one = FullColour(1, 1, {MakeColor(1, 2, 3)});
    EXPECT_EQ(CountColors(one), 1);
    SetUseEnglish(true);
    EXPECT_EQ(PropertyText(one, 1), "1 x 1 / 1 color(s).");
    SetUseEnglish(false);
    EXPECT_EQ(PropertyText(one, 1), QString::fromUtf8("1 x 1 / 1 色."));
    SetUseEnglish(true);
    // Extremes of the 24-bit set, and colours that differ in one channel.
    const TPictureRecord full = FullColour(
        2, 2,
        {MakeColor(0, 0, 0), MakeColor(255, 255, 255), MakeColor(0, 0, 1), MakeColor(0, 0, 0)});
    EXPECT_EQ(CountColors(full), 3);
    TPictureRecord batch;
    batch.Kind = pkBatch;
    EXPECT_EQ(CountColors(batch), 0);
}

TEST(ViewMath, RecentListMovesRepeatsUpAndDropsTheEleventh) {
    std::array<std::string, 10> recent{};
    for (int i = 1; i <= 10; ++i) PutRecentFile(recent, "/p/" + std::to_string(i), false);
    EXPECT_EQ(recent[0], "/p/10");
    EXPECT_EQ(recent[9], "/p/1");
    PutRecentFile(recent, "/p/4", false);  // a repeat moves up, nothing drops
    EXPECT_EQ(recent[0], "/p/4");
    EXPECT_EQ(recent[1], "/p/10");
    EXPECT_EQ(recent[9], "/p/1");
    EXPECT_EQ(std::count(recent.begin(), recent.end(), "/p/4"), 1);
    PutRecentFile(recent, "/p/11", false);  // the eleventh distinct file drops the oldest
    EXPECT_EQ(recent[0], "/p/11");
    EXPECT_EQ(recent[9], "/p/2");
}

TEST(ViewMath, RecentListComparesLetterCaseOnlyWhereFilesDo) {
    std::array<std::string, 10> recent{};
    PutRecentFile(recent, "/pics/A.png", false);
    PutRecentFile(recent, "/pics/a.png", false);  // two files on Linux
    EXPECT_EQ(recent[0], "/pics/a.png");
    EXPECT_EQ(recent[1], "/pics/A.png");
    std::array<std::string, 10> folded{};
    PutRecentFile(folded, "d:/pics/A.BMP", true);
    PutRecentFile(folded, "D:/PICS/a.bmp", true);  // one file: one entry, spelled anew
    EXPECT_EQ(folded[0], "D:/PICS/a.bmp");
    EXPECT_EQ(folded[1], "");
    EXPECT_FALSE(FileSystemIgnoresCase());
}

TEST(ViewMath, CaptionsOfResultAndSavedWindows) {
    EXPECT_EQ(ResultCaption(7, "/in/cat.bmp", 16), "7:cat.bmp(16)");
    TPictureRecord saved = Indexed(1, 1, 2, {0});
    saved.FileName = "/out/out.gif";
    EXPECT_EQ(SavedCaption(saved), "*out.gif(2)");
    saved.Kind = pkFullColour;
    EXPECT_EQ(SavedCaption(saved), "out.gif");
    EXPECT_EQ(BaseNamePart("/a.b/cat.tar.gz"), "cat.tar");
    EXPECT_EQ(BaseNamePart("/in/cat"), "cat");
}

// What the window shows is what a save writes: both records decoded from
// the BMP image equal the view pixel for pixel.
TEST(ViewMath, ShownPictureEqualsTheSavedBmp) {
    const TPictureRecord indexed = Indexed(5, 3, 3, {0, 1, 2, 1, 0, 2, 2, 1, 0, 0, 1, 1, 2, 0, 2});
    const TPictureRecord full =
        FullColour(3, 2,
                   {MakeColor(1, 2, 3), MakeColor(250, 0, 9), MakeColor(0, 128, 255),
                    MakeColor(7, 7, 7), MakeColor(255, 255, 255), MakeColor(0, 0, 0)});
    for (const TPictureRecord* record : {&indexed, &full}) {
        TByteBuffer bmp;
        WriteBmpImage(*record, bmp);
        TPictureRecord decoded;
        ASSERT_EQ(DecodeBmp(decoded, bmp), 0);
        const QImage view = ViewImage(*record);
        ASSERT_EQ(view.size(), QSize(record->Width, record->Height));
        for (int y = 0; y < record->Height; ++y) {
            for (int x = 0; x < record->Width; ++x) {
                const ColorValue c = decoded.ColorPixels()[y * record->Width + x];
                EXPECT_EQ(view.pixel(x, y), qRgb(RedOf(c), GreenOf(c), BlueOf(c))) << x << "," << y;
            }
        }
    }
}

TEST(ViewMath, PastedImageBecomesA24BitDibWithoutAlpha) {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 255));
    image.setPixel(2, 0, qRgba(200, 100, 50, 0));  // transparent: the colour stays, alpha goes
    image.setPixel(0, 1, qRgba(1, 2, 3, 255));
    const std::vector<uint8_t> dib = PackedDibFromImage(image);
    ASSERT_EQ(dib.size(), 40u + 2 * 12);  // rows of 9 bytes padded to 12
    TPictureRecord pasted;
    ASSERT_EQ(LoadPictureFromDib(pasted, dib.data(), dib.size()), 0);
    ASSERT_EQ(pasted.Width, 3);
    ASSERT_EQ(pasted.Height, 2);
    EXPECT_EQ(pasted.ColorPixels()[0], MakeColor(10, 20, 30));  // top row first
    EXPECT_EQ(pasted.ColorPixels()[2], MakeColor(200, 100, 50));
    EXPECT_EQ(pasted.ColorPixels()[3], MakeColor(1, 2, 3));
    EXPECT_TRUE(PackedDibFromImage(QImage()).empty());
}

}  // namespace
