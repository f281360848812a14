#include "config/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "config/settings.h"
#include "support/process_state.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

// A program in /opt/z/bin/ with its install layout around it.
TProgramPlace Place(bool writable, bool holdsPlugins, bool installed) {
    TProgramPlace place;
    place.ProgramFolder = "/opt/z/bin/";
    place.ProgramFolderWritable = writable;
    place.ProgramFolderHoldsPlugins = holdsPlugins;
    place.Installed = installed;
    place.InstalledPluginFolder = "/opt/z/lib/zinop/plugins/";
    place.InstalledHelpFolder = "/opt/z/share/zinop/help/";
    place.UserConfigFolder = "/home/u/.config/zinop/";
    return place;
}

TEST(UserConfigFolder, FollowsTheXdgRules) {
    EXPECT_EQ(UserConfigFolderFrom("/x/cfg", "/home/u"), "/x/cfg/zinop/");
    EXPECT_EQ(UserConfigFolderFrom("/x/cfg/", "/home/u"), "/x/cfg/zinop/");
    // Empty or relative XDG_CONFIG_HOME is ignored, as the XDG rules say.
    EXPECT_EQ(UserConfigFolderFrom("", "/home/u"), "/home/u/.config/zinop/");
    EXPECT_EQ(UserConfigFolderFrom("cfg", "/home/u/"), "/home/u/.config/zinop/");
    EXPECT_EQ(UserConfigFolderFrom(nullptr, "/home/u"), "/home/u/.config/zinop/");
    EXPECT_EQ(UserConfigFolderFrom(nullptr, nullptr), "");
    EXPECT_EQ(UserConfigFolderFrom("rel", "rel"), "");
}

TEST(SettingsPathFor, BesideAPortableProgramOnlyWhenItsFolderCanBeWritten) {
    const std::string user = "/home/u/.config/zinop/Zinop.ini";
    EXPECT_EQ(SettingsPathFor(Place(true, true, false)), "/opt/z/bin/Zinop.ini");
    EXPECT_EQ(SettingsPathFor(Place(false, true, false)), user);
    // Root may write /usr/bin, but an installed program never keeps its
    // settings there.
    EXPECT_EQ(SettingsPathFor(Place(true, false, true)), user);
    EXPECT_EQ(SettingsPathFor(Place(false, false, true)), user);

    // Without a user folder the settings stay beside the program.
    TProgramPlace place = Place(false, false, true);
    place.UserConfigFolder.clear();
    EXPECT_EQ(SettingsPathFor(place), "/opt/z/bin/Zinop.ini");
    place.ProgramFolder.clear();
    EXPECT_EQ(SettingsPathFor(place), "Zinop.ini");
    place.UserConfigFolder = "/home/u/.config/zinop/";
    EXPECT_EQ(SettingsPathFor(place), user);
}

TEST(FirstStartPluginFolderFor, ProgramFolderWhenItHoldsPlugins) {
    EXPECT_EQ(FirstStartPluginFolderFor(Place(false, true, true)), "/opt/z/bin/");
    EXPECT_EQ(FirstStartPluginFolderFor(Place(true, false, false)), "/opt/z/lib/zinop/plugins/");
    TProgramPlace unknown = Place(true, false, false);
    unknown.InstalledPluginFolder.clear();
    EXPECT_EQ(FirstStartPluginFolderFor(unknown), "/opt/z/bin/");
}

TEST(ProgramPlace, BuildTreeIsPortable) {
    const TProgramPlace place = CurrentProgramPlace();
    EXPECT_EQ(place.ProgramFolder, ProgramFolder());
    EXPECT_FALSE(place.Installed);
    // The install layout is relative to the program and lexically normal.
    EXPECT_TRUE(place.InstalledPluginFolder.starts_with("/")) << place.InstalledPluginFolder;
    EXPECT_TRUE(place.InstalledPluginFolder.ends_with("/zinop/plugins/"));
    EXPECT_EQ(place.InstalledPluginFolder.find("/../"), std::string::npos);
    EXPECT_EQ(place.InstalledHelpFolder.find("/../"), std::string::npos);
}

class PathsOnDisk : public ::testing::Test {
  protected:
    TTempFolder temp_;
    TProgramPlace place_;
    void SetUp() override {
        fs::create_directories(temp_.File("bin/image"));
        fs::create_directories(temp_.File("help/image"));
        place_.ProgramFolder = temp_.File("bin/");
        place_.InstalledHelpFolder = temp_.File("help/");
    }
};

TEST_F(PathsOnDisk, HelpPageBesideTheProgramFirstThenInstalled) {
    // Neither copy: the page beside the program is opened anyway.
    EXPECT_EQ(HelpPagePathFor(place_, "image/menu.htm"), temp_.File("bin/image/menu.htm"));
    temp_.Write("help/image/menu.htm", "x");
    EXPECT_EQ(HelpPagePathFor(place_, "image/menu.htm"), temp_.File("help/image/menu.htm"));
    temp_.Write("bin/image/menu.htm", "x");
    EXPECT_EQ(HelpPagePathFor(place_, "image/menu.htm"), temp_.File("bin/image/menu.htm"));
    // A folder of that name is no page.
    fs::create_directories(temp_.File("bin/readme.htm"));
    temp_.Write("help/readme.htm", "x");
    EXPECT_EQ(HelpPagePathFor(place_, "readme.htm"), temp_.File("help/readme.htm"));
}

TEST_F(PathsOnDisk, PluginFilesAreRegularSpiFilesInAnyCase) {
    EXPECT_FALSE(FolderHoldsPlugins(temp_.File("bin")));
    EXPECT_FALSE(FolderHoldsPlugins(temp_.File("missing")));
    EXPECT_FALSE(FolderHoldsPlugins(""));
    fs::create_directories(temp_.File("bin/folder.spi"));
    temp_.Write("bin/spi", "x");
    temp_.Write("bin/ifpng.spi.bak", "x");
    EXPECT_FALSE(FolderHoldsPlugins(temp_.File("bin")));
    temp_.Write("bin/IFPNG.SPI", "x");
    EXPECT_TRUE(FolderHoldsPlugins(temp_.File("bin/")));
}

TEST_F(PathsOnDisk, WritableMeansAFileCanBeMadeThere) {
    EXPECT_TRUE(FolderIsWritable(temp_.File("bin")));
    EXPECT_FALSE(FolderIsWritable(temp_.File("missing")));
    temp_.Write("file", "x");
    EXPECT_FALSE(FolderIsWritable(temp_.File("file")));
    if (geteuid() != 0) {  // root writes everywhere
        chmod(temp_.File("help").c_str(), 0555);
        EXPECT_FALSE(FolderIsWritable(temp_.File("help")));
        chmod(temp_.File("help").c_str(), 0755);
    }
}

TEST_F(PathsOnDisk, OnlyTheUserSettingsFolderIsMadeOnSave) {
    const TScopedEnv xdg("XDG_CONFIG_HOME", temp_.File("cfg/deeper").c_str());
    const std::string userFile = temp_.File("cfg/deeper/zinop/Zinop.ini");
    // Another missing folder stays missing: the save there must fail.
    EXPECT_FALSE(PrepareSettingsFolder(temp_.File("gone/Zinop.ini")));
    EXPECT_FALSE(fs::exists(temp_.File("gone")));
    EXPECT_TRUE(PrepareSettingsFolder(temp_.File("bin/Zinop.ini")));

    TSettingsRecord record;
    std::string error;
    ASSERT_TRUE(SaveSettings(record, userFile, error)) << error;
    EXPECT_NE(temp_.Read("cfg/deeper/zinop/Zinop.ini").find("Version=35"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(stat(temp_.File("cfg/deeper/zinop").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(PrepareSettingsFolder(userFile));  // already there
}

TEST_F(PathsOnDisk, UserSettingsFolderThatCannotBeMadeFailsTheSave) {
    temp_.Write("cfg", "a file where the folder should be");
    const TScopedEnv xdg("XDG_CONFIG_HOME", temp_.File("cfg").c_str());
    TSettingsRecord record;
    std::string error;
    EXPECT_FALSE(SaveSettings(record, temp_.File("cfg/zinop/Zinop.ini"), error));
    EXPECT_NE(error.find("Zinop.ini"), std::string::npos) << error;
    EXPECT_EQ(temp_.Read("cfg"), "a file where the folder should be");
}

}  // namespace
