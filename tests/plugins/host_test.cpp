// The host's loading rules and search order, driven by the test plug-ins.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/ini_file.h"
#include "plugin_test_support.h"
#include "plugins/plugin_listing.h"
#include "tests/support/process_state.h"

namespace {

// Red says which test plug-in decoded, green the offset it was given.
void ExpectDecodedBy(const TPictureRecord& record, int mark, int offset) {
    ASSERT_EQ(record.Kind, pkFullColour);
    ASSERT_EQ(record.Width, 2);
    ASSERT_EQ(record.Height, 2);
    const ColorValue* pixels = record.ColorPixels();
    // Blue is row * 100 + x counted from the bottom row of the DIB.
    EXPECT_EQ(pixels[0], MakeColor(mark, offset, 100));
    EXPECT_EQ(pixels[1], MakeColor(mark, offset, 101));
    EXPECT_EQ(pixels[2], MakeColor(mark, offset, 0));
    EXPECT_EQ(pixels[3], MakeColor(mark, offset, 1));
}

std::string SmallBmpImage() {
    TPictureRecord record;
    record.Kind = pkFullColour;
    record.Width = 1;
    record.Height = 1;
    record.Pixels.assign(4, 0);
    record.ColorPixels()[0] = MakeColor(1, 2, 3);
    TByteBuffer buffer;
    WriteBmpImage(record, buffer);
    return std::string(buffer.Data.begin(), buffer.Data.end());
}

}  // namespace

TEST_F(PluginHostTest, MissingOrEmptyFolderLoadsNothingAndBmpStillLoads) {
    SetPluginFolder(plugins.File("absent") + "/");
    LoadPlugins();
    EXPECT_TRUE(LoadedPlugins().empty());
    SetPluginFolder("");
    LoadPlugins();
    EXPECT_TRUE(LoadedPlugins().empty());
    SetPluginFolder(plugins.Folder());
    LoadPlugins();
    EXPECT_TRUE(LoadedPlugins().empty());

    pictures.Write("one.bmp", SmallBmpImage());
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("one.bmp"), record), 0);
    EXPECT_EQ(record.ColorPixels()[0], MakeColor(1, 2, 3));
}

TEST_F(PluginHostTest, ListsOnlySpiFilesInNameOrder) {
    plugins.AddTestPlugin("tp_second", "b.spi");
    plugins.AddTestPlugin("tp_first", "a.spi");
    plugins.AddTestPlugin("tp_first", "C.SPI");
    plugins.Write("notes.txt", "x");
    plugins.Write("spi", "x");
    std::filesystem::create_directory(plugins.File("folder.spi"));
    std::vector<std::string> names{"stale"};
    EnumeratePluginFiles(names);
    EXPECT_EQ(names, (std::vector<std::string>{"C.SPI", "a.spi", "b.spi"}));
    LoadPlugins();
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"C.SPI", "a.spi", "b.spi"}));
}

TEST_F(PluginHostTest, DisabledNamesMatchWithoutRegardToCase) {
    plugins.AddTestPlugin("tp_first", "a.spi");
    plugins.AddTestPlugin("tp_second", "b.spi");
    ASSERT_TRUE(WriteDisabledPlugins({"A.SPI", "gone.spi"}));
    LoadPlugins();
    EXPECT_EQ(LoadedNames(), std::vector<std::string>{"b.spi"});
    pictures.Write("p.tst", TestFile("ZTA1"));
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("p.tst"), record), 0);
    ExpectDecodedBy(record, 20, 0);
}

TEST_F(PluginHostTest, RefusesWhatIsNotAnImageImportPlugin) {
    plugins.AddTestPlugin("tp_archive", "archive.spi");  // "00AM"
    plugins.AddTestPlugin("tp_lower", "lower.spi");      // "00in": the test is case-sensitive
    plugins.AddTestPlugin("tp_noinfo", "noinfo.spi");
    plugins.Write("text.spi", "not a shared object");
    LoadPlugins();
    EXPECT_TRUE(LoadedPlugins().empty());
    pictures.Write("p.tst", TestFile("ZTA1"));
    TPictureRecord record;
    EXPECT_EQ(Load(pictures.File("p.tst"), record), 1);
}

TEST_F(PluginHostTest, OnlyTheFirstOfTwoReadersDecodes) {
    plugins.AddTestPlugin("tp_first", "a.spi");
    plugins.AddTestPlugin("tp_second", "b.spi");
    LoadPlugins();
    pictures.Write("p.tst", TestFile("ZTA1"));
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("p.tst"), record), 0);
    ExpectDecodedBy(record, 10, 0);
}

TEST_F(PluginHostTest, FailingGetPictureSendsTheFileToTheNextPlugin) {
    plugins.AddTestPlugin("tp_fail", "a.spi");
    plugins.AddTestPlugin("tp_second", "b.spi");
    LoadPlugins();
    ASSERT_EQ(LoadedPlugins().size(), 2u);
    pictures.Write("p.tst", TestFile("ZTA1"));
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("p.tst"), record), 0);
    ExpectDecodedBy(record, 20, 0);

    UnloadPlugins();
    std::filesystem::remove(plugins.File("b.spi"));
    LoadPlugins();
    TByteBuffer buffer;
    buffer.PutU8(42);
    EXPECT_FALSE(LoadThroughPlugins(pictures.File("p.tst"), buffer));
    EXPECT_EQ(buffer.Data, std::vector<uint8_t>{42});  // untouched
}

TEST_F(PluginHostTest, FileClaimedAtByte128IsDecodedWithOffset128) {
    plugins.AddTestPlugin("tp_at128", "at128.spi");
    LoadPlugins();
    pictures.Write("prefixed.tst", std::string(128, 'm') + TestFile("Z128"));
    pictures.Write("plain.tst", TestFile("Z128"));
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("prefixed.tst"), record), 0);
    ExpectDecodedBy(record, 50, 128);
    ASSERT_EQ(Load(pictures.File("plain.tst"), record), 0);
    ExpectDecodedBy(record, 50, 0);
}

TEST_F(PluginHostTest, ShortFileIsOfferedWithTheRestOfTheHeaderZero) {
    plugins.AddTestPlugin("tp_zero", "zero.spi");
    LoadPlugins();
    pictures.Write("short.tst", TestFile("ZZER", 16));
    pictures.Write("long.tst", TestFile("ZZER", 3000));
    TPictureRecord record;
    ASSERT_EQ(Load(pictures.File("short.tst"), record), 0);
    ExpectDecodedBy(record, 60, 0);
    // The header really holds the file's bytes: a long file's tail is not zero.
    EXPECT_EQ(Load(pictures.File("long.tst"), record), 1);
}

TEST_F(PluginHostTest, UnreadableFileIsNotOffered) {
    plugins.AddTestPlugin("tp_first", "a.spi");
    LoadPlugins();
    TByteBuffer buffer;
    EXPECT_FALSE(LoadThroughPlugins(pictures.File("absent.tst"), buffer));
    EXPECT_FALSE(LoadThroughPlugins(pictures.Folder(), buffer));
    EXPECT_TRUE(buffer.Data.empty());
}

TEST_F(PluginHostTest, ReloadingReplacesAndUnloadingEmpties) {
    plugins.AddTestPlugin("tp_first", "a.spi");
    LoadPlugins();
    LoadPlugins();
    EXPECT_EQ(LoadedNames(), std::vector<std::string>{"a.spi"});
    UnloadPlugins();
    EXPECT_TRUE(LoadedPlugins().empty());
    pictures.Write("p.tst", TestFile("ZTA1"));
    TPictureRecord record;
    EXPECT_EQ(Load(pictures.File("p.tst"), record), 1);
}

TEST_F(PluginHostTest, DisablingEverythingThenReloadingLeavesOnlyBmp) {
    plugins.AddTestPlugin("tp_first", "a.spi");
    plugins.AddTestPlugin("tp_second", "b.spi");
    LoadPlugins();
    std::vector<std::string> files;
    EnumeratePluginFiles(files);
    ASSERT_TRUE(WriteDisabledPlugins(files));
    UnloadPlugins();
    LoadPlugins();
    EXPECT_TRUE(LoadedPlugins().empty());
}

TEST_F(PluginHostTest, DisabledListIsWrittenLastEntryFirstWithValueZero) {
    const std::string ini = settings.File("Zinop.ini");
    settings.Write("Zinop.ini", "[zinop]\nVersion=35\n[plugins]\nold.spi=0\n");
    ASSERT_TRUE(WriteDisabledPlugins({"a.spi", "b.spi", "c.spi"}));
    std::vector<std::string> names;
    ReadDisabledPlugins(names);
    EXPECT_EQ(names, (std::vector<std::string>{"c.spi", "b.spi", "a.spi"}));
    EXPECT_EQ(ReadString(ini, "plugins", "b.spi"), "0");
    EXPECT_EQ(ReadInteger(ini, "zinop", "Version"), 35);

    ASSERT_TRUE(WriteDisabledPlugins({}));
    ReadDisabledPlugins(names);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(ReadInteger(ini, "zinop", "Version"), 35);
}

// Plug-in file names become ini keys; names the format cannot hold would
// come back as another key, a section or a comment. Such a plug-in could
// never be disabled, so it is listed as refused and never loaded, and its
// name is never written.
TEST_F(PluginHostTest, NamesTheSettingsFileCannotHoldAreNeverLoadedNorWritten) {
    const std::vector<std::string> odd = {"a=b.spi", "[x].spi",         ";x.spi",
                                          "#x.spi",  "line\nbreak.spi", " padded.spi"};
    for (const std::string& name : odd) plugins.AddTestPlugin("tp_first", name);
    plugins.AddTestPlugin("tp_second", "ok.spi");
    LoadPlugins();
    EXPECT_EQ(LoadedNames(), std::vector<std::string>{"ok.spi"});
    for (const TPluginListing& listing : ListPlugins(plugins.Folder(), {})) {
        const bool storable = listing.FileName == "ok.spi";
        EXPECT_EQ(PluginNameStorable(listing.FileName), storable) << listing.FileName;
        EXPECT_EQ(listing.Refusal == TPluginRefusal::UnstorableName, !storable) << listing.FileName;
    }

    settings.Write("Zinop.ini", "[zinop]\nVersion=35\n");
    std::vector<std::string> disabled = odd;
    disabled.push_back("ok.spi");
    ASSERT_TRUE(WriteDisabledPlugins(disabled));
    std::vector<std::string> names;
    ReadDisabledPlugins(names);
    EXPECT_EQ(names, std::vector<std::string>{"ok.spi"});
    std::ifstream in(settings.File("Zinop.ini"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "[zinop]\nVersion=35\n[plugins]\nok.spi=0\n");
}

TEST_F(PluginHostTest, DisabledListOfAMissingFileIsEmpty) {
    std::vector<std::string> names{"stale"};
    ReadDisabledPlugins(settings.File("absent.ini"), names);
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(WriteDisabledPlugins(settings.File("no/such/folder/Zinop.ini"), {"a.spi"}));
}

TEST_F(PluginHostTest, DisabledListMakesThePerUserSettingsFolder) {
    // The plug-in dialog can close before the first settings save.
    const std::string config = settings.File("config");
    const TScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
    const std::string ini = config + "/zinop/Zinop.ini";
    ASSERT_TRUE(WriteDisabledPlugins(ini, {"a.spi"}));
    EXPECT_EQ(ReadString(ini, "plugins", "a.spi"), "0");
}

TEST_F(PluginHostTest, ProgressCallbackAlwaysSaysGoOn) {
    EXPECT_EQ(PluginProgress(0, 1, 0), 0);
    EXPECT_EQ(PluginProgress(5, 3, 7), 0);
}
