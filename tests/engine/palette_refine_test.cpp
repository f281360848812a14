#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <vector>

#include "engine/engine_run.h"
#include "engine/histogram.h"
#include "engine/palette_adjust.h"
#include "engine/palette_polish.h"
#include "engine/reduce_job.h"

namespace {

// One job over its own buffers: 888, 8 bit, weights 80, no dithering.
struct RefineJob {
    RefineJob(int32_t width, int32_t height, std::vector<ColorValue> pixels, int32_t refine)
        : Pixels(std::move(pixels)), Indexes(Pixels.size(), 0xEE), Work(Pixels.size()) {
        Job.DitherMode = 0;
        Job.Refine = refine;
        SetUpSingleJob(Job, width, height, Pixels.data(), Indexes.data(), Palette.data(),
                       Work.data(), false);
    }
    // Sum of squared RGB differences between the picture and its mapping.
    double SquaredError() const {
        double sum = 0;
        for (size_t i = 0; i < Pixels.size(); ++i) {
            const ColorValue p = Pixels[i], q = Palette[Indexes[i]];
            for (int shift : {0, 8, 16}) {
                const double d = double((p >> shift) & 0xFF) - double((q >> shift) & 0xFF);
                sum += d * d;
            }
        }
        return sum;
    }

    std::vector<ColorValue> Pixels;
    std::vector<uint8_t> Indexes;
    std::vector<int32_t> Work;
    std::array<ColorValue, 256> Palette{};
    ReduceJob Job;
};

// Deterministic noise in -amplitude..amplitude.
struct Noise {
    uint32_t State = 12345;
    int operator()(int amplitude) {
        State = State * 1664525u + 1013904223u;
        return int((State >> 8) % uint32_t(2 * amplitude + 1)) - amplitude;
    }
};

int Channel(int value) { return value < 0 ? 0 : value > 255 ? 255 : value; }

// A diagonal gradient from red through yellow to green with noise of
// +-`amplitude` per channel, and a `blueSide` square of noisy saturated
// blue in its middle.
std::vector<ColorValue> NoisyGradient(int width, int height, int blueSide, int amplitude = 20) {
    Noise noise;
    std::vector<ColorValue> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int t = (x + y) * 255 / (width + height - 2);
            pixels.push_back(MakeColor(Channel(255 - t + noise(amplitude)),
                                       Channel(60 + t * 3 / 4 + noise(amplitude)),
                                       Channel(20 + noise(amplitude))));
        }
    const int x0 = (width - blueSide) / 2, y0 = (height - blueSide) / 2;
    for (int y = y0; y < y0 + blueSide; ++y)
        for (int x = x0; x < x0 + blueSide; ++x)
            pixels[size_t(y) * width + x] = MakeColor(
                Channel(20 + noise(20)), Channel(40 + noise(20)), Channel(230 + noise(20)));
    return pixels;
}

// CIE 1976 distance of two sRGB colours (D65).
double DeltaE76(ColorValue a, ColorValue b) {
    auto lab = [](ColorValue c) {
        auto linear = [](int level) {
            const double v = level / 255.0;
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        auto f = [](double t) {
            return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
        };
        const double r = linear(RedOf(c)), g = linear(GreenOf(c)), b = linear(BlueOf(c));
        const double fx = f((0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047);
        const double fy = f(0.2126729 * r + 0.7151522 * g + 0.0721750 * b);
        const double fz = f((0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883);
        return std::array<double, 3>{116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
    };
    const auto p = lab(a), q = lab(b);
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                     (p[2] - q[2]) * (p[2] - q[2]));
}

double NearestDeltaE(const RefineJob& s, ColorValue colour) {
    double best = 1e9;
    for (int i = 0; i < s.Job.PaletteSize; ++i)
        best = std::min(best, DeltaE76(s.Palette[i], colour));
    return best;
}

TEST(PaletteRefine, KeyNamesTheLevelOnlyWhenOn) {
    ReduceJob job;
    const std::string plain = PaletteKey(job);
    EXPECT_EQ(plain, "6//256/0/80/80/80/-1");
    job.Refine = 2;
    EXPECT_EQ(PaletteKey(job), plain + "/r2");
    TSettingsRecord settings;
    settings.ComboBoxRefine = 3;
    EXPECT_EQ(FillReduceJob(settings, job), plain + "/r3");
    settings.ComboBoxRefine = 9;  // clamped like every list index
    FillReduceJob(settings, job);
    EXPECT_EQ(job.Refine, 3);
    for (int32_t level : {-1, 4}) {
        RefineJob s(2, 1, {1, 2}, level);
        RunJob(s.Job);
        EXPECT_FALSE(s.Job.Succeeded) << level;
        EXPECT_EQ(s.Indexes[0], 0xEE);
    }
}

TEST(PaletteRefine, SmallDistinctColourKeepsAnEntry) {
    // 316 x 316 with a 10 x 10 square: 0.1 % of the pixels.
    const auto pixels = NoisyGradient(316, 316, 10, 40);
    RefineJob plain(316, 316, pixels, 0), refined(316, 316, pixels, 3);
    plain.Job.PaletteSize = refined.Job.PaletteSize = 16;
    RunJob(plain.Job);
    RunJob(refined.Job);
    ASSERT_TRUE(plain.Job.Succeeded && refined.Job.Succeeded);
    EXPECT_GT(NearestDeltaE(plain, MakeColor(20, 40, 230)), 10);
    EXPECT_LE(NearestDeltaE(refined, MakeColor(20, 40, 230)), 10);
    EXPECT_LT(refined.SquaredError(), plain.SquaredError());
}

TEST(PaletteRefine, EveryLevelLowersTheErrorAndRepeats) {
    const auto pixels = NoisyGradient(120, 90, 6);
    RefineJob plain(120, 90, pixels, 0);
    plain.Job.PaletteSize = 24;
    RunJob(plain.Job);
    for (int32_t level = 1; level <= 3; ++level) {
        RefineJob a(120, 90, pixels, level), b(120, 90, pixels, level);
        a.Job.PaletteSize = b.Job.PaletteSize = 24;
        a.Job.DitherMode = b.Job.DitherMode = 2;
        RunJob(a.Job);
        RunJob(b.Job);
        ASSERT_TRUE(a.Job.Succeeded && b.Job.Succeeded);
        EXPECT_EQ(a.Palette, b.Palette) << level;
        EXPECT_EQ(a.Indexes, b.Indexes) << level;
        RefineJob undithered(120, 90, pixels, level);
        undithered.Job.PaletteSize = 24;
        RunJob(undithered.Job);
        EXPECT_LT(undithered.SquaredError(), plain.SquaredError()) << level;
    }
}

TEST(PaletteRefine, FixedColoursAndTransparentEntryStay) {
    auto pixels = NoisyGradient(64, 48, 4);
    pixels[0] = MakeColor(1, 2, 3);  // the top-left corner: transparent
    RefineJob s(64, 48, pixels, 3);
    s.Job.PaletteSize = 40;
    s.Job.AddFixed16 = true;
    s.Job.TransCorner = 0;
    RunJob(s.Job);
    ASSERT_TRUE(s.Job.Succeeded);
    // 23 found colours, the fixed table, then the transparent entry.
    for (int i = 0; i < 16; ++i) EXPECT_EQ(s.Palette[23 + i], Fixed16Colors[i]) << i;
    EXPECT_EQ(s.Job.TransIndex, 39);
    EXPECT_EQ(s.Palette[39], MakeColor(1, 2, 3));
    EXPECT_EQ(s.Indexes[0], 39);
    for (size_t i = 1; i < s.Pixels.size(); ++i) EXPECT_LT(s.Indexes[i], 39) << i;
}

TEST(PaletteRefine, ColoursAreSnappedAfterRefinementAndSortedByLuma) {
    const auto pixels = NoisyGradient(80, 60, 4);
    RefineJob s(80, 60, pixels, 3);
    s.Job.PaletteSize = 32;
    s.Job.OutputPrecision = 0;  // Web: levels 0, 51, 102, 153, 204, 255
    RunJob(s.Job);
    ASSERT_TRUE(s.Job.Succeeded);
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    std::set<ColorValue> distinct;
    for (int i = 0; i < 32; ++i) {
        for (int shift : {0, 8, 16}) EXPECT_EQ(((s.Palette[i] >> shift) & 0xFF) % 51, 0u) << i;
        distinct.insert(s.Palette[i]);
        if (i > 0) {
            EXPECT_LE(ToColorPoint(space, s.Palette[i - 1]).Y, ToColorPoint(space, s.Palette[i]).Y);
        }
    }
    RefineJob plain(80, 60, pixels, 0);
    plain.Job.PaletteSize = 32;
    plain.Job.OutputPrecision = 0;
    RunJob(plain.Job);
    const std::set<ColorValue> plainDistinct(plain.Palette.begin(), plain.Palette.begin() + 32);
    // Colours that snapping merges are topped up, never repeated.
    EXPECT_EQ(distinct.size(), plainDistinct.size());
}

TEST(PaletteRefine, IntegratedBatchRefinesTheColoursOfAllPictures) {
    // Two halves of one picture share a palette equal to the whole picture's.
    const auto whole = NoisyGradient(60, 40, 4);
    const std::vector<ColorValue> top(whole.begin(), whole.begin() + 60 * 20);
    const std::vector<ColorValue> bottom(whole.begin() + 60 * 20, whole.end());
    RefineJob single(60, 40, whole, 2);
    single.Job.PaletteSize = 12;
    RunJob(single.Job);
    std::vector<uint8_t> topIndexes(top.size()), bottomIndexes(bottom.size());
    std::vector<ColorValue> topPalette(12), bottomPalette(12);
    std::vector<int32_t> work(whole.size());
    ReduceJob batch;
    batch.DitherMode = 0;
    batch.PaletteSize = 12;
    batch.Refine = 2;
    SetUpBatchJob(batch, {60, 60}, {20, 20}, {top.data(), bottom.data()},
                  {topIndexes.data(), bottomIndexes.data()},
                  {topPalette.data(), bottomPalette.data()}, work.data());
    RunJob(batch);
    ASSERT_TRUE(single.Job.Succeeded && batch.Succeeded);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(topPalette[i], single.Palette[i]) << i;
        EXPECT_EQ(bottomPalette[i], single.Palette[i]) << i;
    }
}

TEST(PaletteRefine, PolishLowersTheMappedErrorAndKeepsTheGrid) {
    const auto pixels = NoisyGradient(96, 64, 8);
    RefineJob s(96, 64, pixels, 3);
    s.Job.LockedColors = {MakeColor(255, 0, 0)};
    TEngineRun run(s.Job);
    run.ColorSpace = PrepareColorSpace(80, 80, 80);
    const OutputGrid grid = PrepareOutputGrid(2);  // 555
    std::vector<ColorEntry> entries;
    for (ColorValue c : std::set<ColorValue>(pixels.begin(), pixels.end())) {
        const ColorPoint p = ToColorPoint(run.ColorSpace, c);
        entries.push_back({p.U, p.V, p.Y, int32_t(std::count(pixels.begin(), pixels.end(), c))});
    }
    // A poor start on the grid: grey levels, and a red next to the locked one.
    std::vector<FoundColor> found;
    for (int level : {0, 66, 132, 198, 255}) found.push_back({MakeColor(level, level, level), 0});
    found.push_back({MakeColor(247, 0, 0), 0});
    // Squared RGB error of mapping every pixel to its nearest colour in the
    // job's space, as the mapping does.
    auto error = [&](const std::vector<FoundColor>& colours) {
        std::vector<ColorValue> palette = {s.Job.LockedColors[0]};
        for (const FoundColor& f : colours) palette.push_back(f.Color);
        double sum = 0;
        for (ColorValue p : pixels) {
            const ColorPoint at = ToColorPoint(run.ColorSpace, p);
            auto distance = [&](ColorValue q) {
                const ColorPoint b = ToColorPoint(run.ColorSpace, q);
                const double du = b.U - at.U, dv = b.V - at.V, dy = b.Y - at.Y;
                return du * du + dv * dv + dy * dy;
            };
            ColorValue best = palette[0];
            for (ColorValue q : palette)
                if (distance(q) < distance(best)) best = q;
            for (int shift : {0, 8, 16}) {
                const double d = double((p >> shift) & 0xFF) - double((best >> shift) & 0xFF);
                sum += d * d;
            }
        }
        return sum;
    };
    const double before = error(found);
    std::vector<FoundColor> polished = found;
    ASSERT_TRUE(PolishPalette(run, grid, entries, polished));
    EXPECT_LT(error(polished), 0.8 * before);
    std::set<ColorValue> distinct = {s.Job.LockedColors[0]};
    for (const FoundColor& f : polished) {
        const int channels[3] = {RedOf(f.Color), GreenOf(f.Color), BlueOf(f.Color)};
        for (int c = 0; c < 3; ++c) EXPECT_EQ(grid.Below[c][channels[c]], channels[c]) << c;
        EXPECT_EQ(f.Key, ToColorPoint(run.ColorSpace, f.Color).Y);
        distinct.insert(f.Color);
    }
    EXPECT_EQ(distinct.size(), polished.size() + 1);  // none equal, none the locked red
    // More found colours than the search takes: left as they are.
    std::vector<FoundColor> many(PolishMaxColors + 1);
    for (size_t i = 0; i < many.size(); ++i) many[i].Color = MakeColor(int(i) * 7, 0, 0);
    const std::vector<FoundColor> kept = many;
    ASSERT_TRUE(PolishPalette(run, grid, entries, many));
    for (size_t i = 0; i < many.size(); ++i) EXPECT_EQ(many[i].Color, kept[i].Color) << i;
}

}  // namespace
