#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <vector>

#include "engine/color_space.h"
#include "engine/palette_adjust.h"
#include "engine/reduce_job.h"

namespace {

constexpr ColorValue Unwritten = 0xFFFFFFFF;

// One single-picture job over its own buffers, default settings (888,
// 8 bit, weights 80) and mode none unless a test changes them.
struct SingleJob {
    SingleJob(int32_t width, int32_t height, std::vector<ColorValue> pixels)
        : Pixels(std::move(pixels)), Indexes(Pixels.size(), 0xEE), Work(Pixels.size()) {
        Palette.fill(Unwritten);
        Job.DitherMode = 0;
        SetUpSingleJob(Job, width, height, Pixels.data(), Indexes.data(), Palette.data(),
                       Work.data(), false);
        Job.ProgressObserver = [this](int value) { Progress.push_back(value); };
    }
    void Run() {
        Progress.clear();
        RunJob(Job);
    }
    ColorValue ColourOfPixel(size_t i) const { return Palette[Indexes[i]]; }

    std::vector<ColorValue> Pixels;
    std::vector<uint8_t> Indexes;
    std::vector<int32_t> Work;
    std::array<ColorValue, 256> Palette{};
    std::vector<int> Progress;
    ReduceJob Job;
};

int32_t LumaOf(ColorValue c) { return ToColorPoint(PrepareColorSpace(80, 80, 80), c).Y; }

// The palette colour of a cluster holding one colour: its ColorPoint
// rounded back (888 keeps it on the grid).
ColorValue RoundTrip(ColorValue c) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    const ColorPoint p = ToColorPoint(space, c);
    return FromColorPoint(space, p.U, p.V, p.Y);
}

// A small photo-like picture: smooth gradients with a few hard edges.
std::vector<ColorValue> Gradient(int width, int height) {
    std::vector<ColorValue> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(MakeColor((x * 255) / (width - 1), (y * 255) / (height - 1),
                                       x < width / 2 ? 40 : 220));
    return pixels;
}

TEST(RunJob, SixteenWithFixedColoursIsTheFixedTableAlone) {
    SingleJob s(4, 4, std::vector<ColorValue>(Fixed16Colors.begin(), Fixed16Colors.end()));
    s.Job.PaletteSize = 16;
    s.Job.AddFixed16 = true;
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(s.Palette[i], Fixed16Colors[i]);
    for (int i = 16; i < 256; ++i) EXPECT_EQ(s.Palette[i], 0u) << i;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(s.Indexes[i], i);
    // No palette phase: 25, 50, 75, then the four rows.
    EXPECT_EQ(s.Progress, (std::vector<int>{25, 50, 75, 800, 850, 900, 950}));
}

TEST(RunJob, OneBitWithFixedColoursAndTransparency) {
    SingleJob s(3, 2,
                {MakeColor(1, 2, 3), MakeColor(250, 0, 0), MakeColor(1, 2, 3), MakeColor(0, 0, 200),
                 MakeColor(9, 9, 9), MakeColor(1, 2, 3)});
    s.Job.PaletteSize = 17;
    s.Job.AddFixed16 = true;
    s.Job.TransCorner = 0;
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    EXPECT_EQ(s.Job.TransIndex, 16);
    EXPECT_EQ(s.Palette[16], MakeColor(1, 2, 3));
    for (size_t i : {0u, 2u, 5u}) EXPECT_EQ(s.Indexes[i], 16);
    for (size_t i : {1u, 3u, 4u}) EXPECT_LT(s.Indexes[i], 16);
    EXPECT_EQ(s.Palette[17], 0u);
}

TEST(RunJob, BottomRightCornerIsTheTransparentColour) {
    std::vector<ColorValue> pixels = Gradient(8, 6);
    const ColorValue corner = pixels.back();
    pixels[3] = corner;
    SingleJob s(8, 6, pixels);
    s.Job.PaletteSize = 8;
    s.Job.TransCorner = 3;
    s.Job.DitherMode = 2;
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    EXPECT_EQ(s.Job.TransIndex, 7);
    EXPECT_EQ(s.Palette[7], corner);
    for (size_t i = 0; i < pixels.size(); ++i)
        EXPECT_EQ(s.Indexes[i] == 7, pixels[i] == corner) << i;
}

TEST(RunJob, TenColoursIn256LeaveBlackInFront) {
    std::vector<ColorValue> colours;
    for (int i = 1; i <= 10; ++i)
        colours.push_back(MakeColor(25 * i, 200 - 15 * i, (i * 70) % 256));
    std::vector<ColorValue> pixels;
    for (int i = 0; i < 30; ++i) pixels.push_back(colours[(i * 7) % 10]);
    SingleJob s(6, 5, pixels);
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    std::vector<ColorValue> byLuma;
    for (ColorValue c : colours) byLuma.push_back(RoundTrip(c));
    std::stable_sort(byLuma.begin(), byLuma.end(),
                     [](ColorValue a, ColorValue b) { return LumaOf(a) < LumaOf(b); });
    for (int e = 0; e < 246; ++e) EXPECT_EQ(s.Palette[e], 0u) << e;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(s.Palette[246 + i], byLuma[i]);
    for (size_t i = 0; i < pixels.size(); ++i) EXPECT_EQ(s.ColourOfPixel(i), RoundTrip(pixels[i]));
}

TEST(RunJob, SixtyFourWithFixedColoursAndTransparency) {
    std::vector<ColorValue> pixels;
    for (int i = 0; i < 100; ++i) pixels.push_back(MakeColor(i * 2, 255 - i * 2, (i * 53) % 256));
    const ColorValue trans = pixels[0];
    SingleJob s(10, 10, pixels);
    s.Job.PaletteSize = 64;
    s.Job.AddFixed16 = true;
    s.Job.TransCorner = 0;
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    std::set<ColorValue> found(s.Palette.begin(), s.Palette.begin() + 47);
    EXPECT_EQ(found.size(), 47u);
    for (int i = 1; i < 47; ++i) EXPECT_LE(LumaOf(s.Palette[i - 1]), LumaOf(s.Palette[i]));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(s.Palette[47 + i], Fixed16Colors[i]);
    EXPECT_EQ(s.Palette[63], trans);
    EXPECT_EQ(s.Job.TransIndex, 63);
    for (size_t i = 1; i < pixels.size(); ++i) EXPECT_LT(s.Indexes[i], 63);
    for (int i = 64; i < 256; ++i) EXPECT_EQ(s.Palette[i], 0u);
}

TEST(RunJob, SingleColourFillsTheRestWithBlack) {
    const ColorValue colour = MakeColor(90, 180, 45);
    SingleJob s(5, 3, std::vector<ColorValue>(15, colour));
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    for (int e = 0; e < 255; ++e) EXPECT_EQ(s.Palette[e], 0u);
    EXPECT_EQ(s.Palette[255], RoundTrip(colour));
    for (uint8_t index : s.Indexes) EXPECT_EQ(index, 255);
}

TEST(RunJob, TwoColoursAreBothKept) {
    const ColorValue a = MakeColor(200, 10, 10), b = MakeColor(10, 10, 200);
    SingleJob s(2, 2, {a, b, b, a});
    s.Job.PaletteSize = 2;
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    const ColorValue darker = LumaOf(a) < LumaOf(b) ? a : b;
    EXPECT_EQ(s.Palette[0], RoundTrip(darker));
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(s.ColourOfPixel(i), RoundTrip(s.Pixels[i]));
}

TEST(RunJob, EveryPixelTransparentStillSucceeds) {
    SingleJob s(3, 3, std::vector<ColorValue>(9, MakeColor(4, 5, 6)));
    s.Job.PaletteSize = 4;
    s.Job.TransCorner = 2;
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    for (uint8_t index : s.Indexes) EXPECT_EQ(index, 3);
    EXPECT_EQ(s.Palette[0], 0u);
    EXPECT_EQ(s.Palette[3], MakeColor(4, 5, 6));
}

TEST(RunJob, PaletteEntriesFromPaletteSizeOnAreZero) {
    SingleJob s(16, 8, Gradient(16, 8));
    s.Job.PaletteSize = 16;
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    for (int i = 16; i < 256; ++i) EXPECT_EQ(s.Palette[i], 0u) << i;
    for (uint8_t index : s.Indexes) EXPECT_LT(index, 16);
}

// Progress of a fresh run: palette values 100 + 700 * found / 4, then rows.
TEST(RunJob, ProgressOfAFreshRun) {
    SingleJob s(16, 4, Gradient(16, 4));
    s.Job.PaletteSize = 4;
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    EXPECT_EQ(s.Progress, (std::vector<int>{25, 50, 75, 275, 450, 625, 800, 800, 850, 900, 950}));
}

TEST(RunJob, ReuseSkipsThePalettePhase) {
    SingleJob s(16, 4, Gradient(16, 4));
    s.Job.PaletteSize = 12;
    s.Job.DitherMode = 2;
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    const auto firstPalette = s.Palette;
    s.Job.DitherMode = 0;
    s.Job.ReusePalette = true;
    s.Run();
    ASSERT_TRUE(s.Job.Succeeded);
    EXPECT_EQ(s.Progress, (std::vector<int>{25, 75, 800, 850, 900, 950}));
    EXPECT_EQ(s.Palette, firstPalette);
    // The same palette without reuse maps the same way.
    SingleJob fresh(16, 4, Gradient(16, 4));
    fresh.Job.PaletteSize = 12;
    fresh.Run();
    EXPECT_EQ(fresh.Palette, firstPalette);
    EXPECT_EQ(fresh.Indexes, s.Indexes);
}

TEST(RunJob, CancelDuringPaletteConstruction) {
    SingleJob s(16, 8, Gradient(16, 8));
    s.Job.PaletteSize = 32;
    s.Job.ProgressObserver = [&s](int value) {
        s.Progress.push_back(value);
        if (value >= 100) s.Job.StopRequested = true;
    };
    s.Run();
    EXPECT_FALSE(s.Job.Succeeded);
    EXPECT_EQ(s.Progress, (std::vector<int>{25, 50, 75, 100 + 700 / 32}));
    for (uint8_t index : s.Indexes) EXPECT_EQ(index, 0xEE);
}

TEST(RunJob, CancelBeforeTheStartStopsAtTheFirstCheck) {
    SingleJob s(4, 4, Gradient(4, 4));
    s.Job.StopRequested = true;
    s.Run();
    EXPECT_FALSE(s.Job.Succeeded);
    EXPECT_EQ(s.Progress, (std::vector<int>{25}));
}

TEST(RunJob, EveryModeMapsIntoTheSearchableEntries) {
    for (int mode = 0; mode <= 4; ++mode) {
        SingleJob s(24, 16, Gradient(24, 16));
        s.Job.PaletteSize = 9;
        s.Job.TransCorner = 1;
        s.Job.DitherMode = mode;
        s.Run();
        ASSERT_TRUE(s.Job.Succeeded) << mode;
        for (size_t i = 0; i < s.Pixels.size(); ++i)
            EXPECT_EQ(s.Indexes[i] == 8, s.Pixels[i] == s.Pixels[15 * 24]) << mode << " " << i;
        // Last value: after row 15 of 16, or before pixel 383 of 384 in gPeanos.
        EXPECT_EQ(s.Progress.back(), mode == 1 ? 800 + 200 * 383 / 384 : 800 + 200 * 15 / 16);
    }
}

TEST(RunJob, IntegratedBatchSharesOnePalette) {
    const ColorValue shared = MakeColor(30, 140, 250);
    std::vector<ColorValue> first = {shared, MakeColor(255, 0, 0), MakeColor(250, 5, 0), shared};
    std::vector<ColorValue> second = {MakeColor(0, 0, 0), shared};
    std::vector<uint8_t> firstIndexes(4, 0xEE), secondIndexes(2, 0xEE);
    std::vector<ColorValue> firstPalette(8, Unwritten), secondPalette(8, Unwritten);
    std::vector<int32_t> work(6);
    ReduceJob job;
    job.DitherMode = 0;
    job.PaletteSize = 3;
    SetUpBatchJob(job, {2, 1}, {2, 2}, {first.data(), second.data()},
                  {firstIndexes.data(), secondIndexes.data()},
                  {firstPalette.data(), secondPalette.data()}, work.data());
    RunJob(job);
    ASSERT_TRUE(job.Succeeded);
    EXPECT_EQ(job.PaletteCountOf, (std::vector<int32_t>{3, 3}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(firstPalette[i], secondPalette[i]);
    EXPECT_EQ(firstPalette[3], Unwritten);
    EXPECT_EQ(firstIndexes[0], secondIndexes[1]);
    EXPECT_EQ(firstIndexes[0], firstIndexes[3]);
    EXPECT_EQ(firstPalette[firstIndexes[0]], RoundTrip(shared));
    EXPECT_EQ(secondPalette[secondIndexes[0]], 0u);
}

TEST(RunJob, RefusesJobsOutOfRange) {
    SingleJob empty(0, 4, {});
    empty.Run();
    EXPECT_FALSE(empty.Job.Succeeded);
    SingleJob tooMany(2, 1, {1, 2});
    tooMany.Job.PaletteSize = 300;
    tooMany.Run();
    EXPECT_FALSE(tooMany.Job.Succeeded);
    EXPECT_EQ(tooMany.Indexes[0], 0xEE);
    SingleJob tooFew(2, 1, {1, 2});
    tooFew.Job.PaletteSize = 10;
    tooFew.Job.AddFixed16 = true;
    tooFew.Run();
    EXPECT_FALSE(tooFew.Job.Succeeded);
    ReduceJob batch;
    batch.Batch = true;
    RunJob(batch);
    EXPECT_FALSE(batch.Succeeded);
}

TEST(RunJob, RunsAreRepeatable) {
    SingleJob a(32, 20, Gradient(32, 20)), b(32, 20, Gradient(32, 20));
    a.Job.DitherMode = b.Job.DitherMode = 3;
    a.Job.PaletteSize = b.Job.PaletteSize = 20;
    a.Run();
    b.Run();
    EXPECT_EQ(a.Palette, b.Palette);
    EXPECT_EQ(a.Indexes, b.Indexes);
}

}  // namespace
