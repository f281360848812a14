// Memory that runs out while one file is loaded, reduced or saved fails that
// file with "out of memory"; the run goes on and nothing partial is left.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "config/failure_reason.h"
#include "config/texts.h"
#include "engine/batch.h"
#include "formats/bmp.h"
#include "support/temp_folder.h"

namespace {

// While non-zero, every operator new of at least this many bytes fails, as a
// picture-sized allocation would (the framework's own stay far below).
std::atomic<size_t> failFrom{0};

void* Allocate(size_t size) {
    if (failFrom != 0 && size >= failFrom) throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
// The nothrow forms too (std::stable_sort's buffer): every block this
// program frees must come from the same malloc.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace {

enum TStage { kLoad, kReduce, kSave };

template <class Work>
auto Armed(bool armed, Work work) {
    failFrom = armed ? 16 << 10 : 0;
    auto result = work();
    failFrom = 0;
    return result;
}

class BatchOutOfMemory : public ::testing::TestWithParam<TStage> {};

TEST_P(BatchOutOfMemory, FailsThatFileOnlyAndTheRunGoesOn) {
    SetUseEnglish(true);
    TTempFolder in, out;
    std::vector<std::string> files;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        TPictureRecord picture;
        picture.Kind = pkFullColour;
        picture.Width = 200;
        picture.Height = 150;
        for (int i = 0; i < 200 * 150 * 4; ++i) picture.Pixels.push_back(static_cast<uint8_t>(i * 7 / 3));
        picture.FileName = in.File(name);
        ASSERT_TRUE(SaveBmp(picture));
        files.push_back(picture.FileName);
    }
    std::vector<std::string> log, reported;
    std::string current, reason;  // the file being run; the armed stage's reason
    TBatchHooks hooks;
    hooks.Log = [&](const std::string& line) { log.push_back(line); };
    hooks.Load = [&](TPictureRecord& record) {
        current = record.FileName;
        const int status = Armed(GetParam() == kLoad && current == files[1], [&] { return LoadPicture(record); });
        if (status != 0) reason = FailureText(LastLoadFailure());
        return status;
    };
    hooks.StartWorker = [&](ReduceJob& job, std::function<void()> done) {
        Armed(GetParam() == kReduce && current == files[1], [&] { return RunJob(job), 0; });
        done();
    };
    hooks.Save = [&](const TPictureRecord& record, const TBatchOutput& output) {
        ClearSaveFailure();
        const bool written = Armed(GetParam() == kSave && current == files[1], [&] { return SaveBatchResult(record, output); });
        if (!written) reason = FailureText(LastSaveFailure());
        return written;
    };
    hooks.OutOfMemory = [&](const std::string& path) { reported.push_back(path); };
    TSettingsRecord settings;
    ReduceJob job;
    FillReduceJob(settings, job);
    TBatchOutput output;
    output.Folder = out.Folder();
    TBatchRun run(job, output, files, hooks);
    run.StartPerFile();

    EXPECT_FALSE(run.Tally().Aborted);
    EXPECT_EQ(run.Tally().OutOfMemory, 1);
    EXPECT_EQ(out.Names(), (std::vector<std::string>{"a.bmp", "c.bmp"}));  // nothing of b
    EXPECT_EQ(log.back(), "Complete.");
    EXPECT_EQ(std::count(log.begin(), log.end(), GetParam() == kLoad ? "Can't load : " + files[1] : "Can't save"), 1);
    if (GetParam() == kReduce) {
        EXPECT_EQ(reported, std::vector<std::string>{files[1]});
    } else {
        EXPECT_EQ(reason, "out of memory");
    }
}

INSTANTIATE_TEST_SUITE_P(Stages, BatchOutOfMemory, ::testing::Values(kLoad, kReduce, kSave));

}  // namespace
