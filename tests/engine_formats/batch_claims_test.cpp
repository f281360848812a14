// Output names in a batch: a file that fails to load gives its output up.

#include <gtest/gtest.h>

#include "config/texts.h"
#include "engine/batch.h"

namespace {

using Lines = std::vector<std::string>;

// b.jpg fails and leaves /out/b.png to b.bmp; c.gif really would overwrite
// c.bmp's output. Pictures load from nothing; reductions end at once.
TEST(BatchClaims, AFileThatFailsToLoadLeavesItsOutputToTheNext) {
    SetUseEnglish(true);
    const Lines files = {"/in/b.jpg", "/in/b.bmp", "/in/c.bmp", "/in/c.gif"};
    const std::vector<TOutputPlan> plan = PlanBatchOutputs(files, "/out/", 1);
    EXPECT_EQ(plan[3].Rivals, (std::vector<size_t>{2}));
    Lines saved;
    TBatchHooks hooks;
    hooks.Log = [](const std::string&) {};
    hooks.StartWorker = [](ReduceJob& job, std::function<void()> done) {
        job.Succeeded = true;
        for (int i = 0; job.Batch && i < job.PictureCount; ++i) job.PaletteCountOf[i] = 2;
        done();
    };
    hooks.Load = [](TPictureRecord& r) {
        if (r.FileName == "/in/b.jpg") return 1;
        r.Kind = pkFullColour;
        r.Width = r.Height = 1;
        r.Pixels.assign(4, 0);
        return 0;
    };
    hooks.Save = [&saved](const TPictureRecord& r, const TBatchOutput&) {
        saved.push_back(r.FileName);
        return true;
    };
    ReduceJob job;
    const TBatchOutput output{1, "/out/", {}, false};
    TBatchRun perFile(job, output, files, hooks), integrated(job, output, files, hooks);
    perFile.StartPerFile();
    integrated.StartIntegrated();
    for (const TBatchRun* run : {&perFile, &integrated}) {
        EXPECT_EQ(run->Tally().Written, 2);
        EXPECT_EQ(run->Tally().Skipped, 1);  // c.gif only
    }
    EXPECT_EQ(saved, (Lines{"/out/b.png", "/out/c.png", "/out/b.png", "/out/c.png"}));
}

}  // namespace
