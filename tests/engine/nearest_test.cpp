#include "engine/nearest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "engine/color_space.h"

namespace {

std::vector<TPaletteEntry> PaletteOfPoints(const std::vector<ColorPoint>& points) {
    std::vector<TPaletteEntry> palette;
    for (const ColorPoint& p : points) palette.push_back(TPaletteEntry{0, p});
    return palette;
}

std::vector<TPaletteEntry> RandomColourPalette(std::mt19937& rng, int count,
                                               const TColorSpace& space) {
    std::vector<TPaletteEntry> palette;
    for (int n = 0; n < count; ++n) {
        const ColorValue colour = rng() & 0xFFFFFF;
        palette.push_back(TPaletteEntry{colour, ToColorPoint(space, colour)});
    }
    return palette;
}

// Reference: lowest index among the entries at the least squared distance.
int BruteForceNearest(const std::vector<TPaletteEntry>& palette, int count, int64_t u, int64_t v,
                      int64_t y) {
    int best = 0;
    long double bestDistance = -1;
    for (int e = 0; e < count; ++e) {
        const long double du = static_cast<long double>(u - palette[e].Point.U);
        const long double dv = static_cast<long double>(v - palette[e].Point.V);
        const long double dy = static_cast<long double>(y - palette[e].Point.Y);
        const long double d = du * du + dv * dv + dy * dy;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = e;
        }
    }
    return best;
}

TEST(NearestCache, CellOfFollowsTheGridAndItsLowerFaceSlack) {
    EXPECT_EQ(TNearestCache::CellOf(-40960, -40960, -8192), 0);
    EXPECT_EQ(TNearestCache::CellOf(40959, 40959, 73727), 63999);
    EXPECT_EQ(TNearestCache::CellOf(40960, 0, 0), -1);
    EXPECT_EQ(TNearestCache::CellOf(0, 0, 73728), -1);
    // Division truncates toward zero: up to 2047 below a lower face is still cell 0.
    EXPECT_EQ(TNearestCache::CellOf(-43007, -40960, -8192), 0);
    EXPECT_EQ(TNearestCache::CellOf(-43008, -40960, -8192), -1);
    EXPECT_EQ(TNearestCache::CellOf(-40960, -40960, -10239), 0);
    EXPECT_EQ(TNearestCache::CellOf(-40960, -40960, -10240), -1);
    EXPECT_EQ(TNearestCache::CellOf(0, 0, 0), 20 + 40 * 20 + 1600 * 4);
    EXPECT_EQ(TNearestCache::CellOf(INT32_MIN, INT32_MAX, 0), -1);
}

// A point just below the first cell is answered from that cell's list, which
// was built for the cell's centre: here it misses the truly nearest entry.
TEST(NearestCache, LowerFaceSlackAnswersFromTheFirstCell) {
    const auto palette = PaletteOfPoints({{-39936, -39936, -7168}, {-46000, -39936, -7168}});
    TNearestCache cache;
    cache.Reset(palette.data(), 2);
    EXPECT_EQ(cache.CandidatesOf(0), std::vector<int>{0});
    EXPECT_EQ(BruteForceNearest(palette, 2, -43000, -39936, -7168), 1);
    EXPECT_EQ(cache.FindNearest(-43000, -39936, -7168), 0);
    // One unit further out the point has no cell and the full search answers.
    EXPECT_EQ(cache.FindNearest(-43008, -39936, -7168), 1);
}

TEST(NearestCache, OneEntryPaletteAnswersEverywhere) {
    const auto palette = PaletteOfPoints({{100, -200, 30000}});
    TNearestCache cache;
    cache.Reset(palette.data(), 1);
    for (int cell : {0, 1234, 32000, 63999})
        EXPECT_EQ(cache.CandidatesOf(cell), std::vector<int>{0});
    EXPECT_EQ(cache.FindNearest(0, 0, 0), 0);
    EXPECT_EQ(cache.FindNearest(-40000, 40000, 70000), 0);
    EXPECT_EQ(cache.FindNearest(INT32_MIN, INT32_MAX, INT32_MIN), 0);
    cache.Release();
}

TEST(NearestCache, TiesGoToTheLowestIndexWithAndWithoutCache) {
    // Entries 1 and 2 lie at the same distance from every point on U = 0;
    // entry 0 is far away; entry 3 repeats entry 1.
    const auto palette = PaletteOfPoints(
        {{30000, 30000, 60000}, {-1000, 0, 20000}, {1000, 0, 20000}, {-1000, 0, 20000}});
    TNearestCache cache;
    cache.Reset(palette.data(), 4);
    EXPECT_EQ(cache.FindNearest(0, 0, 20000), 1);        // cached cell
    EXPECT_EQ(cache.FindNearest(0, 500, 21000), 1);      // same cell again
    EXPECT_EQ(cache.FindNearest(0, 0, -900000), 1);      // below the grid in Y: full search
    EXPECT_EQ(cache.FindNearest(0, -900000, 20000), 1);  // below the grid in V
    EXPECT_EQ(cache.FindNearest(-1000, 0, 20000), 1);    // exact hit on a repeated point
    EXPECT_EQ(cache.FindNearest(1001, 0, 20000), 2);
}

TEST(NearestCache, FarOutsideTheGridMatchesBruteForce) {
    std::mt19937 rng(7);
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    const auto palette = RandomColourPalette(rng, 64, space);
    TNearestCache cache;
    cache.Reset(palette.data(), 64);
    const int32_t points[][3] = {{-43009, 0, 30000},      {-60000, 5000, 30000},
                                 {-45000, -45000, -9000}, {0, 41000, 20000},
                                 {0, 0, 80000},           {0, 0, -20000},
                                 {200000, -200000, 0},    {-1 << 30, 1 << 30, 1 << 29}};
    for (const auto& p : points) {
        ASSERT_EQ(TNearestCache::CellOf(p[0], p[1], p[2]), -1);
        EXPECT_EQ(cache.FindNearest(p[0], p[1], p[2]),
                  BruteForceNearest(palette, 64, p[0], p[1], p[2]))
            << p[0] << "," << p[1] << "," << p[2];
    }
    EXPECT_EQ(cache.BuiltCells(), 0);
}

TEST(NearestCache, ReservedTransparentEntryIsNeverReturned) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    const ColorValue grey = MakeColor(120, 120, 120);
    std::vector<TPaletteEntry> palette;
    for (ColorValue c :
         {MakeColor(0, 0, 0), MakeColor(255, 255, 255), MakeColor(110, 110, 110), grey})
        palette.push_back(TPaletteEntry{c, ToColorPoint(space, c)});
    TNearestCache cache;
    cache.Reset(palette.data(), 3);  // entry 3 is the transparent colour
    const ColorPoint near = ToColorPoint(space, MakeColor(121, 120, 120));
    EXPECT_EQ(cache.FindNearest(near.U, near.V, near.Y), 2);
    EXPECT_EQ(cache.FindNearest(palette[3].Point.U, palette[3].Point.V, palette[3].Point.Y), 2);
    EXPECT_EQ(cache.FindNearest(near.U, near.V, 1000000), 1);  // full search too
}

// Each list holds, ascending, exactly the entries within one cell diagonal of
// the least distance from the cell's centre.
TEST(NearestCache, CellListsKeepEntriesWithinOneDiagonal) {
    std::mt19937 rng(11);
    const TColorSpace space = PrepareColorSpace(105, 55, 130);
    const auto palette = RandomColourPalette(rng, 200, space);
    TNearestCache cache;
    cache.Reset(palette.data(), 200);
    for (int trial = 0; trial < 200; ++trial) {
        const int cell = static_cast<int>(rng() % TNearestCache::CellCount);
        const double cu = 2048.0 * (cell % 40) - 39936;
        const double cv = 2048.0 * (cell / 40 % 40) - 39936;
        const double cy = 2048.0 * (cell / 1600) - 7168;
        std::vector<double> d;
        for (const auto& e : palette) {
            d.push_back(std::sqrt((cu - e.Point.U) * (cu - e.Point.U) +
                                  (cv - e.Point.V) * (cv - e.Point.V) +
                                  (cy - e.Point.Y) * (cy - e.Point.Y)));
        }
        double least = d[0];
        for (double x : d) least = std::min(least, x);
        std::vector<int> expected;
        for (int e = 0; e < 200; ++e) {
            if (d[e] < least + 2048 * std::sqrt(3.0)) expected.push_back(e);
        }
        EXPECT_EQ(cache.CandidatesOf(cell), expected) << cell;
    }
}

TEST(NearestCache, RandomPointsInsideTheGridMatchBruteForce) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 6; ++round) {
        const int32_t weights[3] = {30 + 5 * static_cast<int32_t>(rng() % 21),
                                    30 + 5 * static_cast<int32_t>(rng() % 21),
                                    30 + 5 * static_cast<int32_t>(rng() % 21)};
        const TColorSpace space = PrepareColorSpace(weights[0], weights[1], weights[2]);
        const int count = 1 + static_cast<int>(rng() % 256);
        const auto palette = RandomColourPalette(rng, count, space);
        TNearestCache cache;
        cache.Reset(palette.data(), count);
        std::uniform_int_distribution<int32_t> uv(-40960, 40959);
        std::uniform_int_distribution<int32_t> luma(-8192, 73727);
        for (int n = 0; n < 8000; ++n) {
            const int32_t u = uv(rng), v = uv(rng), y = luma(rng);
            ASSERT_EQ(cache.FindNearest(u, v, y), BruteForceNearest(palette, count, u, v, y))
                << u << "," << v << "," << y << " palette " << count;
        }
        // Points that are real colours, where ties between repeated palette
        // colours are common.
        for (int n = 0; n < 5000; ++n) {
            const ColorValue colour =
                (n % 2 == 0) ? palette[rng() % count].Color : (rng() & 0xFFFFFF);
            const ColorPoint p = ToColorPoint(space, colour);
            ASSERT_EQ(cache.FindNearest(p.U, p.V, p.Y),
                      BruteForceNearest(palette, count, p.U, p.V, p.Y));
        }
    }
}

// Points on the faces and corners of the 512-unit sub-cubes the cache uses
// internally, with repeated palette entries so that ties are common: the
// answer is always the brute-force one. Points in the lower-face slack get
// the answer of their cell's list.
TEST(NearestCache, SubCubeFacesRepeatedEntriesAndSlackAgreeWithTheLists) {
    std::mt19937 rng(77);
    const TColorSpace space = PrepareColorSpace(130, 30, 80);
    auto palette = RandomColourPalette(rng, 96, space);
    for (int e = 3; e < 96; e += 4) palette[e] = palette[rng() % e];
    TNearestCache cache;
    cache.Reset(palette.data(), 96);
    std::uniform_int_distribution<int32_t> cellPick(0, 39);
    const int32_t edges[] = {0, 1, 510, 511, 512, 1023, 1024, 1535, 1536, 2047};
    for (int n = 0; n < 30000; ++n) {
        const int32_t u = -40960 + 2048 * cellPick(rng) + edges[rng() % 10];
        const int32_t v = -40960 + 2048 * cellPick(rng) + edges[rng() % 10];
        const int32_t y = -8192 + 2048 * cellPick(rng) + edges[rng() % 10];
        ASSERT_EQ(cache.FindNearest(u, v, y), BruteForceNearest(palette, 96, u, v, y))
            << u << "," << v << "," << y;
    }
    for (int n = 0; n < 3000; ++n) {
        const int32_t u = -40960 - static_cast<int32_t>(rng() % 2048);
        const int32_t v = -40960 + static_cast<int32_t>(rng() % 81920);
        const int32_t y = -8192 - static_cast<int32_t>(rng() % 2048);
        const int cell = TNearestCache::CellOf(u, v, y);
        ASSERT_GE(cell, 0);
        int expected = -1;
        int64_t best = 0;
        for (int e : cache.CandidatesOf(cell)) {
            const int64_t du = u - palette[e].Point.U, dv = v - palette[e].Point.V,
                          dy = y - palette[e].Point.Y;
            const int64_t d = du * du + dv * dv + dy * dy;
            if (expected < 0 || d < best) {
                best = d;
                expected = e;
            }
        }
        ASSERT_EQ(cache.FindNearest(u, v, y), expected) << u << "," << v << "," << y;
    }
}

TEST(NearestCache, ResetForgetsListsOfTheOldPalette) {
    const auto first = PaletteOfPoints({{0, 0, 0}, {0, 0, 60000}});
    const auto second = PaletteOfPoints({{0, 0, 60000}, {0, 0, 0}});
    TNearestCache cache;
    cache.Reset(first.data(), 2);
    EXPECT_EQ(cache.FindNearest(0, 0, 100), 0);
    EXPECT_EQ(cache.BuiltCells(), 1);
    cache.Reset(second.data(), 2);
    EXPECT_EQ(cache.BuiltCells(), 0);
    EXPECT_EQ(cache.FindNearest(0, 0, 100), 1);
    cache.Release();
    cache.Reset(first.data(), 2);
    EXPECT_EQ(cache.FindNearest(0, 0, 59000), 1);
}

// A flat picture's palette: hundreds of entries at one point. Only the first
// of them can ever win, so it alone is listed, and the answers stay those of
// a full search.
TEST(NearestCache, EqualEntriesAreListedOnceAndAnswersStayTheSame) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    std::vector<TPaletteEntry> palette;
    for (int n = 0; n < 256; ++n) {
        // Entries 0..199 black, then eight colours repeated, black again at 255.
        const ColorValue colour = n < 200 || n == 255 ? 0 : MakeColor((n % 8) * 30, 90, 200);
        palette.push_back(TPaletteEntry{colour, ToColorPoint(space, colour)});
    }
    TNearestCache cache;
    cache.Reset(palette.data(), 256);
    const ColorPoint black = ToColorPoint(space, 0);
    const std::vector<int> candidates =
        cache.CandidatesOf(TNearestCache::CellOf(black.U, black.V, black.Y));
    EXPECT_EQ(std::count_if(candidates.begin(), candidates.end(),
                            [&](int e) { return palette[e].Color == 0; }),
              1);
    EXPECT_EQ(candidates.front(), 0);
    for (const int e : candidates) {
        EXPECT_TRUE(e == 0 || e < 208) << e;  // first of each equal group only
    }
    std::mt19937 rng(11);
    for (int n = 0; n < 20000; ++n) {
        const int32_t u = black.U + static_cast<int32_t>(rng() % 20000) - 10000;
        const int32_t v = black.V + static_cast<int32_t>(rng() % 20000) - 10000;
        const int32_t y = black.Y + static_cast<int32_t>(rng() % 30000) - 5000;
        ASSERT_EQ(cache.FindNearest(u, v, y), BruteForceNearest(palette, 256, u, v, y))
            << u << " " << v << " " << y;
    }
}

}  // namespace
