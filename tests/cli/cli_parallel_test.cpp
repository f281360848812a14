// zinop-cli reduce -j N: the same files and the same log as -j 1, blocks in
// list order, and Ctrl+C stopping every worker without a partial file.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/bmp.h"
#include "run_cli.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// Every file of a folder with its bytes, sorted by name.
std::vector<std::pair<std::string, std::string>> Contents(const std::string& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files.emplace_back(entry.path().filename().string(),
                           std::string(std::istreambuf_iterator<char>(in), {}));
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
    return text;
}

TEST(CliParallel, ThreeJobsWriteTheFilesAndTheLogOfOne) {
    TTempFolder temp;
    fs::create_directories(temp.Path("in"));
    // Sizes differ so that later files end before earlier ones.
    WritePicture(temp.Path("in/big.bmp"), 700, 500, 3);
    temp.Write("in/broken.bmp", "BM not really");
    WritePicture(temp.Path("in/keep.bmp"), 9, 7, 5);
    WritePicture(temp.Path("in/mid.bmp"), 200, 150, 7);
    WritePicture(temp.Path("kept.bmp"), 3, 2, 11);
    for (const char* format : {"bmp", "png"}) {
        std::string out[2], err[2];
        for (int run = 0; run < 2; ++run) {
            const std::string folder = temp.Path(run == 0 ? "one" : "three");
            fs::create_directories(folder);
            // The last file of the list lies in the output folder, where the
            // BMP output of in/keep.bmp would overwrite it.
            fs::copy_file(temp.Path("kept.bmp"), folder + "/keep.bmp");
            const TCliResult result =
                RunCli({"reduce", "-f", format, "--png-filters", "none", "-j", run == 0 ? "1" : "3",
                        "-o", folder, temp.Path("in/big.bmp"), temp.Path("in/broken.bmp"),
                        temp.Path("in/keep.bmp"), temp.Path("in/mid.bmp"), folder + "/keep.bmp"});
            EXPECT_EQ(result.Status, 1) << result.Err;  // broken.bmp, and the skips
            out[run] = Replace(result.Out, folder + "/", "OUT/");
            err[run] = Replace(result.Err, folder + "/", "OUT/");
        }
        EXPECT_EQ(out[1], out[0]) << format;
        EXPECT_EQ(err[1], err[0]) << format;
        EXPECT_NE(out[0].find("Can't load : " + temp.Path("in/broken.bmp") +
                              "\nLoad : " + temp.Path("in/keep.bmp")),
                  std::string::npos)
            << out[0];
        // BMP: in/keep.bmp would overwrite the list's keep.bmp, which would
        // overwrite itself. PNG: both map to keep.png; the first one writes it.
        const bool bmp = std::string(format) == "bmp";
        EXPECT_EQ(Occurrences(out[0], "Skip : same filename"), bmp ? 2u : 1u) << out[0];
        EXPECT_EQ(Contents(temp.Path("three")), Contents(temp.Path("one"))) << format;
        EXPECT_EQ(Contents(temp.Path("one")).size(), bmp ? 3u : 4u);
        EXPECT_EQ(temp.Read("three/keep.bmp"), temp.Read("kept.bmp"));
        fs::remove_all(temp.Path("one"));
        fs::remove_all(temp.Path("three"));
    }
}

TEST(CliParallel, CtrlCStopsEveryWorkerAndLeavesNoPartialFile) {
    TTempFolder temp;
    fs::create_directories(temp.Path("in"));
    fs::create_directories(temp.Path("out"));
    TCliRun run;
    run.Args = {"reduce", "-j", "2", "-o", temp.Path("out")};
    for (int i = 0; i < 8; ++i) {
        const std::string path = temp.Path("in/p" + std::to_string(i) + ".bmp");
        WritePicture(path, 1000, 800, 3 + i);
        run.Args.push_back(path);
    }
    run.OnLine = [](int pid, const std::string& line) {
        if (line.rfind("Finish (1/8)", 0) == 0) {
            kill(pid, SIGINT);  // the first file is done, two more are in flight
        }
    };
    const TCliResult result = RunCli(run);
    EXPECT_EQ(result.Status, 130);
    const Lines lines = result.OutLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Abort.");
    EXPECT_EQ(lines.back(), "Complete.");
    EXPECT_EQ(result.Out.find("p7.bmp"), std::string::npos) << "the last file was loaded";
    const auto written = Contents(temp.Path("out"));
    ASSERT_GE(written.size(), 1u);
    EXPECT_LT(written.size(), 8u);
    for (const auto& [name, bytes] : written) {
        TPictureRecord record;
        record.FileName = temp.Path("out/" + name);
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
        EXPECT_NE(result.Out.find(") " + record.FileName + "\n"), std::string::npos) << name;
        EXPECT_EQ(LoadPicture(record), 0) << name;
    }
}

}  // namespace
