// zinop-cli with palettes: the palette command, --palette, --lock and
// --save-palette on pictures written by the test.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/palette_file.h"
#include "run_cli.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

class CliPalette : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(Temp.Path("in"));
        fs::create_directories(Temp.Path("whole"));
        fs::create_directories(Temp.Path("each"));
        for (int i = 0; i < 3; ++i) WritePicture(In(i), 13 + 7 * i, 9 + i, i + 1);
    }
    std::string In(int i) const { return Temp.Path("in/p" + std::to_string(i) + ".bmp"); }
    std::vector<ColorValue> PaletteAt(const std::string& path) const {
        std::vector<ColorValue> colors;
        TPaletteError error;
        EXPECT_TRUE(ReadPaletteFile(path, colors, error)) << PaletteErrorText(error);
        return colors;
    }
    TTempFolder Temp;
};

// The promise that lets a huge batch be split over machines: one palette
// built once, then each file mapped on its own, gives the integrated run's
// bytes, for each dither mode and with locked and fixed colours.
TEST_F(CliPalette, PaletteThenMapEachFileGivesTheIntegratedBytes) {
    const std::vector<std::vector<std::string>> settings = {
        {"-c", "16"},
        {"-c", "40", "-d", "anime", "--lock", "#0000ff,#ff8000"},
        {"-c", "24", "-d", "maem", "--fixed16", "--source-bits", "6", "--output-fix", "555"},
        {"-c", "8", "-d", "gpeanos", "-f", "png"},
    };
    for (const auto& options : settings) {
        std::vector<std::string> whole = {"reduce", "-q", "--integrated", "-o", Temp.Path("whole")};
        std::vector<std::string> build = {"palette", "-q", Temp.Path("p.gpl")};
        whole.insert(whole.end(), options.begin(), options.end());
        build.insert(build.end(), options.begin(), options.end());
        for (int i = 0; i < 3; ++i) {
            whole.push_back(In(i));
            build.push_back(In(i));
        }
        ASSERT_EQ(RunCli(whole).Status, 0);
        ASSERT_EQ(RunCli(build).Status, 0);
        for (int i = 0; i < 3; ++i) {
            std::vector<std::string> each = {"reduce", "-q", "--palette", Temp.Path("p.gpl"),
                                             "-o", Temp.Path("each")};
            each.insert(each.end(), options.begin(), options.end());
            each.push_back(In(i));
            ASSERT_EQ(RunCli(each).Status, 0);
            const std::string ext = options.back() == "png" ? ".png" : ".bmp";
            const std::string name = "p" + std::to_string(i) + ext;
            EXPECT_EQ(ReadFile(Temp.Path("each/" + name)), ReadFile(Temp.Path("whole/" + name)))
                << name << " with " << options[1];
        }
    }
}

TEST_F(CliPalette, SavePaletteWritesEachOutputsPaletteAndTheSharedOne) {
    ASSERT_EQ(RunCli({"reduce", "-q", "-c", "12", "--transparent", "tl", "--integrated",
                      "--save-palette", "--palette-format", "pal", "-o", Temp.Path("whole"), In(0),
                      In(1)})
                  .Status,
              0);
    EXPECT_EQ(PaletteAt(Temp.Path("whole/p0.pal")).size(), 12u);  // with the transparent entry
    EXPECT_EQ(PaletteAt(Temp.Path("whole/palette.pal")).size(), 11u);
    EXPECT_EQ(PaletteAt(Temp.Path("whole/p1.pal")), PaletteAt(Temp.Path("whole/p0.pal")));
}

TEST_F(CliPalette, BadPaletteInputsFailWithFileLineAndReason) {
    Temp.Write("bad.gpl", "GIMP Palette\n0 0 0\n1 2 300\n");
    const TCliResult bad = RunCli({"reduce", "--palette", Temp.Path("bad.gpl"), In(0)});
    EXPECT_EQ(bad.Status, 1);
    EXPECT_NE(bad.Err.find("bad.gpl: line 3: value out of range 0..255"), std::string::npos)
        << bad.Err;

    std::string full = "GIMP Palette\n";
    for (int i = 0; i < 256; ++i) full += "1 2 3\n";
    Temp.Write("full.gpl", full);
    const TCliResult noRoom =
        RunCli({"reduce", "--palette", Temp.Path("full.gpl"), "--transparent", "tl", In(0)});
    EXPECT_EQ(noRoom.Status, 1);
    EXPECT_NE(noRoom.Err.find("no room for the transparent entry"), std::string::npos);

    const TCliResult list = RunCli({"reduce", "--lock", "#00ff00,#12345g", In(0)});
    EXPECT_EQ(list.Status, 2);
    EXPECT_NE(list.Err.find("item 2: not a colour"), std::string::npos) << list.Err;

    EXPECT_EQ(RunCli({"palette", Temp.Path("p.png"), In(0)}).Status, 2);
    EXPECT_FALSE(fs::exists(Temp.Path("each/p0.bmp")));
}

}  // namespace
