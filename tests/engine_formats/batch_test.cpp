// Batch runs with a stand-in engine, loader and writer: the logs, the output
// path rule, the same-file guard and cancelling.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "config/texts.h"
#include "engine/batch.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Loads pictures from a table instead of files; names not in it fail.
struct TFakeFiles {
    std::map<std::string, int> Sizes;  // path -> width (height 2)
    std::vector<std::string> Loaded;

    int Load(TPictureRecord& record) {
        Loaded.push_back(record.FileName);
        const auto found = Sizes.find(record.FileName);
        if (found == Sizes.end()) {
            return 1;
        }
        record.Kind = pkFullColour;
        record.Width = found->second;
        record.Height = 2;
        record.Pixels.assign(static_cast<size_t>(record.Width) * 2 * 4, 0x40);
        return 0;
    }
};

// A worker stand-in: either finishes at once (synchronous) or waits until
// the test calls Finish(), as a real worker would while the user clicks Cancel.
struct TFakeEngine {
    bool Synchronous = true;
    int Runs = 0;
    ReduceJob* Job = nullptr;
    std::function<void()> Pending;

    TBatchWorkerStarter Starter() {
        return [this](ReduceJob& job, std::function<void()> done) {
            ++Runs;
            Job = &job;
            Pending = std::move(done);
            if (Synchronous) {
                Finish();
            }
        };
    }
    // What RunJob leaves behind: success unless a stop was requested.
    void Finish() {
        ReduceJob& job = *Job;
        job.Succeeded = !job.StopRequested.load();
        if (job.Succeeded && job.Batch) {
            for (int i = 0; i < job.PictureCount; ++i) {
                job.PaletteCountOf[static_cast<size_t>(i)] = job.PaletteSize;
            }
        }
        auto done = std::move(Pending);
        Pending = nullptr;
        done();
    }
};

struct TSaved {
    std::string FileName;
    int Format;
    int Colors;
};

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUseEnglish(true);
        Output.Folder = "/out/";
        Output.Format = 1;
    }
    void TearDown() override { SetUseEnglish(true); }

    TBatchHooks Hooks() {
        TBatchHooks hooks;
        hooks.Log = [this](const std::string& line) { Log.push_back(line); };
        hooks.StartWorker = Engine.Starter();
        hooks.Load = [this](TPictureRecord& record) { return Files.Load(record); };
        hooks.Save = [this](const TPictureRecord& record, const TBatchOutput& output) {
            Saved.push_back({record.FileName, output.Format, record.Colors});
            return !FailSaves;
        };
        hooks.Finished = [this] { ++FinishedCalls; };
        return hooks;
    }

    ReduceJob Job;
    TBatchOutput Output;
    TFakeFiles Files;
    TFakeEngine Engine;
    std::vector<std::string> Log;
    std::vector<TSaved> Saved;
    bool FailSaves = false;
    int FinishedCalls = 0;
};

using Lines = std::vector<std::string>;

TEST(BatchOutputPath, FolderNameWithoutExtensionAndFormatExtension) {
    EXPECT_EQ(BatchOutputPath("/out/", "/in/cat.jpeg", 1), "/out/cat.png");
    EXPECT_EQ(BatchOutputPath("/out/", "/in/cat.jpeg", 0), "/out/cat.bmp");
    EXPECT_EQ(BatchOutputPath("/out/", "/in/cat.jpeg", 2), "/out/cat.gif");
    EXPECT_EQ(BatchOutputPath("/out/", "/in/cat.jpeg", 7), "/out/cat.gif");  // any other: GIF
}

TEST(BatchOutputPath, ExtensionIsFromTheLastDotOfTheFileNameOnly) {
    EXPECT_EQ(BatchOutputPath("/out/", "/in/cat", 2), "/out/cat.gif");
    EXPECT_EQ(BatchOutputPath("/out/", "/in.d/cat", 0), "/out/cat.bmp");
    EXPECT_EQ(BatchOutputPath("/out/", "/in/a.b.c", 1), "/out/a.b.png");
    EXPECT_EQ(BatchOutputPath("/out/", "/in/.hidden", 0), "/out/.bmp");
    EXPECT_EQ(BatchOutputPath("o/", "cat.BMP", 0), "o/cat.bmp");
}

TEST(BatchListLines, NumbersEachPathFromOne) {
    EXPECT_EQ(BatchListLines({"/a.bmp", "/b.bmp"}), (Lines{"#1 /a.bmp", "#2 /b.bmp"}));
}

TEST_F(BatchRunTest, PerFileRunOfThreeFilesWithAnUnreadableSecond) {
    Files.Sizes = {{"/in/a.bmp", 3}, {"/in/c.jpg", 4}};
    TBatchRun run(Job, Output, {"/in/a.bmp", "/in/b.bmp", "/in/c.jpg"}, Hooks());
    run.StartPerFile();
    EXPECT_EQ(Log, (Lines{"", "Load : /in/a.bmp", "Reduce...", "Save...", "Finish (1/3) /out/a.png",
                          "Can't load : /in/b.bmp", "Load : /in/c.jpg", "Reduce...", "Save...",
                          "Finish (3/3) /out/c.png", "Complete."}));
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(FinishedCalls, 1);
    ASSERT_EQ(Saved.size(), 2u);
    EXPECT_EQ(Saved[0].Format, 1);
    EXPECT_EQ(Saved[0].Colors, 256);
    EXPECT_EQ(run.Tally().Written, 2);
    EXPECT_EQ(run.Tally().LoadFailures, 1);
    EXPECT_FALSE(run.Tally().Aborted);
}

TEST_F(BatchRunTest, JapaneseLogTexts) {
    SetUseEnglish(false);
    Files.Sizes = {{"/in/a.bmp", 3}};
    TBatchRun run(Job, Output, {"/in/a.bmp", "/in/x"}, Hooks());
    run.StartPerFile();
    EXPECT_EQ(Log, (Lines{"", "読込 : /in/a.bmp", "減色中...", "保存中...", "完了 (1/2) /out/a.png",
                          "読み込めません : /in/x", "終了"}));
}

TEST_F(BatchRunTest, SaveFailureIsLoggedAndTheRunGoesOn) {
    Files.Sizes = {{"/in/a.bmp", 3}, {"/in/b.bmp", 3}};
    FailSaves = true;
    TBatchRun run(Job, Output, {"/in/a.bmp", "/in/b.bmp"}, Hooks());
    run.StartPerFile();
    EXPECT_EQ(Log, (Lines{"", "Load : /in/a.bmp", "Reduce...", "Save...", "Can't save",
                          "Load : /in/b.bmp", "Reduce...", "Save...", "Can't save", "Complete."}));
    EXPECT_EQ(run.Tally().SaveFailures, 2);
}

TEST_F(BatchRunTest, SameTextPathIsSkippedAndNotWritten) {
    Output.Folder = "/in/";
    Output.Format = 0;
    Files.Sizes = {{"/in/cat.bmp", 3}};
    TBatchRun run(Job, Output, {"/in/cat.bmp"}, Hooks());
    run.StartPerFile();
    EXPECT_EQ(Log, (Lines{"", "Load : /in/cat.bmp", "Reduce...", "Save...", "Skip : same filename",
                          "Complete."}));
    EXPECT_TRUE(Saved.empty());
    EXPECT_EQ(run.Tally().Skipped, 1);
}

TEST_F(BatchRunTest, CancelDuringSecondFileSavesFirstAndNeverLoadsThird) {
    Engine.Synchronous = false;
    Files.Sizes = {{"/in/a.bmp", 3}, {"/in/b.bmp", 3}, {"/in/c.bmp", 3}};
    TBatchRun run(Job, Output, {"/in/a.bmp", "/in/b.bmp", "/in/c.bmp"}, Hooks());
    run.StartPerFile();
    Engine.Finish();  // first file reduced
    ASSERT_TRUE(run.Running());
    run.Cancel();  // while the second is being reduced
    Engine.Finish();
    EXPECT_EQ(Log, (Lines{"", "Load : /in/a.bmp", "Reduce...", "Save...", "Finish (1/3) /out/a.png",
                          "Load : /in/b.bmp", "Reduce...", "Abort.", "Complete."}));
    EXPECT_EQ(Files.Loaded, (Lines{"/in/a.bmp", "/in/b.bmp"}));
    EXPECT_EQ(Saved.size(), 1u);
    EXPECT_FALSE(run.Running());
    EXPECT_TRUE(run.Tally().Aborted);
    EXPECT_EQ(FinishedCalls, 1);
}

TEST_F(BatchRunTest, CancelAfterAReductionFinishedSavesItThenStops) {
    Engine.Synchronous = false;
    Files.Sizes = {{"/in/a.bmp", 3}, {"/in/b.bmp", 3}};
    TBatchRun run(Job, Output, {"/in/a.bmp", "/in/b.bmp"}, Hooks());
    run.StartPerFile();
    // The worker ends successfully; the stop request arrives before its
    // completion is handled (zinop-cli's Ctrl+C can land there).
    Job.Succeeded = true;
    run.Cancel();
    Job.StopRequested = false;
    auto done = std::move(Engine.Pending);
    done();
    EXPECT_EQ(Log, (Lines{"", "Load : /in/a.bmp", "Reduce...", "Save...", "Finish (1/2) /out/a.png",
                          "Abort.", "Complete."}));
    EXPECT_EQ(Engine.Runs, 1);
}

TEST_F(BatchRunTest, LongListWithSynchronousWorkerDoesNotNest) {
    std::vector<std::string> files;
    for (int i = 0; i < 3000; ++i) {
        files.push_back("/in/f" + std::to_string(i) + ".bmp");
        Files.Sizes[files.back()] = 1;
    }
    TBatchRun run(Job, Output, files, Hooks());
    run.StartPerFile();
    EXPECT_EQ(run.Tally().Written, 3000);
    EXPECT_EQ(Log.back(), "Complete.");
}

TEST_F(BatchRunTest, IntegratedRunLoadsAllReducesOnceSavesEach) {
    Files.Sizes = {{"/in/a.bmp", 3}, {"/in/c", 5}};
    Job.PaletteSize = 17;
    TBatchRun run(Job, Output, {"/in/a.bmp", "/in/b.bmp", "/in/c"}, Hooks());
    run.StartIntegrated();
    EXPECT_EQ(Log, (Lines{"Load : /in/a.bmp", "Can't load : /in/b.bmp", "Load : /in/c", "Reduce...",
                          "Save : /out/a.png", "Save : /out/c.png", "Complete."}));
    EXPECT_EQ(Engine.Runs, 1);
    EXPECT_TRUE(Job.Batch);
    EXPECT_EQ(Job.PictureCount, 2);
    EXPECT_EQ(Job.Widths, (std::vector<int32_t>{3, 5}));
    ASSERT_EQ(Saved.size(), 2u);
    EXPECT_EQ(Saved[1].Colors, 17);
    EXPECT_EQ(FinishedCalls, 1);
}

TEST_F(BatchRunTest, IntegratedRunWithNothingLoadedAborts) {
    TBatchRun run(Job, Output, {"/in/a.bmp", "/in/b.bmp"}, Hooks());
    run.StartIntegrated();
    EXPECT_EQ(Log, (Lines{"Can't load : /in/a.bmp", "Can't load : /in/b.bmp", "Abort."}));
    EXPECT_EQ(Engine.Runs, 0);
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(FinishedCalls, 1);
}

TEST_F(BatchRunTest, CancelledIntegratedRunSavesNothingAndEndsWithAbortOnly) {
    Engine.Synchronous = false;
    Files.Sizes = {{"/in/a.bmp", 3}, {"/in/b.bmp", 3}};
    TBatchRun run(Job, Output, {"/in/a.bmp", "/in/b.bmp"}, Hooks());
    run.StartIntegrated();
    run.Cancel();
    Engine.Finish();
    EXPECT_EQ(Log, (Lines{"Load : /in/a.bmp", "Load : /in/b.bmp", "Reduce...", "Abort."}));
    EXPECT_TRUE(Saved.empty());
}

TEST_F(BatchRunTest, IntegratedRunSkipsSameNameAndReportsSaveFailure) {
    Output.Folder = "/in/";
    Files.Sizes = {{"/in/a.png", 3}};
    FailSaves = true;
    Files.Sizes["/in/b.bmp"] = 3;
    TBatchRun run(Job, Output, {"/in/a.png", "/in/b.bmp"}, Hooks());
    run.StartIntegrated();
    EXPECT_EQ(Log, (Lines{"Load : /in/a.png", "Load : /in/b.bmp", "Reduce...",
                          "Skip : same filename", "Can't save", "Complete."}));
}

// A signal can only be polled between steps; an integrated run saves all
// files in one step, so the poll is asked before each save.
TEST_F(BatchRunTest, StopAskedBetweenFilesEndsTheRunAfterTheCurrentSave) {
    Files.Sizes = {{"/in/a.bmp", 3}, {"/in/b.bmp", 3}, {"/in/c.bmp", 3}};
    TBatchHooks hooks = Hooks();
    hooks.StopRequested = [this] { return !Saved.empty(); };
    TBatchRun integrated(Job, Output, {"/in/a.bmp", "/in/b.bmp", "/in/c.bmp"}, hooks);
    integrated.StartIntegrated();
    EXPECT_EQ(Log, (Lines{"Load : /in/a.bmp", "Load : /in/b.bmp", "Load : /in/c.bmp", "Reduce...",
                          "Save : /out/a.png", "Abort."}));
    EXPECT_TRUE(integrated.Tally().Aborted);

    Log.clear();
    Saved.clear();
    TBatchRun perFile(Job, Output, {"/in/a.bmp", "/in/b.bmp", "/in/c.bmp"}, hooks);
    perFile.StartPerFile();
    EXPECT_EQ(Log, (Lines{"", "Load : /in/a.bmp", "Reduce...", "Save...", "Finish (1/3) /out/a.png",
                          "Abort.", "Complete."}));
    EXPECT_EQ(Files.Loaded.back(), "/in/a.bmp");
}

TEST_F(BatchRunTest, SkippedFilesAreReportedWithTheirOutput) {
    Output.Folder = "/in/";
    Files.Sizes = {{"/in/a.png", 3}, {"/x/a.png", 3}, {"/in/b.gif", 3}};
    std::vector<std::pair<std::string, TOutputVerdict>> skipped;
    TBatchHooks hooks = Hooks();
    hooks.Skipped = [&skipped](const std::string& source, const TOutputPlan& output) {
        skipped.emplace_back(source + " " + output.Path, output.Verdict);
    };
    TBatchRun run(Job, Output, {"/in/a.png", "/x/a.png", "/in/b.gif"}, hooks);
    run.StartPerFile();
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[0].first, "/in/a.png /in/a.png");
    EXPECT_EQ(skipped[0].second, TOutputVerdict::SourceOfRun);
    EXPECT_EQ(skipped[1].first, "/x/a.png /in/a.png");
    EXPECT_EQ(skipped[1].second, TOutputVerdict::SourceOfRun);
    EXPECT_EQ(run.Tally().Written, 1);  // /in/b.png
    EXPECT_EQ(run.Tally().Skipped, 2);
}

// ---- The same file under another name, on a real disk -------------------

TEST(IsSameFile, TextAndIdentity) {
    TTempFolder temp;
    const std::string source = temp.Path("in/cat.bmp");
    fs::create_directories(temp.Path("in"));
    temp.Write("in/cat.bmp", "x");
    temp.Write("in/dog.bmp", "y");
    fs::create_directory_symlink(temp.Path("in"), temp.Path("link"));
    EXPECT_TRUE(IsSameFile(source, source));
    EXPECT_TRUE(IsSameFile(source, temp.Path("in/../in/cat.bmp")));
    EXPECT_TRUE(IsSameFile(source, temp.Path("in/./cat.bmp")));
    EXPECT_TRUE(IsSameFile(source, temp.Path("link/cat.bmp")));
    EXPECT_FALSE(IsSameFile(source, temp.Path("in/dog.bmp")));
    EXPECT_FALSE(IsSameFile(source, temp.Path("in/missing.bmp")));
    EXPECT_FALSE(IsSameFile(temp.Path("in/gone.bmp"), temp.Path("in/missing.bmp")));
}

}  // namespace
