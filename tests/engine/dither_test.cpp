#include "engine/dither.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "dither_reference.h"
#include "engine/nearest.h"

namespace {

enum Mode { kNone = 0, kPeanos = 1, kDiffuseFS = 2, kMaem = 3, kAnime = 4 };

// One picture mapped by the engine next to the reference.
struct TMapping {
    ReduceJob Job;
    TEngineRun Run{Job};
    TNearestCache Cache;
    std::vector<uint8_t> Indexes;
    reference::Setup Setup;
    reference::Picture Picture;

    TMapping(const std::vector<ColorPoint>& palette, int searchCount, int geometryCount,
             reference::Picture picture, int depth = 70, int spread = 16) {
        Setup.Space = PrepareColorSpace(80, 80, 80);
        for (const ColorPoint& p : palette) Setup.Palette.push_back(reference::PointOf(p));
        Setup.SearchCount = searchCount;
        Setup.GeometryCount = geometryCount;
        Setup.TransColor = NoTransColor;
        Setup.TransIndex = 0;
        Setup.Depth = depth;
        Setup.Spread = spread;
        Picture = std::move(picture);
    }

    void SetTransparent(ColorValue colour, int index) {
        Setup.TransColor = colour;
        Setup.TransIndex = index;
    }

    std::vector<int> Map(int mode, bool* finished = nullptr) {
        Job.DitherMode = mode;
        Job.DitherDepth = Setup.Depth;
        Job.SpreadOption = Setup.Spread;
        Job.TransIndex = Setup.TransIndex;
        Run.ColorSpace = Setup.Space;
        Run.TransColor = Setup.TransColor;
        Run.SearchCount = Setup.SearchCount;
        for (size_t e = 0; e < Setup.Palette.size(); ++e) {
            const auto& c = Setup.Palette[e].C;
            Run.PaletteTable[e].Point = ColorPoint{
                static_cast<int32_t>(c[0]), static_cast<int32_t>(c[1]), static_cast<int32_t>(c[2])};
        }
        Indexes.assign(Picture.Pixels.size(), 0xEE);
        Run.Pixels = Picture.Pixels.data();
        Run.Indexes = Indexes.data();
        Run.Width = Picture.Width;
        Run.Height = Picture.Height;
        const PaletteGeometry geometry =
            ComputePaletteGeometry(Run.PaletteTable.data(), Setup.GeometryCount);
        Cache.Reset(Run.PaletteTable.data(), Setup.SearchCount);
        const bool done = MapPixels(Run, geometry, Cache);
        if (finished != nullptr) *finished = done;
        return std::vector<int>(Indexes.begin(), Indexes.end());
    }
};

std::vector<ColorPoint> PointsOf(const std::vector<ColorValue>& colours) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    std::vector<ColorPoint> points;
    for (ColorValue c : colours) points.push_back(ToColorPoint(space, c));
    return points;
}

reference::Picture RandomPicture(std::mt19937& rng, int32_t width, int32_t height) {
    reference::Picture picture{width, height, {}};
    // Smooth ramps with noise, so neighbouring pixels are related as in photos.
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const int noise = static_cast<int>(rng() % 61) - 30;
            auto level = [&](int base) { return std::clamp(base + noise, 0, 255); };
            picture.Pixels.push_back(MakeColor(level(x * 255 / width), level(y * 255 / height),
                                               level(255 - (x + y) * 127 / (width + height))));
        }
    }
    return picture;
}

std::vector<ColorValue> RandomPalette(std::mt19937& rng, int count) {
    std::vector<ColorValue> colours = {MakeColor(0, 0, 0), MakeColor(255, 255, 255)};
    while (static_cast<int>(colours.size()) < count) colours.push_back(rng() & 0xFFFFFF);
    return colours;
}

// The 6 x 4 walk order, step numbers row by row.
const std::vector<int> kWalk6x4 = {0, 1, 2,  19, 20, 23, 5, 4, 3,  18, 21, 22,
                                   6, 9, 10, 17, 16, 15, 7, 8, 11, 12, 13, 14};
const std::vector<int> kWalk5x3 = {0, 5, 6, 11, 12, 1, 4, 7, 10, 13, 2, 3, 8, 9, 14};

TEST(PaletteGeometry, MeanProjectionsAndTruncatedExtent) {
    std::vector<TPaletteEntry> table(3);
    table[0].Point = {100, -50, 200};
    table[1].Point = {-30, 70, 1000};
    table[2].Point = {10, 0, -5};
    const PaletteGeometry g = ComputePaletteGeometry(table.data(), 3);
    EXPECT_DOUBLE_EQ(g.Mean[0], 80.0 / 3);
    EXPECT_DOUBLE_EQ(g.Mean[1], 20.0 / 3);
    EXPECT_DOUBLE_EQ(g.Mean[2], 1195.0 / 3);
    EXPECT_EQ(g.MaxProjection[0], 100);  // (1,0,0)
    EXPECT_EQ(g.MinProjection[0], -30);
    EXPECT_EQ(g.MaxProjection[5], 15);  // (1,0,-1): 100-200, -30-1000, 10+5
    EXPECT_EQ(g.MinProjection[5], -1030);
    EXPECT_EQ(g.MaxProjection[11], 15);  // (1,-1,-1): -50, -1100, 15
    EXPECT_EQ(g.MinProjection[11], -1100);
    EXPECT_EQ(g.Extent[0], 130);
    EXPECT_EQ(g.Extent[1], 120);
    EXPECT_EQ(g.Extent[2], 1005);
    const PaletteGeometry one = ComputePaletteGeometry(table.data(), 1);
    EXPECT_EQ(one.Extent[2], 0);
    EXPECT_EQ(one.MaxProjection[9], 250);
    EXPECT_EQ(one.MinProjection[9], 250);
}

// Every mode against the reference on small pictures, with and without a
// transparent colour, for several depths.
TEST(MapPixels, EveryModeMatchesTheReference) {
    std::mt19937 rng(99);
    for (int round = 0; round < 12; ++round) {
        const bool walk6x4 = round % 2 == 0;
        reference::Picture picture = RandomPicture(rng, walk6x4 ? 6 : 5, walk6x4 ? 4 : 3);
        const int count = 2 + static_cast<int>(rng() % 10);
        std::vector<ColorValue> colours = RandomPalette(rng, count);
        int searchCount = count;
        if (round % 3 == 0) {
            // Transparent: one pixel's colour repeated, reserved last entry.
            const ColorValue trans = picture.Pixels[3];
            picture.Pixels[picture.Pixels.size() - 2] = trans;
            colours.push_back(trans);
        }
        TMapping m(PointsOf(colours), searchCount, count, picture, 10 * (round % 11),
                   static_cast<int>(rng() % 65));
        if (round % 3 == 0) m.SetTransparent(picture.Pixels[3], count);
        EXPECT_EQ(m.Map(kNone), reference::MapNone(m.Setup, m.Picture)) << round;
        EXPECT_EQ(m.Map(kDiffuseFS), reference::MapDiffuseFS(m.Setup, m.Picture)) << round;
        EXPECT_EQ(m.Map(kMaem), reference::MapMaem(m.Setup, m.Picture)) << round;
        EXPECT_EQ(m.Map(kPeanos),
                  reference::MapPeanos(m.Setup, m.Picture, walk6x4 ? kWalk6x4 : kWalk5x3))
            << round;
        EXPECT_EQ(m.Map(kAnime), reference::MapAnime(m.Setup, m.Picture)) << round;
    }
}

TEST(MapPixels, LargerPicturesMatchTheReference) {
    std::mt19937 rng(5);
    reference::Picture picture = RandomPicture(rng, 37, 23);
    TMapping m(PointsOf(RandomPalette(rng, 40)), 40, 40, picture, 100, 64);
    EXPECT_EQ(m.Map(kDiffuseFS), reference::MapDiffuseFS(m.Setup, m.Picture));
    EXPECT_EQ(m.Map(kMaem), reference::MapMaem(m.Setup, m.Picture));
    EXPECT_EQ(m.Map(kAnime), reference::MapAnime(m.Setup, m.Picture));
    EXPECT_EQ(m.Map(kNone), reference::MapNone(m.Setup, m.Picture));
}

TEST(MapPixels, DepthZeroDiffusesNothing) {
    std::mt19937 rng(17);
    TMapping m(PointsOf(RandomPalette(rng, 12)), 12, 12, RandomPicture(rng, 19, 13), 0);
    const std::vector<int> plain = m.Map(kNone);
    EXPECT_EQ(m.Map(kDiffuseFS), plain);
    EXPECT_EQ(m.Map(kMaem), plain);
    EXPECT_EQ(m.Map(kPeanos), plain);
}

// One pixel wide: behind and ahead lie in the margin, so each pixel gets
// exactly 5/16 of the error of the pixel above.
TEST(MapPixels, DiffuseFSOnOneColumnTakesOnlyFiveSixteenthsFromAbove) {
    std::mt19937 rng(23);
    reference::Picture column = RandomPicture(rng, 1, 40);
    const std::vector<ColorValue> colours = RandomPalette(rng, 6);
    TMapping m(PointsOf(colours), 6, 6, column, 100);
    const reference::Geometry g = reference::GeometryOf(m.Setup.Palette, 6);
    std::vector<int> expected;
    reference::Point3 above{{0, 0, 0}};  // error x depth of the pixel above
    for (ColorValue c : column.Pixels) {
        reference::Point3 target = reference::PointOf(ToColorPoint(m.Setup.Space, c));
        for (int k = 0; k < 3; ++k)
            target.C[k] += reference::Limit(5 * above.C[k] / 1600, g.Extent[k]);
        const int i = reference::Nearest(m.Setup.Palette, 6, target);
        for (int k = 0; k < 3; ++k) above.C[k] = (target.C[k] - m.Setup.Palette[i].C[k]) * 100;
        expected.push_back(i);
    }
    EXPECT_EQ(m.Map(kDiffuseFS), expected);
}

// Palette of three greys 1000 apart: Extent of Y is 2000, so the error of a
// white pixel (33280 above the brightest grey) reaches its neighbour as 2000.
TEST(MapPixels, DiffusedErrorIsClampedToThePaletteExtent) {
    const std::vector<ColorPoint> greys = {{0, 0, 30000}, {0, 0, 31000}, {0, 0, 32000}};
    const reference::Picture picture{2, 1, {MakeColor(255, 255, 255), MakeColor(66, 66, 66)}};
    TMapping m(greys, 3, 3, picture, 100);
    ASSERT_EQ(ToColorPoint(m.Setup.Space, MakeColor(66, 66, 66)).Y, 16896);
    // Unclamped, 7/16 of 33280 would give 16896 + 14560 = 31456, entry 1.
    EXPECT_EQ(m.Map(kDiffuseFS), (std::vector<int>{2, 0}));
    EXPECT_EQ(m.Map(kMaem), (std::vector<int>{2, 0}));
    EXPECT_EQ(m.Map(kPeanos), (std::vector<int>{2, 0}));
}

// Greys at Y 0, 30000 and 50000; the reserved entry 3 is the transparent colour.
const std::vector<ColorPoint> kGreys = {{0, 0, 0}, {0, 0, 30000}, {0, 0, 50000}, {0, 0, 0}};
const ColorValue kTrans = MakeColor(1, 2, 3);

TEST(MapPixels, TransparentPixelPassesNoErrorInDiffuseFS) {
    // Grey 156 (Y 39936) lies just below the boundary 40000 between entries
    // 1 and 2: any error arriving from the transparent pixel would flip it.
    // Its only row-0 source is the transparent pixel just behind it.
    const reference::Picture picture{
        3, 1, {MakeColor(255, 255, 255), kTrans, MakeColor(156, 156, 156)}};
    TMapping m(kGreys, 3, 3, picture, 100);
    m.SetTransparent(kTrans, 3);
    ASSERT_EQ(ToColorPoint(m.Setup.Space, MakeColor(156, 156, 156)).Y, 39936);
    EXPECT_EQ(m.Map(kDiffuseFS), (std::vector<int>{2, 3, 1}));
}

TEST(MapPixels, GPeanosCarriesErrorOverTransparentPixels) {
    // White (Y 65280) leaves 15280 on entry 2; grey 120 (Y 30720) alone is
    // entry 1, with the carried error (46000) entry 2.
    const reference::Picture picture{
        3, 1, {MakeColor(255, 255, 255), kTrans, MakeColor(120, 120, 120)}};
    TMapping m(kGreys, 3, 3, picture, 100);
    m.SetTransparent(kTrans, 3);
    EXPECT_EQ(m.Map(kPeanos), (std::vector<int>{2, 3, 2}));
    EXPECT_EQ(m.Map(kNone), (std::vector<int>{2, 3, 1}));
}

TEST(MapPixels, AnimeWithoutSpreadTakesTheNearestOfThePulledInPoint) {
    std::mt19937 rng(31);
    const reference::Picture picture = RandomPicture(rng, 16, 9);
    TMapping m(PointsOf(RandomPalette(rng, 9)), 9, 9, picture, 70, 0);
    const reference::Geometry g = reference::GeometryOf(m.Setup.Palette, 9);
    std::vector<int> expected;
    for (ColorValue c : picture.Pixels) {
        const reference::Point3 p =
            reference::PullIn(g, reference::PointOf(ToColorPoint(m.Setup.Space, c)));
        expected.push_back(reference::Nearest(m.Setup.Palette, 9, p));
    }
    EXPECT_EQ(m.Map(kAnime), expected);
}

// A flat area exactly halfway between two palette colours: the cells holding
// 0, 2, 4, 6 take the darker colour, those holding 8 .. 14 the brighter.
TEST(MapPixels, AnimeHalfwayPatternSplitsEightOfSixteen) {
    const ColorValue grey = MakeColor(128, 128, 128);
    const ColorPoint c = PointsOf({grey})[0];
    const std::vector<ColorPoint> palette = {{c.U, c.V, c.Y - 1000}, {c.U, c.V, c.Y + 1000}};
    const reference::Picture flat{8, 8, std::vector<ColorValue>(64, grey)};
    TMapping m(palette, 2, 2, flat, 70, 16);
    const std::vector<int> indexes = m.Map(kAnime);
    const int order[4][4] = {{0, 12, 2, 14}, {8, 4, 10, 6}, {2, 14, 0, 12}, {10, 6, 8, 4}};
    int brighter = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const int expected = order[y % 4][x % 4] < 8 ? 0 : 1;
            EXPECT_EQ(indexes[y * 8 + x], expected) << x << "," << y;
            brighter += indexes[y * 8 + x];
        }
    }
    EXPECT_EQ(brighter, 32);
}

TEST(MapPixels, TransparentPixelsTakeTheTransparentIndexInEveryMode) {
    const ColorValue trans = MakeColor(10, 200, 30);
    std::mt19937 rng(3);
    reference::Picture picture = RandomPicture(rng, 9, 7);
    for (size_t at = 0; at < picture.Pixels.size(); at += 4) picture.Pixels[at] = trans;
    std::vector<ColorValue> colours = RandomPalette(rng, 5);
    colours.push_back(trans);
    for (int mode = kNone; mode <= kAnime; ++mode) {
        TMapping m(PointsOf(colours), 5, 5, picture);
        m.SetTransparent(trans, 5);
        const std::vector<int> indexes = m.Map(mode);
        for (size_t at = 0; at < indexes.size(); ++at) {
            if (at % 4 == 0) {
                EXPECT_EQ(indexes[at], 5) << mode;
            } else {
                EXPECT_LT(indexes[at], 5) << mode;  // the reserved entry is never searched
            }
        }
    }
}

TEST(MapPixels, ProgressEndsOnTheLastRowOrPixelValue) {
    std::mt19937 rng(8);
    TMapping m(PointsOf(RandomPalette(rng, 4)), 4, 4, RandomPicture(rng, 7, 3));
    for (int mode : {kNone, kDiffuseFS, kMaem, kAnime}) {
        m.Map(mode);
        EXPECT_EQ(m.Job.Progress.load(), 800 + 200 * 2 / 3) << mode;
    }
    m.Map(kPeanos);
    EXPECT_EQ(m.Job.Progress.load(), 800 + 200 * 20 / 21);
}

TEST(MapPixels, StopRequestEndsMappingEarly) {
    std::mt19937 rng(9);
    TMapping m(PointsOf(RandomPalette(rng, 4)), 4, 4, RandomPicture(rng, 30, 20));
    m.Job.StopRequested = true;
    for (int mode = kNone; mode <= kAnime; ++mode) {
        bool finished = true;
        const std::vector<int> indexes = m.Map(mode, &finished);
        EXPECT_FALSE(finished) << mode;
        EXPECT_EQ(indexes.back(), 0xEE) << mode;  // the last row was never reached
    }
    m.Job.StopRequested = false;
    bool finished = false;
    m.Map(kPeanos, &finished);
    EXPECT_TRUE(finished);
}

}  // namespace
