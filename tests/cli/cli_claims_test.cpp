// zinop-cli reduce: a file that cannot be loaded gives up its output name,
// so a later file of the same stem is written, with one worker or several.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run_cli.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

TEST(CliClaims, AFileThatFailsToLoadLeavesItsOutputToTheNextOfTheSameStem) {
    TTempFolder temp;
    fs::create_directories(temp.Path("coll"));
    temp.Write("coll/b.png", "junk\n");
    WritePicture(temp.Path("coll/b.bmp"), 20, 10, 3);
    WritePicture(temp.Path("coll/c.bmp"), 8, 6, 5);
    temp.Write("coll/c.gif", "junk\n");
    for (const char* jobs : {"1", "2"}) {
        const std::string out = temp.Path(std::string("out") + jobs);
        fs::create_directories(out);
        // c.bmp loads first and keeps out/c.bmp; the junk c.gif after it is
        // only a load failure.
        const TCliResult result =
            RunCli({"reduce", "-j", jobs, "-o", out, temp.Path("coll/b.png"),
                    temp.Path("coll/b.bmp"), temp.Path("coll/c.bmp"), temp.Path("coll/c.gif")});
        SCOPED_TRACE(std::string("-j ") + jobs + "\n" + result.Out + result.Err);
        EXPECT_TRUE(fs::exists(out + "/b.bmp"));
        EXPECT_TRUE(fs::exists(out + "/c.bmp"));
        EXPECT_EQ(Occurrences(result.Out, "Skip : same filename"), 0u);
        EXPECT_EQ(Occurrences(result.Out, "Can't load"), 2u);
        EXPECT_NE(result.Status, 0);  // two files were not loaded
    }
}
