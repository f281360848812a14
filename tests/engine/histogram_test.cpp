#include "engine/histogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

TEST(TrimTable, FiveBitRoundsToMultiplesOfEight) {
    const auto trim = MakeTrimTable(7);
    for (int i = 0; i <= 3; ++i) EXPECT_EQ(trim[i], 0) << i;
    for (int i = 4; i <= 11; ++i) EXPECT_EQ(trim[i], 8) << i;
    for (int i = 244; i <= 255; ++i) EXPECT_EQ(trim[i], 248) << i;
}

TEST(TrimTable, SixAndSevenBitCapAt255BeforeClearing) {
    const auto six = MakeTrimTable(3);
    EXPECT_EQ(six[254], 252);
    EXPECT_EQ(six[255], 252);
    EXPECT_EQ(six[1], 0);
    EXPECT_EQ(six[2], 4);
    const auto seven = MakeTrimTable(1);
    EXPECT_EQ(seven[254], 254);
    EXPECT_EQ(seven[255], 254);
    EXPECT_EQ(seven[1], 2);
}

TEST(TrimTable, EightBitIsTheIdentity) {
    const auto trim = MakeTrimTable(0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(trim[i], i);
}

class HistogramTest : public ::testing::Test {
  protected:
    HistogramTest() : Run(Job) { Run.ColorSpace = PrepareColorSpace(80, 80, 80); }

    std::vector<ColorEntry> Build(std::vector<ColorValue> pixels, int32_t mask = 0,
                                  uint32_t transColor = NoTransColor) {
        Pixels = std::move(pixels);
        Work.assign(Pixels.size(), -1);
        Job.SourcePixels = Pixels.data();
        Job.Width = static_cast<int32_t>(Pixels.size());
        Job.Height = 1;
        Job.WorkBuffer = Work.data();
        Job.SourceMask = mask;
        Run.TransColor = transColor;
        TColorList list;
        Built = BuildHistogram(Run, list);
        return std::vector<ColorEntry>(list.Entries.begin(), list.Entries.end());
    }

    ReduceJob Job;
    TEngineRun Run;
    std::vector<ColorValue> Pixels;
    std::vector<int32_t> Work;
    bool Built = false;
};

TEST_F(HistogramTest, RedBeforeBlueWithTheirCounts) {
    const auto entries = Build({MakeColor(0, 0, 255), MakeColor(255, 0, 0)});
    ASSERT_TRUE(Built);
    ASSERT_EQ(entries.size(), 2u);
    const ColorPoint red = ToColorPoint(Run.ColorSpace, MakeColor(255, 0, 0));
    const ColorPoint blue = ToColorPoint(Run.ColorSpace, MakeColor(0, 0, 255));
    EXPECT_EQ((ColorPoint{entries[0].U, entries[0].V, entries[0].Y}), red);
    EXPECT_EQ((ColorPoint{entries[1].U, entries[1].V, entries[1].Y}), blue);
    EXPECT_EQ(entries[0].Count, 1);
    EXPECT_EQ(entries[1].Count, 1);
    EXPECT_EQ(Job.Progress.load(), 50);
}

TEST_F(HistogramTest, CountsEachDistinctColourOnce) {
    const ColorValue a = MakeColor(1, 2, 3), b = MakeColor(3, 2, 1);
    const auto entries = Build({b, a, b, b, a, b});
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Count, 4);  // b = 0x010203 sorts before a = 0x030201
    EXPECT_EQ(entries[1].Count, 2);
    EXPECT_EQ(entries[0].Y, ToColorPoint(Run.ColorSpace, b).Y);
}

TEST_F(HistogramTest, TrimmingMergesNeighbouringLevels) {
    const auto entries = Build({MakeColor(4, 250, 0), MakeColor(11, 244, 3)}, 7);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Count, 2);
    EXPECT_EQ(entries[0].Y, ToColorPoint(Run.ColorSpace, MakeColor(8, 248, 0)).Y);
}

TEST_F(HistogramTest, TransparentPixelsAreLeftOut) {
    const ColorValue trans = MakeColor(10, 20, 30);
    const auto entries = Build({trans, MakeColor(255, 255, 255), trans}, 0, trans);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Count, 1);
    EXPECT_EQ(entries[0].Y, 65280);
}

// The comparison is made on the whole value before trimming.
TEST_F(HistogramTest, PixelDifferingOnlyInTrimmedBitsIsCounted) {
    const ColorValue trans = MakeColor(16, 16, 16);
    const auto entries = Build({trans, MakeColor(17, 16, 16)}, 7, trans);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Count, 1);
}

TEST_F(HistogramTest, EveryPixelTransparentGivesNoEntries) {
    const ColorValue trans = MakeColor(0, 0, 0);
    const auto entries = Build({trans, trans, trans}, 0, trans);
    EXPECT_TRUE(Built);
    EXPECT_TRUE(entries.empty());
}

TEST_F(HistogramTest, StopRequestEndsTheStage) {
    Job.StopRequested = true;
    Build({MakeColor(1, 1, 1)});
    EXPECT_FALSE(Built);
    EXPECT_NE(Job.Progress.load(), 50);
}

TEST_F(HistogramTest, BatchPicturesShareOneList) {
    std::vector<ColorValue> first = {MakeColor(9, 9, 9), MakeColor(200, 0, 0)};
    std::vector<ColorValue> second = {MakeColor(9, 9, 9), MakeColor(9, 9, 9), MakeColor(0, 0, 1)};
    Work.assign(5, 0);
    Job.Batch = true;
    Job.PictureCount = 2;
    Job.Widths = {2, 3};
    Job.Heights = {1, 1};
    Job.SourcePixelsOf = {first.data(), second.data()};
    Job.WorkBuffer = Work.data();
    TColorList list;
    ASSERT_TRUE(BuildHistogram(Run, list));
    const auto& entries = list.Entries;
    ASSERT_EQ(entries.size(), 3u);
    // Ascending by value: 0x0000C8, 0x010000, 0x090909.
    EXPECT_EQ(entries[0].Count, 1);  // 200,0,0
    EXPECT_EQ(entries[1].Count, 1);  // 0,0,1
    EXPECT_EQ(entries[2].Count, 3);  // 9,9,9 from both pictures
    EXPECT_EQ(entries[2].Y, ToColorPoint(Run.ColorSpace, MakeColor(9, 9, 9)).Y);
}

// Counts by sorting a copy with the library sort, leaving out `trans`.
std::vector<std::pair<ColorValue, int>> SortedCounts(std::vector<ColorValue> keys, uint32_t trans) {
    std::sort(keys.begin(), keys.end());
    std::vector<std::pair<ColorValue, int>> counts;
    for (ColorValue k : keys) {
        if (k == trans) continue;
        if (!counts.empty() && counts.back().first == k)
            ++counts.back().second;
        else
            counts.push_back({k, 1});
    }
    return counts;
}

void ExpectEntries(const std::vector<ColorEntry>& entries,
                   const std::vector<std::pair<ColorValue, int>>& expected,
                   const TColorSpace& space) {
    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const ColorPoint p = ToColorPoint(space, expected[i].first);
        EXPECT_EQ(entries[i].Count, expected[i].second) << i;
        EXPECT_EQ((ColorPoint{entries[i].U, entries[i].V, entries[i].Y}), p) << i;
    }
}

TEST_F(HistogramTest, ManyRepeatedColoursMatchALibrarySort) {
    std::mt19937 random(7);
    std::vector<ColorValue> pixels(50000);
    for (auto& p : pixels) p = random() & 0x0F0F0F;
    const auto entries = Build(pixels);
    ExpectEntries(entries, SortedCounts(pixels, NoTransColor), Run.ColorSpace);
}

// Colours over the whole cube, a transparent colour among them.
TEST_F(HistogramTest, ScatteredColoursWithTransparencyMatchALibrarySort) {
    std::mt19937 random(11);
    std::vector<ColorValue> pixels(80000);
    for (auto& p : pixels) p = random() % 5 == 0 ? MakeColor(7, 7, 7) : random() & 0xFFFFFF;
    const auto entries = Build(pixels, 0, MakeColor(7, 7, 7));
    ExpectEntries(entries, SortedCounts(pixels, MakeColor(7, 7, 7)), Run.ColorSpace);
}

// Every pixel a different colour, all of one blue level: the runs fill the
// whole work buffer.
TEST_F(HistogramTest, AllDistinctColoursInOneBlueLevel) {
    std::vector<ColorValue> pixels;
    for (uint32_t i = 0; i < 65536; ++i) pixels.push_back(((i * 40503u) & 0xFFFF) | 0x420000);
    const auto entries = Build(pixels);
    ExpectEntries(entries, SortedCounts(pixels, NoTransColor), Run.ColorSpace);
}

}  // namespace
