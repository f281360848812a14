#include "engine/palette_build.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

namespace {

ColorEntry Entry(int32_t u, int32_t v, int32_t y, int32_t count = 1) {
    return ColorEntry{u, v, y, count};
}

TEST(ClusterStatistics, EmptyRangeIsZero) {
    const ClusterStats stats = ClusterStatistics(nullptr, 0);
    EXPECT_EQ(stats.Eigenvalue, 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(stats.Mean[i], 0);
        EXPECT_EQ(stats.Axis[i], 0);
    }
}

TEST(ClusterStatistics, WeightedSpreadAlongU) {
    // Weights 3 and 1: mean 25, variance (3 * 625 + 5625) / 4 = 1875.
    const ColorEntry entries[2] = {Entry(0, 0, 0, 3), Entry(100, 0, 0, 1)};
    const ClusterStats stats = ClusterStatistics(entries, 2);
    EXPECT_DOUBLE_EQ(stats.Mean[0], 25);
    EXPECT_DOUBLE_EQ(stats.Eigenvalue, 1875);
    EXPECT_EQ(stats.Axis[0], 1);
    EXPECT_EQ(stats.Axis[1], 0);
    EXPECT_EQ(stats.Axis[2], 0);
}

// One rotation of pair (0, 1) with equal diagonal: g = 0, o = 1, t = 0, so
// s = sqrt(0.5) and c = 1 / s * 0.5; the new diagonal is 2500 + 2500.
TEST(ClusterStatistics, DiagonalSpreadTakesOneRotation) {
    const ColorEntry entries[2] = {Entry(0, 0, 7), Entry(100, 100, 7)};
    const ClusterStats stats = ClusterStatistics(entries, 2);
    const double s = std::sqrt(0.5);
    EXPECT_DOUBLE_EQ(stats.Eigenvalue, 5000);
    EXPECT_EQ(stats.Axis[0], 1 / s * 0.5);
    EXPECT_EQ(stats.Axis[1], s);
    EXPECT_EQ(stats.Axis[2], 0);
}

TEST(ClusterStatistics, NoSpreadPicksTheLastAxis) {
    const ColorEntry entries[2] = {Entry(5, 6, 7, 2), Entry(5, 6, 7, 9)};
    const ClusterStats stats = ClusterStatistics(entries, 2);
    EXPECT_EQ(stats.Eigenvalue, 0);
    EXPECT_EQ(stats.Axis[2], 1);
}

// For scattered data the axis is a unit eigenvector of the covariance with
// the largest eigenvalue: compared with an independent covariance.
TEST(ClusterStatistics, AxisIsThePrincipalEigenvector) {
    std::mt19937 random(3);
    std::vector<ColorEntry> entries;
    for (int i = 0; i < 200; ++i) {
        const int t = static_cast<int>(random() % 20000);
        entries.push_back(Entry(t / 2 + static_cast<int>(random() % 3000), -t / 3,
                                t + static_cast<int>(random() % 5000), 1 + random() % 5));
    }
    const ClusterStats stats = ClusterStatistics(entries.data(), 200);
    double w = 0, mean[3] = {0, 0, 0}, cov[3][3] = {};
    for (const auto& e : entries) {
        const double x[3] = {double(e.U), double(e.V), double(e.Y)};
        w += e.Count;
        for (int j = 0; j < 3; ++j) mean[j] += e.Count * x[j];
    }
    for (double& m : mean) m /= w;
    for (const auto& e : entries) {
        const double x[3] = {e.U - mean[0], e.V - mean[1], e.Y - mean[2]};
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) cov[j][k] += e.Count * x[j] * x[k] / w;
    }
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(stats.Mean[j], mean[j], 1e-6);
    const double* a = stats.Axis;
    EXPECT_NEAR(a[0] * a[0] + a[1] * a[1] + a[2] * a[2], 1, 1e-9);
    for (int j = 0; j < 3; ++j) {
        const double row = cov[j][0] * a[0] + cov[j][1] * a[1] + cov[j][2] * a[2];
        EXPECT_NEAR(row, stats.Eigenvalue * a[j], 1e-6 * stats.Eigenvalue);
    }
    // No other direction has a larger variance.
    for (int trial = 0; trial < 50; ++trial) {
        double d[3] = {double(random() % 200) - 100, double(random() % 200) - 100,
                       double(random() % 200) - 100};
        const double n = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        double q = 0;
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) q += d[j] * cov[j][k] * d[k] / (n * n);
        EXPECT_LE(q, stats.Eigenvalue * (1 + 1e-9));
    }
}

class BuilderTest : public ::testing::Test {
  protected:
    BuilderTest() : Space(PrepareColorSpace(80, 80, 80)), Grid(PrepareOutputGrid(6)), Run(Job) {
        Run.ColorSpace = Space;
    }
    std::vector<ColorEntry> EntriesOf(std::vector<ColorValue> colors) {
        std::vector<ColorEntry> entries;
        for (ColorValue c : colors) {
            const ColorPoint p = ToColorPoint(Space, c);
            entries.push_back(Entry(p.U, p.V, p.Y));
        }
        return entries;
    }
    TColorSpace Space;
    OutputGrid Grid;
    ReduceJob Job;
    TEngineRun Run;
};

TEST_F(BuilderTest, MeasureClusterFieldsByHand) {
    // Along Y only: mean Y = (0 * 1 + 1000 * 2 + 3001 * 1) / 4 = 1250.25.
    std::vector<ColorEntry> entries = {Entry(0, 0, 0), Entry(0, 0, 1000, 2), Entry(0, 0, 3001)};
    TPaletteBuilder builder(entries, Space, Grid);
    builder.MeasureCluster(3, 0, 3);
    const Cluster& c = builder.ClusterAt(3);
    EXPECT_EQ(c.First, 0);
    EXPECT_EQ(c.Count, 3);
    EXPECT_DOUBLE_EQ(c.Mean[2], 1250.25);
    EXPECT_EQ(c.Center, (ColorPoint{0, 0, 1250}));
    EXPECT_EQ(c.Color, FromColorPoint(Space, 0, 0, 1250));
    const double variance = (1250.25 * 1250.25 + 2 * 250.25 * 250.25 + 1750.75 * 1750.75) / 4;
    EXPECT_NEAR(c.Eigenvalue, variance, 1e-6);
    const double scatter = 1250 + 2 * 250 + 1751;
    EXPECT_NEAR(c.Priority, std::sqrt(variance) * scatter / std::sqrt(3.0), 1e-6);
}

TEST_F(BuilderTest, EmptyClusterIsBlackWithNoPriority) {
    std::vector<ColorEntry> entries;
    TPaletteBuilder builder(entries, Space, Grid);
    builder.MeasureCluster(0, 0, 0);
    EXPECT_EQ(builder.ClusterAt(0).Priority, 0);
    EXPECT_EQ(builder.ClusterAt(0).Color, 0u);
}

// Entries above the plane (Y > 30) move behind those on or below it, each
// side in its previous order.
TEST_F(BuilderTest, SplitIsAStablePartition) {
    std::vector<ColorEntry> entries = {Entry(0, 0, 50), Entry(0, 0, 10), Entry(0, 0, 60),
                                       Entry(0, 0, 30), Entry(0, 0, 0)};
    TPaletteBuilder builder(entries, Space, Grid);
    builder.MeasureCluster(0, 0, 5);
    ASSERT_TRUE(builder.SplitCluster(0, 1));
    const int32_t order[5] = {10, 30, 0, 50, 60};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(entries[i].Y, order[i]);
    EXPECT_EQ(builder.ClusterAt(0).Count, 3);
    EXPECT_EQ(builder.ClusterAt(1).First, 3);
    EXPECT_EQ(builder.ClusterAt(1).Count, 2);
    EXPECT_EQ(builder.ClusterAt(1).Center.Y, 55);
}

TEST_F(BuilderTest, SingleEntryClusterIsNotSplit) {
    std::vector<ColorEntry> entries = {Entry(1, 2, 3, 40)};
    TPaletteBuilder builder(entries, Space, Grid);
    builder.MeasureCluster(0, 0, 1);
    EXPECT_FALSE(builder.SplitCluster(0, 1));
    EXPECT_EQ(builder.ClusterAt(0).Priority, 0);
}

// Two entries at one point: the plane separates nothing, the two-entry
// rule still splits them.
TEST_F(BuilderTest, TwoEntryRuleSplitsCoincidentEntries) {
    std::vector<ColorEntry> entries = {Entry(9, 9, 900, 2), Entry(9, 9, 900, 5)};
    TPaletteBuilder builder(entries, Space, Grid);
    builder.MeasureCluster(0, 0, 2);
    EXPECT_TRUE(builder.SplitCluster(0, 1));
    EXPECT_EQ(builder.ClusterAt(0).Count, 1);
    EXPECT_EQ(builder.ClusterAt(1).Count, 1);
    EXPECT_EQ(builder.ClusterAt(1).First, 1);
}

TEST_F(BuilderTest, ThreeCoincidentEntriesCannotSplit) {
    std::vector<ColorEntry> entries(3, Entry(9, 9, 900));
    TPaletteBuilder builder(entries, Space, Grid);
    builder.MeasureCluster(0, 0, 3);
    EXPECT_FALSE(builder.SplitCluster(0, 1));
    EXPECT_EQ(builder.ClusterAt(0).Count, 3);
    EXPECT_EQ(builder.ClusterAt(0).Priority, 0);
}

TEST_F(BuilderTest, SingleColourGivesThatColour) {
    const ColorValue colour = MakeColor(12, 200, 99);
    auto entries = EntriesOf({colour});
    Run.TargetColors = 256;
    std::vector<FoundColor> found;
    ASSERT_TRUE(BuildPalette(Run, Grid, entries, found));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Color, colour);
    EXPECT_EQ(found[0].Key, ToColorPoint(Space, colour).Y);
}

TEST_F(BuilderTest, EmptyListGivesBlack) {
    std::vector<ColorEntry> entries;
    Run.TargetColors = 5;
    std::vector<FoundColor> found;
    ASSERT_TRUE(BuildPalette(Run, Grid, entries, found));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Color, 0u);
}

TEST_F(BuilderTest, TwoColoursAreBothFound) {
    auto entries = EntriesOf({MakeColor(255, 0, 0), MakeColor(0, 0, 255)});
    Run.TargetColors = 256;
    std::vector<FoundColor> found;
    ASSERT_TRUE(BuildPalette(Run, Grid, entries, found));
    const std::set<ColorValue> colours = {found[0].Color, found[1].Color};
    EXPECT_EQ(found.size(), 2u);
    EXPECT_EQ(colours, (std::set<ColorValue>{MakeColor(255, 0, 0), MakeColor(0, 0, 255)}));
}

// One split: cluster 0 keeps black and dark grey (below the plane through
// the mean), so its colour is their centre, not the centre of all three.
TEST_F(BuilderTest, OneTargetColourIsTheLowerSideOfOneSplit) {
    const ColorValue black = MakeColor(0, 0, 0), grey = MakeColor(10, 10, 10);
    auto entries = EntriesOf({black, grey, MakeColor(255, 255, 255)});
    Run.TargetColors = 1;
    std::vector<int> progress;
    Job.ProgressObserver = [&](int value) { progress.push_back(value); };
    std::vector<FoundColor> found;
    ASSERT_TRUE(BuildPalette(Run, Grid, entries, found));
    const ColorPoint a = ToColorPoint(Space, black), b = ToColorPoint(Space, grey);
    auto half = [](int32_t x, int32_t y) {
        return static_cast<int32_t>(std::floor((x + y) / 2.0 + 0.5));
    };
    const ColorValue expected =
        FromColorPoint(Space, half(a.U, b.U), half(a.V, b.V), half(a.Y, b.Y));
    ASSERT_GE(found.size(), 1u);
    EXPECT_EQ(found[0].Color, expected);
    EXPECT_EQ(found.size(), 2u);  // the split found two colours at once
    // 100 + 700 / 1, then 100 + 700 * 2 / 1 held at the end of the phase.
    EXPECT_EQ(progress, (std::vector<int>{800, 800}));
}

TEST_F(BuilderTest, ProgressRisesWithTheColoursFound) {
    std::vector<ColorValue> colours;
    for (int i = 0; i < 40; ++i) colours.push_back(MakeColor(6 * i, 255 - 6 * i, (i * 37) % 256));
    auto entries = EntriesOf(colours);
    Run.TargetColors = 7;
    std::vector<int> progress;
    Job.ProgressObserver = [&](int value) { progress.push_back(value); };
    std::vector<FoundColor> found;
    ASSERT_TRUE(BuildPalette(Run, Grid, entries, found));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 100 + 700 / 7);
    EXPECT_EQ(progress.back(), 800);
    for (size_t i = 1; i < progress.size(); ++i) {
        EXPECT_LE(progress[i - 1], progress[i]);
        EXPECT_EQ((progress[i] - 100) % 100, 0);  // 700 * found / 7 in steps of 100
    }
    EXPECT_EQ(found.size(), 7u);
}

// The Web grid has 216 colours: the loop must end on its own when 256 are asked.
TEST_F(BuilderTest, WebGridWith256ColoursEnds) {
    std::vector<ColorValue> colours;
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15) colours.push_back(MakeColor(r, g, b));
    auto entries = EntriesOf(colours);  // 18^3 = 5832 colours, well over 760 groups
    const OutputGrid web = PrepareOutputGrid(0);
    Run.TargetColors = 256;
    int updates = 0;
    Job.ProgressObserver = [&](int) { ++updates; };
    std::vector<FoundColor> found;
    ASSERT_TRUE(BuildPalette(Run, web, entries, found));
    EXPECT_LE(found.size(), 216u);
    EXPECT_LE(updates, 760);  // one per split at most, and at most 759 splits
    for (const auto& f : found) {
        EXPECT_EQ(RedOf(f.Color) % 51, 0);
        EXPECT_EQ(BlueOf(f.Color) % 51, 0);
    }
    std::set<ColorValue> distinct;
    for (const auto& f : found) distinct.insert(f.Color);
    EXPECT_EQ(distinct.size(), found.size());
}

TEST_F(BuilderTest, MoreGroupsThanClustersStopsAt759Splits) {
    std::vector<ColorValue> colours;
    for (int i = 0; i < 3000; ++i)
        colours.push_back(MakeColor(i % 256, (i / 256) * 20, (i * 7) % 256));
    auto entries = EntriesOf(colours);  // 3000 distinct colours
    // The Web grid cannot give 250 colours, so only the table size stops the loop.
    const OutputGrid web = PrepareOutputGrid(0);
    Run.TargetColors = 250;
    int splits = -1;  // the first value comes from the first cluster
    Job.ProgressObserver = [&](int) { ++splits; };
    std::vector<FoundColor> found;
    ASSERT_TRUE(BuildPalette(Run, web, entries, found));
    EXPECT_EQ(splits, 759);
    EXPECT_LT(found.size(), 250u);
}

TEST_F(BuilderTest, StopRequestEndsConstruction) {
    auto entries = EntriesOf({MakeColor(1, 2, 3), MakeColor(200, 100, 0), MakeColor(9, 9, 9)});
    Run.TargetColors = 2;
    Job.StopRequested = true;
    std::vector<FoundColor> found;
    EXPECT_FALSE(BuildPalette(Run, Grid, entries, found));
}

}  // namespace
