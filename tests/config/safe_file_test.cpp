#include "config/safe_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "config/ini_file.h"
#include "config/regular_file.h"
#include "support/process_state.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

bool Save(const std::string& path, const std::string& text) {
    return WriteFileSafely(path, text.data(), text.size());
}

TEST(SafeFile, ASymbolicLinkStaysALinkAndItsTargetIsReplaced) {
    TTempFolder folder;
    fs::create_directory(folder.File("real"));
    PutFile(folder.File("real/settings.ini"), "old");
    fs::create_symlink("real/settings.ini", folder.File("link.ini"));
    fs::create_symlink("link.ini", folder.File("chain.ini"));
    ASSERT_TRUE(Save(folder.File("chain.ini"), "new"));
    EXPECT_TRUE(fs::is_symlink(folder.File("chain.ini")));
    EXPECT_TRUE(fs::is_symlink(folder.File("link.ini")));
    EXPECT_EQ(GetFile(folder.File("real/settings.ini")), "new");
    EXPECT_EQ(folder.Names(), (Names{"chain.ini", "link.ini", "real"}));

    // A link to a file that does not exist yet creates that file.
    fs::create_symlink("real/later.bmp", folder.File("dangling.bmp"));
    ASSERT_TRUE(Save(folder.File("dangling.bmp"), "made"));
    EXPECT_TRUE(fs::is_symlink(folder.File("dangling.bmp")));
    EXPECT_EQ(GetFile(folder.File("real/later.bmp")), "made");
}

TEST(SafeFile, AReplacedFileKeepsItsModeAndANewFileFollowsTheUmask) {
    TTempFolder folder;
    const mode_t savedMask = ::umask(027);
    for (const mode_t mode : {0600, 0664}) {
        const std::string path = folder.File("old" + std::to_string(mode));
        PutFile(path, "x");
        ::chmod(path.c_str(), mode);
        EXPECT_TRUE(Save(path, "y"));
        EXPECT_EQ(ModeOf(path), mode);
    }
    EXPECT_TRUE(Save(folder.File("new.bmp"), "z"));
    EXPECT_EQ(ModeOf(folder.File("new.bmp")), 0640u);
    EXPECT_EQ(::umask(savedMask), 027u);  // never changed underway
}

TEST(SafeFile, NamesUpToTheLongestLegalNameSave) {
    TTempFolder folder;
    for (size_t length : {245u, 250u, 255u}) {
        const std::string name = folder.File(std::string(length - 4, 'n') + ".bmp");
        for (const char* text : {"data", "again"}) {  // made, then replaced
            ASSERT_TRUE(Save(name, text)) << length;
            EXPECT_EQ(GetFile(name), text) << length;
        }
    }
    EXPECT_EQ(folder.Names().size(), 3u);
}

TEST(SafeFile, FailuresKeepTheOldFileLeaveNoTemporaryAndSayWhy) {
    TTempFolder folder;
    const std::string target = folder.File("old.png");
    PutFile(target, "old contents");
    fs::create_directory(folder.File("dir.png"));
    EXPECT_FALSE(Save(folder.File("dir.png"), "x"));
    EXPECT_EQ(SafeFileError(), EISDIR);
    EXPECT_FALSE(Save(folder.File("missing/x.png"), "x"));
    EXPECT_EQ(SafeFileError(), ENOENT);
    EXPECT_FALSE(Save("", "x"));

    // Few enough bytes to stay in the stream's buffer: the disk refuses them
    // only when Commit flushes, and that must fail the save.
    {
        TSafeFile file(target);
        ASSERT_TRUE(file.Open());
        std::fputs("more than four bytes", file.File());
        const TFileSizeLimit limit(4);
        EXPECT_FALSE(file.Commit());
        EXPECT_EQ(SafeFileError(), EFBIG);
    }
    // A save given up before Commit leaves nothing.
    {
        TSafeFile file(target);
        ASSERT_TRUE(file.Open());
        std::fputs("abandoned", file.File());
    }
    EXPECT_EQ(GetFile(target), "old contents");
    EXPECT_EQ(folder.Names(), (Names{"dir.png", "old.png"}));
}

// Where the file system has unnamed temporary files, nothing with a name
// exists until Commit, so a process killed while writing leaves nothing.
TEST(SafeFile, NothingIsNamedWhileWritingWhereUnnamedFilesExist) {
    TTempFolder folder;
    const int probe = ::open(folder.Root().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0) GTEST_SKIP() << "no O_TMPFILE here";
    ::close(probe);
    TSafeFile file(folder.File("big.png"));
    ASSERT_TRUE(file.Open());
    std::fputs("rows", file.File());
    std::fflush(file.File());
    EXPECT_TRUE(folder.Names().empty());
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(folder.Names(), (Names{"big.png"}));
}

TEST(SafeFile, SettingsSavesUseTheSameWriter) {
    TTempFolder folder;
    fs::create_directory(folder.File("real"));
    const std::string real = folder.File("real/Zinop.ini");
    PutFile(real, "[zinop]\nVersion=35\n");
    ::chmod(real.c_str(), 0600);
    fs::create_symlink("real/Zinop.ini", folder.File("Zinop.ini"));
    ASSERT_TRUE(WriteInteger(folder.File("Zinop.ini"), "zinop", "dither", 3));
    EXPECT_TRUE(fs::is_symlink(folder.File("Zinop.ini")));
    EXPECT_EQ(ModeOf(real), 0600u);
    EXPECT_EQ(GetFile(real), "[zinop]\nVersion=35\ndither=3\n");
}

// A FIFO without a writer would block an open for ever; /dev/zero never ends.
TEST(RegularFile, FifosAndDevicesAreRefusedWithoutBlocking) {
    TTempFolder folder;
    const std::string fifo = folder.File("pipe.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto refused = UnlessBlockedOn(fifo, [&] {
        int fifoError = 0, zeroError = 0;
        const bool none = OpenRegularFile(fifo, &fifoError) == nullptr &&
                          OpenRegularFile("/dev/zero", &zeroError) == nullptr;
        TIniDocument ini;
        return none && fifoError == kNotRegularFileError && zeroError == kNotRegularFileError &&
               ini.Load(fifo) == TIniLoadStatus::Unreadable &&
               ReadString(fifo, "zinop", "x", "fallback") == "fallback";
    });
    ASSERT_TRUE(refused.has_value()) << "blocked on a FIFO";
    EXPECT_TRUE(*refused);
    EXPECT_EQ(ReadErrorText(kNotRegularFileError), "not a regular file");
    EXPECT_FALSE(IsRegularFile(folder.Root()));
    int error = 0;
    EXPECT_EQ(OpenRegularFile(folder.File("none"), &error), nullptr);
    EXPECT_EQ(error, ENOENT);
}

}  // namespace
