#include "formats/png_writer.h"

#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/process_state.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Records every value the progress hook receives during one test.
class ProgressRecorder {
  public:
    ProgressRecorder() {
        SetPngProgressHook([this](int perMille) { values.push_back(perMille); });
    }
    ~ProgressRecorder() { SetPngProgressHook(nullptr); }
    std::vector<int> values;
};

TPictureRecord IndexedRecord(int width, int height, int colors, uint32_t seed) {
    TPictureRecord record;
    record.Kind = pkIndexed;
    record.Width = width;
    record.Height = height;
    record.Colors = colors;
    record.TransCorner = -1;
    record.Palette.assign(1024, 0);
    for (int i = 0; i < colors; ++i)
        record.SetPaletteEntry(i, MakeColor(i, 255 - i, (i * 91) & 255));
    std::mt19937 random(seed);
    record.Pixels.resize(static_cast<size_t>(width) * height);
    for (auto& p : record.Pixels) p = static_cast<uint8_t>(random() % colors);
    return record;
}

TPictureRecord FullColourRecord(int width, int height, uint32_t seed) {
    TPictureRecord record;
    record.Kind = pkFullColour;
    record.Width = width;
    record.Height = height;
    record.Palette.assign(1024, 0);
    std::mt19937 random(seed);
    record.Pixels.resize(4 * static_cast<size_t>(width) * height);
    for (size_t i = 0; i < record.Pixels.size(); ++i) {
        record.Pixels[i] = i % 4 == 3 ? 0 : static_cast<uint8_t>(random());
    }
    return record;
}

struct ReadPng {
    bool ok = false;
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = -1, interlace = -1;
    bool hasPlte = false, hasTrns = false;
    std::vector<ColorValue> palette;
    std::vector<uint8_t> trns;
    std::vector<uint8_t> pixels;  // rows packed, as stored (indexes or RGB)
};

// The part of the reader that holds libpng's error return point: plain data
// only, as in the writer.
bool ReadInto(FILE* file, png_structp png, png_infop info, ReadPng* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_get_IHDR(png, info, &out->width, &out->height, &out->bitDepth, &out->colorType,
                 &out->interlace, nullptr, nullptr);
    png_colorp plte = nullptr;
    int plteCount = 0;
    out->hasPlte = png_get_PLTE(png, info, &plte, &plteCount) != 0;
    for (int i = 0; i < plteCount; ++i) {
        out->palette.push_back(MakeColor(plte[i].red, plte[i].green, plte[i].blue));
    }
    png_bytep trns = nullptr;
    int trnsCount = 0;
    out->hasTrns = png_get_tRNS(png, info, &trns, &trnsCount, nullptr) != 0;
    if (out->hasTrns && trns != nullptr) out->trns.assign(trns, trns + trnsCount);
    const png_bytepp rows = png_get_rows(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    for (png_uint_32 y = 0; y < out->height; ++y) {
        out->pixels.insert(out->pixels.end(), rows[y], rows[y] + rowBytes);
    }
    return true;
}

ReadPng ReadWithLibpng(const std::string& path) {
    ReadPng result;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return result;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_infop info = png_create_info_struct(png);
    result.ok = ReadInto(file, png, info, &result);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return result;
}

std::vector<uint8_t> RgbOf(const TPictureRecord& record) {
    std::vector<uint8_t> rgb;
    for (size_t i = 0; i < record.Pixels.size(); i += 4) {
        rgb.insert(rgb.end(), record.Pixels.begin() + i, record.Pixels.begin() + i + 3);
    }
    return rgb;
}

TEST(PngWriter, TwoColoursAreAnEightBitPalette) {
    TTempFolder folder;
    TPictureRecord record = IndexedRecord(9, 4, 2, 1);
    record.FileName = folder.File("two.png");
    ASSERT_TRUE(SavePng(record, false));
    const ReadPng png = ReadWithLibpng(record.FileName);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.colorType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.interlace, PNG_INTERLACE_NONE);
    EXPECT_EQ(png.palette,
              (std::vector<ColorValue>{record.PaletteEntry(0), record.PaletteEntry(1)}));
    EXPECT_FALSE(png.hasTrns);
    EXPECT_EQ(png.pixels, record.Pixels);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"two.png"});
}

TEST(PngWriter, TransparentIndexBecomesAnAlphaTable) {
    TTempFolder folder;
    TPictureRecord record = IndexedRecord(8, 8, 16, 2);
    record.TransCorner = 0;
    record.TransIndex = 5;
    record.FileName = folder.File("trans.png");
    ASSERT_TRUE(SavePng(record, false));
    ReadPng png = ReadWithLibpng(record.FileName);
    ASSERT_TRUE(png.ok);
    ASSERT_TRUE(png.hasTrns);
    std::vector<uint8_t> expected(16, 255);
    expected[5] = 0;
    EXPECT_EQ(png.trns, expected);

    record.TransCorner = -1;
    ASSERT_TRUE(SavePng(record, false));
    png = ReadWithLibpng(record.FileName);
    ASSERT_TRUE(png.ok);
    EXPECT_FALSE(png.hasTrns);
}

TEST(PngWriter, FullColourIsRgbWithoutPaletteOrTransparency) {
    TTempFolder folder;
    TPictureRecord record = FullColourRecord(13, 7, 3);
    record.TransCorner = 0;  // meaningless for full colour: still no tRNS
    record.TransIndex = 0;
    record.Colors = 0;
    record.FileName = folder.File("rgb.png");
    for (const int colors : {0, 16}) {  // a palette cache in the record changes nothing
        record.Colors = colors;
        ASSERT_TRUE(SavePng(record, false));
        const ReadPng png = ReadWithLibpng(record.FileName);
        ASSERT_TRUE(png.ok);
        EXPECT_EQ(png.colorType, PNG_COLOR_TYPE_RGB);
        EXPECT_EQ(png.bitDepth, 8);
        EXPECT_FALSE(png.hasPlte);
        EXPECT_FALSE(png.hasTrns);
        EXPECT_EQ(png.pixels, RgbOf(record));
    }
}

using PngCase = std::tuple<int, bool>;  // colours (0 = full colour), interlace
class PngRoundTrip : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngRoundTrip, LibpngReadsBackWhatWeWrote) {
    const auto [colors, interlace] = GetParam();
    TTempFolder folder;
    uint32_t seed = 10;
    for (const auto& [width, height] :
         std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {1, 3}, {5, 9}, {31, 17}, {200, 150}}) {
        for (const int corner : {-1, 3}) {
            TPictureRecord record = colors > 0 ? IndexedRecord(width, height, colors, seed)
                                               : FullColourRecord(width, height, seed);
            ++seed;
            record.TransCorner = corner;
            record.TransIndex = colors > 0 ? colors - 1 : 0;
            record.FileName = folder.File("round.png");
            ASSERT_TRUE(SavePng(record, interlace));
            const ReadPng png = ReadWithLibpng(record.FileName);
            const std::string where = std::to_string(width) + "x" + std::to_string(height);
            ASSERT_TRUE(png.ok) << where;
            EXPECT_EQ(png.width, static_cast<png_uint_32>(width));
            EXPECT_EQ(png.height, static_cast<png_uint_32>(height));
            EXPECT_EQ(png.bitDepth, 8);
            EXPECT_EQ(png.interlace, interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE);
            if (colors == 0) {
                EXPECT_EQ(png.colorType, PNG_COLOR_TYPE_RGB);
                EXPECT_FALSE(png.hasPlte || png.hasTrns);
                EXPECT_EQ(png.pixels, RgbOf(record)) << where;
                continue;
            }
            EXPECT_EQ(png.colorType, PNG_COLOR_TYPE_PALETTE);
            ASSERT_EQ(png.palette.size(), static_cast<size_t>(colors));
            for (int i = 0; i < colors; ++i) EXPECT_EQ(png.palette[i], record.PaletteEntry(i));
            EXPECT_EQ(png.hasTrns, corner >= 0);
            if (corner >= 0) {
                ASSERT_EQ(png.trns.size(), static_cast<size_t>(colors));
                EXPECT_EQ(png.trns.back(), 0);
                for (int i = 0; i + 1 < colors; ++i) EXPECT_EQ(png.trns[i], 255);
            }
            EXPECT_EQ(png.pixels, record.Pixels) << where;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ColoursAndInterlace, PngRoundTrip,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3, 5, 16, 17, 256),
                                            ::testing::Bool()));

TEST(PngWriter, ProgressStepsByMoreThanFiftyAndEndsAtZero) {
    TTempFolder folder;
    TPictureRecord record = IndexedRecord(3, 1000, 4, 4);
    record.FileName = folder.File("progress.png");
    {
        ProgressRecorder progress;
        ASSERT_TRUE(SavePng(record, false));
        // libpng reports rows 1..1000; the bar moves at 51, 102, ..., 969.
        std::vector<int> expected;
        for (int value = 51; value <= 1000; value += 51) expected.push_back(value);
        expected.push_back(0);
        EXPECT_EQ(progress.values, expected);
    }
    {
        ProgressRecorder progress;
        ASSERT_TRUE(SavePng(record, true));
        ASSERT_GE(progress.values.size(), 2u);
        EXPECT_EQ(progress.values.back(), 0);
        int last = 0;
        for (size_t i = 0; i + 1 < progress.values.size(); ++i) {
            EXPECT_GT(progress.values[i], last + 50);
            EXPECT_LE(progress.values[i], 1000);
            last = progress.values[i];
        }
    }
    {
        // A new save starts from zero again.
        ProgressRecorder progress;
        ASSERT_TRUE(SavePng(record, false));
        ASSERT_FALSE(progress.values.empty());
        EXPECT_EQ(progress.values.front(), 51);
    }
}

TEST(PngWriter, RefusedRecordsWriteNothingAndReportNoProgress) {
    TTempFolder folder;
    const std::string path = folder.File("refused.png");
    TPictureRecord none;
    TPictureRecord batch;
    batch.Kind = pkBatch;
    batch.Width = batch.Height = 1;
    TPictureRecord badIndex = IndexedRecord(3, 3, 5, 1);
    badIndex.Pixels[8] = 200;
    TPictureRecord shortPixels = IndexedRecord(3, 3, 5, 1);
    shortPixels.Pixels.pop_back();
    TPictureRecord shortColour = FullColourRecord(3, 3, 1);
    shortColour.Pixels.resize(9 * 3);
    TPictureRecord noColours = IndexedRecord(3, 3, 5, 1);
    noColours.Colors = 0;
    TPictureRecord empty = FullColourRecord(1, 1, 1);
    empty.Width = 0;

    ProgressRecorder progress;
    for (TPictureRecord* record :
         {&none, &batch, &badIndex, &shortPixels, &shortColour, &noColours, &empty}) {
        record->FileName = path;
        EXPECT_FALSE(SavePng(*record, false));
    }
    EXPECT_TRUE(progress.values.empty());
    EXPECT_TRUE(folder.Names().empty());
}

TEST(PngWriter, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    TTempFolder folder;
    const std::string old = "old contents";
    const std::string target = folder.File("old.png");
    std::ofstream(target) << old;
    fs::create_directory(folder.File("dir.png"));
    ProgressRecorder progress;

    TPictureRecord record = IndexedRecord(4, 4, 4, 2);
    record.FileName = folder.File("dir.png");
    EXPECT_FALSE(SavePng(record, false));
    EXPECT_TRUE(fs::is_directory(record.FileName));
    record.FileName = folder.File("missing/x.png");
    EXPECT_FALSE(SavePng(record, false));
    record.FileName = "";
    EXPECT_FALSE(SavePng(record, false));

    // The disk refuses half way (file size limit).
    record = IndexedRecord(300, 300, 256, 4);
    record.FileName = target;
    {
        const TFileSizeLimit limit(4096);
        EXPECT_FALSE(SavePng(record, false));
    }
    EXPECT_EQ(ReadText(target), old);

    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"dir.png", "old.png"}));
    // Every failed save only set the bar back to 0 (four saves before the
    // last moved nothing; the last one may have moved before the disk said no).
    ASSERT_GE(progress.values.size(), 4u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(progress.values[i], 0) << i;
    EXPECT_EQ(progress.values.back(), 0);
}

// libpng's default limit is 1,000,000 pixels a side; the readers take more,
// so the writer must too.
TEST(PngWriter, PicturesOverAMillionPixelsASideAreWritten) {
    TTempFolder folder;
    TPictureRecord wide = FullColourRecord(1000001, 1, 3);
    TPictureRecord high = IndexedRecord(1, 1000001, 2, 3);
    wide.FileName = folder.File("wide.png");
    high.FileName = folder.File("high.png");
    ASSERT_TRUE(SavePng(wide, false));
    ASSERT_TRUE(SavePng(high, true));
    const ReadPng wideRead = ReadWithLibpng(wide.FileName),
                  highRead = ReadWithLibpng(high.FileName);
    ASSERT_TRUE(wideRead.ok && highRead.ok);
    EXPECT_EQ(wideRead.width, 1000001u);
    EXPECT_EQ(highRead.height, 1000001u);
    EXPECT_EQ(wideRead.pixels, RgbOf(wide));
    EXPECT_EQ(highRead.pixels, high.Pixels);
}

// Each save keeps its own progress: a save that is held up inside its first
// report while another save runs from start to end still reports its own
// full sequence afterwards.
TEST(PngWriter, TwoSavesOnTwoThreadsKeepTheirOwnProgress) {
    TTempFolder folder;
    TPictureRecord slow = IndexedRecord(3, 1000, 4, 5);
    slow.FileName = folder.File("slow.png");
    TPictureRecord other = IndexedRecord(3, 3000, 4, 6);
    other.FileName = folder.File("other.png");

    std::mutex mutex;
    std::condition_variable changed;
    bool otherDone = false;
    std::thread::id slowThread;
    std::vector<int> slowValues, otherValues;
    SetPngProgressHook([&](int perMille) {
        std::unique_lock<std::mutex> lock(mutex);
        if (std::this_thread::get_id() != slowThread) {
            otherValues.push_back(perMille);
            return;
        }
        slowValues.push_back(perMille);
        if (slowValues.size() == 1) {
            changed.notify_all();  // the other save may start now
            changed.wait_for(lock, std::chrono::seconds(10), [&] { return otherDone; });
        }
    });
    bool slowWritten = false;
    std::thread slowSaver([&] {
        {
            std::lock_guard<std::mutex> lock(mutex);
            slowThread = std::this_thread::get_id();
        }
        slowWritten = SavePng(slow, false);
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(10), [&] { return !slowValues.empty(); });
    }
    const bool otherWritten = SavePng(other, false);
    {
        std::lock_guard<std::mutex> lock(mutex);
        otherDone = true;
    }
    changed.notify_all();
    slowSaver.join();
    SetPngProgressHook(nullptr);

    EXPECT_TRUE(slowWritten);
    EXPECT_TRUE(otherWritten);
    std::vector<int> expected;
    for (int value = 51; value <= 1000; value += 51) expected.push_back(value);
    expected.push_back(0);
    EXPECT_EQ(slowValues, expected);
    EXPECT_EQ(otherValues, expected);
}

TEST(PngWriter, WritePngFileChecksItsArguments) {
    TTempFolder folder;
    uint8_t row[3] = {0, 1, 2};
    uint8_t* rows[1] = {row};
    const TPngRgb palette[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    const uint8_t alpha[3] = {255, 0, 255};
    const std::string path = folder.File("direct.png");
    EXPECT_FALSE(WritePngFile(path, nullptr, palette, 1, 3, -1, alpha, 3, false));
    EXPECT_FALSE(WritePngFile(path, rows, nullptr, 1, 3, -1, alpha, 3, false));
    EXPECT_FALSE(WritePngFile(path, rows, palette, 1, 3, 0, nullptr, 3, false));
    EXPECT_FALSE(WritePngFile(path, rows, palette, 0, 3, -1, alpha, 3, false));
    EXPECT_FALSE(WritePngFile(path, rows, palette, 1, 3, -1, alpha, 257, false));
    EXPECT_TRUE(folder.Names().empty());

    ASSERT_TRUE(WritePngFile(path, rows, palette, 1, 3, 1, alpha, 3, false));
    const ReadPng png = ReadWithLibpng(path);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.trns, (std::vector<uint8_t>{255, 0, 255}));
    EXPECT_EQ(png.palette, (std::vector<ColorValue>{MakeColor(1, 2, 3), MakeColor(4, 5, 6),
                                                    MakeColor(7, 8, 9)}));
    EXPECT_EQ(png.pixels, (std::vector<uint8_t>{0, 1, 2}));
}

}  // namespace
