// zinop-cli under a file-size limit and with targets it may not replace:
// the file fails with the system's reason, the run goes on, and nothing
// partial or temporary is left.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "run_cli.h"
#include "support/temp_folder.h"

namespace {

using Lines = std::vector<std::string>;

class CliFileSizeLimit : public ::testing::TestWithParam<const char*> {};

TEST_P(CliFileSizeLimit, TheLargeFileFailsWithFileTooLargeAndTheNextIsWritten) {
    const std::string format = GetParam();
    TTempFolder temp;
    WritePicture(temp.Path("big.bmp"), 500, 400);
    WritePicture(temp.Path("small.bmp"), 6, 5);
    ASSERT_EQ(::mkdir(temp.Path("out").c_str(), 0755), 0);
    TCliRun run;
    run.Args = {"reduce", "-q", "-f", format, "-o", temp.Path("out"), temp.Path("big.bmp"),
                temp.Path("small.bmp")};
    run.FileSizeLimit = 16 << 10;
    const TCliResult result = RunCli(run);
    EXPECT_EQ(result.Status, 1);  // not killed by SIGXFSZ (153)
    EXPECT_EQ(result.Err, "zinop-cli: cannot write " + temp.Path("out/big." + format) +
                              ": File too large\n");
    // Only the small result: no partial and no temporary file.
    const TCliResult listing = RunCli({"info", temp.Path("out/small." + format)});
    EXPECT_EQ(listing.Status, 0) << listing.Err;
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(temp.Path("out")))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, Lines{"small." + format});
}

INSTANTIATE_TEST_SUITE_P(Formats, CliFileSizeLimit, ::testing::Values("bmp", "png", "gif"));

TEST(CliTargets, AReadOnlyOutputOrAFifoIsNotReplaced) {
    TTempFolder temp;
    WritePicture(temp.Path("a.bmp"), 8, 8);
    ASSERT_EQ(::mkdir(temp.Path("out").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(temp.Path("out/a.png").c_str(), 0644), 0);
    const TCliResult fifo =
        RunCli({"reduce", "-q", "-f", "png", "-o", temp.Path("out"), temp.Path("a.bmp")});
    EXPECT_EQ(fifo.Status, 1);
    EXPECT_EQ(fifo.Err, "zinop-cli: cannot write " + temp.Path("out/a.png") + ": not a regular file\n");
    struct stat info {};
    ASSERT_EQ(::lstat(temp.Path("out/a.png").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

}  // namespace
