// zinop-cli past a file-size limit: that file fails with "File too large"
// (not SIGXFSZ), the next is written, and nothing partial is left.
#include <gtest/gtest.h>

#include <filesystem>

#include "run_cli.h"
#include "support/temp_folder.h"

namespace {

class CliFileSizeLimit : public ::testing::TestWithParam<std::string> {};

TEST_P(CliFileSizeLimit, TheLargeFileFailsAndTheNextIsWritten) {
    TTempFolder temp;
    WritePicture(temp.Path("big.bmp"), 500, 400);
    WritePicture(temp.Path("small.bmp"), 6, 5);
    std::filesystem::create_directory(temp.Path("out"));
    TCliRun run;
    run.Args = {"reduce", "-q", "-f", GetParam(), "-o", temp.Path("out"), temp.Path("big.bmp"), temp.Path("small.bmp")};
    run.FileSizeLimit = 16 << 10;
    const TCliResult result = RunCli(run);
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Err, "zinop-cli: cannot write " + temp.Path("out/big." + GetParam()) + ": File too large\n");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(temp.Path("out")))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"small." + GetParam()});
}

INSTANTIATE_TEST_SUITE_P(Formats, CliFileSizeLimit, ::testing::Values("bmp", "png", "gif"));

}  // namespace
