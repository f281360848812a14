// What the safe writer may replace: only a regular file the caller may
// write, judged after links, before a byte is written. Cases that need a
// second user run in a child that becomes nobody (65534) where the tests run
// as root.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "config/regular_file.h"
#include "config/safe_file.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

bool Save(const std::string& path, const std::string& text) {
    return WriteFileSafely(path, text.data(), text.size());
}

// The errno of a save of path: 0 when it succeeded. As nobody when asked
// and the tests are root (in a child process); -1 when that cannot be done.
int SaveError(const std::string& path, bool asNobody) {
    if (!asNobody || ::geteuid() != 0) return Save(path, "new") ? 0 : SafeFileError() & 0xFF;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(255);
        ::_exit(Save(path, "new") ? 0 : SafeFileError() & 0xFF);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
    return WEXITSTATUS(status);
}

struct TTarget {
    const char* Name;
    // Makes the target at path in a folder anyone may write; false: the
    // case cannot be made here (and is skipped).
    std::function<bool(const std::string& path)> Make;
    bool AsNobody;  // the save runs as another user than the file's owner
    int Error;      // what the save must fail with
};

bool MakeFile(const std::string& path, mode_t mode) {
    PutFile(path, "old");
    return ::chmod(path.c_str(), mode) == 0;
}

const TTarget kTargets[] = {
    {"ReadOnlyFile", [](const std::string& p) { return MakeFile(p, 0444); }, true, EACCES},
    // Root's 0644 file in a folder the user may write: cp says "Permission
    // denied"; a rename over it would hand the file to the user.
    {"ForeignFile", [](const std::string& p) { return ::geteuid() == 0 && MakeFile(p, 0644); },
     true, EACCES},
    {"Fifo", [](const std::string& p) { return ::mkfifo(p.c_str(), 0666) == 0; }, false,
     kNotRegularFileError},
    {"DeviceNode", [](const std::string& p) { return ::symlink("/dev/null", p.c_str()) == 0; },
     false, kNotRegularFileError},
    {"Folder", [](const std::string& p) { return ::mkdir(p.c_str(), 0777) == 0; }, false, EISDIR},
};

class SafeFileTarget : public ::testing::TestWithParam<std::tuple<TTarget, bool>> {};

TEST_P(SafeFileTarget, IsRefusedBeforeAByteAndStaysAsItWas) {
    const auto& [target, throughLink] = GetParam();
    TTempFolder folder;
    ASSERT_EQ(::chmod(folder.Root().c_str(), 0777), 0);
    const std::string real = folder.File("real.bmp");
    if (!target.Make(real)) GTEST_SKIP() << "cannot make this target here (needs root)";
    const std::string path = throughLink ? folder.File("link.bmp") : real;
    if (throughLink) ASSERT_EQ(::symlink("real.bmp", path.c_str()), 0);
    struct stat before {};
    ASSERT_EQ(::lstat(real.c_str(), &before), 0);

    const int error = SaveError(path, target.AsNobody);
    if (error == -1) GTEST_SKIP() << "cannot become nobody here";
    EXPECT_EQ(error, target.Error & 0xFF);

    struct stat after {};
    ASSERT_EQ(::lstat(real.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    if (S_ISREG(before.st_mode)) EXPECT_EQ(GetFile(real), "old");
    if (throughLink) EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(folder.Names().size(), throughLink ? 2u : 1u);  // no temporary left
}

INSTANTIATE_TEST_SUITE_P(Targets, SafeFileTarget,
                         ::testing::Combine(::testing::ValuesIn(kTargets), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Name) +
                                    (std::get<1>(info.param) ? "ThroughALink" : "");
                         });

TEST(SafeFile, RootKeepsRootsRightsAndAWritableFileIsReplaced) {
    TTempFolder folder;
    const std::string path = folder.File("a.bmp");
    ASSERT_TRUE(MakeFile(path, ::geteuid() == 0 ? 0444 : 0644));
    EXPECT_TRUE(Save(path, "new"));  // as cp: root may write a 0444 file
    EXPECT_EQ(GetFile(path), "new");
    EXPECT_EQ(SaveError("/dev/null", false), kNotRegularFileError & 0xFF);
}

TEST(SafeFile, StaleTemporariesOfGoneProcessesAreRemovedAndNothingElse) {
    TTempFolder folder;
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = ".zinop-" + std::to_string(gone) + "-abc123";
    const std::string alive = ".zinop-" + std::to_string(::getppid()) + "-abc123";
    const std::string mine = ".zinop-" + std::to_string(::getpid()) + "-abc123";
    for (const std::string& name :
         {dead, alive, mine, std::string(".zinop-abc123"), std::string("photo.bmp"),
          ".zinop-" + std::to_string(gone) + "-abc1234", ".zinop-" + std::to_string(gone) + "-ABC123"})
        PutFile(folder.File(name), "x");
    ::mkdir(folder.File(".zinop-" + std::to_string(gone) + "-dir000").c_str(), 0700);
    RemoveStaleTemporaries(folder.Root());
    const auto names = folder.Names();
    EXPECT_EQ(std::count(names.begin(), names.end(), dead), 0);
    EXPECT_EQ(names.size(), 7u);  // every other name stays
    if (::geteuid() == 0) {  // another user's stale file is not ours to remove
        PutFile(folder.File(dead), "x");
        ASSERT_EQ(::chown(folder.File(dead).c_str(), kNobody, kNobody), 0);
        RemoveStaleTemporaries(folder.Root());
        EXPECT_TRUE(fs::exists(folder.File(dead)));
    }
}

}  // namespace
