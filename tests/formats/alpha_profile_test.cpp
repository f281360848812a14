// Alpha, embedded profiles and resolution on the way in (V4/V5 BMPs and
// DIBs) and out (PNG, GIF and BMP writers), built as bytes here; profile
// conversion checked against Little CMS's own answer.

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <lcms2.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/bmp.h"
#include "formats/color_profile.h"
#include "formats/gif_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put32At(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 124-byte V5 header for a 32-bit bottom-up picture with bit fields.
Bytes V5Header(int32_t width, int32_t height, uint32_t alphaMask = 0xFF000000u) {
    Bytes b(124, 0);
    Put32At(b, 0, 124);
    Put32At(b, 4, static_cast<uint32_t>(width));
    Put32At(b, 8, static_cast<uint32_t>(height));
    b[12] = 1;
    b[14] = 32;
    Put32At(b, 16, 3);
    Put32At(b, 24, 11811);  // 300 dpi
    Put32At(b, 28, 5906);   // 150 dpi
    Put32At(b, 40, 0x00FF0000u);
    Put32At(b, 44, 0x0000FF00u);
    Put32At(b, 48, 0x000000FFu);
    Put32At(b, 52, alphaMask);
    Put32At(b, 56, 0x73524742);  // sRGB
    return b;
}

// BGRA pixels; rows bottom-up.
Bytes Pixels(const std::vector<std::array<uint8_t, 4>>& bgra) {
    Bytes b;
    for (const auto& p : bgra) b.insert(b.end(), p.begin(), p.end());
    return b;
}

Bytes PackedDib(const Bytes& header, const Bytes& pixels, const Bytes& tail = {}) {
    Bytes b = header;
    b.insert(b.end(), pixels.begin(), pixels.end());
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

Bytes ProfileBytes(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes b(size);
    cmsSaveProfileToMem(profile, b.data(), &size);
    return b;
}

// Adobe RGB (1998) as a matrix-shaper profile built by Little CMS.
Bytes AdobeRgbProfile() {
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    Bytes b = ProfileBytes(profile);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(gamma);
    return b;
}

TEST(BmpAlpha, V5AlphaMaskLoadsBesideTheColours) {
    const Bytes dib = PackedDib(V5Header(2, 1), Pixels({{10, 20, 30, 0}, {40, 50, 60, 200}}));
    TPictureRecord record;
    ASSERT_EQ(LoadPictureFromDib(record, dib.data(), dib.size()), 0);
    EXPECT_EQ(record.ColorPixels()[0], MakeColor(30, 20, 10));  // top byte stays 0
    EXPECT_EQ(record.ColorPixels()[1], MakeColor(60, 50, 40));
    EXPECT_EQ(record.Alpha, (Bytes{0, 200}));
    EXPECT_EQ(record.XPelsPerMeter, 11811);
    EXPECT_EQ(record.YPelsPerMeter, 5906);
    EXPECT_EQ(record.Profile, TPictureRecord::psNone);
}

// Opaque and all-zero alpha count as none; a mask that overlaps a colour,
// or a plain 40-byte header, is no alpha at all, and the colours load.
TEST(BmpAlpha, UselessOrBrokenMasksLoadWithoutAlpha) {
    const auto pixels = Pixels({{1, 2, 3, 255}, {4, 5, 6, 255}});
    const Bytes zero = Pixels({{1, 2, 3, 0}, {4, 5, 6, 0}});
    for (const Bytes& dib : {PackedDib(V5Header(2, 1), pixels), PackedDib(V5Header(2, 1), zero),
                             PackedDib(V5Header(2, 1, 0xFF800000u), zero),
                             PackedDib(V5Header(2, 1, 0x0F0F0000u), zero)}) {
        TPictureRecord record;
        record.Alpha = {1, 2, 3};  // an earlier picture's alpha must not survive
        ASSERT_EQ(LoadPictureFromDib(record, dib.data(), dib.size()), 0);
        EXPECT_TRUE(record.Alpha.empty());
        EXPECT_EQ(record.ColorPixels()[1], MakeColor(6, 5, 4));
    }
}

// Little CMS's own answer for a colour, with the same intent and flags.
struct LittleCms {
    explicit LittleCms(const Bytes& profile) {
        in = cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
        out = cmsCreate_sRGBProfile();
        transform = cmsCreateTransform(in, TYPE_RGB_8, out, TYPE_RGB_8,
                                       INTENT_RELATIVE_COLORIMETRIC,
                                       cmsFLAGS_BLACKPOINTCOMPENSATION);
    }
    ~LittleCms() {
        cmsDeleteTransform(transform);
        cmsCloseProfile(in);
        cmsCloseProfile(out);
    }
    ColorValue operator()(ColorValue c) const {
        const uint8_t rgb[3] = {static_cast<uint8_t>(RedOf(c)), static_cast<uint8_t>(GreenOf(c)),
                                static_cast<uint8_t>(BlueOf(c))};
        uint8_t result[3];
        cmsDoTransform(transform, rgb, result, 1);
        return MakeColor(result[0], result[1], result[2]);
    }
    cmsHPROFILE in, out;
    cmsHTRANSFORM transform;
};

// Our tables may round differently from Little CMS's 16-bit pipeline.
void ExpectWithinOneLevel(ColorValue actual, ColorValue expected, size_t i) {
    EXPECT_EQ(actual >> 24, 0u) << i;
    EXPECT_NEAR(RedOf(actual), RedOf(expected), 1) << i;
    EXPECT_NEAR(GreenOf(actual), GreenOf(expected), 1) << i;
    EXPECT_NEAR(BlueOf(actual), BlueOf(expected), 1) << i;
}

const std::vector<ColorValue> kProbeColours = {
    MakeColor(255, 0, 0),     MakeColor(0, 255, 0),   MakeColor(30, 60, 200),
    MakeColor(128, 128, 128), MakeColor(0, 0, 0),     MakeColor(250, 240, 10),
    MakeColor(255, 255, 255), MakeColor(1, 2, 3),     MakeColor(90, 200, 140)};

TEST(BmpProfile, EmbeddedAdobeRgbIsConvertedAsLittleCmsConverts) {
    const Bytes profile = AdobeRgbProfile();
    std::vector<std::array<uint8_t, 4>> bgra;
    for (ColorValue c : kProbeColours)
        bgra.push_back({static_cast<uint8_t>(BlueOf(c)), static_cast<uint8_t>(GreenOf(c)),
                        static_cast<uint8_t>(RedOf(c)), 255});
    Bytes header = V5Header(static_cast<int32_t>(bgra.size()), 1);
    Put32At(header, 56, 0x4D424544);  // embedded
    const Bytes pixels = Pixels(bgra);
    Put32At(header, 112, static_cast<uint32_t>(124 + pixels.size()));
    Put32At(header, 116, static_cast<uint32_t>(profile.size()));
    const Bytes dib = PackedDib(header, pixels, profile);
    TPictureRecord record;
    ASSERT_EQ(LoadPictureFromDib(record, dib.data(), dib.size()), 0);
    EXPECT_EQ(record.Profile, TPictureRecord::psConverted);
    const LittleCms lcms(profile);
    for (size_t i = 0; i < kProbeColours.size(); ++i)
        ExpectWithinOneLevel(record.ColorPixels()[i], lcms(kProbeColours[i]), i);
    EXPECT_NE(record.ColorPixels()[2], MakeColor(30, 60, 200));  // the numbers did change
}

// Above a million pixels the conversion runs in two halves at once.
TEST(BmpProfile, LargePictureIsConvertedEverywhere) {
    const Bytes profile = AdobeRgbProfile();
    std::vector<uint8_t> pixels;
    for (size_t i = 0; i < (size_t{3} << 19); ++i) {
        const ColorValue c = kProbeColours[i % kProbeColours.size()];
        pixels.insert(pixels.end(), {static_cast<uint8_t>(RedOf(c)),
                                     static_cast<uint8_t>(GreenOf(c)),
                                     static_cast<uint8_t>(BlueOf(c)), 0});
    }
    ASSERT_EQ(ConvertToSrgb(profile.data(), profile.size(), pixels),
              TPictureRecord::psConverted);
    const LittleCms lcms(profile);
    const size_t count = pixels.size() / 4;
    for (size_t i : {size_t{0}, size_t{1}, count / 2 - 1, count / 2, count - 2, count - 1}) {
        const uint8_t* p = pixels.data() + 4 * i;
        ExpectWithinOneLevel(p[0] | p[1] << 8 | p[2] << 16 | static_cast<ColorValue>(p[3]) << 24,
                             lcms(kProbeColours[i % kProbeColours.size()]), i);
    }
}

TEST(BmpProfile, SrgbIsSkippedAndBadProfilesLoadUnconverted) {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    const Bytes srgbBytes = ProfileBytes(srgb);
    cmsCloseProfile(srgb);
    const Bytes pixels = Pixels({{10, 20, 30, 255}});
    struct Case {
        Bytes Profile;
        uint32_t Offset;  // from the header's start
        uint32_t Size;
        TPictureRecord::TProfileState Expected;
    };
    const uint32_t after = 124 + 4;
    const Bytes junk(300, 0x5A);
    const std::vector<Case> cases = {
        {srgbBytes, after, static_cast<uint32_t>(srgbBytes.size()), TPictureRecord::psSrgb},
        {junk, after, 300, TPictureRecord::psRejected},         // not a profile
        {junk, after, 301, TPictureRecord::psRejected},         // one byte past the end
        {junk, 0xFFFFFFF0u, 300, TPictureRecord::psRejected},   // offset wraps
        {junk, after, 100u << 20, TPictureRecord::psRejected},  // 100 MB claimed
        {junk, after, 0, TPictureRecord::psRejected}};
    for (const Case& c : cases) {
        Bytes header = V5Header(1, 1);
        Put32At(header, 56, 0x4D424544);
        Put32At(header, 112, c.Offset);
        Put32At(header, 116, c.Size);
        const Bytes dib = PackedDib(header, pixels, c.Profile);
        TPictureRecord record;
        ASSERT_EQ(LoadPictureFromDib(record, dib.data(), dib.size()), 0) << c.Size;
        EXPECT_EQ(record.Profile, c.Expected) << c.Size;
        EXPECT_EQ(record.ColorPixels()[0], MakeColor(30, 20, 10)) << c.Size;
    }
}

// A reduced picture with transparency from alpha alone, written and read
// back by giflib; BMP keeps the index and the resolution. (PNG's tRNS and
// pHYs are read back in the CLI and plug-in tests.)
struct Written : ::testing::Test {
    TPictureRecord Indexed() {
        TPictureRecord r;
        r.Kind = pkIndexed;
        r.Width = 3;
        r.Height = 1;
        r.Colors = 3;
        r.Pixels = {0, 2, 1};
        r.Palette.assign(1024, 0);
        r.SetPaletteEntry(0, MakeColor(255, 0, 0));
        r.SetPaletteEntry(1, MakeColor(0, 0, 255));
        r.TransCorner = -1;
        r.TransIndex = 2;
        r.AlphaTransparent = true;
        r.XPelsPerMeter = 11811;
        r.YPelsPerMeter = 11811;
        return r;
    }
    std::string Path(const char* name) {
        return (std::filesystem::temp_directory_path() /
                ("zinop-alpha-" + std::to_string(::getpid()) + name))
            .string();
    }
};

TEST_F(Written, GifNamesTheTransparentIndex) {
    TPictureRecord r = Indexed();
    r.FileName = Path(".gif");
    ASSERT_TRUE(SaveGif(r, TGifOptions{}));
    int error = 0;
    GifFileType* gif = DGifOpenFileName(r.FileName.c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    GraphicsControlBlock control{};
    ASSERT_EQ(DGifSavedExtensionToGCB(gif, 0, &control), GIF_OK);
    EXPECT_EQ(control.TransparentColor, 2);
    DGifCloseFile(gif, &error);
    std::filesystem::remove(r.FileName);
}

TEST_F(Written, BmpResolutionRoundTrips) {
    TPictureRecord r = Indexed();
    TByteBuffer image;
    WriteBmpImage(r, image);
    TPictureRecord back;
    ASSERT_EQ(DecodeBmp(back, image), 0);
    EXPECT_EQ(back.XPelsPerMeter, 11811);
    EXPECT_EQ(back.YPelsPerMeter, 11811);
    EXPECT_TRUE(back.Alpha.empty());  // the index alone marks transparency in BMP
}

}  // namespace
