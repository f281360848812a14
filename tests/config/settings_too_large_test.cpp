// A settings file over 1 MB is not applied, is mentioned once in the
// system's language and is never written over; and the failure reasons.
#include <gtest/gtest.h>

#include <cerrno>

#include "config/failure_reason.h"
#include "config/ini_file.h"
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
    TSettingsHooks hooks;
    hooks.SystemIsJapanese = [] { return true; };
    hooks.SettingsFileTooLarge = [&](const std::string& file) { told.push_back(Text(TextId::SettingsTooLarge) + file); };
    TSettingsRecord record;
    LoadSettings(record, hooks, path);
    EXPECT_EQ(record.ComboBoxDither, 2);  // the first-start value
    EXPECT_EQ(told, std::vector<std::string>{Text(TextId::SettingsTooLarge, false) + path});
    std::string error;
    EXPECT_TRUE(SaveSettings(record, path, error)) << error;
    EXPECT_EQ(GetFile(path), big);
    SetUseEnglish(true);
}

TEST(FailureText, EachReasonInBothLanguages) {
    const std::pair<TFailureReason, const char*> reasons[] = {
        {{TFailure::System, EFBIG}, "File too large"}, {{TFailure::NotRegularFile, 0}, "not a regular file"},
        {{TFailure::TooLarge, 0}, "larger than 16384 x 16384 pixels"}, {{TFailure::Damaged, 0}, "damaged or truncated"},
        {{TFailure::OutOfMemory, 0}, "out of memory"}, {{TFailure::NeedsReduced, 0}, "a GIF needs a reduced picture"}};
    for (const auto& [reason, english] : reasons) {
        EXPECT_EQ(FailureText(reason), english);
        EXPECT_NE(FailureText(reason, false), english);
    }
}

}  // namespace
