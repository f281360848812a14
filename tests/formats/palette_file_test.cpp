// Palette files: each format read from files made by hand, written and read
// back, the palettes of indexed pictures, and hostile input.

#include "formats/palette_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/bmp.h"
#include "formats/gif_writer.h"
#include "formats/png_writer.h"
#include "support/temp_folder.h"

namespace {

using Colors = std::vector<ColorValue>;
const Colors kThree = {MakeColor(0, 0, 0), MakeColor(255, 128, 1), MakeColor(16, 32, 255)};

Colors Parse(const std::string& bytes, const std::string& name = "x.txt",
             TPaletteError* errorOut = nullptr) {
    Colors colors;
    TPaletteError error;
    ParsePalette(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), name, colors, error);
    if (errorOut) *errorOut = error;
    return colors;
}

TPaletteError ErrorOf(const std::string& bytes, const std::string& name = "x.txt") {
    TPaletteError error;
    EXPECT_TRUE(Parse(bytes, name, &error).empty());
    return error;
}

TEST(PaletteFile, ReadsHandMadeFilesOfEveryTextFormat) {
    EXPECT_EQ(Parse("GIMP Palette\nName: Test\nColumns: 4\n# comment\n  0   0   0\tBlack\n"
                    "255 128   1 Orange\n 16  32 255\n"),
              kThree);
    EXPECT_EQ(Parse("JASC-PAL\r\n0100\r\n3\r\n0 0 0\r\n255 128 1\r\n16 32 255\r\n"), kThree);
    EXPECT_EQ(Parse("000000\nff8001\n1020FF\n", "lospec.hex"), kThree);
    EXPECT_EQ(Parse("\xEF\xBB\xBF#000000\r\n; paint.net\r\nFFff8001\r\n#1020ff\r\n"), kThree);
    EXPECT_EQ(Parse("0 0 0\n\n255,128,1\n16 32 255\n"), kThree);
}

TEST(PaletteFile, ReadsAdobeTablesWithAndWithoutTheCount) {
    std::string act(768, '\0');
    act[3] = '\xFF';
    EXPECT_EQ(Parse(act, "a.ACT").size(), 256u);
    act += std::string("\x00\x02\xFF\xFF", 4);
    EXPECT_EQ(Parse(act, "a.act"), (Colors{0, MakeColor(255, 0, 0)}));
    EXPECT_EQ(ErrorOf(act.substr(0, 700), "a.act").Problem, TPaletteProblem::Truncated);
    // Colours that spell a picture signature are still colours.
    act.replace(0, 6, "BM\x01GIF");
    EXPECT_EQ(Parse(act, "a.act")[0], MakeColor('B', 'M', 1));
    act[769] = 0;
    EXPECT_EQ(ErrorOf(act, "a.act").Problem, TPaletteProblem::CountMismatch);
}

TEST(PaletteFile, EveryWrittenFormatReadsBackInOrder) {
    TTempFolder temp;
    Colors many;
    for (int i = 0; i < 256; ++i) many.push_back(MakeColor(255 - i, i, (i * 7) & 255));
    for (const char* ext : {"gpl", "pal", "act", "hex"}) {
        for (const Colors& colors : {kThree, many, Colors{MakeColor(1, 2, 3)}}) {
            const std::string path = temp.Path(std::string("out.") + ext);
            TPaletteError error;
            ASSERT_TRUE(WritePaletteFile(path, colors, error)) << ext;
            Colors back;
            ASSERT_TRUE(ReadPaletteFile(path, back, error)) << ext << PaletteErrorText(error);
            EXPECT_EQ(back, colors) << ext;
        }
    }
    TPaletteError error;
    EXPECT_FALSE(WritePaletteFile(temp.Path("out.txt"), kThree, error));
    EXPECT_EQ(error.Problem, TPaletteProblem::UnknownFormat);
    EXPECT_FALSE(WritePaletteFile(temp.Path("out.gpl"), {}, error));
    EXPECT_EQ(error.Problem, TPaletteProblem::Empty);
    EXPECT_FALSE(WritePaletteFile(temp.Path("no/such/out.gpl"), kThree, error));
    EXPECT_EQ(error.Problem, TPaletteProblem::System);
}

TEST(PaletteFile, GimpFileLooksLikeGimpsOwn) {
    EXPECT_EQ(PaletteFileImage(kThree, TPaletteFormat::Gpl, "C64"),
              "GIMP Palette\nName: C64\nColumns: 16\n#\n  0   0   0\t#000000\n"
              "255 128   1\t#ff8001\n 16  32 255\t#1020ff\n");
}

TEST(PaletteFile, ReadsThePaletteOfIndexedPngGifAndBmp) {
    TTempFolder temp;
    TPictureRecord record;
    record.Kind = pkIndexed;
    record.Width = 2;
    record.Height = 2;
    record.Colors = 3;
    record.Pixels = {0, 1, 2, 1};
    record.Palette.assign(1024, 0);
    for (int i = 0; i < 3; ++i) record.SetPaletteEntry(i, kThree[i]);
    record.TransCorner = -1;
    for (const char* name : {"p.png", "p.gif", "p.bmp"}) {
        record.FileName = temp.Path(name);
        const std::string ext = name;
        const bool saved = ext == "p.png"   ? SavePng(record, false)
                           : ext == "p.gif" ? SaveGif(record, TGifOptions{})
                                            : SaveBmp(record);
        ASSERT_TRUE(saved) << name;
        Colors colors;
        TPaletteError error;
        ASSERT_TRUE(ReadPaletteFile(record.FileName, colors, error)) << name << PaletteErrorText(error);
        ASSERT_GE(colors.size(), 3u) << name;  // GIF and BMP tables round up to a power of two
        EXPECT_EQ(Colors(colors.begin(), colors.begin() + 3), kThree) << name;
    }
    const std::string png = temp.Read("p.png");
    EXPECT_EQ(ErrorOf(png.substr(0, 40)).Problem, TPaletteProblem::Truncated);
}

struct TBadCase {
    std::string Bytes;
    TPaletteProblem Problem;
    int Line;
};

class PaletteFileRefuses : public ::testing::TestWithParam<TBadCase> {};

TEST_P(PaletteFileRefuses, WithTheLineAndReason) {
    const TPaletteError error = ErrorOf(GetParam().Bytes);
    EXPECT_EQ(error.Problem, GetParam().Problem);
    EXPECT_EQ(error.Line, GetParam().Line);
}

std::string ManyLines(int count) {
    std::string text = "GIMP Palette\n";
    for (int i = 0; i < count; ++i) text += "1 2 3\n";
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, PaletteFileRefuses,
    ::testing::Values(TBadCase{"", TPaletteProblem::Empty, 0},
                      TBadCase{"GIMP Palette\nName: x\n\r\n", TPaletteProblem::Empty, 0},
                      TBadCase{ManyLines(257), TPaletteProblem::TooMany, 258},
                      TBadCase{"0 0 0\n1 -2 3\n", TPaletteProblem::OutOfRange, 2},
                      TBadCase{"0 0 0\n1 256 3\n", TPaletteProblem::OutOfRange, 2},
                      TBadCase{"0 0 0\n1 two 3\n", TPaletteProblem::NotAColor, 2},
                      TBadCase{"0 0 0\n1 2\n", TPaletteProblem::NotAColor, 2},
                      TBadCase{"#12345\n", TPaletteProblem::UnknownHeader, 1},
                      TBadCase{"RIFF PAL data\n0 0 0\n", TPaletteProblem::UnknownHeader, 1},
                      TBadCase{"JASC-PAL\n0200\n1\n0 0 0\n", TPaletteProblem::UnknownHeader, 2},
                      TBadCase{"JASC-PAL\n0100\n2\n0 0 0\n", TPaletteProblem::CountMismatch, 4},
                      TBadCase{"JASC-PAL\n0100\n1\n0 0 0\n9 9 9\n", TPaletteProblem::CountMismatch, 5},
                      TBadCase{"JASC-PAL\n0100\n999\n", TPaletteProblem::TooMany, 3},
                      TBadCase{"0 0 0\n" + std::string(1 << 20, '7') + "\n",
                               TPaletteProblem::LineTooLong, 2},
                      TBadCase{std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16),
                               TPaletteProblem::Truncated, 0},
                      TBadCase{std::string("GIF89a\1\0\1\0\0\0\0\x3b", 14),
                               TPaletteProblem::NoPalette, 0},
                      TBadCase{std::string("\0\xff\x13garbage\x80", 11),
                               TPaletteProblem::UnknownHeader, 1}));

TEST(PaletteFile, HugeAndSpecialFilesAreReadOnlyUpToTheCap) {
    TTempFolder temp;
    const std::string path = temp.Path("huge.gpl");
    {
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("0 0 0\n", file);
        // A sparse 2 GB file: nothing beyond the cap is read.
        ASSERT_EQ(fseeko(file, off_t{2} << 30, SEEK_SET), 0);
        std::fputc('\n', file);
        std::fclose(file);
    }
    Colors colors;
    TPaletteError error;
    EXPECT_FALSE(ReadPaletteFile(path, colors, error));
    EXPECT_EQ(error.Problem, TPaletteProblem::LineTooLong);  // a line of NUL bytes
    EXPECT_FALSE(ReadPaletteFile("/dev/zero", colors, error));
    EXPECT_EQ(error.Problem, TPaletteProblem::System);
    EXPECT_FALSE(ReadPaletteFile(temp.Path("missing.gpl"), colors, error));
    EXPECT_EQ(PaletteErrorText(error), "No such file or directory");
}

TEST(PaletteFile, ColourListsParseAndPrintAlike) {
    Colors colors;
    TPaletteError error;
    ASSERT_TRUE(ParseColorList("#000000, ff8001;#1020FF", colors, error));
    EXPECT_EQ(colors, kThree);
    EXPECT_EQ(ColorListText(colors), "#000000,#ff8001,#1020ff");
    ASSERT_TRUE(ParseColorList("  ", colors, error));
    EXPECT_TRUE(colors.empty());
    EXPECT_FALSE(ParseColorList("#000000,#00000g", colors, error));
    EXPECT_EQ(error.Line, 2);
    EXPECT_EQ(PaletteErrorText(error), "line 2: not a colour");
}

}  // namespace
