// BMP reading: every depth and compression built as bytes here, the header
// variants, refusal of malformed and truncated files, DIB wrapping and
// LoadPicture's plug-in hook.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/bmp.h"
#include "formats/pixel_cap.h"
#include "largest_allocation.h"
#include "support/process_state.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A 40-byte Windows information header (or larger, zero-padded).
Bytes InfoHeader(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0,
                 uint32_t colorsUsed = 0, uint32_t headerSize = 40, uint16_t planes = 1) {
    Bytes b;
    Put32(b, headerSize);
    Put32(b, static_cast<uint32_t>(width));
    Put32(b, static_cast<uint32_t>(height));
    Put16(b, planes);
    Put16(b, bits);
    Put32(b, compression);
    Put32(b, 0);  // image size
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, colorsUsed);
    Put32(b, 7);  // colours important: anything
    b.resize(headerSize, 0);
    return b;
}

// Colour-table entries blue, green, red, 0 from colour values.
Bytes Table(const std::vector<ColorValue>& colors) {
    Bytes b;
    for (ColorValue c : colors)
        Put32(b, static_cast<uint32_t>(BlueOf(c) | GreenOf(c) << 8 | RedOf(c) << 16));
    return b;
}

// File header + header block + pixels; the pixels follow the header block.
Bytes MakeBmp(const Bytes& headerAndTable, const Bytes& pixels) {
    Bytes b{'B', 'M'};
    const uint32_t offset = static_cast<uint32_t>(14 + headerAndTable.size());
    Put32(b, offset + static_cast<uint32_t>(pixels.size()));
    Put32(b, 0);
    Put32(b, offset);
    return Cat(Cat(b, headerAndTable), pixels);
}

TByteBuffer Buffer(const Bytes& bytes) {
    TByteBuffer buffer;
    buffer.Data = bytes;
    return buffer;
}

ColorValue At(const TPictureRecord& r, int x, int y) { return r.ColorPixels()[y * r.Width + x]; }

std::vector<ColorValue> AllPixels(const TPictureRecord& r) {
    return std::vector<ColorValue>(r.ColorPixels(), r.ColorPixels() + r.Width * r.Height);
}

constexpr ColorValue kRed = MakeColor(255, 0, 0), kGreen = MakeColor(0, 255, 0),
                     kBlue = MakeColor(0, 0, 255), kWhite = MakeColor(255, 255, 255),
                     kGrey = MakeColor(10, 20, 30);

TPictureRecord Decode(const Bytes& bytes, int expectedResult = 0) {
    TPictureRecord record;
    EXPECT_EQ(DecodeBmp(record, Buffer(bytes)), expectedResult);
    return record;
}

// An 8-bit 3 x 2 picture: top row 1 2 3, bottom row 0 1 2, four table entries.
Bytes Small8Bit() {
    return MakeBmp(Cat(InfoHeader(3, 2, 8, 0, 4), Table({kGrey, kRed, kGreen, kBlue})),
                   {0, 1, 2, 0, 1, 2, 3, 0});
}

TEST(BmpReader, Reads1BitRowsBottomUpMostSignificantBitFirst) {
    // 9 pixels: the ninth lives alone in the top bit of the second byte.
    const Bytes bmp = MakeBmp(Cat(InfoHeader(9, 2, 1), Table({kRed, kBlue})),
                              {0x80, 0x00, 0, 0, 0x40, 0x80, 0, 0});
    const TPictureRecord r = Decode(bmp);
    EXPECT_EQ(r.Kind, pkFullColour);
    ASSERT_EQ(r.Width, 9);
    ASSERT_EQ(r.Height, 2);
    ASSERT_EQ(r.Pixels.size(), 9u * 2 * 4);
    EXPECT_EQ(At(r, 0, 0), kRed);
    EXPECT_EQ(At(r, 1, 0), kBlue);
    EXPECT_EQ(At(r, 8, 0), kBlue);
    EXPECT_EQ(At(r, 0, 1), kBlue);
    EXPECT_EQ(At(r, 1, 1), kRed);
    EXPECT_EQ(At(r, 8, 1), kRed);
}

TEST(BmpReader, Reads4BitHighNibbleFirst) {
    const Bytes bmp =
        MakeBmp(Cat(InfoHeader(3, 1, 4), Table({kGrey, kRed, kGreen, kBlue})), {0x12, 0x30, 0, 0});
    const TPictureRecord r = Decode(bmp);
    EXPECT_EQ(AllPixels(r), (std::vector<ColorValue>{kRed, kGreen, kBlue}));
}

TEST(BmpReader, Reads8BitWithColorsUsed) {
    const TPictureRecord r = Decode(Small8Bit());
    EXPECT_EQ(AllPixels(r), (std::vector<ColorValue>{kRed, kGreen, kBlue, kGrey, kRed, kGreen}));
}

TEST(BmpReader, ColorsUsedZeroReads256EntriesAndTwentyReadsTwenty) {
    std::vector<ColorValue> colors;
    for (int i = 0; i < 256; ++i) colors.push_back(MakeColor(i, 255 - i, i / 2));
    const Bytes full = MakeBmp(Cat(InfoHeader(2, 1, 8, 0, 0), Table(colors)), {255, 19, 0, 0});
    EXPECT_EQ(AllPixels(Decode(full)), (std::vector<ColorValue>{colors[255], colors[19]}));

    // 20 entries: index 19 is the last one; index 20 lies beyond and reads black,
    // even though the next bytes of the file (the pixels) could pass for one.
    colors.resize(20);
    const Bytes twenty = MakeBmp(Cat(InfoHeader(2, 1, 8, 0, 20), Table(colors)), {19, 20, 0, 0});
    EXPECT_EQ(AllPixels(Decode(twenty)), (std::vector<ColorValue>{colors[19], 0u}));
}

TEST(BmpReader, Reads24BitBlueGreenRed) {
    const Bytes bmp = MakeBmp(InfoHeader(1, 2, 24), {3, 2, 1, 0, 30, 20, 10, 0});
    const TPictureRecord r = Decode(bmp);
    EXPECT_EQ(At(r, 0, 0), MakeColor(10, 20, 30));
    EXPECT_EQ(At(r, 0, 1), MakeColor(1, 2, 3));
}

TEST(BmpReader, OneByOneGivesRedGreenBlueZero) {
    const TPictureRecord r = Decode(MakeBmp(InfoHeader(1, 1, 24), {0x33, 0x22, 0x11, 0}));
    EXPECT_EQ(r.Pixels, (Bytes{0x11, 0x22, 0x33, 0}));
}

TEST(BmpReader, Reads32BitIgnoringTheFourthByte) {
    const Bytes bmp = MakeBmp(InfoHeader(2, 1, 32), {3, 2, 1, 0xFF, 6, 5, 4, 0x80});
    const TPictureRecord r = Decode(bmp);
    EXPECT_EQ(r.Pixels, (Bytes{1, 2, 3, 0, 4, 5, 6, 0}));
}

TEST(BmpReader, Reads16BitAs555ByDefault) {
    // 0x7FFF white, 0x7C00 red, 0x0010 blue half (16 of 31 widens to 132).
    const Bytes bmp = MakeBmp(InfoHeader(3, 1, 16), {0xFF, 0x7F, 0x00, 0x7C, 0x10, 0x00, 0, 0});
    EXPECT_EQ(AllPixels(Decode(bmp)),
              (std::vector<ColorValue>{kWhite, kRed, MakeColor(0, 0, 132)}));
}

TEST(BmpReader, Reads565BitFieldsAfterA40ByteHeader) {
    Bytes header = InfoHeader(4, 1, 16, 3);
    Put32(header, 0xF800);
    Put32(header, 0x07E0);
    Put32(header, 0x001F);
    // red, full green, blue, green 32 of 63 (-> 130)
    const Bytes bmp = MakeBmp(header, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x00, 0x04});
    EXPECT_EQ(AllPixels(Decode(bmp)),
              (std::vector<ColorValue>{kRed, kGreen, kBlue, MakeColor(0, 130, 0)}));
}

TEST(BmpReader, ReadsBitFieldsInsideAV5HeaderWithWideChannels) {
    // 32-bit pixels with 10-bit channels (blue low): the top 8 bits are kept.
    Bytes header = InfoHeader(1, 1, 32, 3, 0, 124);
    const Bytes masks = {0x00, 0x00, 0xF0, 0x3F, 0x00, 0xFC, 0x0F, 0x00, 0xFF, 0x03, 0x00, 0x00};
    std::copy(masks.begin(), masks.end(), header.begin() + 40);
    Bytes pixel;
    Put32(pixel, (0x3FFu << 20) | (0x200u << 10) | 0x004u);
    EXPECT_EQ(AllPixels(Decode(MakeBmp(header, pixel))),
              (std::vector<ColorValue>{MakeColor(255, 128, 1)}));
}

TEST(BmpReader, ReadsTopDownRows) {
    const Bytes bmp = MakeBmp(InfoHeader(1, -2, 24), {3, 2, 1, 0, 30, 20, 10, 0});
    const TPictureRecord r = Decode(bmp);
    ASSERT_EQ(r.Height, 2);
    EXPECT_EQ(At(r, 0, 0), MakeColor(1, 2, 3));
    EXPECT_EQ(At(r, 0, 1), MakeColor(10, 20, 30));
}

TEST(BmpReader, ReadsOs2CoreHeaderWithThreeByteEntries) {
    Bytes header;
    Put32(header, 12);
    Put16(header, 2);  // width
    Put16(header, 2);  // height
    Put16(header, 1);  // planes
    Put16(header, 1);  // bits

    const Bytes table = {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00};  // red, blue
    const TPictureRecord r = Decode(MakeBmp(Cat(header, table), {0x80, 0, 0, 0, 0x40, 0, 0, 0}));
    EXPECT_EQ(AllPixels(r), (std::vector<ColorValue>{kRed, kBlue, kBlue, kRed}));

    Bytes header24 = header;
    header24[10] = 24;
    EXPECT_EQ(
        AllPixels(Decode(MakeBmp(header24, {3, 2, 1, 6, 5, 4, 0, 0, 9, 8, 7, 0, 0, 0, 0, 0}))),
        (std::vector<ColorValue>{MakeColor(7, 8, 9), 0u, MakeColor(1, 2, 3), MakeColor(4, 5, 6)}));
}

TEST(BmpReader, IndexBeyondTableReadsBlackAndShortTableEndsAtPixels) {
    // 8-bit, colours used 0 (256 announced) but only 2 entries before the pixels.
    const Bytes bmp = MakeBmp(Cat(InfoHeader(3, 1, 8), Table({kRed, kBlue})), {1, 0, 200, 0});
    EXPECT_EQ(AllPixels(Decode(bmp)), (std::vector<ColorValue>{kBlue, kRed, 0u}));
}

TEST(BmpReader, ReadsRle8RunsAbsoluteDeltaAndLineEnds) {
    // 5 x 3, stored bottom row first. Skipped pixels take entry 0 (grey).
    const Bytes codes = {
        2, 1,              // bottom row: red red
        0, 3, 2, 3, 1, 0,  // absolute: green blue red (+1 pad byte)
        0, 0,              // end of line
        0, 2, 2, 1,        // delta: two right, one up -> row 2 (top), x 2
        2, 3,              // blue blue
        0, 1,              // end of bitmap
    };
    const Bytes bmp =
        MakeBmp(Cat(InfoHeader(5, 3, 8, 1), Table({kGrey, kRed, kGreen, kBlue})), codes);
    const TPictureRecord r = Decode(bmp);
    EXPECT_EQ(AllPixels(r), (std::vector<ColorValue>{kGrey, kGrey, kBlue, kBlue, kGrey,  // top
                                                     kGrey, kGrey, kGrey, kGrey, kGrey,  // middle
                                                     kRed, kRed, kGreen, kBlue, kRed}));
}

TEST(BmpReader, ReadsRle4AlternatingNibblesAndOddAbsolute) {
    const Bytes codes = {
        5, 0x12,              // 1 2 1 2 1
        0, 3,    0x31, 0x20,  // absolute 3 1 2 (2 bytes, already even)
        0, 0,                 // end of line
        0, 1,                 // end of bitmap: the top row stays entry 0
    };
    std::vector<ColorValue> table = {kGrey, kRed, kGreen, kBlue};
    table.resize(16, kWhite);
    const Bytes bmp = MakeBmp(Cat(InfoHeader(8, 2, 4, 2), Table(table)), codes);
    const TPictureRecord r = Decode(bmp);
    std::vector<ColorValue> expected(8, kGrey);
    for (ColorValue c : {kRed, kGreen, kRed, kGreen, kRed, kBlue, kRed, kGreen})
        expected.push_back(c);
    EXPECT_EQ(AllPixels(r), expected);
}

TEST(BmpReader, FailureKeepsThePreviousRecordAndSuccessTouchesOnlyThePicture) {
    TPictureRecord r;
    r.Kind = pkIndexed;
    r.Width = 7;
    r.Height = 1;
    r.Pixels = Bytes(7, 1);
    r.Palette = Bytes(1024, 9);
    r.Colors = 5;
    r.TransCorner = 2;
    r.FileName = "x.bmp";
    Bytes bad = Small8Bit();
    bad[0] = 'X';
    EXPECT_EQ(DecodeBmp(r, Buffer(bad)), 1);
    EXPECT_EQ(r.Kind, pkIndexed);
    EXPECT_EQ(r.Width, 7);
    EXPECT_EQ(r.Pixels, Bytes(7, 1));

    EXPECT_EQ(DecodeBmp(r, Buffer(Small8Bit())), 0);
    EXPECT_EQ(r.Kind, pkFullColour);
    EXPECT_EQ(r.Width, 3);
    EXPECT_EQ(r.Pixels.size(), 3u * 2 * 4);
    EXPECT_EQ(r.Palette, Bytes(1024, 9));
    EXPECT_EQ(r.Colors, 5);
    EXPECT_EQ(r.TransCorner, 2);
    EXPECT_EQ(r.FileName, "x.bmp");
}

// ---- refusals ---------------------------------------------------------

struct TBadCase {
    const char* Name;
    Bytes File;
};

void PrintTo(const TBadCase& c, std::ostream* os) { *os << c.Name; }

Bytes With32(Bytes b, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<uint8_t>(v >> (8 * i));
    return b;
}
Bytes With16(Bytes b, size_t offset, uint16_t v) {
    b[offset] = static_cast<uint8_t>(v);
    b[offset + 1] = static_cast<uint8_t>(v >> 8);
    return b;
}

Bytes Cut(const Bytes& b, size_t length) { return Bytes(b.begin(), b.begin() + length); }

Bytes Rle8(const Bytes& codes, int32_t width = 4, int32_t height = 2) {
    return MakeBmp(Cat(InfoHeader(width, height, 8, 1), Table({kGrey, kRed})), codes);
}

Bytes BitFields16(uint32_t red, uint32_t green, uint32_t blue, uint32_t headerSize = 40) {
    Bytes header = InfoHeader(1, 1, 16, 3, 0, headerSize);
    header.resize(40);
    Put32(header, red);
    Put32(header, green);
    Put32(header, blue);
    if (headerSize > 52) header.resize(headerSize, 0);
    return MakeBmp(header, {0, 0, 0, 0});
}

std::vector<TBadCase> BadFiles() {
    const Bytes good = Small8Bit();
    return {
        {"NotBM", With16(good, 0, 0x4D42 + 1)},
        {"Empty", {}},
        {"FileHeaderOnly", Cut(good, 14)},
        {"HeaderCutShort", Cut(good, 40)},
        {"HeaderSize20", With32(good, 14, 20)},
        {"HeaderSizeHuge", With32(good, 14, 0x7FFFFFFF)},
        {"PlanesZero", With16(good, 26, 0)},
        {"Depth2", With16(good, 28, 2)},
        {"Depth0", With16(good, 28, 0)},
        {"Depth64", With16(good, 28, 64)},
        {"CompressionJpeg", With32(good, 30, 4)},
        {"CompressionUnknown", With32(good, 30, 0x80000000u)},
        {"Rle4At8Bits", With32(good, 30, 2)},
        {"BitFieldsAt8Bits", With32(good, 30, 3)},
        {"BitFieldsAt24Bits", With32(MakeBmp(InfoHeader(1, 1, 24), {0, 0, 0, 0}), 30, 3)},
        {"ColorsUsed257", With32(good, 46, 257)},
        {"ColorsUsedHuge", With32(good, 46, 0xFFFFFFFFu)},
        {"WidthZero", With32(good, 18, 0)},
        {"WidthNegative", With32(good, 18, 0xFFFFFFFDu)},
        {"HeightZero", With32(good, 22, 0)},
        {"HeightMostNegative", With32(good, 22, 0x80000000u)},
        {"Over2To28Pixels", With32(With32(good, 18, 1u << 15), 22, (1u << 13) + 1)},
        {"LargerThanItsData", With32(With32(good, 18, 1000), 22, 1000)},
        {"DataOffsetPastEnd", With32(good, 10, static_cast<uint32_t>(good.size() + 1))},
        {"DataOffsetHuge", With32(good, 10, 0xFFFFFFF0u)},
        {"LastRowPixelsCutShort", Cut(good, good.size() - 2)},
        {"TablePastEnd", With32(With32(good, 46, 200), 10, 10)},
        {"MaskWithHole", BitFields16(0xF000 | 0x0200, 0x07E0, 0x001F)},
        {"MaskBeyond16Bits", BitFields16(0x1F0000, 0x07E0, 0x001F)},
        {"MasksCutShort", Cut(BitFields16(0xF800, 0x07E0, 0x1F), 60)},
        {"Os2HuffmanCompression", BitFields16(0xF800, 0x07E0, 0x1F, 64)},
        {"Rle8RunBeyondRow", Rle8({5, 1, 0, 1})},
        {"Rle8AbsoluteBeyondRow", Rle8({2, 1, 0, 3, 1, 1, 1, 0, 0, 1})},
        {"Rle8DeltaBeyondRow", Rle8({0, 2, 5, 0, 0, 1})},
        {"Rle8DeltaBeyondPicture", Rle8({0, 2, 0, 3, 0, 1})},
        {"Rle8RunAfterLastRow", Rle8({0, 0, 0, 0, 1, 1, 0, 1})},
        {"Rle8EndOfLineAfterLastRow", Rle8({0, 0, 0, 0, 0, 0, 0, 1})},
        {"Rle8NoEndOfBitmap", Rle8({4, 1, 0, 0})},
        {"Rle8AbsoluteCutShort", Rle8({0, 4, 1, 1})},
        {"Rle8DeltaCutShort", Rle8({0, 2, 1})},
        {"Rle4RunBeyondRow",
         MakeBmp(Cat(InfoHeader(3, 1, 4, 2), Table({kGrey, kRed})), {4, 0x11, 0, 1})},
    };
}

class BmpReaderRefuses : public testing::TestWithParam<TBadCase> {};

TEST_P(BmpReaderRefuses, WithResultOne) {
    TPictureRecord r;
    EXPECT_EQ(DecodeBmp(r, Buffer(GetParam().File)), 1);
    EXPECT_EQ(r.Kind, pkNone);
    EXPECT_TRUE(r.Pixels.empty());
}

INSTANTIATE_TEST_SUITE_P(BadFiles, BmpReaderRefuses, testing::ValuesIn(BadFiles()),
                         [](const testing::TestParamInfo<TBadCase>& info) {
                             return info.param.Name;
                         });

TEST(BmpReader, EveryTruncationOfAGoodFileIsRefused) {
    for (const Bytes& good :
         {Small8Bit(), Rle8({4, 1, 0, 0, 2, 1, 0, 1}), BitFields16(0xF800, 0x07E0, 0x1F, 124)}) {
        ASSERT_EQ(Decode(good).Kind, pkFullColour);
        // The last row's padding may be missing (here: two bytes at most).
        for (size_t length = 0; length + 2 < good.size(); ++length) {
            TPictureRecord r;
            EXPECT_EQ(DecodeBmp(r, Buffer(Cut(good, length))), 1) << "length " << length;
        }
    }
}

// ---- DIBs ---------------------------------------------------------------

TEST(BmpDib, PackedDibLoadsLikeTheFile) {
    const Bytes file = Small8Bit();
    const Bytes dib(file.begin() + 14, file.end());
    TPictureRecord r;
    ASSERT_EQ(LoadPictureFromDib(r, dib.data(), dib.size()), 0);
    EXPECT_EQ(AllPixels(r), AllPixels(Decode(file)));
    EXPECT_TRUE(r.FileName.empty());
}

TEST(BmpDib, PackedBitFieldsDibFindsPixelsAfterTheMasks) {
    const Bytes file =
        MakeBmp(Cat(InfoHeader(1, 1, 16, 3), Bytes{0, 0xF8, 0, 0, 0xE0, 7, 0, 0, 0x1F, 0, 0, 0}),
                {0x00, 0xF8, 0, 0});
    const Bytes dib(file.begin() + 14, file.end());
    TPictureRecord r;
    ASSERT_EQ(LoadPictureFromDib(r, dib.data(), dib.size()), 0);
    EXPECT_EQ(AllPixels(r), (std::vector<ColorValue>{kRed}));
}

TEST(BmpDib, OneByOneDibGivesRedGreenBlueZero) {
    const Bytes dib = Cat(InfoHeader(1, 1, 24), {0x30, 0x20, 0x10, 0});
    TPictureRecord r;
    ASSERT_EQ(LoadPictureFromDib(r, dib.data(), dib.size()), 0);
    EXPECT_EQ(r.Pixels, (Bytes{0x10, 0x20, 0x30, 0}));
}

TEST(BmpDib, SeparateBlocksMakeAFileImage) {
    const Bytes info = Cat(InfoHeader(3, 2, 8, 0, 4), Table({kGrey, kRed, kGreen, kBlue}));
    const Bytes pixels = {0, 1, 2, 0, 1, 2, 3, 0, 0xEE};  // one byte more than needed
    TByteBuffer out;
    out.Position = 5;
    ASSERT_TRUE(DibToBmpImage(info.data(), info.size(), pixels.data(), pixels.size(), out));
    EXPECT_EQ(out.Position, 0u);
    // Image size 0: stride x height = 8 bytes; offset 14 + 40 + 16 = 70.
    Bytes expected = Small8Bit();
    expected = With32(expected, 50, 0);  // colours important written as 0
    EXPECT_EQ(out.Data, expected);
}

TEST(BmpDib, RefusesBlocksThatDoNotHoldWhatTheHeaderClaims) {
    const Bytes info = Cat(InfoHeader(3, 2, 8, 0, 4), Table({kGrey, kRed, kGreen, kBlue}));
    const Bytes pixels(8, 0);
    TByteBuffer out;
    EXPECT_FALSE(DibToBmpImage(info.data(), info.size() - 1, pixels.data(), pixels.size(), out));
    EXPECT_FALSE(DibToBmpImage(info.data(), info.size(), pixels.data(), 7, out));
    EXPECT_FALSE(DibToBmpImage(info.data(), info.size(), nullptr, 8, out));
    EXPECT_FALSE(DibToBmpImage(nullptr, 0, pixels.data(), pixels.size(), out));
    const Bytes claimsMore = With32(info, 20, 9);  // image size field 9 > 8 given
    EXPECT_FALSE(DibToBmpImage(claimsMore.data(), claimsMore.size(), pixels.data(), 8, out));
    const Bytes depth3 = With16(info, 14, 3);
    EXPECT_FALSE(DibToBmpImage(depth3.data(), depth3.size(), pixels.data(), 8, out));

    TPictureRecord r;
    EXPECT_EQ(LoadPictureFromDib(r, info.data(), info.size()), 1);  // no pixel rows at all
    EXPECT_EQ(LoadPictureFromDib(r, nullptr, 0), 1);
    EXPECT_EQ(r.Kind, pkNone);
}

TEST(BmpDib, CompressedDibWithoutImageSizeTakesThePixelBlock) {
    const Bytes dib = Cat(Cat(InfoHeader(4, 1, 8, 1, 2), Table({kGrey, kRed})), Bytes{4, 1, 0, 1});
    TPictureRecord r;
    ASSERT_EQ(LoadPictureFromDib(r, dib.data(), dib.size()), 0);
    EXPECT_EQ(AllPixels(r), std::vector<ColorValue>(4, kRed));
}

// ---- LoadPicture ----------------------------------------------------------

class LoadPictureTest : public testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() /
            ("zinop_bmp_load_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        SetPluginLoadHook(nullptr);
        std::filesystem::remove_all(dir_);
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(LoadPictureTest, ReadsABmpFile) {
    TPictureRecord r;
    r.FileName = Write("a.bmp", Small8Bit());
    EXPECT_EQ(LoadPicture(r), 0);
    EXPECT_EQ(AllPixels(r), AllPixels(Decode(Small8Bit())));
}

TEST_F(LoadPictureTest, FailsForMissingFilesAndNonBmpFiles) {
    TPictureRecord r;
    r.FileName = (dir_ / "missing.bmp").string();
    EXPECT_EQ(LoadPicture(r), 1);
    r.FileName = Write("a.png", {0x89, 'P', 'N', 'G', 13, 10, 26, 10});
    EXPECT_EQ(LoadPicture(r), 1);
    r.FileName = dir_.string();  // a folder
    EXPECT_EQ(LoadPicture(r), 1);
    EXPECT_EQ(r.Kind, pkNone);
}

TEST_F(LoadPictureTest, PluginsComeFirstAndBmpIsTheFallback) {
    int calls = 0;
    SetPluginLoadHook([&calls](TPictureRecord& record) {
        ++calls;
        if (record.FileName.ends_with(".bmp")) return false;
        record.Kind = pkFullColour;
        record.Width = record.Height = 1;
        record.Pixels = {1, 2, 3, 0};
        return true;
    });
    TPictureRecord fromPlugin;
    fromPlugin.FileName = Write("a.png", {1, 2, 3});
    EXPECT_EQ(LoadPicture(fromPlugin), 0);
    EXPECT_EQ(fromPlugin.Pixels, (Bytes{1, 2, 3, 0}));

    TPictureRecord fromBmp;
    fromBmp.FileName = Write("b.bmp", Small8Bit());
    EXPECT_EQ(LoadPicture(fromBmp), 0);
    EXPECT_EQ(fromBmp.Width, 3);
    EXPECT_EQ(calls, 2);
}

// A FIFO would block a plug-in in open for ever and /dev/zero never ends:
// neither reaches the plug-ins or the BMP reader.
TEST_F(LoadPictureTest, FifosAndDevicesFailAtOnceWithoutAskingPlugins) {
    int calls = 0;
    SetPluginLoadHook([&calls](TPictureRecord&) {
        ++calls;
        return false;
    });
    const std::string fifo = (dir_ / "pipe.bmp").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto failures = UnlessBlockedOn(fifo, [&] {
        TPictureRecord a, b;
        a.FileName = fifo;
        b.FileName = "/dev/zero";
        return LoadPicture(a) + LoadPicture(b);
    });
    ASSERT_TRUE(failures.has_value()) << "blocked on a FIFO";
    EXPECT_EQ(*failures, 2);
    EXPECT_EQ(calls, 0);
    TByteBuffer buffer;
    EXPECT_FALSE(ReadWholeFile("/dev/zero", buffer));
}

// A 54-byte header claiming 16384 x 16384 at 24 bits took 1 GiB and 12 s
// before it failed: the data size is checked before the pixel buffer exists.
TEST(BmpReader, MissingPixelDataIsFoundBeforeThePixelBufferIsMade) {
    for (const uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        const Bytes header = MakeBmp(InfoHeader(16384, 16384, bits, 0, bits <= 8 ? 2 : 0),
                                     bits <= 8 ? Table({kRed, kBlue}) : Bytes{});
        ResetLargestAllocation();
        TPictureRecord record;
        EXPECT_EQ(DecodeBmp(record, Buffer(header)), 1) << bits;
        EXPECT_LT(LargestAllocation(), size_t{1} << 20) << bits;
    }
    // Exactly at the cap is legal, one pixel more is not (RLE8 ending at once).
    EXPECT_EQ(uint64_t{16384} * 16384, kMaxPicturePixels);
    const Bytes over =
        MakeBmp(Cat(InfoHeader(16385, 16384, 8, 1, 2), Table({kRed, kBlue})), {0, 1});
    EXPECT_EQ(Decode(over, 1).Kind, pkNone);
}

}  // namespace
