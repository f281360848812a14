// Memory that runs out while one file is loaded, reduced or saved is that
// file's failure, with the reason "out of memory": the run goes on with the
// next file, and nothing partial is left.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "config/failure_reason.h"
#include "config/texts.h"
#include "engine/batch.h"
#include "engine/reduce_job.h"
#include "failing_allocation.h"
#include "formats/bmp.h"
#include "formats/gif_writer.h"
#include "formats/png_writer.h"
#include "support/temp_folder.h"

namespace {

using Lines = std::vector<std::string>;

// Far above what the test framework allocates, below every picture buffer.
constexpr size_t kFailFrom = 16 << 10;

TPictureRecord FullColour(int width, int height) {
    TPictureRecord record;
    record.Kind = pkFullColour;
    record.Width = width;
    record.Height = height;
    record.Pixels.resize(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < record.Pixels.size(); i += 4) {
        record.Pixels[i] = static_cast<uint8_t>(i * 7);
        record.Pixels[i + 1] = static_cast<uint8_t>(i / 13);
        record.Pixels[i + 2] = static_cast<uint8_t>(i / 1031);
    }
    return record;
}

TPictureRecord Indexed(int width, int height) {
    TPictureRecord record;
    record.Kind = pkIndexed;
    record.Width = width;
    record.Height = height;
    record.Colors = 256;
    record.TransCorner = -1;
    record.Palette.assign(1024, 0x55);
    record.Pixels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < record.Pixels.size(); ++i)
        record.Pixels[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    return record;
}

TEST(OutOfMemory, EveryWriterSaysOutOfMemoryAndWritesNothing) {
    TTempFolder folder;
    TPictureRecord full = FullColour(400, 300);
    TPictureRecord indexed = Indexed(400, 300);
    full.FileName = folder.File("a.bmp");
    indexed.FileName = folder.File("a.gif");
    TPictureRecord png = full;
    png.FileName = folder.File("a.png");
    const TFailingAllocations failing(kFailFrom);
    ClearSaveFailure();
    EXPECT_FALSE(SaveBmp(full));
    EXPECT_EQ(FailureText(LastSaveFailure()), "out of memory");
    ClearSaveFailure();
    EXPECT_FALSE(SavePng(png, false, TPngWriteOptions{}));
    EXPECT_EQ(FailureText(LastSaveFailure()), "out of memory");
    ClearSaveFailure();
    EXPECT_FALSE(SaveGif(indexed, TGifOptions{}));
    EXPECT_EQ(FailureText(LastSaveFailure()), "out of memory");
    EXPECT_TRUE(folder.Names().empty());
}

enum class TStage { Load, Reduce, Save };

std::string StageName(TStage stage) {
    return stage == TStage::Load ? "Load" : stage == TStage::Reduce ? "Reduce" : "Save";
}

class BatchOutOfMemory : public ::testing::TestWithParam<TStage> {
  protected:
    void SetUp() override {
        SetUseEnglish(true);
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
            TPictureRecord picture = FullColour(200, 150);
            picture.FileName = In.File(name);
            ASSERT_TRUE(SaveBmp(picture));
            Files.push_back(picture.FileName);
        }
        Output.Folder = Out.Folder();
        Output.Format = 0;
    }

    // The armed stage fails for the second file only.
    bool Armed(TStage stage, const std::string& path) const {
        return GetParam() == stage && path == Files[1];
    }

    TBatchHooks Hooks() {
        TBatchHooks hooks;
        hooks.Log = [this](const std::string& line) { Log.push_back(line); };
        hooks.Load = [this](TPictureRecord& record) {
            if (!Armed(TStage::Load, record.FileName)) return LoadPicture(record);
            const TFailingAllocations failing(kFailFrom);
            const int status = LoadPicture(record);
            LoadReason = FailureText(LastLoadFailure());
            return status;
        };
        hooks.StartWorker = [this](ReduceJob& job, std::function<void()> done) {
            if (Armed(TStage::Reduce, Current)) {
                const TFailingAllocations failing(kFailFrom);
                RunJob(job);
            } else {
                RunJob(job);
            }
            done();
        };
        hooks.BeforeSave = [] { ClearSaveFailure(); };
        hooks.Save = [this](const TPictureRecord& record, const TBatchOutput& output) {
            if (!Armed(TStage::Save, Current)) return SaveBatchResult(record, output);
            const TFailingAllocations failing(kFailFrom);
            const bool written = SaveBatchResult(record, output);
            SaveReason = FailureText(LastSaveFailure());
            return written;
        };
        hooks.OutOfMemory = [this](const std::string& path) { Reported.push_back(path); };
        return hooks;
    }

    TTempFolder In;
    TTempFolder Out;
    std::vector<std::string> Files;
    TBatchOutput Output;
    ReduceJob Job;
    Lines Log;
    Lines Reported;
    std::string Current;  // the file being run
    std::string LoadReason;
    std::string SaveReason;
};

TEST_P(BatchOutOfMemory, FailsThatFileOnlyAndTheRunGoesOn) {
    TSettingsRecord settings;
    FillReduceJob(settings, Job);
    TBatchHooks hooks = Hooks();
    auto log = hooks.Log;
    hooks.Log = [this, log](const std::string& line) {
        if (line.rfind("Load : ", 0) == 0) Current = line.substr(7);
        log(line);
    };
    TBatchRun run(Job, Output, Files, hooks);
    run.StartPerFile();
    ASSERT_FALSE(run.Running());

    EXPECT_FALSE(run.Tally().Aborted);
    EXPECT_EQ(run.Tally().OutOfMemory, 1);
    EXPECT_EQ(run.Tally().Written, 2);
    EXPECT_EQ(Out.Names(), (Lines{"a.bmp", "c.bmp"}));  // nothing partial of b
    EXPECT_EQ(Log.back(), "Complete.");
    const std::string failedLine =
        GetParam() == TStage::Load ? "Can't load : " + Files[1] : std::string("Can't save");
    EXPECT_NE(std::find(Log.begin(), Log.end(), failedLine), Log.end());
    if (GetParam() == TStage::Load) {
        EXPECT_EQ(LoadReason, "out of memory");
    } else if (GetParam() == TStage::Reduce) {
        EXPECT_EQ(Reported, Lines{Files[1]});
    } else {
        EXPECT_EQ(SaveReason, "out of memory");
    }
}

INSTANTIATE_TEST_SUITE_P(Stages, BatchOutOfMemory,
                         ::testing::Values(TStage::Load, TStage::Reduce, TStage::Save),
                         [](const auto& info) { return StageName(info.param); });

}  // namespace
