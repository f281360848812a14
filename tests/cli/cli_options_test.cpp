// zinop-cli's command line: every option lands on the settings control it
// stands for, values outside their range are refused by name.

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "engine/reduce_job.h"

namespace {

struct TParse {
    bool Ok = false;
    TCliOptions Options;
    std::string Error;
    TSettingsRecord Record;
};

TParse Parse(std::vector<std::string> args) {
    std::vector<const char*> argv{"zinop-cli"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    TParse parse;
    parse.Ok = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), parse.Options,
                                parse.Error);
    if (parse.Ok) {
        ApplyOptions(parse.Options, parse.Record);
    }
    return parse;
}

TEST(CliOptions, NoOptionsKeepsFirstStartValuesAndTheirPaletteKey) {
    TParse parse = Parse({"reduce", "a.bmp", "b.bmp"});
    ASSERT_TRUE(parse.Ok) << parse.Error;
    EXPECT_EQ(parse.Options.Command, TCliCommand::Reduce);
    EXPECT_EQ(parse.Options.Files, (std::vector<std::string>{"a.bmp", "b.bmp"}));
    EXPECT_FALSE(parse.Options.Integrated);
    EXPECT_FALSE(parse.Options.Quiet);
    ReduceJob job;
    EXPECT_EQ(FillReduceJob(parse.Record, job), "6//256/0/80/80/80/-1");
    EXPECT_EQ(job.DitherMode, 2);
    EXPECT_EQ(job.DitherDepth, 70);
    EXPECT_EQ(job.SpreadOption, 16);
    EXPECT_EQ(parse.Record.BatchFormat, 0);
}

TEST(CliOptions, EveryReductionOptionReachesItsControl) {
    TParse parse = Parse({"reduce", "-o", "out", "-f", "gif", "-c", "100", "--fixed16",
                          "--transparent", "tl", "-d", "anime", "--depth", "3", "--spread", "64",
                          "--output-fix", "555", "--source-bits", "6", "--weights", "0,20,7",
                          "--gif-type", "3", "--png-interlace", "--integrated", "-q", "x.bmp"});
    ASSERT_TRUE(parse.Ok) << parse.Error;
    const TSettingsRecord& r = parse.Record;
    EXPECT_EQ(parse.Options.OutputDir, "out");
    EXPECT_EQ(r.BatchFormatButton, RadioButtonGIF);
    EXPECT_EQ(r.PaletteSizeButton, RadioButtonPalette);
    EXPECT_EQ(r.UpDownValue, 100);
    EXPECT_TRUE(r.CheckBoxAdd16);
    EXPECT_TRUE(r.CheckBoxTrans);
    EXPECT_EQ(r.TransCornerButton, RadioButtonLT);
    EXPECT_EQ(r.ComboBoxDither, 4);
    EXPECT_EQ(r.TrackBarDither, 3);
    EXPECT_EQ(r.UpDownDitherOption, 64);
    EXPECT_EQ(r.ComboBoxPaletteVolume, 2);
    EXPECT_EQ(r.ComboBoxTrim, 1);
    EXPECT_EQ(r.TrackBarCb, 0);
    EXPECT_EQ(r.TrackBarCr, 20);
    EXPECT_EQ(r.TrackBarCg, 7);
    EXPECT_EQ(r.ComboBoxGIF, 3);
    EXPECT_TRUE(r.CheckBoxPNGinterlace);
    EXPECT_TRUE(parse.Options.Integrated);
    EXPECT_TRUE(parse.Options.Quiet);
}

TEST(CliOptions, ColourCountsPickTheMatchingPaletteButton) {
    EXPECT_EQ(Parse({"reduce", "-c", "256", "x"}).Record.PaletteSizeButton, RadioButton8bit);
    EXPECT_EQ(Parse({"reduce", "-c", "16", "x"}).Record.PaletteSizeButton, RadioButton4bit);
    EXPECT_EQ(Parse({"reduce", "-c", "2", "x"}).Record.PaletteSizeButton, RadioButton1bit);
    TParse parse = Parse({"reduce", "--colors=3", "x"});
    EXPECT_EQ(parse.Record.PaletteSizeButton, RadioButtonPalette);
    ReduceJob job;
    FillReduceJob(parse.Record, job);
    EXPECT_EQ(job.PaletteSize, 3);
}

TEST(CliOptions, EveryCornerAndOutputGrid) {
    const char* corners[] = {"tl", "bl", "tr", "br"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Parse({"reduce", "--transparent", corners[i], "x"}).Record.TransCornerButton, i);
    }
    const char* grids[] = {"web", "444", "555", "655", "666", "777", "888"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(Parse({"reduce", "--output-fix", grids[i], "x"}).Record.ComboBoxPaletteVolume, i);
    }
}

TEST(CliOptions, InlineAndShortFormsAndDoubleDash) {
    TParse parse = Parse({"reduce", "-c16", "--depth=0", "--", "-odd.bmp"});
    ASSERT_TRUE(parse.Ok) << parse.Error;
    EXPECT_EQ(parse.Record.TrackBarDither, 0);
    EXPECT_EQ(parse.Options.Files, (std::vector<std::string>{"-odd.bmp"}));
}

struct TBadValue {
    std::vector<std::string> Args;
    std::string Expected;  // part of the message
};

// Readable case names and values in test listings.
void PrintTo(const TBadValue& value, std::ostream* out) {
    for (const std::string& arg : value.Args) *out << arg << ' ';
}
std::string BadValueName(const ::testing::TestParamInfo<TBadValue>& info) {
    return "Case" + std::to_string(info.index);
}

class CliUsageError : public ::testing::TestWithParam<TBadValue> {};

TEST_P(CliUsageError, IsRefusedWithAMessageNamingTheOption) {
    TParse parse = Parse(GetParam().Args);
    EXPECT_FALSE(parse.Ok);
    EXPECT_NE(parse.Error.find(GetParam().Expected), std::string::npos) << parse.Error;
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, CliUsageError,
    ::testing::Values(
        TBadValue{{"reduce", "-c", "1", "x"}, "--colors: expected a whole number in 2..256"},
        TBadValue{{"reduce", "-c", "257", "x"}, "--colors: expected a whole number in 2..256"},
        TBadValue{{"reduce", "-c", "-5", "x"}, "--colors"},
        TBadValue{{"reduce", "-c", "12a", "x"}, "got '12a'"},
        TBadValue{{"reduce", "--depth", "11", "x"}, "--depth: expected a whole number in 0..10"},
        TBadValue{{"reduce", "--spread", "65", "x"}, "--spread: expected a whole number in 0..64"},
        TBadValue{{"reduce", "--source-bits", "4", "x"}, "--source-bits: expected a whole number in 5..8"},
        TBadValue{{"reduce", "--gif-type", "4", "x"}, "--gif-type: expected a whole number in 0..3"},
        TBadValue{{"reduce", "--weights", "1,2", "x"}, "--weights: expected CB,CR,CG"},
        TBadValue{{"reduce", "--weights", "1,2,21", "x"}, "0..20"},
        TBadValue{{"reduce", "--weights", "1,2,3,4", "x"}, "--weights"},
        TBadValue{{"reduce", "--weights", "1,,3", "x"}, "--weights"},
        TBadValue{{"reduce", "-d", "floyd", "x"}, "none, gpeanos, diffusefs, maem or anime"},
        TBadValue{{"reduce", "-f", "jpg", "x"}, "--format: expected bmp, png or gif"},
        TBadValue{{"reduce", "--transparent", "middle", "x"}, "tl, bl, tr or br"},
        TBadValue{{"reduce", "--output-fix", "565", "x"}, "web, 444, 555, 655, 666, 777 or 888"},
        TBadValue{{"reduce", "-c"}, "--colors: expected a value"},
        TBadValue{{"reduce", "--fixed16=1", "x"}, "--fixed16 takes no value"},
        TBadValue{{"reduce", "--frobnicate", "x"}, "unknown option --frobnicate"},
        TBadValue{{"reduce"}, "reduce: expected at least one FILE"},
        TBadValue{{"convert", "a.bmp"}, "convert: expected IN and OUT"},
        TBadValue{{"info"}, "info: expected one FILE"},
        TBadValue{{"info", "a", "b"}, "info: expected one FILE"},
        TBadValue{{"plugins", "x"}, "plugins: takes no FILE"},
        TBadValue{{"info", "-c", "16", "x"}, "--colors applies to reduce only"},
        TBadValue{{"shrink", "x"}, "unknown command 'shrink'"},
        TBadValue{{}, "expected a command"}),
    BadValueName);

TEST(CliOptions, HelpAndVersionWinWherever) {
    EXPECT_EQ(Parse({"--help"}).Options.Command, TCliCommand::Help);
    EXPECT_EQ(Parse({"reduce", "--help"}).Options.Command, TCliCommand::Help);
    EXPECT_EQ(Parse({"--version", "reduce"}).Options.Command, TCliCommand::Version);
}

TEST(CliOptions, CommonOptionsForEveryCommand) {
    TParse parse = Parse({"info", "--plugins", "/p", "--settings", "z.ini", "x.bmp"});
    ASSERT_TRUE(parse.Ok) << parse.Error;
    EXPECT_EQ(parse.Options.PluginsDir, "/p");
    EXPECT_EQ(parse.Options.SettingsFile, "z.ini");
}

TEST(CliOptions, LaterOptionsOverrideEarlierOnes) {
    TParse parse = Parse({"reduce", "-c", "16", "-c", "40", "x"});
    EXPECT_EQ(parse.Record.PaletteSizeButton, RadioButtonPalette);
    EXPECT_EQ(parse.Record.UpDownValue, 40);
}

TEST(CliOptions, UsageNamesEveryOption) {
    const std::string usage = UsageText();
    for (const char* option :
         {"--output-dir", "--format", "--colors", "--fixed16", "--transparent", "--dither",
          "--depth", "--spread", "--output-fix", "--source-bits", "--weights", "--integrated",
          "--quiet", "--gif-type", "--png-interlace", "--settings", "--plugins", "--help",
          "--version"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

TEST(CliOptions, PngSettingsForReduceAndConvertOnly) {
    EXPECT_TRUE(Parse({"reduce", "x"}).Options.Png.AdaptiveFilters);
    EXPECT_EQ(Parse({"reduce", "x"}).Options.Png.Level, 9);
    TParse parse = Parse({"convert", "--png-filters", "none", "--png-level=0", "a", "b.png"});
    ASSERT_TRUE(parse.Ok) << parse.Error;
    EXPECT_FALSE(parse.Options.Png.AdaptiveFilters);
    EXPECT_EQ(parse.Options.Png.Level, 0);
    EXPECT_TRUE(Parse({"reduce", "--png-filters", "none", "--png-filters", "adaptive", "x"})
                    .Options.Png.AdaptiveFilters);
    EXPECT_EQ(Parse({"reduce", "--png-filters", "sub", "x"}).Error,
              "--png-filters: expected adaptive or none, got 'sub'");
    EXPECT_EQ(Parse({"reduce", "--png-level", "10", "x"}).Error,
              "--png-level: expected a whole number in 0..9, got '10'");
    EXPECT_EQ(Parse({"info", "--png-level", "3", "x"}).Error,
              "--png-level applies to reduce and convert only");
    EXPECT_EQ(Parse({"convert", "-c", "16", "a", "b"}).Error, "--colors applies to reduce only");
}

}  // namespace
