// A refused load says which refusal it was, and PNG reads every size up to
// the pixel cap.
#include <gtest/gtest.h>

#include "config/failure_reason.h"
#include "formats/bmp.h"
#include "formats/png_writer.h"
#include "plugin_test_support.h"

namespace {

class LoadReasons : public PluginHostTest {
  protected:
    void SetUp() override {
        PluginHostTest::SetUp();
        SetPluginFolder(std::string(ZINOP_BIN_DIR) + "/");
        LoadPlugins();
    }
    // Writes a width x 1 picture as name (PNG or BMP by its extension).
    std::vector<uint8_t> Picture(const std::string& name, int width) {
        TPictureRecord record;
        record.Kind = pkFullColour;
        record.Width = width;
        record.Height = 1;
        record.Pixels.assign(static_cast<size_t>(width) * 4, 200);
        record.FileName = pictures.File(name);
        EXPECT_TRUE(name.ends_with(".png") ? SavePng(record, false) : SaveBmp(record));
        TByteBuffer bytes;
        ReadWholeFile(record.FileName, bytes);
        return bytes.Data;
    }
    std::string Reason(const std::string& name, const std::vector<uint8_t>& bytes) {
        pictures.Write(name, bytes);
        TPictureRecord record;
        return Load(pictures.File(name), record) == 0 ? "loaded" : FailureText(LastLoadFailure());
    }
};

TEST_F(LoadReasons, EachRefusalSaysWhich) {
    std::vector<uint8_t> png = Picture("p.png", 40), bmp = Picture("p.bmp", 40);
    EXPECT_EQ(Reason("cut.png", {png.begin(), png.end() - 20}), "damaged or truncated");
    EXPECT_EQ(Reason("cut.bmp", {bmp.begin(), bmp.end() - 20}), "damaged or truncated");
    png[16] = png[20] = 1;  // IHDR: width 2^24 + 40, height 2^24 + 1 (big-endian)
    bmp[20] = bmp[24] = 1;  // width 2^16 + 40, height 2^16 + 1 (little-endian)
    EXPECT_EQ(Reason("huge.png", png), "larger than 16384 x 16384 pixels");
    EXPECT_EQ(Reason("huge.bmp", bmp), "larger than 16384 x 16384 pixels");
    EXPECT_EQ(Reason("text.png", {'h', 'i'}), "not a picture any plug-in or the BMP reader understands");
    EXPECT_EQ(Reason("none.png", {}), "not a picture any plug-in or the BMP reader understands");
}

TEST_F(LoadReasons, PngWiderThanTwoToTheTwentyLoads) {
    constexpr int kWide = (1 << 20) + 3;
    Picture("wide.png", kWide);
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("wide.png"), record), 0) << FailureText(LastLoadFailure());
    EXPECT_EQ(record.Width, kWide);
    EXPECT_EQ(record.ColorPixels()[kWide - 1], MakeColor(200, 200, 200));
}

}  // namespace
