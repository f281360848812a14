#include "config/texts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/paths.h"

namespace {

TEST(Texts, EveryIdHasBothLanguages) {
    for (int i = 0; i < static_cast<int>(TextId::Count); ++i) {
        EXPECT_STRNE(Text(static_cast<TextId>(i), true), "") << i;
        EXPECT_STRNE(Text(static_cast<TextId>(i), false), "") << i;
    }
    EXPECT_STREQ(Text(TextId::Count, true), "");
    EXPECT_STREQ(Text(static_cast<TextId>(-1), false), "");
}

TEST(Texts, FollowTheFlagAtTheMomentOfUse) {
    SetUseEnglish(false);
    EXPECT_STREQ(Text(TextId::OpenCantLoad), "\n読み込めません。");
    SetUseEnglish(true);
    EXPECT_STREQ(Text(TextId::OpenCantLoad), "\nCan't load");
    EXPECT_TRUE(UseEnglish());
}

TEST(Texts, BatchLogWording) {
    EXPECT_STREQ(Text(TextId::BatchSkipSameName, true), "Skip : same filename");
    EXPECT_STREQ(Text(TextId::BatchSkipSameName, false), "スキップします : 対象と保存先が同名");
    EXPECT_STREQ(Text(TextId::BatchFinish, false), "完了 (");
    EXPECT_STREQ(Text(TextId::BatchComplete, false), "終了");
    EXPECT_STREQ(Text(TextId::BatchCantLoad, true), "Can't load : ");
}

TEST(Texts, FileDialogFiltersDifferInBlanks) {
    EXPECT_STREQ(Text(TextId::OpenFilter, true), "All files (*.*)|*.*|BMP files (*.bmp)|*.bmp");
    EXPECT_STREQ(Text(TextId::SaveFilter, true),
                 "All files(*.*)|*.*|BMP files(*.bmp)|*.bmp|PNG files(*.png)|*.png|GIF "
                 "files(*.gif)|*.gif");
    EXPECT_STREQ(
        Text(TextId::SaveFilter, false),
        "すべてのファイル(*.*)|*.*|BMP ファイル(*.bmp)|*.bmp|PNG ファイル(*.png)|*.png|GIF "
        "ファイル(*.gif)|*.gif");
}

TEST(Texts, SameInBothLanguages) {
    EXPECT_STREQ(Text(TextId::SaveFailureTitle, false), "保存");  // "Save" in English
    EXPECT_STREQ(Text(TextId::CantWriteFile, true), Text(TextId::CantWriteFile, false));
}

TEST(Texts, LocaleRuleLooksAtLcAllThenLang) {
    setenv("LC_ALL", "", 1);
    setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_TRUE(SystemLocaleIsJapanese());
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_FALSE(SystemLocaleIsJapanese());
    setenv("LC_ALL", "ja_JP.eucJP", 1);
    setenv("LANG", "en_GB.UTF-8", 1);
    EXPECT_TRUE(SystemLocaleIsJapanese());
    unsetenv("LC_ALL");
    unsetenv("LANG");
    EXPECT_FALSE(SystemLocaleIsJapanese());
}

TEST(Paths, AddTrailingSeparator) {
    EXPECT_EQ(AddTrailingSeparator(""), "/");
    EXPECT_EQ(AddTrailingSeparator("/"), "/");
    EXPECT_EQ(AddTrailingSeparator("a"), "a/");
    EXPECT_EQ(AddTrailingSeparator("a/"), "a/");
    EXPECT_EQ(AddTrailingSeparator("/home/画像"), "/home/画像/");
}

TEST(Paths, ProgramFolderEndsWithSeparator) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
}

}  // namespace
