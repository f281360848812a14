// The safe writer replaces only a regular file the caller may write, judged
// after links and before a byte is written. Cases for a second user run in
// a child that becomes nobody (65534) where the tests run as root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>

#include "config/regular_file.h"
#include "config/safe_file.h"
#include "temp_folder.h"

namespace {

constexpr uid_t kNobody = 65534;

// The low byte of the save's errno (0: saved), as nobody in a child when
// asked and possible; -1 when no child could become nobody.
int SaveError(const std::string& path, bool asNobody) {
    auto save = [&] { return WriteFileSafely(path, "new", 3) ? 0 : SafeFileError() & 0xFF; };
    if (!asNobody || ::geteuid() != 0) return save();
    const pid_t child = ::fork();
    if (child == 0) ::_exit(::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 ? save() : 255);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

struct TTarget {
    const char* Name;
    std::function<bool(const std::string&)> Make;  // false: cannot be made here
    bool AsNobody;
    int Error;
};

const TTarget kTargets[] = {
    {"ReadOnlyFile", [](const std::string& p) { PutFile(p, "old"); return ::chmod(p.c_str(), 0444) == 0; }, true, EACCES},
    {"ForeignFile", [](const std::string& p) { PutFile(p, "old"); return ::geteuid() == 0; }, true, EACCES},
    {"Fifo", [](const std::string& p) { return ::mkfifo(p.c_str(), 0666) == 0; }, false, kNotRegularFileError},
    {"DeviceNode", [](const std::string& p) { return ::symlink("/dev/null", p.c_str()) == 0; }, false, kNotRegularFileError},
    {"Folder", [](const std::string& p) { return ::mkdir(p.c_str(), 0777) == 0; }, false, EISDIR},
};

class SafeFileTarget : public ::testing::TestWithParam<std::tuple<TTarget, bool>> {};

TEST_P(SafeFileTarget, IsRefusedBeforeAByteAndStaysAsItWas) {
    const auto& [target, throughLink] = GetParam();
    TTempFolder folder;
    ::chmod(folder.Root().c_str(), 0777);  // a folder the other user may write
    const std::string real = folder.File("real.bmp");
    if (!target.Make(real)) GTEST_SKIP() << "needs root";
    const std::string path = throughLink ? folder.File("link.bmp") : real;
    ASSERT_TRUE(!throughLink || ::symlink("real.bmp", path.c_str()) == 0);
    struct stat before {}, after {};
    ::lstat(real.c_str(), &before);
    const int error = SaveError(path, target.AsNobody);
    if (error == -1) GTEST_SKIP() << "cannot become nobody";
    EXPECT_EQ(error, target.Error & 0xFF);
    ::lstat(real.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_TRUE(!S_ISREG(before.st_mode) || GetFile(real) == "old");
    EXPECT_EQ(folder.Names().size(), throughLink ? 2u : 1u);  // no temporary left
}

INSTANTIATE_TEST_SUITE_P(Targets, SafeFileTarget,
                         ::testing::Combine(::testing::ValuesIn(kTargets), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Name) +
                                    (std::get<1>(info.param) ? "ThroughALink" : "");
                         });

TEST(SafeFile, OnlyStaleTemporariesOfGoneProcessesOfThisUserAreRemoved) {
    TTempFolder folder;
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = ".zinop-" + std::to_string(gone) + "-abc123";
    for (const std::string& name : {dead, ".zinop-" + std::to_string(::getppid()) + "-abc123",
                                    std::string(".zinop-abc123"), dead + "4", std::string("a.bmp")})
        PutFile(folder.File(name), "x");
    RemoveStaleTemporaries(folder.Root());
    const auto names = folder.Names();
    EXPECT_EQ(names.size(), 4u);
    EXPECT_EQ(std::count(names.begin(), names.end(), dead), 0);
    if (::geteuid() == 0) {  // another user's file is not ours to remove
        PutFile(folder.File(dead), "x");
        ASSERT_EQ(::chown(folder.File(dead).c_str(), kNobody, kNobody), 0);
        RemoveStaleTemporaries(folder.Root());
        EXPECT_EQ(folder.Names().size(), 5u);
    }
}

}  // namespace
