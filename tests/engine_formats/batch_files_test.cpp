// Batch runs end to end in the core: real BMP files in a temporary folder,
// LoadPicture and the writers, and the engine on a TConvert worker whose
// completion comes back through a queue, as it does in the programs.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>

#include "config/texts.h"
#include "engine/batch.h"
#include "engine/convert.h"
#include "formats/bmp.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// The driving thread's queue: worker completions are posted here and run by
// the test thread.
class TQueue {
  public:
    void Post(std::function<void()> task) {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
        ready_.notify_one();
    }
    std::function<void()> Next() {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return !tasks_.empty(); });
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        return task;
    }

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
};

void WriteGradient(const std::string& path, int width, int height) {
    TPictureRecord record;
    record.Kind = pkFullColour;
    record.Width = width;
    record.Height = height;
    record.Pixels.resize(static_cast<size_t>(width) * height * 4);
    for (int i = 0; i < width * height; ++i) {
        record.ColorPixels()[i] = MakeColor(i % 256, (i * 7) % 256, (i / width) % 256);
    }
    record.FileName = path;
    ASSERT_TRUE(SaveBmp(record));
}

class BatchFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        SetUseEnglish(true);
        fs::create_directories(Temp.Path("in"));
        fs::create_directories(Temp.Path("out"));
        Output.Folder = Temp.Path("out/");
        Output.Format = 0;
    }

    TBatchHooks Hooks() {
        TBatchHooks hooks;
        hooks.Log = [this](const std::string& line) { Log.push_back(line); };
        hooks.StartWorker = [this](ReduceJob& job, std::function<void()> done) {
            Worker =
                std::make_unique<TConvert>(job, [this, done](ReduceJob&) { Queue.Post(done); });
            ASSERT_TRUE(Worker->Start());
        };
        return hooks;
    }
    void RunToEnd(TBatchRun& run) {
        while (run.Running()) {
            Queue.Next()();
        }
        Worker.reset();
    }

    TTempFolder Temp;
    TBatchOutput Output;
    ReduceJob Job;
    TQueue Queue;
    std::unique_ptr<TConvert> Worker;
    Lines Log;
};

TEST_F(BatchFiles, PerFileRunWritesIndexedBmpsNamedAfterTheSources) {
    WriteGradient(Temp.Path("in/a.bmp"), 16, 8);
    Temp.Write("in/b.bmp", "BM broken");
    WriteGradient(Temp.Path("in/c"), 5, 3);
    Job.PaletteSize = 16;
    TBatchRun run(Job, Output, {Temp.Path("in/a.bmp"), Temp.Path("in/b.bmp"), Temp.Path("in/c")},
                  Hooks());
    run.StartPerFile();
    RunToEnd(run);
    EXPECT_EQ(Log, (Lines{"", "Load : " + Temp.Path("in/a.bmp"), "Reduce...", "Save...",
                          "Finish (1/3) " + Temp.Path("out/a.bmp"),
                          "Can't load : " + Temp.Path("in/b.bmp"), "Load : " + Temp.Path("in/c"),
                          "Reduce...", "Save...", "Finish (3/3) " + Temp.Path("out/c.bmp"),
                          "Complete."}));
    TPictureRecord back;
    back.FileName = Temp.Path("out/c.bmp");
    ASSERT_EQ(LoadPicture(back), 0);
    EXPECT_EQ(back.Width, 5);
    EXPECT_EQ(back.Height, 3);
    EXPECT_EQ(Temp.Read("out/a.bmp").substr(28, 2),
              std::string("\x04\x00", 2));  // 16 colours: 4 bits
}

TEST_F(BatchFiles, SourceReachedThroughLinkOrDotDotIsNeverOverwritten) {
    WriteGradient(Temp.Path("in/cat.bmp"), 4, 4);
    const std::string original = Temp.Read("in/cat.bmp");
    fs::create_directory_symlink(Temp.Path("in"), Temp.Path("link"));
    for (const std::string& folder : {Temp.Path("link/"), Temp.Path("out/../in/")}) {
        Log.clear();
        Output.Folder = folder;
        TBatchRun run(Job, Output, {Temp.Path("in/cat.bmp")}, Hooks());
        run.StartPerFile();
        RunToEnd(run);
        ASSERT_EQ(Log.size(), 6u);
        EXPECT_EQ(Log[4], "Skip : same filename") << folder;
        EXPECT_EQ(run.Tally().Skipped, 1);
        EXPECT_EQ(Temp.Read("in/cat.bmp"), original);
    }
}

TEST_F(BatchFiles, IntegratedRunGivesEveryFileTheSamePalette) {
    WriteGradient(Temp.Path("in/a.bmp"), 12, 12);
    WriteGradient(Temp.Path("in/b.bmp"), 7, 3);
    Output.Format = 2;
    Job.PaletteSize = 8;
    TBatchRun run(Job, Output, {Temp.Path("in/a.bmp"), Temp.Path("in/b.bmp")}, Hooks());
    run.StartIntegrated();
    RunToEnd(run);
    EXPECT_EQ(Log.back(), "Complete.");
    const std::string a = Temp.Read("out/a.gif");
    const std::string b = Temp.Read("out/b.gif");
    ASSERT_GT(a.size(), 13u + 24u);
    ASSERT_GT(b.size(), 13u + 24u);
    // The global colour table follows the 13-byte header: 8 entries of 3 bytes.
    EXPECT_EQ(a.substr(13, 24), b.substr(13, 24));
}

// photo.png's BMP result must not land on photo.bmp, the run's own second
// source, in either order and either way of running.
TEST_F(BatchFiles, NoResultIsWrittenOverAnotherSourceOfTheRun) {
    WriteGradient(Temp.Path("in/photo.png"), 6, 4);  // a BMP under another name
    WriteGradient(Temp.Path("in/photo.bmp"), 5, 3);
    const std::string png = Temp.Read("in/photo.png");
    const std::string bmp = Temp.Read("in/photo.bmp");
    Output.Folder = Temp.Path("in/");
    const Lines orders[] = {{Temp.Path("in/photo.png"), Temp.Path("in/photo.bmp")},
                            {Temp.Path("in/photo.bmp"), Temp.Path("in/photo.png")}};
    for (const Lines& files : orders) {
        for (const bool integrated : {false, true}) {
            Log.clear();
            TBatchRun run(Job, Output, files, Hooks());
            integrated ? run.StartIntegrated() : run.StartPerFile();
            RunToEnd(run);
            EXPECT_EQ(std::count(Log.begin(), Log.end(), "Skip : same filename"), 2)
                << files[0] << " " << integrated;
            EXPECT_EQ(run.Tally().Skipped, 2);
            EXPECT_EQ(run.Tally().Written, 0);
            EXPECT_EQ(Temp.Read("in/photo.png"), png);
            EXPECT_EQ(Temp.Read("in/photo.bmp"), bmp);
            EXPECT_EQ(Temp.Names(), (Lines{"in", "out"}));
        }
    }
}

TEST_F(BatchFiles, TwoFilesWithOneOutputNameWriteOnlyTheFirst) {
    fs::create_directories(Temp.Path("d1"));
    fs::create_directories(Temp.Path("d2"));
    WriteGradient(Temp.Path("d1/x.bmp"), 6, 4);
    WriteGradient(Temp.Path("d2/x.bmp"), 9, 2);
    Output.Format = 1;
    TBatchRun run(Job, Output, {Temp.Path("d1/x.bmp"), Temp.Path("d2/x.bmp")}, Hooks());
    run.StartPerFile();
    RunToEnd(run);
    EXPECT_EQ(Log[4], "Finish (1/2) " + Temp.Path("out/x.png"));
    EXPECT_EQ(Log[8], "Skip : same filename");
    EXPECT_EQ(run.Tally().Written, 1);
    EXPECT_EQ(run.Tally().Skipped, 1);
    // The first file's result (6 x 4) stays; a PNG starts its IHDR width at 16.
    const std::string written = Temp.Read("out/x.png");
    ASSERT_GT(written.size(), 24u);
    EXPECT_EQ(written.substr(16, 8), std::string("\0\0\0\x06\0\0\0\x04", 8));
}

TEST(BatchOutputPlan, SourcesAndEarlierOutputsAreNeverWritten) {
    TTempFolder temp;
    fs::create_directories(temp.Path("in"));
    fs::create_directories(temp.Path("out"));
    temp.Write("in/a.png", "a");
    temp.Write("in/b.bmp", "b");
    temp.Write("in/c.jpg", "c");
    temp.Write("out/old.bmp", "old");  // not of the run: replaced as usual
    fs::create_symlink("../in/c.jpg", temp.Path("out/link.bmp"));
    fs::create_symlink("old.bmp", temp.Path("out/alias.bmp"));
    const Lines files = {temp.Path("in/a.png"),   temp.Path("in/b.bmp"),  temp.Path("x/b.gif"),
                         temp.Path("y/link.png"), temp.Path("z/old.tif"), temp.Path("z/alias.x"),
                         temp.Path("in/c.jpg")};

    const auto inPlan = PlanBatchOutputs(files, temp.Path("in/"), 0);
    ASSERT_EQ(inPlan.size(), files.size());
    EXPECT_EQ(inPlan[0].Path, temp.Path("in/a.bmp"));
    EXPECT_EQ(inPlan[0].Verdict, TOutputVerdict::Write);  // in/a.bmp is no source
    EXPECT_EQ(inPlan[1].Verdict, TOutputVerdict::SourceOfRun);  // itself
    EXPECT_EQ(inPlan[2].Verdict, TOutputVerdict::SourceOfRun);  // in/b.bmp again

    const auto outPlan = PlanBatchOutputs(files, temp.Path("out/"), 0);
    EXPECT_EQ(outPlan[0].Verdict, TOutputVerdict::Write);
    EXPECT_EQ(outPlan[1].Verdict, TOutputVerdict::Write);
    EXPECT_EQ(outPlan[2].Verdict, TOutputVerdict::AlreadyClaimed);  // out/b.bmp is file 2's
    EXPECT_EQ(outPlan[3].Verdict, TOutputVerdict::SourceOfRun);     // a link to in/c.jpg
    EXPECT_EQ(outPlan[4].Verdict, TOutputVerdict::Write);           // out/old.bmp
    EXPECT_EQ(outPlan[5].Verdict, TOutputVerdict::AlreadyClaimed);  // the same file as old.bmp
}

TEST(BatchOutputPlan, CaseIsIgnoredWhereTheFolderFoldsCase) {
    TTempFolder temp;
    temp.Write("A.PNG", "a");
    const Lines files = {temp.Path("A.PNG"), temp.Path("sub/Cat.bmp"), temp.Path("sub/cat.jpg")};
    TBatchOutputClaims folding(files, temp.Folder(), true);
    EXPECT_TRUE(folding.FoldsCase());
    EXPECT_EQ(folding.Claim(temp.Path("a.png")), TOutputVerdict::SourceOfRun);
    EXPECT_EQ(folding.Claim(temp.Path("Cat.png")), TOutputVerdict::Write);
    EXPECT_EQ(folding.Claim(temp.Path("CAT.png")), TOutputVerdict::AlreadyClaimed);

    TBatchOutputClaims exact(files, temp.Folder(), false);
    EXPECT_EQ(exact.Claim(temp.Path("a.png")), TOutputVerdict::Write);
    EXPECT_EQ(exact.Claim(temp.Path("Cat.png")), TOutputVerdict::Write);
    EXPECT_EQ(exact.Claim(temp.Path("CAT.png")), TOutputVerdict::Write);
    EXPECT_EQ(exact.Claim(temp.Path("Cat.png")), TOutputVerdict::AlreadyClaimed);
    // The test folder's own file system (tmpfs or ext4) keeps case apart.
    EXPECT_FALSE(FolderFoldsCase(temp.Folder()));
}

}  // namespace
