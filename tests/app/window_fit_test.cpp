// Windows against a small workspace, the writer a typed name chooses, and
// names holding "&" or "%": the free functions behind the documents.

#include <gtest/gtest.h>

#include <climits>

#include "app/save_format.h"
#include "app/view_math.h"

namespace {

// A 300 x 200 workspace; windows add a 10 x 30 frame to their client area.
constexpr QSize kWorkspace(300, 200);

struct TFitCase {
    QSize Wanted, Client;
};
class ClientFit : public ::testing::TestWithParam<TFitCase> {};

TEST_P(ClientFit, WholeWindowFitsTheWorkspace) {
    EXPECT_EQ(FittedClientSize(GetParam().Wanted, {10, 30}, kWorkspace), GetParam().Client);
}

INSTANTIATE_TEST_SUITE_P(SmallWorkspace, ClientFit,
                         ::testing::Values(TFitCase{{100, 80}, {100, 80}},
                                           TFitCase{{4000, 3000}, {290, 170}},
                                           TFitCase{{100, INT_MAX}, {100, 170}},
                                           TFitCase{{-5, 20}, {0, 20}}));

struct TWriterCase {
    const char* Path;
    int Selected, Writer;  // filter indexes: 1 All files, 2 BMP, 3 PNG, 4 GIF
};
class SaveWriter : public ::testing::TestWithParam<TWriterCase> {};

TEST_P(SaveWriter, TypedExtensionWinsElseTheSelectedType) {
    EXPECT_EQ(SaveWriterIndex(GetParam().Path, GetParam().Selected), GetParam().Writer);
}

INSTANTIATE_TEST_SUITE_P(
    TypedAgainstSelected, SaveWriter,
    ::testing::Values(TWriterCase{"/t/out.png", 1, 3}, TWriterCase{"/t/x.GIF", 3, 4},
                      TWriterCase{"/t/x.Bmp", 4, 2}, TWriterCase{"/t/x.jpg", 1, 2},
                      TWriterCase{"/t/x.jpg", 4, 4}, TWriterCase{"/t/a.png/noext", 3, 3},
                      TWriterCase{"/t/x.png.tmp", 9, 2}));

TEST(Names, CaptionsAndMenuItemsShowTheNameAsItIs) {
    EXPECT_EQ(ResultCaption(1, "/t/x%2Cy.bmp", 256), "1:x%2Cy.bmp(256)");
    EXPECT_EQ(ResultCaption(7, "/t/%1 & %2.bmp", 16), "7:%1 & %2.bmp(16)");
    EXPECT_EQ(MenuItemText("&1 ", "Tom & Jerry&.bmp"), "&1 Tom && Jerry&&.bmp");
    EXPECT_EQ(ZoomPercent(-2), 33);
    EXPECT_EQ(PicturePixelAt(5, 10, 5), -1);  // past the shown picture
}

}  // namespace
