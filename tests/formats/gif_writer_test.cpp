#include "formats/gif_writer.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "formats/lzw_encoder.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed with everything in it.

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Indexed record with noise pixels below colors and a palette whose entries
// differ from each other and from the black padding.
TPictureRecord NoiseRecord(int width, int height, int colors, uint32_t seed) {
    TPictureRecord record;
    record.Kind = pkIndexed;
    record.Width = width;
    record.Height = height;
    record.Colors = colors;
    record.TransCorner = -1;
    record.Palette.assign(1024, 0);
    for (int i = 0; i < colors; ++i) record.SetPaletteEntry(i, MakeColor(255 - i, i, (i * 37) & 255));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> index(0, colors - 1);
    record.Pixels.resize(static_cast<size_t>(width) * height);
    for (auto& p : record.Pixels) p = static_cast<uint8_t>(index(random));
    return record;
}

struct DecodedGif {
    bool ok = false;
    int width = 0, height = 0, tableSize = 0, colorResolution = 0, imageCount = 0;
    bool interlace = false, localTable = false;
    int transparentIndex = NO_TRANSPARENT_COLOR;
    int extensionBlocks = 0;
    std::vector<ColorValue> table;
    std::vector<uint8_t> pixels;
};

// Decodes with giflib, an implementation independent of ours.
DecodedGif DecodeWithGiflib(const std::string& path) {
    DecodedGif result;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr) return result;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1 && gif->SColorMap != nullptr) {
        const SavedImage& image = gif->SavedImages[0];
        result.ok = true;
        result.width = gif->SWidth;
        result.height = gif->SHeight;
        result.colorResolution = gif->SColorResolution;
        result.imageCount = gif->ImageCount;
        result.tableSize = gif->SColorMap->ColorCount;
        for (int i = 0; i < result.tableSize; ++i) {
            const GifColorType& c = gif->SColorMap->Colors[i];
            result.table.push_back(MakeColor(c.Red, c.Green, c.Blue));
        }
        result.interlace = image.ImageDesc.Interlace;
        result.localTable = image.ImageDesc.ColorMap != nullptr;
        result.extensionBlocks = image.ExtensionBlockCount;
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK) result.transparentIndex = gcb.TransparentColor;
        const size_t count = static_cast<size_t>(image.ImageDesc.Width) * image.ImageDesc.Height;
        result.pixels.assign(image.RasterBits, image.RasterBits + count);
    }
    DGifCloseFile(gif, &error);
    return result;
}

// The coder exactly as designed: child lists walked for every pixel, no
// lookup table. Ours must write the same bytes.
std::vector<uint8_t> ReferenceLzw(const std::vector<uint8_t>& pixels, int m) {
    struct Entry { int value, sibling, child; };
    std::vector<Entry> dict(4096);
    std::vector<uint8_t> out;
    uint32_t bits = 0;
    int bitCount = 0, width = 0, next = 0;
    const int clear = 1 << m;
    auto put = [&](int code) {
        bits |= static_cast<uint32_t>(code) << bitCount;
        for (bitCount += width; bitCount >= 8; bitCount -= 8, bits >>= 8) out.push_back(bits & 0xFF);
    };
    auto init = [&] {
        for (int c = 0; c < clear; ++c) dict[c] = Entry{c, -1, -1};
        next = clear + 2;
        width = m + 1;
    };
    init();
    put(clear);
    int prefix = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        const int p = pixels[i];
        int k = dict[prefix].child;
        while (k >= 0 && dict[k].value != p) k = dict[k].sibling;
        if (k >= 0) {
            prefix = k;
            continue;
        }
        if (next < 4096) {
            dict[next] = Entry{p, dict[prefix].child, -1};
            dict[prefix].child = next++;
            put(prefix);
            if ((1 << width) < next) ++width;
        } else {
            put(prefix);
            put(clear);
            init();
        }
        prefix = p;
    }
    put(prefix);
    put(clear + 1);
    if (bitCount > 0) out.push_back(bits & 0xFF);
    return out;
}

// Splits the code stream as a decoder sees it and returns the codes, so
// tests can see clear codes and widths. The j-th code after a clear made
// entry clear + 1 + j, and the width grows once an entry needs more bits;
// only the final prefix makes no entry, so the end code after it may still
// be at the narrower width.
std::vector<int> SplitCodes(const std::vector<uint8_t>& data, int m) {
    std::vector<int> codes;
    const int clear = 1 << m;
    const size_t totalBits = data.size() * 8;
    int width = m + 1, sinceClear = 0;
    bool widen = false;
    size_t bitPos = 0;
    auto peek = [&](int bits) {
        int code = 0;
        for (int b = 0; b < bits; ++b) {
            const size_t at = bitPos + b;
            code |= ((data[at / 8] >> (at % 8)) & 1) << b;
        }
        return code;
    };
    while (bitPos + width <= totalBits) {
        if (widen) {
            widen = false;
            const bool endAtOldWidth = peek(width) == clear + 1 && bitPos + width + 8 > totalBits;
            if (!endAtOldWidth) ++width;
            if (bitPos + width > totalBits) break;
        }
        const int code = peek(width);
        bitPos += width;
        codes.push_back(code);
        if (code == clear + 1) break;
        if (code == clear) {
            width = m + 1;
            sinceClear = 0;
            continue;
        }
        const int next = std::min(clear + 2 + ++sinceClear, 4096);
        widen = (1 << width) < next;
    }
    return codes;
}

// The image data of a file we wrote: the sub-blocks joined, plus the sizes
// of the sub-blocks.
std::vector<uint8_t> JoinSubBlocks(const std::vector<uint8_t>& file, size_t at,
                                   std::vector<int>* sizes) {
    std::vector<uint8_t> data;
    while (at < file.size() && file[at] != 0) {
        const int size = file[at++];
        if (sizes) sizes->push_back(size);
        data.insert(data.end(), file.begin() + at, file.begin() + at + size);
        at += size;
    }
    return data;
}

// Offset of the minimum-code-size byte in a file without extension.
size_t CodeSizeOffset(int tableBits, bool withExtension) {
    return 6 + 7 + 3 * (size_t{1} << tableBits) + (withExtension ? 8 : 0) + 10;
}

TEST(GifWriter, TwoByOneExampleByteForByte) {
    TPictureRecord record = NoiseRecord(2, 1, 2, 1);
    record.Pixels = {0, 1};
    record.SetPaletteEntry(0, MakeColor(0x10, 0x20, 0x30));
    record.SetPaletteEntry(1, MakeColor(0xA0, 0xB0, 0xC0));
    const std::vector<uint8_t> expected = {
        'G', 'I', 'F', '8', '7', 'a', 0x02, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00,
        0x10, 0x20, 0x30, 0xA0, 0xB0, 0xC0,
        0x2C, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00,
        0x02, 0x02, 0x44, 0x0A, 0x00, 0x3B};
    TByteBuffer image;
    ASSERT_TRUE(WriteGifImage(record, GifOptionsFromIndex(0), image));
    EXPECT_EQ(image.Data, expected);
    EXPECT_EQ(SplitCodes({0x44, 0x0A}, 2), (std::vector<int>{4, 0, 1, 5}));

    TTempFolder folder;
    record.FileName = folder.File("two.gif");
    ASSERT_TRUE(SaveGif(record, GifOptionsFromIndex(0)));
    EXPECT_EQ(ReadBytes(record.FileName), expected);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"two.gif"});
}

TEST(GifWriter, TableBitsAreTheSmallestPowerThatHoldsTheColours) {
    const std::vector<std::pair<int, int>> cases = {{1, 1},  {2, 1},  {3, 2},   {4, 2},   {5, 3},
                                                    {8, 3},  {9, 4},  {16, 4},  {17, 5},  {128, 7},
                                                    {129, 8}, {256, 8}};
    for (const auto& [colors, bits] : cases) EXPECT_EQ(GifTableBits(colors), bits) << colors;
}

TEST(GifWriter, HeaderFlagsCodeSizeAndFirstCodeWidth) {
    struct Case { int colors, flags, codeSize; };
    for (const Case c : {Case{2, 0x80, 2}, Case{5, 0xA2, 3}, Case{256, 0xF7, 8}}) {
        const TPictureRecord record = NoiseRecord(4, 3, c.colors, 7);
        TByteBuffer image;
        ASSERT_TRUE(WriteGifImage(record, GifOptionsFromIndex(0), image));
        EXPECT_EQ(image.Data[10], c.flags) << c.colors;
        const int bits = GifTableBits(c.colors);
        const size_t at = CodeSizeOffset(bits, false);
        ASSERT_EQ(image.Data[at], c.codeSize) << c.colors;
        // The clear code opens the data at m + 1 bits.
        const std::vector<uint8_t> data = JoinSubBlocks(image.Data, at + 1, nullptr);
        const std::vector<int> codes = SplitCodes(data, c.codeSize);
        ASSERT_FALSE(codes.empty());
        EXPECT_EQ(codes.front(), 1 << c.codeSize);
        EXPECT_EQ(codes.back(), (1 << c.codeSize) + 1);
    }
}

TEST(GifWriter, FiveColoursPadTheTableWithBlack) {
    TTempFolder folder;
    TPictureRecord record = NoiseRecord(5, 5, 5, 3);
    record.SetPaletteEntry(5, MakeColor(1, 2, 3));  // beyond Colors: never written
    record.FileName = folder.File("five.gif");
    ASSERT_TRUE(SaveGif(record, GifOptionsFromIndex(0)));
    const DecodedGif gif = DecodeWithGiflib(record.FileName);
    ASSERT_TRUE(gif.ok);
    ASSERT_EQ(gif.tableSize, 8);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(gif.table[i], record.PaletteEntry(i));
    for (int i = 5; i < 8; ++i) EXPECT_EQ(gif.table[i], 0u) << i;
}

TEST(GifWriter, SignatureAndTransparencyExtension) {
    TTempFolder folder;
    TPictureRecord record = NoiseRecord(6, 4, 16, 5);
    record.FileName = folder.File("t.gif");
    struct Case { int type, corner; const char* signature; };
    for (const Case c : {Case{0, -1, "GIF87a"}, Case{1, -1, "GIF87a"}, Case{2, -1, "GIF89a"},
                         Case{3, -1, "GIF89a"}, Case{0, 0, "GIF89a"}, Case{1, 3, "GIF89a"},
                         Case{2, 1, "GIF89a"}}) {
        record.TransCorner = c.corner;
        record.TransIndex = 9;
        ASSERT_TRUE(SaveGif(record, GifOptionsFromIndex(c.type)));
        const std::vector<uint8_t> bytes = ReadBytes(record.FileName);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), c.signature) << c.type;
        const DecodedGif gif = DecodeWithGiflib(record.FileName);
        ASSERT_TRUE(gif.ok);
        EXPECT_EQ(gif.extensionBlocks, c.corner >= 0 ? 1 : 0);
        EXPECT_EQ(gif.transparentIndex, c.corner >= 0 ? 9 : NO_TRANSPARENT_COLOR);
        if (c.corner >= 0) {
            const std::vector<uint8_t> gce = {0x21, 0xF9, 4, 0x01, 0, 0, 9, 0};
            const size_t at = 6 + 7 + 3 * 16;
            EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + 8), gce);
        }
    }
}

TEST(GifWriter, InterlacedRowOrder) {
    EXPECT_EQ(GifRowOrder(3, true), (std::vector<int32_t>{0, 2, 1}));
    EXPECT_EQ(GifRowOrder(1, true), (std::vector<int32_t>{0}));
    EXPECT_EQ(GifRowOrder(10, true), (std::vector<int32_t>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
    EXPECT_EQ(GifRowOrder(3, false), (std::vector<int32_t>{0, 1, 2}));

    // Three rows of distinct single colours: the codes follow rows 0, 2, 1.
    TPictureRecord record = NoiseRecord(1, 3, 4, 1);
    record.Pixels = {0, 1, 2};
    TByteBuffer image;
    ASSERT_TRUE(WriteGifImage(record, GifOptionsFromIndex(1), image));
    const std::vector<uint8_t> data = JoinSubBlocks(image.Data, CodeSizeOffset(2, false) + 1, nullptr);
    EXPECT_EQ(SplitCodes(data, 2), (std::vector<int>{4, 0, 2, 1, 5}));
}

TEST(GifWriter, CoderMatchesTheListWalkingCoder) {
    // Long runs, noise and a mix, across several dictionary fills.
    std::mt19937 random(11);
    for (const int m : {2, 3, 5, 8}) {
        std::vector<uint8_t> pixels(300000);
        for (size_t i = 0; i < pixels.size(); ++i) {
            const bool noisy = (i / 20000) % 2 == 0;
            pixels[i] = static_cast<uint8_t>(noisy ? random() % (1u << m) : (i / 700) % (1u << m));
        }
        TLzwEncoder encoder;
        encoder.Begin(m, pixels.size());
        encoder.Add(pixels.data(), 1000);  // in pieces, as interlaced rows come
        encoder.Add(pixels.data() + 1000, pixels.size() - 1000);
        EXPECT_EQ(encoder.Finish(), ReferenceLzw(pixels, m)) << m;
        // The same coder again starts from a clean dictionary.
        encoder.Begin(m, 2);
        encoder.Add(pixels.data(), 2);
        EXPECT_EQ(encoder.Finish(), ReferenceLzw({pixels[0], pixels[1]}, m)) << m;
    }
}

TEST(GifWriter, FullDictionaryEmitsClearAndRestartsWidth) {
    const TPictureRecord record = NoiseRecord(512, 512, 256, 21);
    TByteBuffer image;
    ASSERT_TRUE(WriteGifImage(record, GifOptionsFromIndex(0), image));
    std::vector<int> sizes;
    const std::vector<uint8_t> data = JoinSubBlocks(image.Data, CodeSizeOffset(8, false) + 1, &sizes);
    for (size_t i = 0; i + 1 < sizes.size(); ++i) ASSERT_EQ(sizes[i], 255);
    const std::vector<int> codes = SplitCodes(data, 8);
    int clears = 0;
    for (size_t i = 1; i < codes.size(); ++i) {
        if (codes[i] != 256) continue;
        ++clears;
        // A fill happens after codes 258..4095 are made: 3838 codes plus
        // the opening clear, then the prefix before the clear.
        if (clears == 1) {
            EXPECT_EQ(i, 3839u + 1);
        }
    }
    EXPECT_GE(clears, 3);
    EXPECT_EQ(codes.back(), 257);
}

using RoundTripCase = std::tuple<int, int>;  // colours, GIF type
class GifRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(GifRoundTrip, GiflibDecodesWhatWeWrote) {
    const auto [colors, type] = GetParam();
    const TGifOptions options = GifOptionsFromIndex(type);
    TTempFolder folder;
    const std::vector<std::pair<int, int>> sizes = {{1, 1}, {2, 1}, {1, 2},  {3, 3},   {7, 5},
                                                    {64, 1}, {1, 9}, {33, 17}, {400, 300}};
    uint32_t seed = 1;
    for (const auto& [width, height] : sizes) {
        for (const int corner : {-1, 2}) {
            TPictureRecord record = NoiseRecord(width, height, colors, seed++);
            record.TransCorner = corner;
            record.TransIndex = colors - 1;
            record.FileName = folder.File("round.gif");
            ASSERT_TRUE(SaveGif(record, options));
            const DecodedGif gif = DecodeWithGiflib(record.FileName);
            const std::string where = std::to_string(width) + "x" + std::to_string(height);
            ASSERT_TRUE(gif.ok) << where;
            EXPECT_EQ(gif.imageCount, 1);
            EXPECT_EQ(gif.width, width);
            EXPECT_EQ(gif.height, height);
            EXPECT_EQ(gif.tableSize, 1 << GifTableBits(colors));
            EXPECT_EQ(gif.colorResolution, GifTableBits(colors));
            EXPECT_FALSE(gif.localTable);
            for (int i = 0; i < colors; ++i) EXPECT_EQ(gif.table[i], record.PaletteEntry(i));
            EXPECT_EQ(gif.interlace, options.Interlace) << where;
            EXPECT_EQ(gif.transparentIndex, corner >= 0 ? colors - 1 : NO_TRANSPARENT_COLOR);
            EXPECT_EQ(gif.pixels, record.Pixels) << where;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ColoursAndTypes, GifRoundTrip,
                         ::testing::Combine(::testing::Values(1, 2, 3, 5, 16, 17, 256),
                                            ::testing::Values(0, 1, 2, 3)));

TEST(GifWriter, LargeNoiseWithManyResetsRoundTrips) {
    TTempFolder folder;
    for (const int colors : {2, 256}) {
        TPictureRecord record = NoiseRecord(1500, 1100, colors, 99);
        record.FileName = folder.File("big.gif");
        ASSERT_TRUE(SaveGif(record, GifOptionsFromIndex(3)));
        const DecodedGif gif = DecodeWithGiflib(record.FileName);
        ASSERT_TRUE(gif.ok);
        EXPECT_TRUE(gif.pixels == record.Pixels) << colors;
    }
}

TEST(GifWriter, RefusesWhatItCannotWrite) {
    TTempFolder folder;
    const std::string path = folder.File("refused.gif");
    TPictureRecord fullColour;
    fullColour.Kind = pkFullColour;
    fullColour.Width = 2;
    fullColour.Height = 2;
    fullColour.Pixels.assign(16, 7);
    fullColour.Palette.assign(1024, 0);
    fullColour.Colors = 2;  // a palette cache does not make it indexed
    fullColour.FileName = path;

    TPictureRecord none;
    none.FileName = path;
    TPictureRecord batch = none;
    batch.Kind = pkBatch;
    TPictureRecord badIndex = NoiseRecord(3, 3, 5, 1);
    badIndex.Pixels[4] = 5;
    TPictureRecord wrongSize = NoiseRecord(3, 3, 5, 1);
    wrongSize.Pixels.pop_back();
    TPictureRecord tooWide = NoiseRecord(1, 1, 2, 1);
    tooWide.Width = 65536;
    tooWide.Pixels.assign(65536, 0);
    TPictureRecord noColours = NoiseRecord(2, 2, 2, 1);
    noColours.Colors = 0;
    TPictureRecord shortPalette = NoiseRecord(2, 2, 2, 1);
    shortPalette.Palette.resize(4);

    for (TPictureRecord* record : {&fullColour, &none, &batch, &badIndex, &wrongSize, &tooWide,
                                   &noColours, &shortPalette}) {
        record->FileName = path;
        EXPECT_FALSE(SaveGif(*record, GifOptionsFromIndex(0)));
        TByteBuffer image;
        image.PutU8(1);
        EXPECT_FALSE(WriteGifImage(*record, GifOptionsFromIndex(0), image));
        EXPECT_TRUE(image.Data.empty());
    }
    EXPECT_TRUE(folder.Names().empty());
}

TEST(GifWriter, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    TTempFolder folder;
    TPictureRecord record = NoiseRecord(4, 4, 4, 2);

    fs::create_directory(folder.File("dir.gif"));
    record.FileName = folder.File("dir.gif");
    EXPECT_FALSE(SaveGif(record, GifOptionsFromIndex(0)));
    EXPECT_TRUE(fs::is_directory(record.FileName));

    record.FileName = folder.File("missing/x.gif");
    EXPECT_FALSE(SaveGif(record, GifOptionsFromIndex(0)));
    record.FileName = "";
    EXPECT_FALSE(SaveGif(record, GifOptionsFromIndex(0)));

    // A write that fails half way (file size limit) over an existing file.
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    record = NoiseRecord(300, 300, 256, 4);
    record.FileName = folder.File("old.gif");
    WriteBytes(record.FileName, old);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool written = SaveGif(record, GifOptionsFromIndex(0));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(record.FileName), old);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"dir.gif", "old.gif"}));
}

}  // namespace
