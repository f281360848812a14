// A settings file over 1 MB is some other file: it is not applied, the user
// is told once, and it is never written over. And the reasons a failure
// carries, as both programs word them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <vector>
#include <string>

#include "config/failure_reason.h"
#include "config/ini_file.h"
#include "config/regular_file.h"
#include "config/settings.h"
#include "config/texts.h"
#include "temp_folder.h"

namespace {

TEST(SettingsTooLarge, StartsAsAFirstStartSaysSoOnceAndKeepsTheFile) {
    TTempFolder folder;
    const std::string path = folder.File("Zinop.ini");
    const std::string big = "[zinop]\nVersion=35\nditherMode=4\n" + std::string(kIniMaxFileBytes, ';');
    PutFile(path, big);
    std::vector<std::string> told;
    int aboutBoxes = 0;
    TSettingsHooks hooks;
    hooks.SystemIsJapanese = [] { return true; };
    hooks.ShowAboutBox = [&] { ++aboutBoxes; };
    hooks.SettingsFileTooLarge = [&](const std::string& file) {
        told.push_back(std::string(Text(TextId::SettingsTooLarge)) + "|" + file);
    };
    TSettingsRecord record;
    LoadSettings(record, hooks, path);
    EXPECT_EQ(record.ComboBoxDither, 2);  // the first-start value, not the file's
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], std::string(Text(TextId::SettingsTooLarge, false)) + "|" + path);  // the system's language
    EXPECT_EQ(aboutBoxes, 1);
    std::string error;
    EXPECT_TRUE(SaveSettings(record, path, error)) << error;
    EXPECT_EQ(GetFile(path), big);

    // Just under the limit is still a settings file.
    PutFile(path, "[zinop]\nVersion=35\n" + std::string(kIniMaxFileBytes - 30, ';'));
    told.clear();
    LoadSettings(record, hooks, path);
    EXPECT_TRUE(told.empty());
    SetUseEnglish(true);
}

TEST(FailureText, EachReasonInBothLanguages) {
    const TFailureReason reasons[] = {
        {TFailure::System, ENOSPC}, {TFailure::System, EFBIG},  {TFailure::NotRegularFile, 0},
        {TFailure::NotPicture, 0},  {TFailure::TooLarge, 0},    {TFailure::Damaged, 0},
        {TFailure::OutOfMemory, 0}, {TFailure::WriterRefused, 0}, {TFailure::NeedsReduced, 0},
    };
    const char* english[] = {"No space left on device", "File too large", "not a regular file",
                             "not a picture any plug-in or the BMP reader understands",
                             "larger than 16384 x 16384 pixels", "damaged or truncated", "out of memory",
                             "the writer refused the picture", "a GIF needs a reduced picture"};
    std::vector<std::string> japanese;
    for (size_t i = 0; i < std::size(reasons); ++i) {
        EXPECT_EQ(FailureText(reasons[i]), english[i]);
        japanese.push_back(FailureText(reasons[i], false));
        EXPECT_NE(japanese.back(), english[i]) << english[i];
    }
    std::sort(japanese.begin(), japanese.end());
    EXPECT_EQ(std::unique(japanese.begin(), japanese.end()), japanese.end());
    EXPECT_EQ(FailureText({TFailure::System, kNotRegularFileError}), "not a regular file");
    EXPECT_EQ(FailureText({}), "");
}

}  // namespace
