// zinop-cli --refine: refined results are the same bytes with -j 1 and -j 2
// and from run to run.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "run_cli.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

TEST(CliRefine, RefinedFilesAreTheSameWithOneOrTwoJobs) {
    TTempFolder temp;
    fs::create_directories(temp.Path("in"));
    for (int i = 0; i < 3; ++i)
        WritePicture(temp.Path("in/p" + std::to_string(i) + ".bmp"), 120 + 40 * i, 90, i + 1);
    std::string files[3];
    for (int run = 0; run < 3; ++run) {
        const std::string folder = temp.Path("out" + std::to_string(run));
        fs::create_directories(folder);
        std::vector<std::string> args = {
            "reduce", "-q", "-c", "16", "--refine", "3", "-j", run == 2 ? "2" : "1", "-o", folder};
        for (int i = 0; i < 3; ++i) args.push_back(temp.Path("in/p" + std::to_string(i) + ".bmp"));
        const TCliResult result = RunCli(args);
        ASSERT_EQ(result.Status, 0) << result.Err;
        for (int i = 0; i < 3; ++i)
            files[run] += ReadFile(folder + "/p" + std::to_string(i) + ".bmp");
        ASSERT_FALSE(files[run].empty());
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_EQ(files[0], files[2]);
}

}  // namespace
