// zinop-cli reduce: a file that cannot be loaded gives up its output name,
// so a later file of the same stem is written, with one worker or several.

#include <gtest/gtest.h>

#include <filesystem>

#include "run_cli.h"
#include "support/temp_folder.h"

TEST(CliClaims, AFileThatFailsToLoadLeavesItsOutputToTheNextOfTheSameStem) {
    TTempFolder temp;
    std::filesystem::create_directories(temp.Path("coll"));
    temp.Write("coll/b.png", "junk\n");
    WritePicture(temp.Path("coll/b.bmp"), 20, 10, 3);
    for (const char* jobs : {"1", "2"}) {
        const std::string out = temp.Path(std::string("out") + jobs);
        std::filesystem::create_directories(out);
        const TCliResult result = RunCli(
            {"reduce", "-j", jobs, "-o", out, temp.Path("coll/b.png"), temp.Path("coll/b.bmp")});
        EXPECT_TRUE(std::filesystem::exists(out + "/b.bmp")) << result.Out << result.Err;
        EXPECT_EQ(Occurrences(result.Out, "Skip : same filename"), 0u);
    }
}
