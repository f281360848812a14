#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "engine/reduce_job.h"

namespace {

// A 4x4 picture: row y holds alpha 255, 128, 127, 0 from left to right;
// columns carry four colours, the hidden ones (alpha 127 and 0) unlike
// any visible one.
struct AlphaJob {
    explicit AlphaJob(int dither = 0) {
        const ColorValue visible[2] = {MakeColor(200, 30, 30), MakeColor(30, 30, 200)};
        const ColorValue hidden[2] = {MakeColor(0, 255, 0), MakeColor(255, 255, 0)};
        const uint8_t alphas[4] = {255, 128, 127, 0};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                Pixels.push_back(x < 2 ? visible[y % 2] : hidden[y % 2]);
                Alpha.push_back(alphas[x]);
            }
        Palette.fill(0xFFFFFFFF);
        Job.DitherMode = dither;
        Job.PaletteSize = 8;
    }
    void Run() {
        SetUpSingleJob(Job, 4, 4, Pixels.data(), Indexes.data(), Palette.data(), Work.data(),
                       false);
        Job.SourceAlpha = Alpha.data();
        RunJob(Job);
    }
    bool Transparent(int x, int y) const { return Indexes[y * 4 + x] == Job.TransIndex; }

    std::vector<ColorValue> Pixels;
    std::vector<uint8_t> Alpha;
    std::vector<uint8_t> Indexes = std::vector<uint8_t>(16, 0xEE);
    std::vector<int32_t> Work = std::vector<int32_t>(16);
    std::array<ColorValue, 256> Palette{};
    ReduceJob Job;
};

class AlphaThreshold : public ::testing::TestWithParam<int> {};

// Below the threshold is transparent, at or above it opaque, in every mode.
TEST_P(AlphaThreshold, SplitsAtTheThresholdInEveryMode) {
    for (int threshold : {128, 255, 1}) {
        AlphaJob run(GetParam());
        run.Job.AlphaThreshold = threshold;
        run.Run();
        ASSERT_TRUE(run.Job.Succeeded);
        const uint8_t alphas[4] = {255, 128, 127, 0};
        EXPECT_TRUE(run.Job.AlphaTransparent);  // alpha 0 is below every threshold
        EXPECT_EQ(run.Job.TransIndex, 7);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(run.Transparent(x, y), alphas[x] < threshold)
                    << "threshold " << threshold << " x " << x << " y " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, AlphaThreshold, ::testing::Values(0, 1, 2, 3, 4));

TEST(AlphaTransparency, HiddenColoursNeverReachThePalette) {
    AlphaJob run(2);
    run.Run();
    ASSERT_TRUE(run.Job.Succeeded);
    for (int i = 0; i < run.Job.PaletteSize - 1; ++i) {
        EXPECT_NE(run.Palette[i], MakeColor(0, 255, 0)) << i;
        EXPECT_NE(run.Palette[i], MakeColor(255, 255, 0)) << i;
    }
    // The visible columns keep their own colours exactly.
    EXPECT_EQ(run.Palette[run.Indexes[0]], MakeColor(200, 30, 30));
    EXPECT_EQ(run.Palette[run.Indexes[4]], MakeColor(30, 30, 200));
}

TEST(AlphaTransparency, AllTransparentAndNoneTransparent) {
    AlphaJob all;
    all.Alpha.assign(16, 0);
    all.Run();
    ASSERT_TRUE(all.Job.Succeeded);
    for (uint8_t index : all.Indexes) EXPECT_EQ(index, all.Job.TransIndex);

    AlphaJob none;
    none.Alpha.assign(16, 200);
    none.Run();
    ASSERT_TRUE(none.Job.Succeeded);
    EXPECT_FALSE(none.Job.AlphaTransparent);
    EXPECT_EQ(none.Job.TransIndex, 0);
}

TEST(AlphaTransparency, SwitchedOffOrWithoutAlphaGivesTodaysIndexes) {
    AlphaJob plain(2);
    plain.Run();  // with alpha, for contrast
    AlphaJob off(2);
    off.Job.UseAlpha = false;
    off.Run();
    AlphaJob without(2);
    SetUpSingleJob(without.Job, 4, 4, without.Pixels.data(), without.Indexes.data(),
                   without.Palette.data(), without.Work.data(), false);
    RunJob(without.Job);
    ASSERT_TRUE(off.Job.Succeeded && without.Job.Succeeded);
    EXPECT_FALSE(off.Job.AlphaTransparent);
    EXPECT_EQ(off.Indexes, without.Indexes);
    EXPECT_EQ(off.Palette, without.Palette);
    EXPECT_NE(plain.Indexes, without.Indexes);
}

TEST(AlphaTransparency, CornerAndAlphaTogetherEitherMakesTransparent) {
    AlphaJob run;
    run.Job.TransCorner = 0;  // top left: the red of row 0 and 2
    run.Run();
    ASSERT_TRUE(run.Job.Succeeded);
    EXPECT_EQ(run.Palette[run.Job.TransIndex], MakeColor(200, 30, 30));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(run.Transparent(x, y), x >= 2 || y % 2 == 0) << x << "," << y;
}

TEST(AlphaTransparency, PaletteWithoutRoomMapsByColour) {
    AlphaJob run;
    run.Job.PaletteSize = 16;
    run.Job.AddFixed16 = true;
    run.Run();
    ASSERT_TRUE(run.Job.Succeeded);
    EXPECT_FALSE(run.Job.AlphaTransparent);
}

TEST(AlphaTransparency, IntegratedBatchReadsEachPicturesAlpha) {
    AlphaJob first, second;
    second.Alpha.assign(16, 255);
    std::vector<int32_t> work(32);
    std::array<ColorValue, 256> p1{}, p2{};
    ReduceJob job;
    job.DitherMode = 0;
    job.PaletteSize = 8;
    SetUpBatchJob(job, {4, 4}, {4, 4}, {first.Pixels.data(), second.Pixels.data()},
                  {first.Indexes.data(), second.Indexes.data()}, {p1.data(), p2.data()},
                  work.data());
    job.SourceAlphaOf = {first.Alpha.data(), second.Alpha.data()};
    RunJob(job);
    ASSERT_TRUE(job.Succeeded);
    EXPECT_TRUE(job.AlphaTransparent);
    EXPECT_EQ(first.Indexes[3], job.TransIndex);
    for (uint8_t index : second.Indexes) EXPECT_NE(index, job.TransIndex);
}

TEST(AlphaTransparency, PaletteKeyNamesAlphaOnlyWhenNotDefault) {
    ReduceJob job;
    const std::string plain = PaletteKey(job);
    EXPECT_EQ(plain.find("/a"), std::string::npos);
    job.AlphaThreshold = 200;
    EXPECT_EQ(PaletteKey(job), plain + "/a200");
    job.UseAlpha = false;
    EXPECT_EQ(PaletteKey(job), plain + "/a0");
}

}  // namespace
