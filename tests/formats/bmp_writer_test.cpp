// BMP writing: exact bytes of small pictures, the depth chosen from the
// colour count, round trips through the reader, the clipboard form and safe
// saving.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/bmp.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr ColorValue kRed = MakeColor(255, 0, 0), kBlue = MakeColor(0, 0, 255);

TPictureRecord Indexed(int width, int height, int colors, Bytes indexes) {
    TPictureRecord r;
    r.Kind = pkIndexed;
    r.Width = width;
    r.Height = height;
    r.Colors = colors;
    r.Pixels = std::move(indexes);
    r.Palette.assign(1024, 0);
    for (int i = 0; i < 256; ++i) r.SetPaletteEntry(i, MakeColor(i, 255 - i, (i * 37) & 0xFF));
    return r;
}

TPictureRecord FullColour(int width, int height) {
    TPictureRecord r;
    r.Kind = pkFullColour;
    r.Width = width;
    r.Height = height;
    r.Pixels.resize(static_cast<size_t>(width) * height * 4);
    for (int i = 0; i < width * height; ++i)
        r.ColorPixels()[i] = MakeColor(i * 11 & 0xFF, i * 29 & 0xFF, i * 71 & 0xFF);
    return r;
}

Bytes Write(const TPictureRecord& r) {
    TByteBuffer buffer;
    WriteBmpImage(r, buffer);
    EXPECT_EQ(buffer.Position, 0u);
    return buffer.Data;
}

uint32_t U32At(const Bytes& b, size_t offset) {
    return b[offset] | b[offset + 1] << 8 | b[offset + 2] << 16 |
           static_cast<uint32_t>(b[offset + 3]) << 24;
}
uint16_t U16At(const Bytes& b, size_t offset) {
    return static_cast<uint16_t>(b[offset] | b[offset + 1] << 8);
}

Bytes PixelRows(const Bytes& file) { return Bytes(file.begin() + U32At(file, 10), file.end()); }

// The full-colour picture an indexed record shows through its palette.
std::vector<ColorValue> ThroughPalette(const TPictureRecord& r) {
    std::vector<ColorValue> colors;
    for (uint8_t index : r.Pixels) colors.push_back(r.PaletteEntry(index));
    return colors;
}

std::vector<ColorValue> ReadBack(const Bytes& file) {
    TByteBuffer buffer;
    buffer.Data = file;
    TPictureRecord r;
    EXPECT_EQ(DecodeBmp(r, buffer), 0);
    return std::vector<ColorValue>(r.ColorPixels(), r.ColorPixels() + r.Width * r.Height);
}

TEST(BmpWriter, TwoByTwoTwoColourPictureIsSeventyExactBytes) {
    TPictureRecord r = Indexed(2, 2, 2, {0, 1, 1, 0});
    r.SetPaletteEntry(0, kRed);
    r.SetPaletteEntry(1, kBlue);
    // clang-format off
    const Bytes expected = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,   // file header
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,              // header size, width, height
        1, 0, 1, 0, 0, 0, 0, 0, 8, 0, 0, 0,               // planes, bits, compression, image size
        0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,   // resolutions, colours used, important
        0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00,   // red, blue
        0x80, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00,   // bottom row, top row
    };
    // clang-format on
    EXPECT_EQ(Write(r), expected);
}

TEST(BmpWriter, NinePixelsAtOneBitFillAFourByteStride) {
    const TPictureRecord r = Indexed(9, 1, 2, {1, 0, 0, 0, 0, 0, 0, 1, 1});
    const Bytes file = Write(r);
    EXPECT_EQ(U16At(file, 28), 1);
    EXPECT_EQ(PixelRows(file), (Bytes{0x81, 0x80, 0, 0}));
}

TEST(BmpWriter, SixteenColoursThreeWidePackNibbles) {
    const TPictureRecord r = Indexed(3, 1, 16, {0xA, 0x5, 0xF});
    const Bytes file = Write(r);
    EXPECT_EQ(U16At(file, 28), 4);
    EXPECT_EQ(PixelRows(file), (Bytes{0xA5, 0xF0, 0, 0}));
}

TEST(BmpWriter, ThreeColoursUseFourBitsAndExactlyThreeEntries) {
    const Bytes file = Write(Indexed(1, 1, 3, {2}));
    EXPECT_EQ(U16At(file, 28), 4);
    EXPECT_EQ(U32At(file, 10), 66u);
    EXPECT_EQ(U32At(file, 46), 3u);
    EXPECT_EQ(file.size(), 70u);
    EXPECT_EQ(U32At(file, 2), 70u);
}

struct TDepthCase {
    int Colors;
    int Bits;
};

class BmpWriterDepth : public testing::TestWithParam<TDepthCase> {};

TEST_P(BmpWriterDepth, FollowsTheColourCountAndReadsBackThroughThePalette) {
    const int colors = GetParam().Colors;
    Bytes indexes;
    for (int i = 0; i < 7 * 5; ++i) indexes.push_back(static_cast<uint8_t>((i * 13) % colors));
    const TPictureRecord r = Indexed(7, 5, colors, indexes);
    const Bytes file = Write(r);
    EXPECT_EQ(U16At(file, 28), GetParam().Bits);
    EXPECT_EQ(U32At(file, 46), static_cast<uint32_t>(colors));
    EXPECT_EQ(U32At(file, 10), 54u + 4 * colors);
    EXPECT_EQ(U32At(file, 34), (7u * GetParam().Bits + 31) / 32 * 4 * 5);
    EXPECT_EQ(file.size(), U32At(file, 2));
    EXPECT_EQ(ReadBack(file), ThroughPalette(r));
}

INSTANTIATE_TEST_SUITE_P(Colors, BmpWriterDepth,
                         testing::Values(TDepthCase{1, 1}, TDepthCase{2, 1}, TDepthCase{3, 4},
                                         TDepthCase{16, 4}, TDepthCase{17, 8}, TDepthCase{256, 8}));

TEST(BmpWriter, FullColourIs24BitWithoutTableAndReadsBackEqual) {
    for (int width = 1; width <= 5; ++width) {
        TPictureRecord r = FullColour(width, 3);
        r.Colors = 7;                  // meaningless for a full-colour record
        r.Palette.assign(1024, 0xAB);  // never written
        const Bytes file = Write(r);
        EXPECT_EQ(U16At(file, 28), 24);
        EXPECT_EQ(U32At(file, 46), 0u);
        EXPECT_EQ(U32At(file, 10), 54u);
        const size_t stride = (3 * width + 3) / 4 * 4;
        EXPECT_EQ(file.size(), 54 + stride * 3);
        EXPECT_EQ(ReadBack(file),
                  std::vector<ColorValue>(r.ColorPixels(), r.ColorPixels() + width * 3));
    }
}

TEST(BmpWriter, RowsAreBottomUpBlueGreenRedWithZeroPadding) {
    TPictureRecord r = FullColour(1, 2);
    r.ColorPixels()[0] = MakeColor(1, 2, 3);  // top
    r.ColorPixels()[1] = MakeColor(4, 5, 6);  // bottom
    EXPECT_EQ(PixelRows(Write(r)), (Bytes{6, 5, 4, 0, 3, 2, 1, 0}));
}

TEST(BmpWriter, OversizedIndexesDoNotSpillIntoNeighbours) {
    const Bytes file = Write(Indexed(3, 1, 2, {0, 0xFF, 0}));
    EXPECT_EQ(PixelRows(file), (Bytes{0x40, 0, 0, 0}));
}

TEST(BmpWriter, LeavesTheBufferUntouchedForRecordsItCannotWrite) {
    std::vector<TPictureRecord> records;
    records.push_back(TPictureRecord{});  // pkNone
    TPictureRecord batch;
    batch.Kind = pkBatch;
    records.push_back(batch);
    records.push_back(Indexed(2, 2, 0, {0, 0, 0, 0}));    // Colors 0
    records.push_back(Indexed(2, 2, 257, {0, 0, 0, 0}));  // Colors 257
    records.push_back(Indexed(2, 2, 2, {0, 0, 0}));       // short Pixels
    TPictureRecord noPalette = Indexed(2, 2, 2, {0, 0, 0, 0});
    noPalette.Palette.clear();
    records.push_back(noPalette);
    TPictureRecord empty = FullColour(1, 1);
    empty.Width = 0;
    records.push_back(empty);
    for (const TPictureRecord& r : records) {
        TByteBuffer buffer;
        buffer.Data = {1, 2, 3};
        buffer.Position = 2;
        WriteBmpImage(r, buffer);
        EXPECT_EQ(buffer.Data, (Bytes{1, 2, 3}));
        EXPECT_EQ(buffer.Position, 2u);
    }
}

TEST(BmpWriter, ClipboardFormIsTheImageWithoutItsFileHeader) {
    const TPictureRecord r = Indexed(5, 3, 16, Bytes(15, 9));
    const Bytes file = Write(r);
    const Bytes dib(file.begin() + 14, file.end());
    TPictureRecord pasted;
    ASSERT_EQ(LoadPictureFromDib(pasted, dib.data(), dib.size()), 0);
    EXPECT_EQ(std::vector<ColorValue>(pasted.ColorPixels(), pasted.ColorPixels() + 15),
              ThroughPalette(r));
}

// ---- SaveBmp --------------------------------------------------------------

class SaveBmpTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("zinop_bmp_save_" + std::to_string(getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static Bytes ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    size_t EntriesInDir() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_),
                                                 std::filesystem::directory_iterator()));
    }
    std::filesystem::path dir_;
};

TEST_F(SaveBmpTest, WritesWhatWriteBmpImageBuildsAndLoadPictureReadsIt) {
    TPictureRecord r = FullColour(4, 3);
    r.FileName = (dir_ / "out.bmp").string();
    ASSERT_TRUE(SaveBmp(r));
    EXPECT_EQ(ReadFile(r.FileName), Write(r));
    TPictureRecord loaded;
    loaded.FileName = r.FileName;
    ASSERT_EQ(LoadPicture(loaded), 0);
    EXPECT_EQ(loaded.Pixels, r.Pixels);
    EXPECT_EQ(EntriesInDir(), 1u);  // no temporary file left behind
}

TEST_F(SaveBmpTest, ReplacesAnExistingFile) {
    const std::filesystem::path path = dir_ / "out.bmp";
    std::ofstream(path) << "old contents that are longer than nothing";
    TPictureRecord r = Indexed(2, 2, 2, {0, 1, 1, 0});
    r.FileName = path.string();
    ASSERT_TRUE(SaveBmp(r));
    EXPECT_EQ(ReadFile(path), Write(r));
}

TEST_F(SaveBmpTest, FailsWithoutHarmWhenTheTargetCannotBeWritten) {
    TPictureRecord r = FullColour(2, 2);
    r.FileName = dir_.string();  // a folder
    EXPECT_FALSE(SaveBmp(r));
    EXPECT_TRUE(std::filesystem::is_directory(dir_));
    r.FileName = (dir_ / "missing" / "out.bmp").string();
    EXPECT_FALSE(SaveBmp(r));
    r.FileName.clear();
    EXPECT_FALSE(SaveBmp(r));
    EXPECT_EQ(EntriesInDir(), 0u);
}

TEST_F(SaveBmpTest, UnwritableRecordLeavesAnExistingFileIntact) {
    const std::filesystem::path path = dir_ / "keep.bmp";
    std::ofstream(path) << "keep me";
    TPictureRecord none;
    none.FileName = path.string();
    EXPECT_FALSE(SaveBmp(none));
    const Bytes kept = ReadFile(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");
    EXPECT_EQ(EntriesInDir(), 1u);
}

}  // namespace
