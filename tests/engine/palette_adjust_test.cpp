#include "engine/palette_adjust.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> LevelsOf(const OutputGrid& grid, int channel) {
    return std::vector<int>(grid.Levels[channel].begin(),
                            grid.Levels[channel].begin() + grid.LevelCount[channel]);
}

TEST(OutputGrid, WebHasSixLevels) {
    const OutputGrid grid = PrepareOutputGrid(0);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(LevelsOf(grid, c), (std::vector<int>{0, 51, 102, 153, 204, 255}));
}

TEST(OutputGrid, SixteenAndThirtyTwoLevels) {
    const auto sixteen = LevelsOf(PrepareOutputGrid(1), 0);
    ASSERT_EQ(sixteen.size(), 16u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(sixteen[i], 17 * i);
    const auto thirtyTwo = LevelsOf(PrepareOutputGrid(2), 1);
    ASSERT_EQ(thirtyTwo.size(), 32u);
    const int start[6] = {0, 8, 16, 24, 33, 41};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(thirtyTwo[i], start[i]);
    EXPECT_EQ(thirtyTwo[29], 239);
    EXPECT_EQ(thirtyTwo[30], 247);
    EXPECT_EQ(thirtyTwo[31], 255);
}

TEST(OutputGrid, LevelCountsPerPrecision) {
    const int counts[7][3] = {{6, 6, 6},    {16, 16, 16},    {32, 32, 32},   {32, 64, 32},
                              {64, 64, 64}, {128, 128, 128}, {256, 256, 256}};
    for (int precision = 0; precision < 7; ++precision) {
        const OutputGrid grid = PrepareOutputGrid(precision);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(grid.LevelCount[c], counts[precision][c]);
            EXPECT_EQ(grid.Levels[c][0], 0);
            EXPECT_EQ(grid.Levels[c][counts[precision][c] - 1], 255);
        }
    }
    const auto identity = LevelsOf(PrepareOutputGrid(6), 2);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(identity[i], i);
}

TEST(SnapToOutputGrid, WebExamplesAtWeight80) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    const OutputGrid web = PrepareOutputGrid(0);
    EXPECT_EQ(SnapToOutputGrid(web, space, MakeColor(100, 100, 100)), MakeColor(102, 102, 102));
    EXPECT_EQ(SnapToOutputGrid(web, space, MakeColor(200, 30, 90)), MakeColor(204, 51, 102));
    EXPECT_EQ(SnapToOutputGrid(web, space, MakeColor(128, 128, 128)), MakeColor(102, 153, 102));
}

TEST(SnapToOutputGrid, Grid444ExampleAtWeight80) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    EXPECT_EQ(SnapToOutputGrid(PrepareOutputGrid(1), space, MakeColor(200, 30, 90)),
              MakeColor(204, 34, 85));
}

TEST(SnapToOutputGrid, Grid888KeepsEveryColour) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    const OutputGrid grid = PrepareOutputGrid(6);
    for (ColorValue c : {MakeColor(1, 2, 3), MakeColor(128, 128, 128), MakeColor(255, 0, 77)})
        EXPECT_EQ(SnapToOutputGrid(grid, space, c), c);
}

TEST(SnapToOutputGrid, GridColoursStayPut) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    const OutputGrid web = PrepareOutputGrid(0);
    for (int r : {0, 51, 204})
        for (int b : {102, 255})
            EXPECT_EQ(SnapToOutputGrid(web, space, MakeColor(r, 153, b)), MakeColor(r, 153, b));
    // A value on a level keeps that level in its channel.
    EXPECT_EQ(GreenOf(SnapToOutputGrid(web, space, MakeColor(100, 153, 30))), 153);
}

// Every snap is the first nearest of the eight corners of the surrounding
// cell, with the neighbouring levels found by scanning the level tables.
TEST(SnapToOutputGrid, NearestCornerOfTheCell) {
    const TColorSpace space = PrepareColorSpace(55, 120, 90);
    const OutputGrid grid = PrepareOutputGrid(3);
    auto distance = [&](ColorValue a, ColorValue b) {
        const ColorPoint p = ToColorPoint(space, a), q = ToColorPoint(space, b);
        const double du = p.U - q.U, dv = p.V - q.V, dy = p.Y - q.Y;
        return du * du + dv * dv + dy * dy;
    };
    auto neighbours = [&](int channel, int value) {
        const auto levels = LevelsOf(grid, channel);
        int below = 0, above = 255;
        for (int level : levels) {
            if (level <= value) below = level;
            if (level >= value && above == 255) above = level;
        }
        return std::pair<int, int>{below, above};
    };
    for (int r = 0; r < 256; r += 37) {
        for (int g = 0; g < 256; g += 29) {
            for (int b = 0; b < 256; b += 41) {
                const ColorValue c = MakeColor(r, g, b);
                const auto [r0, r1] = neighbours(0, r);
                const auto [g0, g1] = neighbours(1, g);
                const auto [b0, b1] = neighbours(2, b);
                ColorValue expected = 0;
                double best = 1e300;
                for (int rr : {r0, r1})
                    for (int gg : {g0, g1})
                        for (int bb : {b0, b1})
                            if (distance(MakeColor(rr, gg, bb), c) < best) {
                                best = distance(MakeColor(rr, gg, bb), c);
                                expected = MakeColor(rr, gg, bb);
                            }
                EXPECT_EQ(SnapToOutputGrid(grid, space, c), expected) << r << "," << g << "," << b;
            }
        }
    }
}

TEST(Fixed16Colors, TableOrder) {
    EXPECT_EQ(Fixed16Colors[0], MakeColor(0, 0, 0));
    EXPECT_EQ(Fixed16Colors[3], MakeColor(128, 128, 0));
    EXPECT_EQ(Fixed16Colors[8], MakeColor(192, 192, 192));
    EXPECT_EQ(Fixed16Colors[9], MakeColor(255, 0, 0));
    EXPECT_EQ(Fixed16Colors[14], MakeColor(0, 255, 255));
    EXPECT_EQ(Fixed16Colors[15], MakeColor(255, 255, 255));
}

class AssembleTest : public ::testing::Test {
  protected:
    AssembleTest() : Run(Job) { Run.ColorSpace = PrepareColorSpace(80, 80, 80); }
    FoundColor Found(ColorValue c) {
        return FoundColor{c, static_cast<double>(ToColorPoint(Run.ColorSpace, c).Y)};
    }
    ReduceJob Job;
    TEngineRun Run;
};

TEST_F(AssembleTest, TenColoursIn256FillTheFrontWithBlack) {
    Run.TargetColors = 256;
    std::vector<FoundColor> found;
    // Ten non-black colours given in descending brightness.
    for (int i = 10; i >= 1; --i) found.push_back(Found(MakeColor(20 * i, 10 * i, 5 * i)));
    AssemblePalette(Run, found.data(), 10);
    for (int e = 0; e < 246; ++e) EXPECT_EQ(Run.PaletteTable[e].Color, 0u) << e;
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Run.PaletteTable[246 + i].Color,
                  MakeColor(20 * (i + 1), 10 * (i + 1), 5 * (i + 1)));
    EXPECT_EQ(Run.PaletteTable[255].Point, ToColorPoint(Run.ColorSpace, MakeColor(200, 100, 50)));
}

TEST_F(AssembleTest, FixedColoursFollowTheFoundOnes) {
    // 64 colours with the fixed colours and transparency: 47 found.
    Job.AddFixed16 = true;
    Run.TargetColors = 47;
    std::vector<FoundColor> found;
    for (int i = 0; i < 48; ++i) found.push_back(Found(MakeColor(5 * i + 1, 0, 0)));
    AssemblePalette(Run, found.data(), 48);  // the 48th is one more than is used
    for (int i = 0; i < 47; ++i) EXPECT_EQ(Run.PaletteTable[i].Color, MakeColor(5 * i + 1, 0, 0));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Run.PaletteTable[47 + i].Color, Fixed16Colors[i]);
        EXPECT_EQ(Run.PaletteTable[47 + i].Point, ToColorPoint(Run.ColorSpace, Fixed16Colors[i]));
    }
}

TEST_F(AssembleTest, NoTargetColoursLeavesOnlyTheFixedColours) {
    Job.AddFixed16 = true;
    Run.TargetColors = 0;
    const FoundColor one = Found(MakeColor(7, 7, 7));
    AssemblePalette(Run, &one, 1);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(Run.PaletteTable[i].Color, Fixed16Colors[i]);
}

// Two different colours of equal luma keep their found order.
TEST_F(AssembleTest, EqualKeysKeepTheirOrder) {
    ColorValue a = 0, b = 0;
    for (int r = 0; r < 256 && !b; ++r)
        for (int g = 1; g < 256 && !b; ++g) {
            const ColorValue x = MakeColor(r, 0, 200), y = MakeColor(0, g, 0);
            if (ToColorPoint(Run.ColorSpace, x).Y == ToColorPoint(Run.ColorSpace, y).Y)
                a = x, b = y;
        }
    ASSERT_NE(b, 0u);
    Run.TargetColors = 2;
    const FoundColor ab[2] = {Found(a), Found(b)};
    AssemblePalette(Run, ab, 2);
    EXPECT_EQ(Run.PaletteTable[0].Color, a);
    EXPECT_EQ(Run.PaletteTable[1].Color, b);
    const FoundColor ba[2] = {Found(b), Found(a)};
    AssemblePalette(Run, ba, 2);
    EXPECT_EQ(Run.PaletteTable[0].Color, b);
    EXPECT_EQ(Run.PaletteTable[1].Color, a);
}

TEST_F(AssembleTest, ReusedPaletteIsTakenUnchanged) {
    ColorValue buffer[256] = {};
    for (int i = 0; i < 256; ++i) buffer[i] = MakeColor(255 - i, i, 3);
    Job.PaletteBuffer = buffer;
    Job.AddFixed16 = true;
    Run.TargetColors = 4;
    AssembleReusedPalette(Run);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(Run.PaletteTable[i].Color, buffer[i]);
        EXPECT_EQ(Run.PaletteTable[i].Point, ToColorPoint(Run.ColorSpace, buffer[i]));
    }
    EXPECT_EQ(Run.PaletteTable[20].Color, 0u);
}

}  // namespace
