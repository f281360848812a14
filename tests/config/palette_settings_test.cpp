// The palette keys of the settings file: absent means the optimal palette
// and nothing locked; once used they are stored, a return to the default too.

#include <gtest/gtest.h>

#include "config/ini_file.h"
#include "config/settings.h"
#include "temp_folder.h"

TEST(PaletteSettings, KeysAppearOnlyOnceUsedAndReadBack) {
    TTempFolder folder;
    const std::string path = folder.File("Zinop.ini");
    std::string error;
    TSettingsRecord record;
    ASSERT_TRUE(SaveSettings(record, path, error)) << error;
    EXPECT_EQ(ReadString(path, "zinop", "PaletteFile", "<missing>"), "<missing>");

    record.RadioButtonPaletteFile = true;
    record.EditPaletteFile = "/home/me/c64.gpl";
    record.EditLockedColors = "#2040ff";
    ASSERT_TRUE(SaveSettings(record, path, error)) << error;
    TSettingsRecord loaded;
    LoadSettings(loaded, TSettingsHooks{}, path);
    EXPECT_TRUE(loaded.RadioButtonPaletteFile);
    EXPECT_EQ(loaded.EditPaletteFile, "/home/me/c64.gpl");
    EXPECT_EQ(loaded.EditLockedColors, "#2040ff");

    ASSERT_TRUE(SaveSettings(TSettingsRecord{}, path, error)) << error;
    LoadSettings(loaded, TSettingsHooks{}, path);
    EXPECT_FALSE(loaded.RadioButtonPaletteFile);
    EXPECT_EQ(loaded.EditLockedColors, "");
}
