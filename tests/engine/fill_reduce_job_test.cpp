#include <gtest/gtest.h>

#include "engine/reduce_job.h"

namespace {

TEST(FillReduceJob, FirstStartSettingsGiveTheDocumentedKey) {
    TSettingsRecord settings;
    ReduceJob job;
    EXPECT_EQ(FillReduceJob(settings, job), "6//256/0/80/80/80/-1");
    EXPECT_EQ(job.PaletteSize, 256);
    EXPECT_EQ(job.OutputPrecision, 6);
    EXPECT_EQ(job.SourceMask, 0);
    EXPECT_EQ(job.DitherMode, 2);
    EXPECT_EQ(job.DitherDepth, 70);
    EXPECT_EQ(job.SpreadOption, 16);
    EXPECT_FALSE(job.AddFixed16);
    EXPECT_EQ(job.TransCorner, -1);
}

TEST(FillReduceJob, FixedColoursAreOneCharacterOfCodeOne) {
    TSettingsRecord settings;
    settings.CheckBoxAdd16 = true;
    ReduceJob job;
    EXPECT_EQ(FillReduceJob(settings, job), std::string("6/\x01/256/0/80/80/80/-1"));
}

TEST(FillReduceJob, KeyCarriesEveryPaletteSetting) {
    TSettingsRecord settings;
    settings.ComboBoxPaletteVolume = 0;
    settings.PaletteSizeButton = RadioButtonPalette;
    settings.UpDownValue = 37;
    settings.ComboBoxTrim = 0;
    settings.TrackBarCb = 0;
    settings.TrackBarCr = 14;
    settings.TrackBarCg = 20;
    settings.CheckBoxTrans = true;
    settings.TransCornerButton = RadioButtonRT;
    ReduceJob job;
    EXPECT_EQ(FillReduceJob(settings, job), "0//37/7/30/100/130/2");
}

TEST(FillReduceJob, DitherSettingsStayOutOfTheKey) {
    TSettingsRecord a, b;
    b.ComboBoxDither = 4;
    b.TrackBarDither = 2;
    b.UpDownDitherOption = 60;
    ReduceJob jobA, jobB;
    EXPECT_EQ(FillReduceJob(a, jobA), FillReduceJob(b, jobB));
    EXPECT_EQ(jobB.DitherMode, 4);
    EXPECT_EQ(jobB.DitherDepth, 20);
    EXPECT_EQ(jobB.SpreadOption, 60);
}

TEST(FillReduceJob, PaletteSizeButtons) {
    const std::pair<TPaletteSizeButton, int> cases[] = {{RadioButton8bit, 256},
                                                        {RadioButton4bit, 16},
                                                        {RadioButton1bit, 2},
                                                        {RadioButtonPalette, 64}};
    for (const auto& [button, size] : cases) {
        TSettingsRecord settings;
        settings.PaletteSizeButton = button;
        ReduceJob job;
        FillReduceJob(settings, job);
        EXPECT_EQ(job.PaletteSize, size);
    }
}

TEST(FillReduceJob, OneBitIsRaisedForFixedColoursAndTransparency) {
    TSettingsRecord settings;
    settings.PaletteSizeButton = RadioButton1bit;
    settings.CheckBoxAdd16 = true;
    ReduceJob job;
    FillReduceJob(settings, job);
    EXPECT_EQ(job.PaletteSize, 16);
    settings.CheckBoxTrans = true;
    EXPECT_EQ(FillReduceJob(settings, job), std::string("6/\x01/17/0/80/80/80/3"));
    EXPECT_EQ(job.PaletteSize, 17);
}

TEST(FillReduceJob, SourcePrecisionGivesTheMasks) {
    const int masks[4] = {7, 3, 1, 0};
    for (int trim = 0; trim < 4; ++trim) {
        TSettingsRecord settings;
        settings.ComboBoxTrim = trim;
        ReduceJob job;
        FillReduceJob(settings, job);
        EXPECT_EQ(job.SourceMask, masks[trim]);
    }
}

TEST(FillReduceJob, TransparencyCorners) {
    const std::pair<TTransCornerButton, int> cases[] = {
        {RadioButtonLT, 0}, {RadioButtonLB, 1}, {RadioButtonRT, 2}, {RadioButtonRB, 3}};
    for (const auto& [button, corner] : cases) {
        TSettingsRecord settings;
        settings.TransCornerButton = button;
        ReduceJob job;
        FillReduceJob(settings, job);
        EXPECT_EQ(job.TransCorner, -1);
        settings.CheckBoxTrans = true;
        FillReduceJob(settings, job);
        EXPECT_EQ(job.TransCorner, corner);
    }
}

TEST(FillReduceJob, StoresTheOutputOptionsInTheRecord) {
    TSettingsRecord settings;
    settings.BatchSaveDirectory = "/tmp/out";
    settings.BatchFormatButton = RadioButtonGIF;
    settings.ComboBoxGIF = 3;
    settings.CheckBoxPNGinterlace = true;
    ReduceJob job;
    FillReduceJob(settings, job);
    EXPECT_EQ(settings.BatchSaveDirectory, "/tmp/out/");
    EXPECT_EQ(settings.BatchFormat, 2);
    EXPECT_TRUE(settings.GifOptions.Interlace);
    EXPECT_TRUE(settings.GifOptions.Version89a);
    EXPECT_TRUE(settings.PngInterlace);
    FillReduceJob(settings, job);
    EXPECT_EQ(settings.BatchSaveDirectory, "/tmp/out/");
}

// Values from a damaged settings file never leave their ranges.
TEST(FillReduceJob, OutOfRangeControlValuesAreHeldInRange) {
    TSettingsRecord settings;
    settings.PaletteSizeButton = RadioButtonPalette;
    settings.UpDownValue = 999;
    settings.TrackBarCb = -3;
    settings.TrackBarDither = 40;
    settings.UpDownDitherOption = 100;
    settings.ComboBoxPaletteVolume = 9;
    ReduceJob job;
    FillReduceJob(settings, job);
    EXPECT_EQ(job.PaletteSize, 256);
    EXPECT_EQ(job.WeightBlue, 30);
    EXPECT_EQ(job.DitherDepth, 100);
    EXPECT_EQ(job.SpreadOption, 64);
    EXPECT_EQ(job.OutputPrecision, 6);
}

TEST(SetUpJob, BatchNeverReusesAndSizesTheCounts) {
    ReduceJob job;
    job.ReusePalette = true;
    ColorValue pixels[2] = {};
    uint8_t indexes[2] = {};
    ColorValue palette[256] = {};
    int32_t work[2] = {};
    SetUpBatchJob(job, {1, 1}, {1, 1}, {pixels, pixels + 1}, {indexes, indexes + 1},
                  {palette, palette}, work);
    EXPECT_TRUE(job.Batch);
    EXPECT_FALSE(job.ReusePalette);
    EXPECT_EQ(job.PictureCount, 2);
    EXPECT_EQ(job.PaletteCountOf.size(), 2u);
    SetUpSingleJob(job, 2, 1, pixels, indexes, palette, work, true);
    EXPECT_FALSE(job.Batch);
    EXPECT_TRUE(job.ReusePalette);
    EXPECT_EQ(job.Width, 2);
}

}  // namespace
