// The bundled plug-ins hand over alpha and resolution: pictures written by
// the codecs' own encoders (and by our PNG writer) load through LoadPicture
// with their alpha beside the colours and their pixels per metre.
#include <gtest/gtest.h>

#include "codec_writers.h"
#include "formats/png_writer.h"
#include "plugin_test_support.h"

namespace {

class PluginAlphaTest : public PluginHostTest {
protected:
    void SetUp() override {
        PluginHostTest::SetUp();
        SetPluginFolder(std::string(ZINOP_BIN_DIR) + "/");
        LoadPlugins();
    }
};

TEST_F(PluginAlphaTest, PngAndWebpAlphaArrivesBesideTheColours) {
    TPngPicture png{3, 1, 6, 8, false, {10, 20, 30, 0, 40, 50, 60, 127, 70, 80, 90, 255}, {}, {}};
    ASSERT_TRUE(WritePngFile(pictures.File("a.png"), png));
    ASSERT_TRUE(WriteWebpFile(pictures.File("a.webp"), 3, 1, png.Rows, true, 100));
    for (const char* name : {"a.png", "a.webp"}) {
        TPictureRecord record;
        ASSERT_EQ(Load(pictures.File(name), record), 0) << name;
        EXPECT_EQ(record.Alpha, (std::vector<uint8_t>{0, 127, 255})) << name;
        EXPECT_EQ(record.ColorPixels()[1], MakeColor(40, 50, 60)) << name;
    }
    // All opaque: no alpha, as for a picture without it.
    png.Rows[3] = png.Rows[7] = 255;
    ASSERT_TRUE(WritePngFile(pictures.File("b.png"), png));
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("b.png"), record), 0);
    EXPECT_TRUE(record.Alpha.empty());
}

TEST_F(PluginAlphaTest, GifTransparentIndexIsAlphaZero) {
    std::vector<uint8_t> palette;
    for (int i = 0; i < 4; ++i) palette.insert(palette.end(), {uint8_t(60 * i), 9, 9});
    const TGifFrame frame{0, 0, 4, 1, false, {0, 1, 2, 3}, 2};
    ASSERT_TRUE(WriteGifFile(pictures.File("t.gif"), 4, 1, palette, 0, {frame}));
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("t.gif"), record), 0);
    EXPECT_EQ(record.Alpha, (std::vector<uint8_t>{255, 255, 0, 255}));
    EXPECT_EQ(record.ColorPixels()[2], MakeColor(120, 9, 9));  // the colour is kept
}

TEST_F(PluginAlphaTest, PngResolutionRoundTripsThroughThePlugin) {
    TPictureRecord picture;
    picture.Kind = pkFullColour;
    picture.Width = 2;
    picture.Height = 2;
    picture.Pixels.assign(16, 0);
    picture.XPelsPerMeter = 11811;  // 300 dpi
    picture.YPelsPerMeter = 5906;
    picture.FileName = pictures.File("r.png");
    ASSERT_TRUE(SavePng(picture, false));
    TPictureRecord record;
    ASSERT_EQ(Load(picture.FileName, record), 0);
    EXPECT_EQ(record.XPelsPerMeter, 11811);
    EXPECT_EQ(record.YPelsPerMeter, 5906);
    picture.XPelsPerMeter = picture.YPelsPerMeter = 0;  // no pHYs: unknown
    ASSERT_TRUE(SavePng(picture, false));
    ASSERT_EQ(Load(picture.FileName, record), 0);
    EXPECT_EQ(record.XPelsPerMeter, 0);
}

}  // namespace
