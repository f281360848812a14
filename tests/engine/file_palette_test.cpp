// Jobs with a palette from a file and with locked colours, and the palette
// built from merged colour counts.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "engine/palette_only.h"
#include "engine/reduce_job.h"

namespace {

std::vector<ColorValue> Photo(int width, int height) {
    std::vector<ColorValue> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(MakeColor((x * 255) / (width - 1), (y * 255) / (height - 1),
                                       (x * y) % 256));
    return pixels;
}

struct TResult {
    std::vector<uint8_t> Indexes;
    std::array<ColorValue, 256> Palette{};
    bool Succeeded = false;
};

TResult RunOn(ReduceJob& job, const std::vector<ColorValue>& pixels, int width, int height,
              const uint8_t* alpha = nullptr) {
    TResult result;
    result.Indexes.assign(pixels.size(), 0xEE);
    std::vector<int32_t> work(pixels.size());
    SetUpSingleJob(job, width, height, pixels.data(), result.Indexes.data(), result.Palette.data(),
                   work.data(), false);
    job.SourceAlpha = alpha;
    RunJob(job);
    result.Succeeded = job.Succeeded;
    return result;
}

const std::vector<ColorValue> kC64 = {
    0x000000, 0xFFFFFF, 0x2B3768, 0xB2A470, 0x863D6F, 0x4F8D58, 0x79283E, 0x6FC7B8,
    0x254F6F, 0x003943, 0x59679A, 0x444444, 0x848484, 0x84D29A, 0xB55E6C, 0x959595};

class FilePaletteMode : public ::testing::TestWithParam<int> {};

// The palette is exactly the file's, unsnapped and unsorted, in every mode,
// and a one-colour palette maps everything to it without fault. Alpha never
// takes the place of a file colour: it joins the appended transparent entry.
TEST_P(FilePaletteMode, MapsToExactlyTheFileEntries) {
    const std::vector<ColorValue> pixels = Photo(40, 30);
    std::vector<uint8_t> alpha(pixels.size(), 255);
    std::fill(alpha.begin(), alpha.begin() + 40, 0);  // the top row is hidden
    for (const std::vector<ColorValue>& file : {kC64, std::vector<ColorValue>{0x123456}}) {
        for (int corner : {-1, 3}) {
            ReduceJob job;
            TSettingsRecord settings;
            settings.ComboBoxPaletteVolume = 0;  // a Web grid would snap a built palette
            settings.ComboBoxDither = GetParam();
            settings.CheckBoxAdd16 = true;       // ignored with a file palette
            settings.CheckBoxTrans = corner >= 0;
            settings.RadioButtonPaletteFile = true;
            settings.FilePaletteColors.assign(file.begin(), file.end());
            FillReduceJob(settings, job);
            const TResult result = RunOn(job, pixels, 40, 30, alpha.data());
            ASSERT_TRUE(result.Succeeded);
            const size_t count = file.size() + (corner >= 0 ? 1 : 0);
            if (corner >= 0) {
                EXPECT_EQ(result.Indexes[0], file.size());  // hidden by its alpha
            }
            EXPECT_EQ(job.PaletteSize, static_cast<int32_t>(count));
            EXPECT_TRUE(std::equal(file.begin(), file.end(), result.Palette.begin()));
            if (corner >= 0) {
                EXPECT_EQ(result.Palette[file.size()], pixels.back());
            }
            for (uint8_t index : result.Indexes) ASSERT_LT(index, count);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryDither, FilePaletteMode, ::testing::Range(0, 5));

TEST(FilePalette, BatchJobsMapEveryPictureToTheFilePalette) {
    const std::vector<ColorValue> a = Photo(9, 7), b = Photo(5, 11);
    std::vector<uint8_t> ia(a.size()), ib(b.size());
    std::vector<ColorValue> pa(256), pb(256);
    std::vector<int32_t> work(a.size() + b.size());
    ReduceJob job;
    job.FilePalette = kC64;
    job.PaletteSize = 16;
    SetUpBatchJob(job, {9, 5}, {7, 11}, {a.data(), b.data()}, {ia.data(), ib.data()},
                  {pa.data(), pb.data()}, work.data());
    RunJob(job);
    ASSERT_TRUE(job.Succeeded);
    EXPECT_TRUE(std::equal(kC64.begin(), kC64.end(), pb.begin()));
    EXPECT_EQ(job.PaletteCountOf[1], 16);
}

TEST(FilePalette, InconsistentJobsAreRefused) {
    const std::vector<ColorValue> pixels = Photo(4, 4);
    ReduceJob job;
    job.FilePalette.assign(256, 0);
    job.PaletteSize = 257;  // 256 entries and the transparent one
    job.TransCorner = 0;
    EXPECT_FALSE(RunOn(job, pixels, 4, 4).Succeeded);
}

TEST(LockedColors, ArePresentExactlyAfterTheFoundOnesAndKeyed) {
    const std::vector<ColorValue> pixels = Photo(40, 30);
    TSettingsRecord settings;
    settings.PaletteSizeButton = RadioButton1bit;  // 2 colours: raised to fit the locked ones
    ReduceJob plain;
    const std::string plainKey = FillReduceJob(settings, plain);
    EXPECT_EQ(plainKey, "6//2/0/80/80/80/-1");

    settings.LockedColorValues = {0x0000FF, 0xFF8000, 0x00FF00};
    settings.CheckBoxAdd16 = true;
    settings.CheckBoxTrans = true;
    settings.ComboBoxPaletteVolume = 0;  // locked colours are never snapped to the grid
    ReduceJob job;
    const std::string key = FillReduceJob(settings, job);
    EXPECT_EQ(key.substr(key.find("/L")), "/L#ff0000,#0080ff,#00ff00");
    EXPECT_EQ(job.PaletteSize, 20);
    settings.PaletteSizeButton = RadioButton8bit;
    FillReduceJob(settings, job);
    const TResult result = RunOn(job, pixels, 40, 30);
    ASSERT_TRUE(result.Succeeded);
    // 236 found, 3 locked, 16 fixed, transparent last.
    EXPECT_EQ(result.Palette[236], 0x0000FFu);
    EXPECT_EQ(result.Palette[237], 0xFF8000u);
    EXPECT_EQ(result.Palette[238], 0x00FF00u);
    EXPECT_EQ(result.Palette[239], 0u);  // the first fixed colour, black
    EXPECT_EQ(result.Palette[255], pixels.back());
}

// Counting each picture alone and merging gives the palette of the
// integrated run over all of them.
TEST(PaletteFromCounts, EqualsTheIntegratedRunsPalette) {
    const std::vector<ColorValue> a = Photo(31, 17), b = Photo(12, 40);
    for (int mask : {0, 3}) {
        ReduceJob job;
        job.PaletteSize = 20;
        job.SourceMask = mask;
        job.LockedColors = {0x00FF00};
        std::vector<TColorCount> counts = CountPictureColors(a.data(), a.size(), mask, 0x1000000);
        MergeColorCounts(counts, CountPictureColors(b.data(), b.size(), mask, 0x1000000));
        std::vector<ColorValue> palette;
        ASSERT_TRUE(BuildPaletteFromCounts(job, std::move(counts), palette));

        std::vector<uint8_t> ia(a.size()), ib(b.size());
        std::vector<ColorValue> pa(256), pb(256);
        std::vector<int32_t> work(a.size() + b.size());
        SetUpBatchJob(job, {31, 12}, {17, 40}, {a.data(), b.data()}, {ia.data(), ib.data()},
                      {pa.data(), pb.data()}, work.data());
        RunJob(job);
        ASSERT_TRUE(job.Succeeded);
        EXPECT_EQ(palette, std::vector<ColorValue>(pa.begin(), pa.begin() + 20));
    }
}

}  // namespace
