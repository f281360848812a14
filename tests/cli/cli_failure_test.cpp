// zinop-cli with hostile inputs and faults: collisions inside a run, FIFOs
// and devices as input, failures that must be reported on stderr also with
// -q, termination signals and a closed pipe on stdout.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/bmp.h"
#include "formats/pixel_cap.h"
#include "run_cli.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

TEST(CliFailures, AResultIsNeverWrittenOverAnotherFileOfTheRun) {
    TTempFolder temp;
    WritePicture(temp.Path("photo.png"), 8, 6);  // a BMP under a PNG name
    WritePicture(temp.Path("photo.bmp"), 5, 5);
    const std::string png = ReadFile(temp.Path("photo.png"));
    const std::string bmp = ReadFile(temp.Path("photo.bmp"));
    for (const bool integrated : {false, true}) {
        Lines args = {"reduce", "-o", temp.Root(), temp.Path("photo.png"), temp.Path("photo.bmp")};
        if (integrated) args.push_back("--integrated");
        const TCliResult result = RunCli(args);
        EXPECT_EQ(result.Status, 1);
        EXPECT_EQ(Occurrences(result.Out, "Skip : same filename"), 2u) << result.Out;
        EXPECT_EQ(Occurrences(result.Err, "zinop-cli: not writing " + temp.Path("photo.bmp")), 2u)
            << result.Err;
        EXPECT_EQ(ReadFile(temp.Path("photo.png")), png);
        EXPECT_EQ(ReadFile(temp.Path("photo.bmp")), bmp);
    }
}

TEST(CliFailures, TwoSourcesWithOneOutputNameWriteOnlyTheFirst) {
    TTempFolder temp;
    fs::create_directories(temp.Path("d1"));
    fs::create_directories(temp.Path("d2"));
    fs::create_directories(temp.Path("out"));
    WritePicture(temp.Path("d1/x.png"), 4, 4);
    WritePicture(temp.Path("d2/x.png"), 7, 3);
    const TCliResult result = RunCli(
        {"reduce", "-q", "-o", temp.Path("out"), temp.Path("d1/x.png"), temp.Path("d2/x.png")});
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Err, "zinop-cli: not writing " + temp.Path("out/x.bmp") + " (from " +
                              temp.Path("d2/x.png") + "): an earlier file of this run writes it\n");
    TPictureRecord back;
    back.FileName = temp.Path("out/x.bmp");
    ASSERT_EQ(LoadPicture(back), 0);
    EXPECT_EQ(back.Width, 4);  // the first file's result
}

TEST(CliFailures, FifosAndDevicesAreRefusedAtOnce) {
    TTempFolder temp;
    const std::string fifo = temp.Path("pipe.bmp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    const TCliResult result = RunCli({"reduce", "-q", "-o", temp.Root(), fifo, "/dev/zero"});
    const TCliResult info = RunCli({"info", fifo});
    const TCliResult settings = RunCli({"reduce", "--settings", fifo, "/dev/zero"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Err, "zinop-cli: cannot read " + fifo +
                              ": not a regular file\nzinop-cli: cannot read /dev/zero: not a "
                              "regular file\n");
    EXPECT_EQ(info.Status, 1);
    EXPECT_EQ(settings.Status, 1);  // a file problem, not a usage error
    EXPECT_EQ(settings.Err, "zinop-cli: cannot read settings file " + fifo + ": not a regular file\n");
}

TEST(CliFailures, EveryFailureSaysWhyOnStderrAlsoWhenQuiet) {
    TTempFolder temp;
    WritePicture(temp.Path("a.bmp"), 3, 3);
    WritePicture(temp.Path("b.bmp"), 3, 3);
    temp.Write("junk.bmp", "not a picture");
    fs::create_directories(temp.Path("out/b.png"));  // a folder where b's result goes
    const TCliResult result =
        RunCli({"reduce", "-q", "-f", "png", "-o", temp.Path("out"), temp.Path("a.bmp"),
                temp.Path("junk.bmp"), temp.Path("gone.bmp"), temp.Path("b.bmp")});
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(result.Err, "zinop-cli: cannot read " + temp.Path("junk.bmp") +
                              ": not a picture any plug-in or the BMP reader understands\n"
                              "zinop-cli: cannot read " +
                              temp.Path("gone.bmp") +
                              ": No such file or directory\nzinop-cli: cannot write " +
                              temp.Path("out/b.png") + ": Is a directory\n");
    EXPECT_TRUE(fs::is_regular_file(temp.Path("out/a.png")));
}

TEST(CliFailures, MissingPluginFolderIsAWarning) {
    TTempFolder temp;
    WritePicture(temp.Path("a.bmp"), 3, 3);
    const TCliResult result = RunCli({"info", "--plugins", temp.Path("none"), temp.Path("a.bmp")});
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Err, "zinop-cli: warning: plug-in folder " + temp.Path("none") +
                              " does not exist; no plug-ins\n");
}

// SIGTERM and SIGHUP end a run as Ctrl+C does: the save under way finishes,
// nothing half written or temporary is left, status 128 + the signal.
TEST(CliFailures, TerminationSignalsStopTheRunCleanly) {
    for (const int signal : {SIGTERM, SIGHUP}) {
        TTempFolder temp;
        fs::create_directories(temp.Path("out"));
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
            WritePicture(temp.Path(name), 900, 700);
        TCliRun run;
        run.Args = {"reduce",
                    "-f",
                    "png",
                    "-o",
                    temp.Path("out"),
                    temp.Path("a.bmp"),
                    temp.Path("b.bmp"),
                    temp.Path("c.bmp")};
        run.OnLine = [signal](int pid, const std::string& line) {
            if (line == "Save...") kill(pid, signal);  // while the first result is written
        };
        const TCliResult result = RunCli(run);
        EXPECT_EQ(result.Status, 128 + signal);
        const Lines lines = result.OutLines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], "Abort.");
        EXPECT_EQ(Occurrences(result.Out, "Load : "), 1u) << result.Out;
        EXPECT_EQ(temp.Names(), (Lines{"a.bmp", "b.bmp", "c.bmp", "out"}));
        std::vector<std::string> written;
        for (const auto& entry : fs::directory_iterator(temp.Path("out"))) {
            written.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(written, Lines{"a.png"}) << signal;
    }
}

TEST(CliFailures, AClosedPipeEndsTheLogNotTheRun) {
    TTempFolder temp;
    fs::create_directories(temp.Path("out"));
    WritePicture(temp.Path("a.bmp"), 40, 30);
    WritePicture(temp.Path("b.bmp"), 40, 30);
    const std::string command = "bash -c 'set -o pipefail; \"" ZINOP_CLI_PATH "\" reduce -o \"" +
                                temp.Path("out") + "\" \"" + temp.Path("a.bmp") + "\" \"" +
                                temp.Path("b.bmp") + "\" | true'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(fs::is_regular_file(temp.Path("out/a.bmp")));
    EXPECT_TRUE(fs::is_regular_file(temp.Path("out/b.bmp")));
}

TEST(CliFailures, HelpStatesThePixelCapAndTheExitStatuses) {
    const TCliResult help = RunCli({"--help"});
    EXPECT_NE(help.Out.find(std::to_string(kMaxPicturePixels) + " pixels"), std::string::npos);
    EXPECT_NE(help.Out.find("143 SIGTERM"), std::string::npos);
}

TEST(CliFailures, PluginNamesTheSettingsFileCannotHoldAreReported) {
    TTempFolder temp;
    temp.Write("a=b.spi", "not even a library");
    temp.Write("fine.spi", "not a library either");
    const TCliResult result = RunCli({"plugins", "--plugins", temp.Root()});
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Err,
              "zinop-cli: plug-in file name cannot be kept in the settings file: a=b.spi\n");
    EXPECT_NE(result.Out.find("a=b.spi: refused: its file name cannot be kept"), std::string::npos)
        << result.Out;
}

}  // namespace
