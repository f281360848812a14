// The arithmetic of document windows: zoom steps, the colour count, the
// recent list and the shown picture against the saved BMP.

#include "app/view_math.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "app/picture_view.h"
#include "formats/bmp.h"

namespace {

struct TZoomCase {
    int Size, Zoom, Shown;
};
class ZoomSteps : public ::testing::TestWithParam<TZoomCase> {};

TEST_P(ZoomSteps, ShownLength) {
    EXPECT_EQ(ViewExtent(GetParam().Size, GetParam().Zoom), GetParam().Shown);
}

INSTANTIATE_TEST_SUITE_P(ViewMath, ZoomSteps,
                         ::testing::Values(TZoomCase{3, -1, 1}, TZoomCase{3, -2, 1},
                                           TZoomCase{3, -3, 0}, TZoomCase{3, 2, 9},
                                           TZoomCase{100, -2, 33}, TZoomCase{100, -99, 1},
                                           TZoomCase{100, -100, 0}, TZoomCase{100, INT_MIN + 1, 0},
                                           TZoomCase{100, INT_MAX, INT_MAX}));

TPictureRecord Record(PictureKind kind, int w, int h, std::vector<ColorValue> values) {
    TPictureRecord r;
    r.Kind = kind;
    r.Width = w;
    r.Height = h;
    if (kind == pkIndexed) {
        r.Pixels.assign(values.begin(), values.end());
        r.Colors = 1 + *std::max_element(values.begin(), values.end());
        r.Palette.assign(1024, 0);
        for (int i = 0; i < r.Colors; ++i) r.SetPaletteEntry(i, MakeColor(i * 16, 255 - i, i));
    } else {
        r.Pixels.resize(values.size() * 4);
        for (size_t i = 0; i < values.size(); ++i) r.ColorPixels()[i] = values[i];
    }
    return r;
}

TEST(ViewMath, PropertyCountsTheColoursThatOccur) {
    TPictureRecord indexed = Record(pkIndexed, 4, 2, {0, 3, 3, 7, 15, 9, 0, 7});
    EXPECT_EQ(indexed.Colors, 16);
    EXPECT_EQ(CountColors(indexed), 5);  // 16 entries, 5 used
    const TPictureRecord full =
        Record(pkFullColour, 2, 2, {0, MakeColor(255, 255, 255), MakeColor(0, 0, 1), 0});
    EXPECT_EQ(CountColors(full), 3);
    EXPECT_EQ(PropertyText(Record(pkFullColour, 1, 1, {7}), 1), "1 x 1 / 1 color(s).");
}

TEST(ViewMath, RecentListMovesRepeatsUpAndDropsTheEleventh) {
    std::array<std::string, 10> recent{};
    for (int i = 1; i <= 10; ++i) PutRecentFile(recent, "/p/" + std::to_string(i), false);
    PutRecentFile(recent, "/p/4", false);  // a repeat moves up, nothing drops
    EXPECT_EQ(recent[0], "/p/4");
    EXPECT_EQ(recent[1], "/p/10");
    EXPECT_EQ(recent[9], "/p/1");
    EXPECT_EQ(std::count(recent.begin(), recent.end(), "/p/4"), 1);
    PutRecentFile(recent, "/p/11", false);  // the eleventh distinct file drops the oldest
    EXPECT_EQ(recent[9], "/p/2");
}

TEST(ViewMath, RecentListComparesLetterCaseOnlyWhereTheFileSystemDoes) {
    std::array<std::string, 10> recent{};
    PutRecentFile(recent, "/pics/A.png", FileSystemIgnoresCase());
    PutRecentFile(recent, "/pics/a.png", FileSystemIgnoresCase());  // two files on Linux
    EXPECT_EQ(recent[1], "/pics/A.png");
    std::array<std::string, 10> folded{};
    PutRecentFile(folded, "d:/pics/A.BMP", true);
    PutRecentFile(folded, "D:/PICS/a.bmp", true);  // one entry, spelled the second way
    EXPECT_EQ(folded[0], "D:/PICS/a.bmp");
    EXPECT_EQ(folded[1], "");
}

// What the window shows is what a save writes, pixel for pixel.
TEST(ViewMath, ShownPictureEqualsTheSavedBmp) {
    const TPictureRecord indexed = Record(pkIndexed, 5, 2, {0, 1, 2, 1, 0, 2, 2, 1, 0, 0});
    const TPictureRecord full = Record(
        pkFullColour, 3, 2, {MakeColor(1, 2, 3), MakeColor(250, 0, 9), 7, 0, 0xFFFFFF, 9 << 16});
    for (const TPictureRecord* record : {&indexed, &full}) {
        TByteBuffer bmp;
        WriteBmpImage(*record, bmp);
        TPictureRecord decoded;
        ASSERT_EQ(DecodeBmp(decoded, bmp), 0);
        const QImage view = ViewImage(*record);
        ASSERT_EQ(view.size(), QSize(record->Width, record->Height));
        for (int i = 0; i < record->Width * record->Height; ++i) {
            const ColorValue c = decoded.ColorPixels()[i];
            EXPECT_EQ(view.pixel(i % record->Width, i / record->Width),
                      qRgb(RedOf(c), GreenOf(c), BlueOf(c)));
        }
    }
}

}  // namespace
