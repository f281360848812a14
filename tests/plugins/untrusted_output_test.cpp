// What a plug-in returns is judged like file input, and the per-file listing
// the command-line tool prints.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "plugin_test_support.h"
#include "plugins/dib_check.h"
#include "plugins/plugin_listing.h"

namespace {

std::vector<uint8_t> Header(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0) {
    std::vector<uint8_t> h(40, 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(0, 40);
    put(4, static_cast<uint32_t>(width));
    put(8, static_cast<uint32_t>(height));
    h[12] = 1;
    h[14] = static_cast<uint8_t>(bits);
    put(16, compression);
    return h;
}

}  // namespace

TEST(PluginDibCheck, AcceptsSoundBlocksAndReportsTheirSizes) {
    TDibBlockSizes sizes;
    std::vector<uint8_t> info = Header(3, 2, 24);
    ASSERT_TRUE(CheckPluginDib(info.data(), info.size(), 24, sizes));
    EXPECT_EQ(sizes.InfoBytes, 40u);
    EXPECT_EQ(sizes.PixelBytes, 24u);  // rows of 9 bytes padded to 12

    info = Header(5, -3, 8);  // top-down, 256-entry table
    info.resize(40 + 1024);
    ASSERT_TRUE(CheckPluginDib(info.data(), info.size(), 24, sizes));
    EXPECT_EQ(sizes.InfoBytes, 1064u);

    info = Header(2, 2, 32, 3);  // bit fields: three masks after the header
    info.resize(52);
    ASSERT_TRUE(CheckPluginDib(info.data(), info.size(), 16, sizes));
    EXPECT_EQ(sizes.InfoBytes, 52u);
}

TEST(PluginDibCheck, RefusesNonsense) {
    TDibBlockSizes sizes;
    const struct {
        const char* what;
        std::vector<uint8_t> info;
        size_t pixelBytes;
    } cases[] = {
        {"block shorter than a header", std::vector<uint8_t>(39, 0), 1000},
        {"width 0", Header(0, 2, 24), 1000},
        {"height 0", Header(2, 0, 24), 1000},
        {"negative width", Header(-2, 2, 24), 1000},
        {"huge height", Header(2, 200000000, 24), SIZE_MAX},  // over the 2^28-pixel cap
        {"3 bits", Header(2, 2, 3), 1000},
        {"RLE8", Header(2, 2, 8, 1), 1000},
        {"bit fields at 24 bits", Header(2, 2, 24, 3), 1000},
        {"colour table outside the block", Header(2, 2, 8), 1000},
        {"masks outside the block", Header(2, 2, 16, 3), 1000},
        {"pixel block too short", Header(100, 100, 24), 100 * 300 - 1},
        {"2^40 pixels", Header(1 << 20, 1 << 20, 1), SIZE_MAX},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(CheckPluginDib(c.info.data(), c.info.size(), c.pixelBytes, sizes)) << c.what;
    }
    std::vector<uint8_t> twoPlanes = Header(2, 2, 24);
    twoPlanes[12] = 2;
    EXPECT_FALSE(CheckPluginDib(twoPlanes.data(), twoPlanes.size(), 1000, sizes));
    std::vector<uint8_t> oddHeader = Header(2, 2, 24);
    oddHeader[0] = 41;
    EXPECT_FALSE(CheckPluginDib(oddHeader.data(), oddHeader.size(), 1000, sizes));
    EXPECT_FALSE(CheckPluginDib(nullptr, 40, 1000, sizes));
}

TEST(PluginDibCheck, BlockSizeIsAtLeastWhatWasAllocated) {
    void* block = std::calloc(1, 100);
    EXPECT_GE(PluginBlockSize(block), 100u);
    std::free(block);
    EXPECT_EQ(PluginBlockSize(nullptr), 0u);
}

class HostileOutputTest : public PluginHostTest, public ::testing::WithParamInterface<char> {};

TEST_P(HostileOutputTest, BrokenBitmapCountsAsAFailedGetPicture) {
    plugins.AddTestPlugin("tp_hostile", "a.spi");
    LoadPlugins();
    pictures.Write("p.tst", TestFile(std::string("ZHOS") + GetParam()));
    TByteBuffer buffer;
    EXPECT_FALSE(LoadThroughPlugins(pictures.File("p.tst"), buffer));
    EXPECT_TRUE(buffer.Data.empty());

    // The next plug-in that reads the format is asked instead.
    UnloadPlugins();
    plugins.AddTestPlugin("tp_fallback", "b.spi");
    LoadPlugins();
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("p.tst"), record), 0);
    EXPECT_EQ(RedOf(record.ColorPixels()[0]), 80);
}

INSTANTIATE_TEST_SUITE_P(Modes, HostileOutputTest,
                         ::testing::Values('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'w', 'h'));

TEST_F(PluginHostTest, HostilePluginsSoundAnswerIsUsed) {
    plugins.AddTestPlugin("tp_hostile", "a.spi");
    plugins.AddTestPlugin("tp_fallback", "b.spi");
    LoadPlugins();
    pictures.Write("p.tst", TestFile("ZHOSk"));
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("p.tst"), record), 0);
    EXPECT_EQ(RedOf(record.ColorPixels()[0]), 70);
}

TEST_F(PluginHostTest, ListingGivesEveryFilesStateAndTexts) {
    plugins.AddTestPlugin("tp_first", "a.spi");
    plugins.AddTestPlugin("tp_second", "b.spi");
    plugins.AddTestPlugin("tp_archive", "c.spi");
    plugins.AddTestPlugin("tp_noinfo", "d.spi");
    plugins.Write("e.spi", "not a library");
    const std::vector<TPluginListing> listing = ListPlugins(plugins.Folder(), {"B.spi"});
    ASSERT_EQ(listing.size(), 5u);

    EXPECT_EQ(listing[0].FileName, "a.spi");
    EXPECT_EQ(listing[0].State, TPluginState::Loaded);
    EXPECT_EQ(listing[0].Version, "00IN");
    EXPECT_EQ(listing[0].InfoTexts,
              (std::vector<std::string>{"Test plug-in ZTA1", "*.tst", "Test files"}));
    EXPECT_EQ(PluginStateText(listing[0]), "loaded");

    EXPECT_EQ(listing[1].State, TPluginState::Disabled);
    EXPECT_TRUE(listing[1].InfoTexts.empty());
    EXPECT_EQ(PluginStateText(listing[1]), "disabled");

    EXPECT_EQ(listing[2].State, TPluginState::Refused);
    EXPECT_EQ(listing[2].Refusal, TPluginRefusal::NotImageImport);
    EXPECT_EQ(PluginStateText(listing[2]), "refused: not an image import plug-in (version \"00AM\")");

    EXPECT_EQ(listing[3].Refusal, TPluginRefusal::NoGetPluginInfo);
    EXPECT_EQ(listing[4].Refusal, TPluginRefusal::CannotLoad);
    EXPECT_FALSE(listing[4].Detail.empty());
    EXPECT_TRUE(LoadedPlugins().empty());  // the listing loads nothing for good
}
