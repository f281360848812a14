// The exports of a bundled plug-in called directly, as any host would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "plugin_test_support.h"
#include "plugins/plugin_library.h"
#include "plugins/spi.h"

namespace {

int32_t Stop(int32_t, int32_t, intptr_t) { return 1; }
int32_t GoOn(int32_t, int32_t, intptr_t) { return 0; }

// An 8x1 black grey-scale PNG: signature, IHDR, IDAT, IEND.
const uint8_t kTinyPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00, 0x00, 0xC6, 0x6B, 0xB0,
    0x9F, 0x00, 0x00, 0x00, 0x0B, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x60, 0x80, 0x02, 0x00,
    0x00, 0x09, 0x00, 0x01, 0xFB, 0x52, 0xB8, 0xA9, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44,
    0xAE, 0x42, 0x60, 0x82};

class SpiExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        library = TPluginLibrary::Open(std::string(ZINOP_BIN_DIR) + "/ifpng.spi");
        ASSERT_TRUE(library);
        info = reinterpret_cast<SPI_GetPluginInfo>(library.Symbol("GetPluginInfo"));
        supported = reinterpret_cast<SPI_IsSupported>(library.Symbol("IsSupported"));
        picture = reinterpret_cast<SPI_GetPicture>(library.Symbol("GetPicture"));
        ASSERT_TRUE(info && supported && picture);
    }
    TPluginLibrary library;
    SPI_GetPluginInfo info = nullptr;
    SPI_IsSupported supported = nullptr;
    SPI_GetPicture picture = nullptr;
};

}  // namespace

TEST_F(SpiExportsTest, InfoTextsAreCutToTheBufferAndEndAfterTheLast) {
    char text[64];
    ASSERT_EQ(info(0, text, sizeof text), 4);
    EXPECT_STREQ(text, "00IN");
    EXPECT_EQ(info(2, text, sizeof text), 5);
    EXPECT_STREQ(text, "*.png");
    EXPECT_EQ(info(1, text, 5), 4);  // four characters and the terminating zero
    EXPECT_EQ(std::strlen(text), 4u);
    EXPECT_EQ(info(4, text, sizeof text), 0);
    EXPECT_EQ(info(-1, text, sizeof text), 0);
}

TEST_F(SpiExportsTest, ClaimsOnlyItsSignature) {
    uint8_t header[2048] = {};
    std::memcpy(header, kTinyPng, sizeof kTinyPng);
    EXPECT_NE(supported("x.png", header), 0);
    header[1] = 'Q';
    EXPECT_EQ(supported("x.png", header), 0);
}

TEST_F(SpiExportsTest, DecodesFromMemoryAndHonoursTheProgressCallback) {
    void* bitmapInfo = nullptr;
    void* pixels = nullptr;
    const auto* data = reinterpret_cast<const char*>(kTinyPng);
    ASSERT_EQ(picture(data, sizeof kTinyPng, 1, &bitmapInfo, &pixels, &GoOn, 0), SPI_ALL_RIGHT);
    ASSERT_TRUE(bitmapInfo && pixels);
    const auto* header = static_cast<const uint8_t*>(bitmapInfo);
    EXPECT_EQ(header[0], 40);
    EXPECT_EQ(header[4], 8);   // width
    EXPECT_EQ(header[8], 1);   // height, positive: bottom-up
    EXPECT_EQ(header[14], 24);
    std::free(bitmapInfo);
    std::free(pixels);

    bitmapInfo = pixels = reinterpret_cast<void*>(1);
    EXPECT_EQ(picture(data, sizeof kTinyPng, 1, &bitmapInfo, &pixels, &Stop, 0), SPI_ABORT);
    EXPECT_EQ(bitmapInfo, nullptr);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(picture(data, 20, 1, &bitmapInfo, &pixels, nullptr, 0), SPI_OUT_OF_ORDER);
    EXPECT_EQ(picture("/no/such/file.png", 0, 0, &bitmapInfo, &pixels, nullptr, 0), SPI_FILE_READ_ERROR);
    EXPECT_EQ(bitmapInfo, nullptr);
}
