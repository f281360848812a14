// The bundled plug-ins, loaded from the program's folder, read pictures that
// the codec libraries' own encoders wrote; LoadPicture gives their pixels.
#include <gtest/gtest.h>

#include <png.h>
#include <tiffio.h>

#include <cstdlib>

#include "codec_writers.h"
#include "plugin_test_support.h"

namespace {

constexpr int kWidth = 13;  // odd sizes: rows need padding in the DIB
constexpr int kHeight = 11;

ColorValue PatternColor(int x, int y) {
    return MakeColor((x * 37 + y * 11) & 255, (x * 5 + y * 53) & 255, (x * x + y * 3) & 255);
}
// Smooth enough for lossy coders.
ColorValue GradientColor(int x, int y) {
    return MakeColor(x * 255 / (kWidth - 1), y * 255 / (kHeight - 1), 128);
}

std::vector<uint8_t> Rgb(ColorValue (*color)(int, int), int channels = 3, int alpha = 255) {
    std::vector<uint8_t> bytes;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const ColorValue c = color(x, y);
            bytes.insert(bytes.end(), {static_cast<uint8_t>(RedOf(c)), static_cast<uint8_t>(GreenOf(c)),
                                       static_cast<uint8_t>(BlueOf(c))});
            if (channels == 4) bytes.push_back(static_cast<uint8_t>(alpha));
        }
    }
    return bytes;
}

// Largest channel difference between the record and the expected colours.
int MaxError(const TPictureRecord& record, ColorValue (*expected)(int, int)) {
    int worst = 0;
    for (int y = 0; y < record.Height; ++y) {
        for (int x = 0; x < record.Width; ++x) {
            const ColorValue got = record.ColorPixels()[y * record.Width + x];
            const ColorValue want = expected(x, y);
            worst = std::max({worst, std::abs(RedOf(got) - RedOf(want)),
                              std::abs(GreenOf(got) - GreenOf(want)), std::abs(BlueOf(got) - BlueOf(want))});
        }
    }
    return worst;
}

class BundledPluginsTest : public PluginHostTest {
protected:
    void SetUp() override {
        PluginHostTest::SetUp();
        SetPluginFolder(std::string(ZINOP_BIN_DIR) + "/");
        LoadPlugins();
    }
    // Loads the file and checks its size; 0 on success.
    TPictureRecord LoadExpectingSize(const std::string& name, int width = kWidth, int height = kHeight) {
        TPictureRecord record;
        EXPECT_EQ(Load(pictures.File(name), record), 0) << name;
        EXPECT_EQ(record.Kind, pkFullColour);
        EXPECT_EQ(record.Width, width);
        EXPECT_EQ(record.Height, height);
        if (record.Width != width || record.Height != height) record.Width = record.Height = 0;
        return record;
    }
};

}  // namespace

TEST_F(BundledPluginsTest, AllFiveAreLoadedFromTheProgramFolder) {
    for (const char* name : {"ifgif.spi", "ifjpeg.spi", "ifpng.spi", "iftiff.spi", "ifwebp.spi"}) {
        EXPECT_TRUE(ContainsPluginName(LoadedNames(), name)) << name;
    }
}

TEST_F(BundledPluginsTest, PngTrueColourPlainAndInterlaced) {
    for (bool interlace : {false, true}) {
        TPngPicture picture{kWidth, kHeight, PNG_COLOR_TYPE_RGB, 8, interlace, Rgb(PatternColor), {}, {}};
        ASSERT_TRUE(WritePngFile(pictures.File("p.png"), picture));
        EXPECT_EQ(MaxError(LoadExpectingSize("p.png"), PatternColor), 0) << interlace;
    }
}

TEST_F(BundledPluginsTest, PngAlphaIsDroppedAndTheColourKept) {
    TPngPicture picture{kWidth, kHeight, PNG_COLOR_TYPE_RGBA, 8, false, Rgb(PatternColor, 4, 0), {}, {}};
    ASSERT_TRUE(WritePngFile(pictures.File("a.png"), picture));
    EXPECT_EQ(MaxError(LoadExpectingSize("a.png"), PatternColor), 0);
}

TEST_F(BundledPluginsTest, Png16BitIsScaledTo8) {
    std::vector<uint8_t> rows;
    for (uint8_t v : Rgb(PatternColor)) rows.insert(rows.end(), {v, v});  // v * 257, big-endian
    TPngPicture picture{kWidth, kHeight, PNG_COLOR_TYPE_RGB, 16, true, rows, {}, {}};
    ASSERT_TRUE(WritePngFile(pictures.File("16.png"), picture));
    EXPECT_EQ(MaxError(LoadExpectingSize("16.png"), PatternColor), 0);
}

TEST_F(BundledPluginsTest, PngPaletteWithTransparencyGivesPaletteColours) {
    // 4-bit indexes, two per byte; index (x + y) % 16, entry i = (16i, 255 - 16i, 7i).
    std::vector<uint8_t> palette, rows;
    for (int i = 0; i < 16; ++i) palette.insert(palette.end(), {uint8_t(16 * i), uint8_t(255 - 16 * i), uint8_t(7 * i)});
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; x += 2) {
            const int high = (x + y) % 16;
            const int low = x + 1 < kWidth ? (x + 1 + y) % 16 : 0;
            rows.push_back(static_cast<uint8_t>(high << 4 | low));
        }
    }
    TPngPicture picture{kWidth, kHeight, PNG_COLOR_TYPE_PALETTE, 4, false, rows, palette, {0, 128}};
    ASSERT_TRUE(WritePngFile(pictures.File("pal.png"), picture));
    const TPictureRecord record = LoadExpectingSize("pal.png");
    EXPECT_EQ(MaxError(record, [](int x, int y) {
                  const int i = (x + y) % 16;
                  return MakeColor(16 * i, 255 - 16 * i, 7 * i);
              }),
              0);
}

TEST_F(BundledPluginsTest, PngGreyAtEveryDepth) {
    for (int bits : {1, 2, 4, 8, 16}) {
        const int levels = bits == 16 ? 256 : 1 << bits;
        std::vector<uint8_t> rows;
        for (int y = 0; y < kHeight; ++y) {
            std::vector<int> samples;
            for (int x = 0; x < kWidth; ++x) samples.push_back((x + 2 * y) % levels);
            if (bits == 16) {
                for (int s : samples) rows.insert(rows.end(), {uint8_t(s), uint8_t(s)});
                continue;
            }
            for (int x = 0; x < kWidth; x += 8 / bits) {
                int byte = 0;
                for (int k = 0; k < 8 / bits; ++k) {
                    byte = byte << bits | (x + k < kWidth ? samples[x + k] : 0);
                }
                rows.push_back(static_cast<uint8_t>(byte));
            }
        }
        TPngPicture picture{kWidth, kHeight, PNG_COLOR_TYPE_GRAY, bits, false, rows, {}, {}};
        ASSERT_TRUE(WritePngFile(pictures.File("g.png"), picture));
        const TPictureRecord record = LoadExpectingSize("g.png");
        for (int y = 0; y < record.Height; ++y) {
            for (int x = 0; x < record.Width; ++x) {
                const int level = (x + 2 * y) % levels * (bits == 16 ? 1 : 255 / (levels - 1));
                ASSERT_EQ(record.ColorPixels()[y * kWidth + x], MakeColor(level, level, level))
                    << bits << " bits at " << x << "," << y;
            }
        }
    }
}

TEST_F(BundledPluginsTest, JpegBaselineProgressiveAndGreyDecodeClosely) {
    for (TJpegKind kind : {TJpegKind::Baseline, TJpegKind::Progressive}) {
        ASSERT_TRUE(WriteJpegFile(pictures.File("c.jpg"), kWidth, kHeight, Rgb(GradientColor), kind, 95));
        EXPECT_LE(MaxError(LoadExpectingSize("c.jpg"), GradientColor), 24);
    }
    std::vector<uint8_t> grey;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) grey.push_back(static_cast<uint8_t>(x * 255 / (kWidth - 1)));
    }
    ASSERT_TRUE(WriteJpegFile(pictures.File("g.jpg"), kWidth, kHeight, grey, TJpegKind::Grey, 95));
    EXPECT_LE(MaxError(LoadExpectingSize("g.jpg"), [](int x, int) {
                  const int v = x * 255 / (kWidth - 1);
                  return MakeColor(v, v, v);
              }),
              8);
}

TEST_F(BundledPluginsTest, JpegCmykAndYcckBecomeRgb) {
    // Adobe stores inverted ink: 255 - C for a cyan amount C. A colour
    // r, g, b with no black is C = 255 - r, so the stored value is r itself.
    std::vector<uint8_t> cmyk;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const ColorValue c = GradientColor(x, y);
            cmyk.insert(cmyk.end(), {uint8_t(RedOf(c)), uint8_t(GreenOf(c)), uint8_t(BlueOf(c)), 255});
        }
    }
    for (TJpegKind kind : {TJpegKind::AdobeCmyk, TJpegKind::AdobeYcck}) {
        ASSERT_TRUE(WriteJpegFile(pictures.File("k.jpg"), kWidth, kHeight, cmyk, kind, 95));
        EXPECT_LE(MaxError(LoadExpectingSize("k.jpg"), GradientColor), 24);
    }
}

TEST_F(BundledPluginsTest, GifFirstFrameWithTransparentPixelsInTheirPaletteColour) {
    std::vector<uint8_t> palette;
    for (int i = 0; i < 256; ++i) palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
    auto color = [](int x, int y) {
        const int i = (x * 17 + y * 29) & 255;
        return MakeColor(i, 255 - i, i / 2);
    };
    TGifFrame first{0, 0, kWidth, kHeight, false, {}, 0};
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) first.Indexes.push_back(static_cast<uint8_t>((x * 17 + y * 29) & 255));
    }
    TGifFrame second{0, 0, kWidth, kHeight, false, std::vector<uint8_t>(kWidth * kHeight, 5), -1};
    for (bool interlace : {false, true}) {
        first.Interlace = interlace;
        ASSERT_TRUE(WriteGifFile(pictures.File("a.gif"), kWidth, kHeight, palette, 0, {first, second}));
        EXPECT_EQ(MaxError(LoadExpectingSize("a.gif"), color), 0) << interlace;
    }
}

TEST_F(BundledPluginsTest, GifFrameSmallerThanTheScreenLiesOnTheBackground) {
    const std::vector<uint8_t> palette{10, 20, 30, 200, 100, 50};
    TGifFrame frame{4, 3, 2, 2, false, {1, 1, 1, 1}, -1};
    ASSERT_TRUE(WriteGifFile(pictures.File("s.gif"), kWidth, kHeight, palette, 0, {frame}));
    EXPECT_EQ(MaxError(LoadExpectingSize("s.gif"), [](int x, int y) {
                  const bool inside = x >= 4 && x < 6 && y >= 3 && y < 5;
                  return inside ? MakeColor(200, 100, 50) : MakeColor(10, 20, 30);
              }),
              0);
}

TEST_F(BundledPluginsTest, TiffRgbGreyPaletteAndAlphaThroughTheRgbaReader) {
    TTiffPage rgb{kWidth, kHeight, 3, 8, PHOTOMETRIC_RGB, COMPRESSION_LZW, false, Rgb(PatternColor), {}};
    TTiffPage second{kWidth, kHeight, 3, 8, PHOTOMETRIC_RGB, COMPRESSION_NONE, false, Rgb(GradientColor), {}};
    ASSERT_TRUE(WriteTiffFile(pictures.File("rgb.tif"), {rgb, second}));
    EXPECT_EQ(MaxError(LoadExpectingSize("rgb.tif"), PatternColor), 0);  // the first page

    std::vector<uint8_t> indexes;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) indexes.push_back(static_cast<uint8_t>((x + y) % 256));
    }
    std::vector<uint16_t> map(3 * 256);
    for (int i = 0; i < 256; ++i) {
        map[i] = static_cast<uint16_t>(i * 257);
        map[256 + i] = static_cast<uint16_t>((255 - i) * 257);
        map[512 + i] = static_cast<uint16_t>(77 * 257);
    }
    TTiffPage palette{kWidth, kHeight, 1, 8, PHOTOMETRIC_PALETTE, COMPRESSION_ADOBE_DEFLATE, false, indexes, map};
    ASSERT_TRUE(WriteTiffFile(pictures.File("pal.tif"), {palette}));
    EXPECT_EQ(MaxError(LoadExpectingSize("pal.tif"), [](int x, int y) {
                  const int i = x + y;
                  return MakeColor(i, 255 - i, 77);
              }),
              0);

    TTiffPage alpha{kWidth, kHeight, 4, 8, PHOTOMETRIC_RGB, COMPRESSION_NONE, true, Rgb(PatternColor, 4, 200), {}};
    ASSERT_TRUE(WriteTiffFile(pictures.File("alpha.tif"), {alpha}));
    EXPECT_LE(MaxError(LoadExpectingSize("alpha.tif"), PatternColor), 2);
}

TEST_F(BundledPluginsTest, WebpLosslessExactLossyClose) {
    ASSERT_TRUE(WriteWebpFile(pictures.File("l.webp"), kWidth, kHeight, Rgb(PatternColor, 4, 255), true, 0));
    EXPECT_EQ(MaxError(LoadExpectingSize("l.webp"), PatternColor), 0);
    ASSERT_TRUE(WriteWebpFile(pictures.File("a.webp"), kWidth, kHeight, Rgb(PatternColor, 4, 128), true, 0));
    EXPECT_EQ(MaxError(LoadExpectingSize("a.webp"), PatternColor), 0);  // alpha dropped, colour kept
    ASSERT_TRUE(WriteWebpFile(pictures.File("y.webp"), kWidth, kHeight, Rgb(GradientColor, 4, 255), false, 95));
    EXPECT_LE(MaxError(LoadExpectingSize("y.webp"), GradientColor), 16);
}

TEST_F(BundledPluginsTest, WebpAnimationGivesItsFirstFrame) {
    const std::vector<uint8_t> first = Rgb(PatternColor, 4, 255);
    const std::vector<uint8_t> second = Rgb(GradientColor, 4, 255);
    ASSERT_TRUE(WriteAnimatedWebpFile(pictures.File("anim.webp"), kWidth, kHeight, {first, second}));
    EXPECT_EQ(MaxError(LoadExpectingSize("anim.webp"), PatternColor), 0);
}

TEST_F(BundledPluginsTest, BrokenFilesFailQuietlyAndBmpStillLoads) {
    TPngPicture png{kWidth, kHeight, PNG_COLOR_TYPE_RGB, 8, false, Rgb(PatternColor), {}, {}};
    ASSERT_TRUE(WritePngFile(pictures.File("p.png"), png));
    ASSERT_TRUE(WriteJpegFile(pictures.File("p.jpg"), kWidth, kHeight, Rgb(GradientColor), TJpegKind::Baseline, 90));
    ASSERT_TRUE(WriteGifFile(pictures.File("p.gif"), 2, 1, {0, 0, 0, 9, 9, 9}, 0, {TGifFrame{0, 0, 2, 1, false, {0, 1}, -1}}));
    TTiffPage page{kWidth, kHeight, 3, 8, PHOTOMETRIC_RGB, COMPRESSION_LZW, false, Rgb(PatternColor), {}};
    ASSERT_TRUE(WriteTiffFile(pictures.File("p.tif"), {page}));
    ASSERT_TRUE(WriteWebpFile(pictures.File("p.webp"), kWidth, kHeight, Rgb(PatternColor, 4, 255), true, 0));
    for (const char* name : {"p.png", "p.jpg", "p.gif", "p.tif", "p.webp"}) {
        TByteBuffer whole;
        ASSERT_TRUE(ReadWholeFile(pictures.File(name), whole));
        // The signature survives, the picture does not.
        for (size_t keep : {size_t{12}, size_t{20}, whole.Data.size() / 3}) {
            pictures.Write("cut", std::vector<uint8_t>(whole.Data.begin(), whole.Data.begin() + keep));
            TPictureRecord record;
            EXPECT_EQ(Load(pictures.File("cut"), record), 1) << name << " cut to " << keep;
        }
    }
}

namespace {

// The frame header claims more rows and columns than the compressed data
// holds (the data ends at its end-of-image marker): libjpeg would fill the
// rest grey; it is a broken file, like a truncated PNG.
TEST_F(BundledPluginsTest, JpegWhoseDataEndsBeforeItsClaimedSizeFails) {
    std::vector<uint8_t> samples;
    for (int i = 0; i < 64 * 48; ++i) {
        samples.insert(samples.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(i / 64), 99});
    }
    for (TJpegKind kind : {TJpegKind::Baseline, TJpegKind::Progressive}) {
        ASSERT_TRUE(WriteJpegFile(pictures.File("small.jpg"), 64, 48, samples, kind, 90));
        TByteBuffer file;
        ASSERT_TRUE(ReadWholeFile(pictures.File("small.jpg"), file));
        std::vector<uint8_t> bytes = file.Data;
        size_t frame = 0;
        for (size_t i = 2; i + 9 < bytes.size(); ++i) {
            if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
                frame = i;
                break;
            }
        }
        ASSERT_NE(frame, 0u);
        bytes[frame + 5] = 480 >> 8;  // height, then width, big-endian
        bytes[frame + 6] = 480 & 255;
        bytes[frame + 7] = 640 >> 8;
        bytes[frame + 8] = 640 & 255;
        pictures.Write("raised.jpg", bytes);
        TPictureRecord record;
        EXPECT_EQ(Load(pictures.File("raised.jpg"), record), 1) << static_cast<int>(kind);
        TPictureRecord intact;
        EXPECT_EQ(Load(pictures.File("small.jpg"), intact), 0);
    }
}

}  // namespace
