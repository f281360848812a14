// Windows against a small workspace, the writer a typed name chooses, and
// names that hold "&" or "%": the free functions behind the documents.

#include <gtest/gtest.h>

#include <climits>

#include "app/save_format.h"
#include "app/view_math.h"
#include "config/texts.h"

namespace {

// A 300 x 200 workspace; windows add a 10 x 30 frame to their client area.
constexpr QSize kWorkspace(300, 200);
constexpr QSize kFrame(10, 30);

struct TFitCase {
    QSize Wanted, Client;
};
class ClientFit : public ::testing::TestWithParam<TFitCase> {};

TEST_P(ClientFit, WholeWindowFitsTheWorkspace) {
    EXPECT_EQ(FittedClientSize(GetParam().Wanted, kFrame, kWorkspace), GetParam().Client);
}

INSTANTIATE_TEST_SUITE_P(SmallWorkspace, ClientFit,
                         ::testing::Values(TFitCase{{100, 80}, {100, 80}},      // fits as asked
                                           TFitCase{{4000, 3000}, {290, 170}},  // a camera photo
                                           TFitCase{{290, 170}, {290, 170}},    // exactly the room
                                           TFitCase{{100, INT_MAX}, {100, 170}},  // zoomed far in
                                           TFitCase{{-5, 20}, {0, 20}}));

TEST(ClientFit, NoRoomAtAllGivesAnEmptyClientArea) {
    EXPECT_EQ(FittedClientSize({50, 50}, kFrame, {5, 5}), QSize(0, 0));
}

struct TPlaceCase {
    QRect Window;
    QPoint Kept;
};
class KeptInWorkspace : public ::testing::TestWithParam<TPlaceCase> {};

TEST_P(KeptInWorkspace, MovedOnlyAsFarAsNeeded) {
    EXPECT_EQ(KeptInside(GetParam().Window, kWorkspace), GetParam().Kept);
}

INSTANTIATE_TEST_SUITE_P(
    SmallWorkspace, KeptInWorkspace,
    ::testing::Values(TPlaceCase{{10, 20, 100, 50}, {10, 20}},    // inside: stays
                      TPlaceCase{{250, 20, 100, 50}, {200, 20}},  // past the right edge
                      TPlaceCase{{10, 190, 100, 50}, {10, 150}},  // past the bottom
                      TPlaceCase{{50, 50, 400, 300}, {0, 0}}));   // larger: top-left

struct TBesideCase {
    QRect Source;
    QSize Result;
    QPoint Place;
};
class ResultBeside : public ::testing::TestWithParam<TBesideCase> {};

TEST_P(ResultBeside, RightThenBelowElseFullyVisible) {
    EXPECT_EQ(BesideSource(GetParam().Source, GetParam().Result, kWorkspace), GetParam().Place);
}

INSTANTIATE_TEST_SUITE_P(
    SmallWorkspace, ResultBeside,
    ::testing::Values(TBesideCase{{0, 0, 100, 80}, {100, 80}, {100, 0}},  // right of it
                      TBesideCase{{0, 0, 250, 80}, {100, 80}, {0, 80}},   // below it
                      TBesideCase{{0, 0, 250, 150}, {100, 80}, {0, 0}},   // over it, visible
                      TBesideCase{{220, 150, 80, 50}, {100, 80}, {200, 120}}));

struct TZoomPercentCase {
    int Zoom, Percent;
};
class ZoomInPercent : public ::testing::TestWithParam<TZoomPercentCase> {};

TEST_P(ZoomInPercent, OfStep) { EXPECT_EQ(ZoomPercent(GetParam().Zoom), GetParam().Percent); }

INSTANTIATE_TEST_SUITE_P(Steps, ZoomInPercent,
                         ::testing::Values(TZoomPercentCase{0, 100}, TZoomPercentCase{2, 300},
                                           TZoomPercentCase{-1, 50}, TZoomPercentCase{-2, 33},
                                           TZoomPercentCase{INT_MAX, INT_MAX},
                                           TZoomPercentCase{INT_MIN + 1, 0}));

TEST(StatusBar, PixelUnderThePointerAtEveryZoom) {
    EXPECT_EQ(PicturePixelAt(5, 10, 30), 1);  // 300 %
    EXPECT_EQ(PicturePixelAt(5, 10, 5), -1);  // past the shown picture
    EXPECT_EQ(PicturePixelAt(4, 10, 5), 8);   // 50 %
    EXPECT_EQ(PicturePixelAt(-1, 10, 10), -1);
    TPictureRecord indexed;
    indexed.Kind = pkIndexed;
    indexed.Width = 2;
    indexed.Height = 1;
    indexed.Colors = 2;
    indexed.Pixels = {0, 1};
    indexed.Palette.assign(1024, 0);
    indexed.SetPaletteEntry(1, MakeColor(0x12, 0xAB, 0xFF));
    EXPECT_EQ(PixelStatusText(indexed, 1, 0), "(1, 0) #12abff index 1");
    EXPECT_EQ(PixelStatusText(indexed, 2, 0), "");
    indexed.Pixels.resize(1);  // buffers that do not fit: nothing read past them
    EXPECT_EQ(PixelStatusText(indexed, 1, 0), "");
    SetUseEnglish(true);
    EXPECT_EQ(PictureStatusText(indexed), "2 x 1   100%   2 colors");
}

// The writer of a save: the typed extension, else the selected type.
struct TWriterCase {
    const char* Path;
    int Selected, Writer;
};
class SaveWriter : public ::testing::TestWithParam<TWriterCase> {};

TEST_P(SaveWriter, TypedExtensionWins) {
    EXPECT_EQ(SaveWriterIndex(QString::fromUtf8(GetParam().Path), GetParam().Selected),
              GetParam().Writer);
}

INSTANTIATE_TEST_SUITE_P(
    TypedAgainstSelected, SaveWriter,
    ::testing::Values(TWriterCase{"/t/out.png", 1, 3}, TWriterCase{"/t/out.PNG", 2, 3},
                      TWriterCase{"/t/x.gif", 3, 4}, TWriterCase{"/t/x.Gif", 1, 4},
                      TWriterCase{"/t/x.bmp", 4, 2}, TWriterCase{"/t/x.jpg", 1, 2},
                      TWriterCase{"/t/x.jpg", 3, 3}, TWriterCase{"/t/x.jpg", 4, 4},
                      TWriterCase{"/t/noext", 1, 2}, TWriterCase{"/t/a.png/noext", 4, 4},
                      TWriterCase{"/t/x.png.tmp", 3, 3}, TWriterCase{"/t/x.png", 0, 3},
                      TWriterCase{"/t/x", 9, 2}));

TEST(SaveWriter, AllFilesListsNamesWithoutADot) {
    EXPECT_EQ(DialogNameFilters({"All files (*.*)", "BMP files (*.bmp)", "すべてのファイル(*.*)"}),
              QStringList({"All files (*)", "BMP files (*.bmp)", "すべてのファイル(*)"}));
}

// Names may hold any character: nothing is taken for a placeholder or an
// accelerator.
TEST(Names, CaptionsAndMenuItemsShowTheNameAsItIs) {
    EXPECT_EQ(ResultCaption(1, "/t/x%2Cy.bmp", 256), "1:x%2Cy.bmp(256)");
    EXPECT_EQ(ResultCaption(7, "/t/%1 & %2%3.bmp", 16), "7:%1 & %2%3.bmp(16)");
    TPictureRecord saved;
    saved.Kind = pkIndexed;
    saved.Colors = 16;
    saved.FileName = "/t/a%1b%2.gif";
    EXPECT_EQ(SavedCaption(saved), "*a%1b%2.gif(16)");
    EXPECT_EQ(MenuItemText("&1 ", "Tom & Jerry&.bmp"), "&1 Tom && Jerry&&.bmp");
    EXPECT_EQ(MenuItemText("", "%1&%2"), "%1&&%2");
}

}  // namespace
