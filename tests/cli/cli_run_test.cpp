// The built zinop-cli on pictures written by the test: logs, exit statuses,
// outputs, usage errors, convert, info, --settings and Ctrl+C.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "run_cli.h"
#include "support/temp_folder.h"
#include "formats/bmp.h"

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

int BmpBitCount(const std::string& path) {
    const std::string bytes = ReadFile(path);
    if (bytes.size() < 30 || bytes.compare(0, 2, "BM") != 0) {
        return -1;
    }
    return static_cast<unsigned char>(bytes[28]) | static_cast<unsigned char>(bytes[29]) << 8;
}

bool IsPng(const std::string& path) { return ReadFile(path).compare(0, 8, "\x89PNG\r\n\x1a\n") == 0; }
bool IsGif(const std::string& path) { return ReadFile(path).compare(0, 4, "GIF8") == 0; }

class CliRun : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(Temp.Path("in"));
        fs::create_directories(Temp.Path("out"));
    }
    std::string In(const std::string& name) const { return Temp.Path("in/" + name); }
    std::string Out(const std::string& name) const { return Temp.Path("out/" + name); }
    std::vector<std::string> OutFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Temp.Path("out"))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TTempFolder Temp;
};

TEST_F(CliRun, ThreeFilesWhoseSecondCannotBeReadGiveTheElevenLineLog) {
    WritePicture(In("a.bmp"), 20, 10);
    Temp.Write("in/b.bmp", "not a picture");
    WritePicture(In("c.bmp"), 7, 9);
    const std::string outDir = Temp.Path("out/");
    const TCliResult result =
        RunCli({"reduce", "-o", Temp.Path("out"), "-f", "png", In("a.bmp"), In("b.bmp"), In("c.bmp")});
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.OutLines(),
              (Lines{"", "Load : " + In("a.bmp"), "Reduce...", "Save...",
                     "Finish (1/3) " + outDir + "a.png", "Can't load : " + In("b.bmp"),
                     "Load : " + In("c.bmp"), "Reduce...", "Save...",
                     "Finish (3/3) " + outDir + "c.png", "Complete."}));
    EXPECT_TRUE(IsPng(Out("a.png")));
    EXPECT_TRUE(IsPng(Out("c.png")));
    EXPECT_EQ(OutFolder(), (Lines{"a.png", "c.png"}));
    // The reason for the one failure, and no progress bar when stderr is
    // not a terminal.
    EXPECT_EQ(result.Err, "zinop-cli: cannot read " + In("b.bmp") +
                              ": not a picture any plug-in or the BMP reader understands\n");
}

TEST_F(CliRun, AllWrittenIsStatusZeroAndPaletteSizeSetsTheBmpDepth) {
    WritePicture(In("a.bmp"), 30, 20);
    WritePicture(In("b.bmp"), 5, 5);
    const TCliResult result = RunCli({"reduce", "-q", "-c", "16", "-o", Temp.Path("out"),
                                      In("a.bmp"), In("b.bmp")});
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, "");  // quiet
    EXPECT_EQ(BmpBitCount(Out("a.bmp")), 4);
    EXPECT_EQ(BmpBitCount(Out("b.bmp")), 4);
    EXPECT_EQ(RunCli({"reduce", "-q", "-o", Temp.Path("out"), In("a.bmp")}).Status, 0);
    EXPECT_EQ(BmpBitCount(Out("a.bmp")), 8);  // 256 colours by default
}

TEST_F(CliRun, EveryDitherModeAndFormatWrites) {
    WritePicture(In("a.bmp"), 24, 16);
    for (const char* dither : {"none", "gpeanos", "diffusefs", "maem", "anime"}) {
        const TCliResult result = RunCli({"reduce", "-q", "-d", dither, "-f", "gif", "--gif-type",
                                          "3", "--transparent", "br", "-o", Temp.Path("out"),
                                          In("a.bmp")});
        EXPECT_EQ(result.Status, 0) << dither << result.Err;
        EXPECT_TRUE(IsGif(Out("a.gif"))) << dither;
        fs::remove(Out("a.gif"));
    }
}

TEST_F(CliRun, IntegratedRunLog) {
    WritePicture(In("a.bmp"), 8, 8);
    WritePicture(In("c"), 6, 4);
    const TCliResult result = RunCli({"reduce", "--integrated", "-f", "gif", "-o", Temp.Path("out"),
                                      In("a.bmp"), In("missing.bmp"), In("c")});
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.OutLines(),
              (Lines{"Load : " + In("a.bmp"), "Can't load : " + In("missing.bmp"),
                     "Load : " + In("c"), "Reduce...", "Save : " + Temp.Path("out/a.gif"),
                     "Save : " + Temp.Path("out/c.gif"), "Complete."}));
    EXPECT_TRUE(IsGif(Out("c.gif")));
}

TEST_F(CliRun, JapaneseLocaleGivesJapaneseLog) {
    WritePicture(In("a.bmp"), 4, 4);
    TCliRun run;
    run.Args = {"reduce", "-o", Temp.Path("out"), In("a.bmp")};
    run.Lang = "ja_JP.UTF-8";
    const TCliResult result = RunCli(run);
    EXPECT_EQ(result.OutLines(),
              (Lines{"", "読込 : " + In("a.bmp"), "減色中...", "保存中...",
                     "完了 (1/1) " + Temp.Path("out/a.bmp"), "終了"}));
}

TEST_F(CliRun, OutputOverTheSourceIsSkippedByTextAndByIdentity) {
    WritePicture(In("cat.bmp"), 6, 6);
    const std::string original = ReadFile(In("cat.bmp"));
    fs::create_directory_symlink(Temp.Path("in"), Temp.Path("link"));
    for (const std::string& folder :
         {Temp.Path("in"), Temp.Path("in/"), Temp.Path("out/../in"), Temp.Path("link")}) {
        const TCliResult result = RunCli({"reduce", "-o", folder, In("cat.bmp")});
        EXPECT_EQ(result.Status, 1) << folder;
        const Lines lines = result.OutLines();
        ASSERT_EQ(lines.size(), 6u) << result.Out;
        EXPECT_EQ(lines[4], "Skip : same filename") << folder;
        EXPECT_EQ(ReadFile(In("cat.bmp")), original) << folder;
    }
    // Relative source, default output folder = the current directory.
    TCliRun run;
    run.Args = {"reduce", "cat.bmp"};
    run.WorkDir = Temp.Path("in");
    EXPECT_NE(RunCli(run).Out.find("Skip : same filename"), std::string::npos);
    EXPECT_EQ(ReadFile(In("cat.bmp")), original);
}

TEST_F(CliRun, DefaultOutputFolderIsTheCurrentDirectory) {
    WritePicture(In("dog.bmp"), 3, 3);
    TCliRun run;
    run.Args = {"reduce", "-f", "png", In("dog.bmp")};
    run.WorkDir = Temp.Path("out");
    EXPECT_EQ(RunCli(run).Status, 0);
    EXPECT_TRUE(IsPng(Out("dog.png")));
}

TEST_F(CliRun, MissingOutputFolderFailsBeforeTheFirstFile) {
    WritePicture(In("a.bmp"), 3, 3);
    const TCliResult result = RunCli({"reduce", "-o", Temp.Path("nowhere"), In("a.bmp")});
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Out, "");  // nothing was loaded or reduced
    EXPECT_EQ(result.Err, "zinop-cli: cannot write into " + Temp.Path("nowhere") +
                              ": No such file or directory\n");
}

TEST_F(CliRun, UsageErrorsExitTwoWithOneLineAndWhereTheHelpIs) {
    WritePicture(In("a.bmp"), 3, 3);
    for (const Lines& args : {Lines{"reduce", "-c", "1", In("a.bmp")},
                              Lines{"reduce", "--weights", "10,10", In("a.bmp")}, Lines{"reduce"},
                              Lines{"frob"}, Lines{}}) {
        const TCliResult result = RunCli(args);
        EXPECT_EQ(result.Status, 2);
        EXPECT_EQ(result.Out, "");
        EXPECT_EQ(Occurrences(result.Err, "\n"), 2u) << result.Err;
        EXPECT_EQ(result.Err.find("Usage:"), std::string::npos);
    }
    const TCliResult result = RunCli({"reduce", "--depth", "12", In("a.bmp")});
    EXPECT_EQ(result.Err, "zinop-cli: --depth: expected a whole number in 0..10, got '12'\n"
                          "Try 'zinop-cli --help'.\n");
    EXPECT_EQ(OutFolder(), Lines{});
}

TEST_F(CliRun, HelpAndVersion) {
    const TCliResult help = RunCli({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_EQ(help.Out.rfind("Usage:", 0), 0u);
    const TCliResult version = RunCli({"--version"});
    EXPECT_EQ(version.Status, 0);
    EXPECT_NE(version.Out.find("35"), std::string::npos);
}

TEST_F(CliRun, ConvertWritesFullColourBmpAndPngAndRefusesGif) {
    WritePicture(In("a.bmp"), 9, 7);
    EXPECT_EQ(RunCli({"convert", In("a.bmp"), Out("full.BMP")}).Status, 0);
    EXPECT_EQ(BmpBitCount(Out("full.BMP")), 24);
    EXPECT_EQ(RunCli({"convert", In("a.bmp"), Out("full.png")}).Status, 0);
    EXPECT_TRUE(IsPng(Out("full.png")));
    // GIF holds only reduced pictures: a usage error, found before loading.
    const TCliResult gif = RunCli({"convert", In("none.bmp"), Out("full.gif")});
    EXPECT_EQ(gif.Status, 2);
    EXPECT_NE(gif.Err.find("OUT must end in .bmp or .png"), std::string::npos) << gif.Err;
    EXPECT_FALSE(fs::exists(Out("full.gif")));
    const TCliResult missing = RunCli({"convert", In("none.bmp"), Out("x.bmp")});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_EQ(missing.Err, In("none.bmp") + "\nCan't load\nzinop-cli: cannot read " +
                               In("none.bmp") + ": No such file or directory\n");
    EXPECT_EQ(RunCli({"convert", In("a.bmp"), Out("x.tif")}).Status, 2);
}

TEST_F(CliRun, InfoCountsDistinctColours) {
    TPictureRecord record;
    record.Kind = pkFullColour;
    record.Width = 4;
    record.Height = 3;
    const ColorValue colors[12] = {1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 0x00FFFFFF};
    record.Pixels.assign(reinterpret_cast<const uint8_t*>(colors),
                         reinterpret_cast<const uint8_t*>(colors) + sizeof colors);
    record.FileName = In("six.bmp");
    ASSERT_TRUE(SaveBmp(record));
    const TCliResult english = RunCli({"info", In("six.bmp")});
    EXPECT_EQ(english.Status, 0);
    EXPECT_EQ(english.Out, "4 x 3 / 6 color(s).\n");
    TCliRun run;
    run.Args = {"info", In("six.bmp")};
    run.Lang = "ja_JP.UTF-8";
    EXPECT_EQ(RunCli(run).Out, "4 x 3 / 6 色.\n");
    EXPECT_EQ(RunCli({"info", In("none.bmp")}).Status, 1);
}

TEST_F(CliRun, SettingsFileAppliesAndTheCommandLineOverridesIt) {
    WritePicture(In("a.bmp"), 10, 10);
    // Version 35: 4-bit palette, PNG batch format.
    Temp.Write("z.ini", "[zinop]\nVersion=35\nBits=1\nBatchIs=1\nditherMode=0\n");
    EXPECT_EQ(RunCli({"reduce", "-q", "--settings", Temp.Path("z.ini"), "-o", Temp.Path("out"),
                      In("a.bmp")})
                  .Status,
              0);
    EXPECT_TRUE(IsPng(Out("a.png")));
    EXPECT_EQ(RunCli({"reduce", "-q", "--settings", Temp.Path("z.ini"), "-f", "bmp", "-o",
                      Temp.Path("out"), In("a.bmp")})
                  .Status,
              0);
    EXPECT_EQ(BmpBitCount(Out("a.bmp")), 4);
    Temp.Write("old.ini", "[zinop]\nVersion=34\n");
    const TCliResult old = RunCli({"reduce", "--settings", Temp.Path("old.ini"), In("a.bmp")});
    EXPECT_EQ(old.Status, 2);
    EXPECT_NE(old.Err.find("--settings"), std::string::npos);
    // A settings file that cannot be read: one line with the reason, status 1.
    Temp.Write("big.ini", "[zinop]\nVersion=35\n" + std::string(1100000, ';'));
    for (const auto& [name, reason] : {std::pair<std::string, std::string>{"none.ini", "No such file or directory"},
                                       {"", "Is a directory"},
                                       {"big.ini", "File too large"}}) {
        const TCliResult bad = RunCli({"reduce", "--settings", Temp.Path(name), In("a.bmp")});
        EXPECT_EQ(bad.Status, 1) << name;
        EXPECT_EQ(bad.Err, "zinop-cli: cannot read settings file " + Temp.Path(name) + ": " + reason + "\n");
    }
}

TEST_F(CliRun, CtrlCStopsTheRunKeepsWrittenFilesAndLeavesNoPartialFile) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        WritePicture(In(name), 1200, 900);
    }
    TCliRun run;
    run.Args = {"reduce", "-o", Temp.Path("out"), In("a.bmp"), In("b.bmp"), In("c.bmp")};
    int reductions = 0;
    run.OnLine = [&reductions](int pid, const std::string& line) {
        if (line == "Reduce..." && ++reductions == 2) {
            kill(pid, SIGINT);  // while the second file is being reduced
        }
    };
    const TCliResult result = RunCli(run);
    EXPECT_EQ(result.Status, 130);
    const Lines lines = result.OutLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Abort.");
    EXPECT_EQ(lines.back(), "Complete.");
    EXPECT_EQ(result.Out.find("Load : " + In("c.bmp")), std::string::npos);
    EXPECT_NE(result.Out.find("Finish (1/3)"), std::string::npos);
    // a.bmp is written completely; b.bmp only if its reduction had already
    // ended; nothing else (no temporary file) is left.
    const Lines written = OutFolder();
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written[0], "a.bmp");
    EXPECT_LE(written.size(), 2u);
    for (const std::string& name : written) {
        TPictureRecord record;
        record.FileName = Out(name);
        EXPECT_EQ(LoadPicture(record), 0) << name;
    }
}

}  // namespace

namespace {

// The bundled plug-ins beside zinop-cli open other formats out of the box.
TEST_F(CliRun, PicturesThroughTheBundledPlugins) {
    const fs::path plugin = fs::path(ZINOP_CLI_PATH).parent_path() / "ifpng.spi";
    if (!fs::exists(plugin)) {
        GTEST_SKIP() << "no bundled PNG plug-in beside zinop-cli";
    }
    WritePicture(In("a.bmp"), 10, 6);
    ASSERT_EQ(RunCli({"convert", In("a.bmp"), In("photo.png")}).Status, 0);
    const TCliResult info = RunCli({"info", In("photo.png")});
    EXPECT_EQ(info.Status, 0);
    EXPECT_EQ(info.Out.rfind("10 x 6 / ", 0), 0u) << info.Out;
    EXPECT_EQ(RunCli({"reduce", "-q", "-f", "gif", "-o", Temp.Path("out"), In("photo.png")}).Status, 0);
    EXPECT_TRUE(IsGif(Out("photo.gif")));
    // An empty plug-in folder: PNG files can no longer be read.
    fs::create_directories(Temp.Path("empty"));
    EXPECT_EQ(RunCli({"info", "--plugins", Temp.Path("empty"), In("photo.png")}).Status, 1);
    const TCliResult list = RunCli({"plugins"});
    EXPECT_EQ(list.Status, 0);
    EXPECT_NE(list.Out.find("ifpng.spi: loaded"), std::string::npos) << list.Out;
    Temp.Write("z.ini", "[zinop]\nVersion=35\n[plugins]\nIFPNG.SPI=0\n");
    const TCliResult disabled = RunCli({"plugins", "--settings", Temp.Path("z.ini")});
    EXPECT_NE(disabled.Out.find("ifpng.spi: disabled"), std::string::npos) << disabled.Out;
    EXPECT_EQ(RunCli({"info", "--settings", Temp.Path("z.ini"), In("photo.png")}).Status, 1);
}

}  // namespace
