// Output names in a batch: a file that fails to load gives its output name
// up, in per-file, one-file-at-a-time and integrated runs alike.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "config/texts.h"
#include "engine/batch.h"

namespace {

using Lines = std::vector<std::string>;

// Files that load are in the table (width 3, height 2); the rest fail. The
// reduction finishes at once.
class BatchClaims : public ::testing::Test {
  protected:
    void SetUp() override {
        SetUseEnglish(true);
        Output.Folder = "/out/";
        Output.Format = 1;
    }
    TBatchHooks Hooks() {
        TBatchHooks hooks;
        hooks.Log = [this](const std::string& line) { Log.push_back(line); };
        hooks.StartWorker = [](ReduceJob& job, std::function<void()> done) {
            job.Succeeded = true;
            for (int i = 0; job.Batch && i < job.PictureCount; ++i) {
                job.PaletteCountOf[static_cast<size_t>(i)] = job.PaletteSize;
            }
            done();
        };
        hooks.Load = [this](TPictureRecord& record) {
            if (Loads.count(record.FileName) == 0) return 1;
            record.Kind = pkFullColour;
            record.Width = 3;
            record.Height = 2;
            record.Pixels.assign(3 * 2 * 4, 0x40);
            return 0;
        };
        hooks.Save = [this](const TPictureRecord& record, const TBatchOutput&) {
            Saved.push_back(record.FileName);
            return true;
        };
        return hooks;
    }

    // b.jpg fails and gives /out/b.png to b.bmp; c.bmp and c.gif both load,
    // so c.gif really would overwrite c.bmp's output.
    const Lines Files = {"/in/b.jpg", "/in/b.bmp", "/in/c.bmp", "/in/c.gif"};
    std::map<std::string, int> Loads = {{"/in/b.bmp", 1}, {"/in/c.bmp", 1}, {"/in/c.gif", 1}};
    ReduceJob Job;
    TBatchOutput Output;
    Lines Log;
    Lines Saved;
};

TEST_F(BatchClaims, PlanNamesTheEarlierFilesOfTheSameOutput) {
    const std::vector<TOutputPlan> plan =
        PlanBatchOutputs({"/in/a.jpg", "/in/a.bmp", "/in/b.bmp", "/in/a.gif"}, "/out/", 0);
    EXPECT_EQ(plan[0].Verdict, TOutputVerdict::Write);
    EXPECT_EQ(plan[1].Rivals, (std::vector<size_t>{0}));
    EXPECT_EQ(plan[2].Verdict, TOutputVerdict::Write);
    EXPECT_EQ(plan[3].Verdict, TOutputVerdict::AlreadyClaimed);
    EXPECT_EQ(plan[3].Rivals, (std::vector<size_t>{0, 1}));
}

TEST_F(BatchClaims, PerFileRunWritesTheFileThatLoads) {
    TBatchRun run(Job, Output, Files, Hooks());
    run.StartPerFile();
    EXPECT_EQ(Saved, (Lines{"/out/b.png", "/out/c.png"}));
    EXPECT_EQ(Log, (Lines{"", "Can't load : /in/b.jpg", "Load : /in/b.bmp", "Reduce...", "Save...",
                          "Finish (2/4) /out/b.png", "Load : /in/c.bmp", "Reduce...", "Save...",
                          "Finish (3/4) /out/c.png", "Load : /in/c.gif", "Reduce...", "Save...",
                          "Skip : same filename", "Complete."}));
    EXPECT_EQ(run.Tally().Skipped, 1);
}

TEST_F(BatchClaims, IntegratedRunWritesTheFileThatLoads) {
    TBatchRun run(Job, Output, Files, Hooks());
    run.StartIntegrated();
    EXPECT_EQ(Saved, (Lines{"/out/b.png", "/out/c.png"}));
    EXPECT_EQ(run.Tally().Skipped, 1);
}

// One file at a time (zinop-cli -j): the earlier files' outcome is asked
// through the hook; without one the output stays refused.
TEST_F(BatchClaims, OneFileAtATimeAsksWhetherTheEarlierFilesLoaded) {
    const std::vector<TOutputPlan> plan = PlanBatchOutputs(Files, Output.Folder, Output.Format);
    std::map<size_t, bool> decided;
    TBatchHooks hooks = Hooks();
    hooks.LoadDecided = [&decided](size_t index, bool loaded) { decided[index] = loaded; };
    hooks.EarlierLoaded = [&decided](size_t index) { return decided.at(index); };
    TBatchRun run(Job, Output, Files, hooks);
    for (size_t i = 0; i < Files.size(); ++i) run.StartPerFileAt(i, plan[i]);
    EXPECT_EQ(Saved, (Lines{"/out/b.png", "/out/c.png"}));
    EXPECT_EQ(decided, (std::map<size_t, bool>{{0, false}, {1, true}, {2, true}, {3, true}}));

    Saved.clear();
    TBatchRun unasked(Job, Output, Files, Hooks());
    unasked.StartPerFileAt(1, plan[1]);
    EXPECT_TRUE(Saved.empty());
    EXPECT_EQ(unasked.Tally().Skipped, 1);
}

}  // namespace
