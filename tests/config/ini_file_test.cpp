#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "support/process_state.h"
#include "temp_folder.h"

namespace {

TEST(IniValue, IntegersReadDecimalHexAndZeroForJunk) {
    EXPECT_EQ(ParseIniInteger("35"), 35);
    EXPECT_EQ(ParseIniInteger("-12"), -12);
    EXPECT_EQ(ParseIniInteger("0x23"), 35);
    EXPECT_EQ(ParseIniInteger("0X1f"), 31);
    EXPECT_EQ(ParseIniInteger(""), 0);
    EXPECT_EQ(ParseIniInteger("abc"), 0);
    EXPECT_EQ(ParseIniInteger("0x"), 0);
    EXPECT_EQ(ParseIniInteger("12px"), 12);
    EXPECT_EQ(ParseIniInteger("99999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseIniInteger("-99999999999999999999"), INT_MIN);
}

TEST(IniNames, OnlyNamesThatReadBackUnchangedAreWritten) {
    for (const char* good : {"a.spi", "x]", "a b", "Recent0", "名前.spi"}) {
        EXPECT_TRUE(IsIniKeyName(good)) << good;
    }
    for (const std::string bad :
         {"", "a=b.spi", "[x].spi", ";x.spi", "#x", "a\nb", "a\rb", " a", "a\t"}) {
        EXPECT_FALSE(IsIniKeyName(bad)) << bad;
    }
    EXPECT_FALSE(IsIniKeyName(std::string("a\0b", 3)));
    EXPECT_TRUE(IsIniSectionName("plugins"));
    EXPECT_FALSE(IsIniSectionName("a]b") || IsIniSectionName("a\nb"));

    TIniDocument ini;
    ini.Parse("[plugins]\nold.spi=0\n");
    EXPECT_FALSE(ini.SetValue("plugins", "[x].spi", "0"));
    EXPECT_FALSE(ini.WriteBool("plugins", "a=b.spi", false));
    EXPECT_FALSE(ini.WriteBool("plugins", "two\nlines", false));
    EXPECT_FALSE(ini.WriteBool("a]b", "key", false));
    EXPECT_TRUE(ini.WriteBool("plugins", "new.spi", false));
    EXPECT_EQ(ini.Text(), "[plugins]\nold.spi=0\nnew.spi=0\n");
}

TEST(IniDocument, ReadsNamesWithoutRegardToCaseAndFirstDuplicateWins) {
    TIniDocument ini;
    ini.Parse("[Zinop]\nDither=3\ndither=9\nName = a b \n");
    EXPECT_EQ(ini.ReadInteger("zinop", "DITHER"), 3);
    EXPECT_EQ(ini.ReadString("ZINOP", "name"), "a b");
    EXPECT_EQ(ini.ReadInteger("zinop", "missing", 7), 7);
    EXPECT_EQ(ini.ReadInteger("other", "dither"), 0);
    EXPECT_EQ(ini.SectionKeys("zinop"), (std::vector<std::string>{"Dither", "Name"}));
}

TEST(IniDocument, BooleansAreAnyNonZero) {
    TIniDocument ini;
    ini.Parse("[s]\na=1\nb=0\nc=-3\nd=yes\n");
    EXPECT_TRUE(ini.ReadBool("s", "a"));
    EXPECT_FALSE(ini.ReadBool("s", "b"));
    EXPECT_TRUE(ini.ReadBool("s", "c"));
    EXPECT_FALSE(ini.ReadBool("s", "d"));
    EXPECT_FALSE(ini.ReadBool("s", "missing"));
}

TEST(IniDocument, StringsAreCutAt1023Bytes) {
    TIniDocument ini;
    ini.WriteString("s", "long", std::string(1500, 'x'));
    EXPECT_EQ(ini.ReadString("s", "long").size(), 1023u);
    EXPECT_EQ(ini.Value("s", "long")->size(), 1500u);
}

TEST(IniDocument, ToleratesCrlfBomCommentsBlanksAndNoFinalLineEnd) {
    TIniDocument ini;
    ini.Parse("\xEF\xBB\xBF; comment\r\n\r\n# other\r\n  [ zinop ]  \r\n Version = 35 \r\nx=1");
    EXPECT_EQ(ini.ReadInteger("zinop", "version"), 35);
    EXPECT_EQ(ini.ReadInteger("zinop", "x"), 1);
    ini.WriteInteger("zinop", "y", 2);
    // The mark and the CRLF line ends survive a write; the new line uses CRLF too.
    EXPECT_EQ(ini.Text(),
              "\xEF\xBB\xBF; comment\r\n\r\n# other\r\n  [ zinop ]  \r\n Version = 35 \r\nx=1\r\n"
              "y=2\r\n");
}

TEST(IniDocument, GarbageReadsWithoutCrash) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) & 0xFF);
    garbage += std::string("\0[zinop\n=\n[]\n[a]b\n==\n", 22);
    TIniDocument ini;
    ini.Parse(garbage);
    EXPECT_EQ(ini.ReadInteger("zinop", "Version"), 0);
    ini.WriteInteger("zinop", "Version", 35);
    TIniDocument again;
    again.Parse(ini.Text());
    EXPECT_EQ(again.ReadInteger("zinop", "Version"), 35);
}

TEST(IniDocument, WritesReplaceInPlaceAppendToSectionOrCreateAtEnd) {
    TIniDocument ini;
    ini.Parse("[a]\nk=1\n; note\n\n[b]\nm=2\n");
    ini.WriteInteger("A", "K", 5);    // replaced where it stands
    ini.WriteInteger("a", "new", 6);  // after the section's last key
    ini.WriteString("c", "s", "v");   // a new section at the end
    EXPECT_EQ(ini.Text(), "[a]\nK=5\nnew=6\n; note\n\n[b]\nm=2\n[c]\ns=v\n");
}

TEST(IniDocument, ValuesCannotBreakIntoANewLine) {
    TIniDocument ini;
    ini.WriteString("s", "path", "/tmp/a\nVersion=99");
    EXPECT_EQ(ini.Text(), "[s]\npath=/tmp/a\n");
}

TEST(IniDocument, EraseSectionRemovesOnlyThatSection) {
    TIniDocument ini;
    ini.Parse("top=1\n[zinop]\na=1\n[plugins]\nx.spi=1\n[ZINOP]\nb=2\n");
    ini.EraseSection("zinop");
    EXPECT_FALSE(ini.HasSection("zinop"));
    EXPECT_EQ(ini.Text(), "top=1\n[plugins]\nx.spi=1\n");
}

class IniFileTest : public ::testing::Test {
  protected:
    TTempFolder folder_;
    std::string path_ = folder_.File("Zinop.ini");
};

TEST_F(IniFileTest, PerCallFunctionsRoundTripAndKeepForeignLines) {
    PutFile(path_, "; by hand\r\n[plugins]\r\nifjpeg.spi=0\r\n");
    ASSERT_TRUE(WriteInteger(path_, "zinop", "dither", -4));
    ASSERT_TRUE(WriteBool(path_, "zinop", "TransSW", true));
    ASSERT_TRUE(WriteString(path_, "zinop", "Recent0", "/home/ユーザー/画像.bmp"));
    EXPECT_EQ(ReadInteger(path_, "ZINOP", "Dither"), -4);
    EXPECT_TRUE(ReadBool(path_, "zinop", "transsw"));
    EXPECT_EQ(ReadString(path_, "zinop", "recent0"), "/home/ユーザー/画像.bmp");
    EXPECT_EQ(ReadSectionKeys(path_, "plugins"), std::vector<std::string>{"ifjpeg.spi"});
    EXPECT_TRUE(
        GetFile(path_).starts_with("; by hand\r\n[plugins]\r\nifjpeg.spi=0\r\n[zinop]\r\n"));
    EXPECT_EQ(CountFiles(folder_.Folder()), 1);  // no temporary file left behind
}

TEST_F(IniFileTest, MissingFileReadsFallbacksAndEraseDoesNotCreateIt) {
    EXPECT_EQ(ReadInteger(path_, "zinop", "Version", 3), 3);
    EXPECT_EQ(ReadString(path_, "zinop", "x", "fb"), "fb");
    EXPECT_TRUE(ReadSectionKeys(path_, "zinop").empty());
    EXPECT_TRUE(EraseSection(path_, "zinop"));
    EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(IniFileTest, FailedWriteReportsFullPathAndLeavesOldFileIntact) {
    // Into a folder that does not exist.
    const std::string lost = folder_.File("missing/Zinop.ini");
    std::string error;
    EXPECT_FALSE(WriteInteger(lost, "zinop", "Version", 35, &error));
    EXPECT_EQ(error, lost + " に書き込めません");
    // Onto a path that is a folder.
    const std::string folderPath = folder_.File("adir");
    std::filesystem::create_directory(folderPath);
    EXPECT_FALSE(WriteInteger(folderPath, "zinop", "Version", 35, &error));
    EXPECT_EQ(error, folderPath + " に書き込めません");
    EXPECT_TRUE(std::filesystem::is_directory(folderPath));
    EXPECT_EQ(CountFiles(folder_.Folder()), 1);
}

TEST_F(IniFileTest, FailedWriteOverAnExistingFileKeepsIt) {
    // The disk refuses the bytes (a file size limit, which holds even for
    // root): the write fails with the old file in place.
    const std::string longPath = folder_.File(std::string(250, 'z') + ".ini");
    PutFile(longPath, "[zinop]\nVersion=35\n");
    std::string error;
    {
        const TFileSizeLimit limit(8);
        EXPECT_FALSE(WriteInteger(longPath, "zinop", "Version", 1, &error));
    }
    EXPECT_EQ(error, longPath + " に書き込めません");
    EXPECT_EQ(GetFile(longPath), "[zinop]\nVersion=35\n");
    EXPECT_EQ(CountFiles(folder_.Folder()), 1);
}

TEST_F(IniFileTest, RelativePathIsReportedInFull) {
    const std::string text = IniWriteErrorText("rel/Zinop.ini");
    EXPECT_EQ(text,
              (std::filesystem::current_path() / "rel/Zinop.ini").string() + " に書き込めません");
}

TEST_F(IniFileTest, WriteThroughSymlinkKeepsTheLink) {
    const std::string real = folder_.File("real.ini");
    PutFile(real, "[a]\nk=1\n");
    std::filesystem::create_symlink(real, path_);
    ASSERT_TRUE(WriteInteger(path_, "a", "k", 2));
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
    EXPECT_EQ(GetFile(real), "[a]\nk=2\n");
}

}  // namespace
