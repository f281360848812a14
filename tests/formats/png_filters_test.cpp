// The PNG writer's per-call filter and level settings: rows with filter type
// 0 only when asked, the same pixels either way, the level reaching zlib.

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "formats/png_writer.h"
#include "support/temp_folder.h"

namespace {

// Palette indexes with horizontal and vertical structure, on which libpng's
// adaptive choice picks filters other than 0 for many rows.
TPictureRecord Gradient(int width, int height) {
    TPictureRecord record;
    record.Kind = pkIndexed;
    record.Width = width;
    record.Height = height;
    record.Colors = 256;
    record.TransCorner = -1;
    record.Palette.assign(1024, 0);
    for (int i = 0; i < 256; ++i) record.SetPaletteEntry(i, MakeColor(i, 255 - i, i / 2));
    record.Pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            record.Pixels[y * width + x] = (x + 3 * y + (x * y) % 7) & 255;
    }
    return record;
}

uint32_t BigEndian(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) << 24 |
           static_cast<unsigned char>(bytes[at + 1]) << 16 |
           static_cast<unsigned char>(bytes[at + 2]) << 8 |
           static_cast<unsigned char>(bytes[at + 3]);
}

// The filter byte of every row of a non-interlaced 8-bit PNG: the IDAT
// chunks inflated, one byte before each row of rowBytes.
std::vector<int> RowFilters(const std::string& file, size_t rowBytes, size_t height) {
    std::string idat;
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = BigEndian(file, at);
        if (file.compare(at + 4, 4, "IDAT") == 0) idat += file.substr(at + 8, length);
        at += 12 + length;
    }
    std::vector<unsigned char> raw(height * (rowBytes + 1));
    uLongf rawSize = raw.size();
    if (uncompress(raw.data(), &rawSize, reinterpret_cast<const Bytef*>(idat.data()),
                   idat.size()) != Z_OK ||
        rawSize != raw.size()) {
        return {};
    }
    std::vector<int> filters;
    for (size_t y = 0; y < height; ++y) filters.push_back(raw[y * (rowBytes + 1)]);
    return filters;
}

// The picture as libpng's simplified reader gives it, in RGB.
std::vector<uint8_t> ReadRgb(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    return rgb;
}

TEST(PngFilters, NoneWritesFilterZeroOnEveryRowAndLevelReachesZlib) {
    TTempFolder folder;
    TPictureRecord record = Gradient(97, 64);
    const auto save = [&](const char* name, auto... options) {
        record.FileName = folder.File(name);
        return SavePng(record, false, options...);
    };
    ASSERT_TRUE(save("adaptive.png"));
    ASSERT_TRUE(save("none.png", TPngWriteOptions{false, 9}));
    ASSERT_TRUE(save("stored.png", TPngWriteOptions{false, 0}));
    for (const int level : {-1, 10}) EXPECT_FALSE(save("bad.png", TPngWriteOptions{true, level}));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"adaptive.png", "none.png", "stored.png"}));

    const std::vector<int> adaptive = RowFilters(folder.Read("adaptive.png"), 97, 64);
    ASSERT_EQ(adaptive.size(), 64u);
    EXPECT_EQ(RowFilters(folder.Read("none.png"), 97, 64), std::vector<int>(64, 0));
    EXPECT_EQ(RowFilters(folder.Read("stored.png"), 97, 64), std::vector<int>(64, 0));
    // The default really is the adaptive choice, so the checks above can fail.
    EXPECT_NE(adaptive, std::vector<int>(64, 0));

    // Level 0 stores the rows: at least every byte of every row.
    EXPECT_GE(folder.Read("stored.png").size(), 98u * 64);
    EXPECT_LT(folder.Read("none.png").size(), folder.Read("stored.png").size() / 2);

    const std::vector<uint8_t> pixels = ReadRgb(folder.File("adaptive.png"));
    ASSERT_EQ(pixels.size(), 97u * 64 * 3);
    EXPECT_EQ(ReadRgb(folder.File("none.png")), pixels);
    EXPECT_EQ(ReadRgb(folder.File("stored.png")), pixels);
    EXPECT_EQ(pixels[3 * 5], RedOf(record.PaletteEntry(record.Pixels[5])));
}

}  // namespace
