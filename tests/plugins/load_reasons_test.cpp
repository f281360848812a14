// A refused load says which refusal it was: over the pixel cap, damaged or
// truncated (the plug-in's broken-data result, a BMP that ends early), or
// no picture at all; and PNG reads every size up to the cap.
#include <gtest/gtest.h>
#include <png.h>

#include "codec_writers.h"
#include "config/failure_reason.h"
#include "formats/bmp.h"
#include "formats/png_writer.h"
#include "plugin_test_support.h"

namespace {

void PutU32BE(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t Crc32(const std::vector<uint8_t>& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutU32BE(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutU32BE(out, Crc32(body));
}

// A PNG whose header claims width x height RGB pixels; the data never
// matters, since the claim alone is refused.
std::vector<uint8_t> PngHeaderOnly(uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> ihdr;
    PutU32BE(ihdr, width);
    PutU32BE(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    PutChunk(png, "IHDR", ihdr);
    PutChunk(png, "IEND", {});
    return png;
}

// A 54-byte BMP header of width x height at 24 bits, and `rows` rows of data.
std::vector<uint8_t> Bmp(int32_t width, int32_t height, int rows) {
    TPictureRecord record;
    record.Kind = pkFullColour;
    record.Width = 2;
    record.Height = 2;
    record.Pixels.assign(16, 0x33);
    TByteBuffer image;
    WriteBmpImage(record, image);
    std::vector<uint8_t> bytes(image.Data.begin(), image.Data.begin() + 54);
    for (int i = 0; i < 4; ++i) {
        bytes[18 + i] = static_cast<uint8_t>(width >> (8 * i));
        bytes[22 + i] = static_cast<uint8_t>(height >> (8 * i));
    }
    bytes.resize(54 + static_cast<size_t>(rows) * ((width * 3 + 3) / 4 * 4), 0x20);
    return bytes;
}

class LoadReasons : public PluginHostTest {
  protected:
    void SetUp() override {
        PluginHostTest::SetUp();
        SetPluginFolder(std::string(ZINOP_BIN_DIR) + "/");
        LoadPlugins();
    }
    std::string ReasonFor(const std::string& name, const std::vector<uint8_t>& bytes) {
        pictures.Write(name, bytes);
        TPictureRecord record;
        if (Load(pictures.File(name), record) == 0) return "loaded";
        return FailureText(LastLoadFailure());
    }
};

TEST_F(LoadReasons, EachRefusalSaysWhich) {
    EXPECT_EQ(ReasonFor("huge.png", PngHeaderOnly(20000, 20000)), "larger than 16384 x 16384 pixels");
    EXPECT_EQ(ReasonFor("huge.bmp", Bmp(20000, 20000, 0)), "larger than 16384 x 16384 pixels");
    EXPECT_EQ(ReasonFor("short.bmp", Bmp(10, 10, 4)), "damaged or truncated");
    EXPECT_EQ(ReasonFor("text.bmp", {'h', 'e', 'l', 'l', 'o'}), "not a picture any plug-in or the BMP reader understands");
    EXPECT_EQ(ReasonFor("empty.png", {}), "not a picture any plug-in or the BMP reader understands");

    TPngPicture png{40, 30, PNG_COLOR_TYPE_RGB, 8, false, std::vector<uint8_t>(40 * 30 * 3, 7), {}, {}};
    ASSERT_TRUE(WritePngFile(pictures.File("p.png"), png));
    TByteBuffer whole;
    ASSERT_TRUE(ReadWholeFile(pictures.File("p.png"), whole));
    whole.Data.resize(whole.Data.size() / 2);
    EXPECT_EQ(ReasonFor("cut.png", whole.Data), "damaged or truncated");

    TPictureRecord missing;
    EXPECT_EQ(Load(pictures.File("none.png"), missing), 1);
    EXPECT_EQ(FailureText(LastLoadFailure()), "No such file or directory");
}

// A side may be as long as the pixel cap allows, far beyond libpng's
// default limit and the old 2^20.
TEST_F(LoadReasons, PngWiderThanTwoToTheTwentyLoads) {
    constexpr int kWide = (1 << 20) + 3;
    TPictureRecord wide;
    wide.Kind = pkFullColour;
    wide.Width = kWide;
    wide.Height = 1;
    wide.Pixels.assign(static_cast<size_t>(kWide) * 4, 200);
    wide.FileName = pictures.File("wide.png");
    ASSERT_TRUE(SavePng(wide, false));
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("wide.png"), record), 0) << FailureText(LastLoadFailure());
    EXPECT_EQ(record.Width, kWide);
    EXPECT_EQ(record.Height, 1);
    EXPECT_EQ(record.ColorPixels()[kWide - 1], MakeColor(200, 200, 200));
}

}  // namespace
