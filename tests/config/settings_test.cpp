#include "config/settings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "config/ini_file.h"
#include "config/paths.h"
#include "config/texts.h"
#include "temp_folder.h"

namespace {

// Hooks that record the order in which loading calls them.
struct THookLog {
    std::vector<std::string> Calls;
    bool Japanese = false;
    TSettingsHooks Hooks() {
        TSettingsHooks hooks;
        hooks.SystemIsJapanese = [this] { return Japanese; };
        hooks.ApplyEnglishTexts = [this] { Calls.push_back("english"); };
        hooks.CurrentWindowBounds = [this] {
            Calls.push_back("bounds");
            return TBounds{10, 20, 300, 200};
        };
        hooks.SetDialogFilters = [this] { Calls.push_back("filters"); };
        hooks.BindRecentMenu = [this] { Calls.push_back("recent"); };
        hooks.ShowAboutBox = [this] { Calls.push_back("about"); };
        hooks.CurrentDirectory = [] { return std::string("/work/pictures"); };
        hooks.ApplyValues = [this] { Calls.push_back("values"); };
        hooks.ApplyDitherRule = [this] { Calls.push_back("dither"); };
        return hooks;
    }
};

class SettingsTest : public ::testing::Test {
  protected:
    TTempFolder folder_;
    std::string path_ = folder_.File("Zinop.ini");
    THookLog log_;

    TSettingsRecord Load() {
        TSettingsRecord record;
        LoadSettings(record, log_.Hooks(), path_);
        return record;
    }
    void Save(const TSettingsRecord& record) {
        std::string error;
        ASSERT_TRUE(SaveSettings(record, path_, error)) << error;
    }
    std::string Key(const std::string& key) { return ReadString(path_, "zinop", key, "<missing>"); }
};

TEST_F(SettingsTest, FirstStartOnJapaneseSystem) {
    log_.Japanese = true;
    const TSettingsRecord record = Load();
    EXPECT_FALSE(UseEnglish());
    EXPECT_FALSE(record.UseEnglish);
    EXPECT_EQ(log_.Calls, (std::vector<std::string>{"bounds", "filters", "recent", "about",
                                                    "values", "dither"}));
    EXPECT_EQ(record.ComboBoxPaletteVolume, 6);
    EXPECT_EQ(record.ComboBoxTrim, 3);
    EXPECT_EQ(record.ComboBoxGIF, 0);
    EXPECT_EQ(record.ComboBoxDither, 2);
    EXPECT_TRUE(record.ToolBarVisible);
    EXPECT_EQ(record.BatchSaveDirectory, "/work/pictures/");
    EXPECT_EQ(record.PluginFolder,
              AddTrailingSeparator(FirstStartPluginFolderFor(CurrentProgramPlace())));
    EXPECT_EQ(record.TrackBarDither, 7);  // form defaults stay
    EXPECT_EQ(record.UpDownValue, 64);
    EXPECT_EQ(record.TransCornerButton, RadioButtonRB);
    EXPECT_EQ(record.WindowBounds.Width, 300);
    EXPECT_EQ(record.WindowState, 0);
    Save(record);
    EXPECT_EQ(Key("language"), "0");
}

TEST_F(SettingsTest, FirstStartElsewhereIsEnglish) {
    log_.Japanese = false;
    const TSettingsRecord record = Load();
    EXPECT_TRUE(UseEnglish());
    EXPECT_EQ(log_.Calls.front(), "english");
    Save(record);
    EXPECT_EQ(Key("language"), "1");
}

TEST_F(SettingsTest, FileWithOnlyVersionGivesZeroValues) {
    PutFile(path_, "[zinop]\nVersion=35\n");
    log_.Japanese = false;
    const TSettingsRecord record = Load();
    EXPECT_EQ(log_.Calls,
              (std::vector<std::string>{"bounds", "filters", "recent", "values", "dither"}));
    EXPECT_FALSE(UseEnglish());  // "language" missing reads false: Japanese
    EXPECT_EQ(record.TrackBarDither, 0);
    EXPECT_EQ(record.ComboBoxPaletteVolume, 0);  // Web
    EXPECT_EQ(record.ComboBoxTrim, 0);           // 5 bit
    EXPECT_EQ(record.TrackBarCb + record.TrackBarCr + record.TrackBarCg, 0);
    EXPECT_EQ(record.ComboBoxDither, 0);
    EXPECT_EQ(record.UpDownDitherOption, 0);
    EXPECT_EQ(record.PaletteSizeButton, RadioButton8bit);
    EXPECT_EQ(record.UpDownValue, 2);  // the count field's minimum
    EXPECT_FALSE(record.CheckBoxAdd16);
    EXPECT_FALSE(record.CheckBoxTrans);
    EXPECT_EQ(record.TransCornerButton, RadioButtonLT);
    EXPECT_EQ(record.BatchFormat, 0);
    EXPECT_EQ(record.BatchFormatButton, RadioButtonBMP);
    EXPECT_EQ(record.ComboBoxGIF, 0);
    EXPECT_FALSE(record.CheckBoxPNGinterlace);
    EXPECT_FALSE(record.ToolBarVisible);
    EXPECT_EQ(record.BatchSaveDirectory, "");
    EXPECT_EQ(record.PluginFolder, "");
    EXPECT_EQ(record.OpenIndex, 1);
    EXPECT_EQ(record.SaveIndex, 1);
    for (const std::string& recent : record.RecentFiles) EXPECT_EQ(recent, "");
}

TEST_F(SettingsTest, OlderVersionIsFirstStartAndEmptiesOnlyOurSection) {
    PutFile(path_, "[zinop]\nVersion=34\ndither=3\n[plugins]\nifjpeg.spi=0\n");
    const TSettingsRecord record = Load();
    EXPECT_NE(std::find(log_.Calls.begin(), log_.Calls.end(), "about"), log_.Calls.end());
    EXPECT_EQ(record.TrackBarDither, 7);
    EXPECT_EQ(GetFile(path_), "[plugins]\nifjpeg.spi=0\n");
}

TEST_F(SettingsTest, HexadecimalVersionIsApplied) {
    PutFile(path_, "[ZINOP]\nversion=0x23\nDITHER=3\nlanguage=1\n");
    const TSettingsRecord record = Load();
    EXPECT_EQ(record.TrackBarDither, 3);
    EXPECT_TRUE(UseEnglish());
    EXPECT_EQ(std::find(log_.Calls.begin(), log_.Calls.end(), "about"), log_.Calls.end());
}

TEST_F(SettingsTest, RadioKeysOutsideRangeSelectTheLastButton) {
    PutFile(path_, "[zinop]\nVersion=35\nBits=7\nTrans=-1\n");
    TSettingsRecord record = Load();
    EXPECT_EQ(record.PaletteSizeButton, RadioButtonPalette);
    EXPECT_EQ(record.TransCornerButton, RadioButtonRB);
    PutFile(path_, "[zinop]\nVersion=35\nBits=2\nTrans=2\n");
    record = Load();
    EXPECT_EQ(record.PaletteSizeButton, RadioButton1bit);
    EXPECT_EQ(record.TransCornerButton, RadioButtonRT);
}

TEST_F(SettingsTest, BatchIsStoresOnlyBmpOrNot) {
    TSettingsRecord record;
    record.BatchFormat = RadioButtonGIF;
    Save(record);
    EXPECT_EQ(Key("BatchIs"), "1");
    record = Load();
    EXPECT_EQ(record.BatchFormat, 1);
    EXPECT_EQ(record.BatchFormatButton, RadioButtonPNG);

    // The dialog's choice counts only once a reduce copied it into BatchFormat.
    record.BatchFormat = 0;
    record.BatchFormatButton = RadioButtonPNG;
    Save(record);
    EXPECT_EQ(Key("BatchIs"), "0");
    record = Load();
    EXPECT_EQ(record.BatchFormat, 0);
    EXPECT_EQ(record.BatchFormatButton, RadioButtonBMP);
}

TEST_F(SettingsTest, LongFolderIsCutAt1023Bytes) {
    TSettingsRecord record;
    record.BatchSaveDirectory = "/" + std::string(1499, 'd');
    Save(record);
    EXPECT_EQ(Load().BatchSaveDirectory, record.BatchSaveDirectory.substr(0, 1023));
}

TEST_F(SettingsTest, WindowStoresNormalBoundsUnlessNormal) {
    TSettingsRecord record;
    record.WindowBounds = {0, 0, 1920, 1080};
    record.NormalBounds = {-5, 40, 640, 480};
    record.WindowState = 2;
    Save(record);
    EXPECT_EQ(Key("WindowState"), "2");
    EXPECT_EQ(Key("WindowLeft") + "," + Key("WindowTop") + "," + Key("WindowWidth") + "," +
                  Key("WindowHeight"),
              "-5,40,640,480");
    record.WindowState = 1;  // minimized comes back normal
    Save(record);
    EXPECT_EQ(Key("WindowState"), "0");
    EXPECT_EQ(Key("WindowWidth"), "640");
    record.WindowState = 0;
    Save(record);
    EXPECT_EQ(Key("WindowWidth"), "1920");
}

TSettingsRecord EveryFieldChanged() {
    TSettingsRecord record;
    record.PaletteSizeButton = RadioButtonPalette;
    record.UpDownValue = 200;
    record.CheckBoxAdd16 = true;
    record.ComboBoxDither = 4;
    record.TrackBarDither = 9;
    record.UpDownDitherOption = 33;
    record.TrackBarCb = 1;
    record.TrackBarCr = 2;
    record.TrackBarCg = 19;
    record.ComboBoxPaletteVolume = 4;
    record.ComboBoxTrim = 1;
    record.CheckBoxTrans = true;
    record.TransCornerButton = RadioButtonLB;
    record.BatchFormat = 1;
    record.BatchFormatButton = RadioButtonPNG;
    record.CheckBoxPNGinterlace = true;
    record.ComboBoxGIF = 3;
    record.BatchSaveDirectory = "/out/出力/";
    record.PluginFolder = "/opt/plug-ins/";
    record.RecentFiles = {"/a/0.bmp", "/a/1.png", "", "/a/3 x.gif", "", "", "", "", "", "/a/9.bmp"};
    record.ToolBarVisible = false;
    record.LoadDirectory = "/load";
    record.SaveDirectory = "/save";
    record.OpenIndex = 2;
    record.SaveIndex = 4;
    record.WindowState = 2;
    record.NormalBounds = {-8, 16, 800, 600};
    return record;
}

TEST_F(SettingsTest, EveryKeyRoundTrips) {
    const TSettingsRecord saved = EveryFieldChanged();
    SetUseEnglish(false);
    Save(saved);
    SetUseEnglish(true);
    const TSettingsRecord loaded = Load();
    EXPECT_FALSE(loaded.UseEnglish);
    EXPECT_FALSE(UseEnglish());
    EXPECT_EQ(loaded.PaletteSizeButton, saved.PaletteSizeButton);
    EXPECT_EQ(loaded.UpDownValue, saved.UpDownValue);
    EXPECT_EQ(loaded.CheckBoxAdd16, saved.CheckBoxAdd16);
    EXPECT_EQ(loaded.ComboBoxDither, saved.ComboBoxDither);
    EXPECT_EQ(loaded.TrackBarDither, saved.TrackBarDither);
    EXPECT_EQ(loaded.UpDownDitherOption, saved.UpDownDitherOption);
    EXPECT_EQ(loaded.TrackBarCb, saved.TrackBarCb);
    EXPECT_EQ(loaded.TrackBarCr, saved.TrackBarCr);
    EXPECT_EQ(loaded.TrackBarCg, saved.TrackBarCg);
    EXPECT_EQ(loaded.ComboBoxPaletteVolume, saved.ComboBoxPaletteVolume);
    EXPECT_EQ(loaded.ComboBoxTrim, saved.ComboBoxTrim);
    EXPECT_EQ(loaded.CheckBoxTrans, saved.CheckBoxTrans);
    EXPECT_EQ(loaded.TransCornerButton, saved.TransCornerButton);
    EXPECT_EQ(loaded.BatchFormat, saved.BatchFormat);
    EXPECT_EQ(loaded.BatchFormatButton, saved.BatchFormatButton);
    EXPECT_EQ(loaded.CheckBoxPNGinterlace, saved.CheckBoxPNGinterlace);
    EXPECT_EQ(loaded.ComboBoxGIF, saved.ComboBoxGIF);
    EXPECT_EQ(loaded.BatchSaveDirectory, saved.BatchSaveDirectory);
    EXPECT_EQ(loaded.PluginFolder, saved.PluginFolder);
    EXPECT_EQ(loaded.RecentFiles, saved.RecentFiles);
    EXPECT_EQ(loaded.ToolBarVisible, saved.ToolBarVisible);
    EXPECT_EQ(loaded.LoadDirectory, saved.LoadDirectory);
    EXPECT_EQ(loaded.SaveDirectory, saved.SaveDirectory);
    EXPECT_EQ(loaded.OpenIndex, saved.OpenIndex);
    EXPECT_EQ(loaded.SaveIndex, saved.SaveIndex);
    EXPECT_EQ(loaded.WindowState, 2);
    EXPECT_EQ(loaded.WindowBounds.Left, -8);
    EXPECT_EQ(loaded.WindowBounds.Top, 16);
    EXPECT_EQ(loaded.WindowBounds.Width, 800);
    EXPECT_EQ(loaded.WindowBounds.Height, 600);
}

TEST_F(SettingsTest, NewFileListsKeysInTableOrder) {
    Save(TSettingsRecord{});
    const std::vector<std::string> expected = {"Version",
                                               "dither",
                                               "Fix",
                                               "Source",
                                               "Cblue",
                                               "Cred",
                                               "Cgreen",
                                               "ditherMode",
                                               "ditherOption",
                                               "Bits",
                                               "EditValue",
                                               "Add16Pal",
                                               "Trans",
                                               "TransSW",
                                               "PNGtype",
                                               "BatchIs",
                                               "GIFtype",
                                               "ToolBar",
                                               "BatchSaveDirectory",
                                               "LoadDirectory",
                                               "SaveDirectory",
                                               "OpenIndex",
                                               "SaveIndex",
                                               "PluginsPath",
                                               "language",
                                               "WindowWidth",
                                               "WindowHeight",
                                               "WindowTop",
                                               "WindowLeft",
                                               "WindowState",
                                               "Recent0",
                                               "Recent1",
                                               "Recent2",
                                               "Recent3",
                                               "Recent4",
                                               "Recent5",
                                               "Recent6",
                                               "Recent7",
                                               "Recent8",
                                               "Recent9"};
    EXPECT_EQ(ReadSectionKeys(path_, "zinop"), expected);
    EXPECT_NE(GetFile(path_).find("\nRecent9=\n"), std::string::npos);  // empty slots written
    EXPECT_EQ(Key("Version"), "35");
}

TEST_F(SettingsTest, SaveKeepsPluginsAndForeignKeys) {
    PutFile(path_, "[plugins]\r\nifpng.spi=0\r\n[zinop]\r\nVersion=35\r\nmine=1\r\ndither=2\r\n");
    TSettingsRecord record;
    record.TrackBarDither = 5;
    Save(record);
    const std::string text = GetFile(path_);
    EXPECT_TRUE(
        text.starts_with("[plugins]\r\nifpng.spi=0\r\n[zinop]\r\nVersion=35\r\nmine=1\r\n"
                         "dither=5\r\n"));
    EXPECT_EQ(ReadSectionKeys(path_, "plugins"), std::vector<std::string>{"ifpng.spi"});
}

TEST_F(SettingsTest, UnwritableSaveReportsErrorAndKeepsOldFile) {
    std::string error;
    const std::string noFolder = folder_.File("gone/Zinop.ini");
    EXPECT_FALSE(SaveSettings(TSettingsRecord{}, noFolder, error));
    EXPECT_EQ(error, noFolder + " に書き込めません");

    const std::string isFolder = folder_.File("Zinop.ini.d");
    std::filesystem::create_directory(isFolder);
    EXPECT_FALSE(SaveSettings(TSettingsRecord{}, isFolder, error));
    EXPECT_EQ(error, isFolder + " に書き込めません");
    EXPECT_TRUE(std::filesystem::is_directory(isFolder));

    // An existing file whose save cannot complete keeps every old byte.
    const std::string longName = folder_.File(std::string(248, 'n') + ".ini");
    const std::string old = "[zinop]\nVersion=35\ndither=4\n";
    PutFile(longName, old);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;  // the disk takes no more than 16 bytes
    setrlimit(RLIMIT_FSIZE, &small);
    const bool written = SaveSettings(TSettingsRecord{}, longName, error);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, longName + " に書き込めません");
    EXPECT_EQ(GetFile(longName), old);
    EXPECT_EQ(CountFiles(folder_.Folder()), 2);  // no temporary files left
}

TEST_F(SettingsTest, UnreadableFileIsFirstStartWithoutCrash) {
    std::filesystem::create_directory(path_);  // the settings "file" is a folder
    const TSettingsRecord record = Load();
    EXPECT_EQ(record.ComboBoxDither, 2);
    EXPECT_TRUE(std::filesystem::is_directory(path_));
}

TEST_F(SettingsTest, CliReaderAcceptsOnlyVersion35) {
    std::string error;
    TSettingsRecord record;
    EXPECT_FALSE(LoadSettingsForCli(path_, record, error));
    EXPECT_NE(error.find(path_), std::string::npos);

    PutFile(path_, "[zinop]\nVersion=34\nditherMode=4\n");
    EXPECT_FALSE(LoadSettingsForCli(path_, record, error));
    EXPECT_NE(error.find("35"), std::string::npos);
    EXPECT_EQ(record.ComboBoxDither, 2);  // untouched

    SetUseEnglish(true);
    PutFile(path_, "[zinop]\nVersion=35\nditherMode=4\nBatchIs=1\nGIFtype=3\nlanguage=0\n");
    ASSERT_TRUE(LoadSettingsForCli(path_, record, error));
    EXPECT_EQ(record.ComboBoxDither, 4);
    EXPECT_EQ(record.BatchFormat, 1);
    EXPECT_EQ(record.ComboBoxGIF, 3);
    EXPECT_EQ(record.TrackBarDither, 0);  // missing key: 0, as the program reads it
    EXPECT_FALSE(record.UseEnglish);
    EXPECT_TRUE(UseEnglish());  // the process-wide flag is left alone
    EXPECT_EQ(GetFile(path_),
              "[zinop]\nVersion=35\nditherMode=4\nBatchIs=1\nGIFtype=3\nlanguage=0\n");
}

TEST(SettingsPath, DefaultFileLiesBesideTheProgramInABuildTree) {
    EXPECT_EQ(DefaultSettingsPath(), ProgramFolder() + "Zinop.ini");
    EXPECT_TRUE(DefaultSettingsPath().starts_with("/"));
}

}  // namespace

TEST_F(SettingsTest, RefineKeyAppearsOnceUsedAndReadsClamped) {
    TSettingsRecord record;
    Save(record);
    EXPECT_EQ(Key("Refine"), "<missing>");  // a file that never had it stays as it was
    EXPECT_EQ(Load().ComboBoxRefine, 0);
    record.ComboBoxRefine = 2;
    Save(record);
    EXPECT_EQ(Key("Refine"), "2");
    EXPECT_EQ(Load().ComboBoxRefine, 2);
    record.ComboBoxRefine = 0;
    Save(record);
    EXPECT_EQ(Key("Refine"), "0");  // turned off again: the key says so
    PutFile(path_, "[zinop]\nVersion=35\nRefine=7\n");
    EXPECT_EQ(Load().ComboBoxRefine, 3);
}
