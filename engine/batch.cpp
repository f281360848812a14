// The per-file and integrated batch runs as state machines on the driving
// thread. Each step ends either by starting a worker (the run goes on in its
// completion) or by ending the run.

#include "engine/batch.h"

#include <new>
#include <utility>

#include "config/failure_reason.h"
#include "config/texts.h"
#include "formats/bmp.h"

namespace {

// Frees a buffer's memory, not just its contents: a long batch should not
// keep the largest picture's buffers alive between files.
template <typename T>
void Release(std::vector<T>& buffer) {
    std::vector<T>().swap(buffer);
}

ColorValue* PaletteView(TPictureRecord& record) {
    return reinterpret_cast<ColorValue*>(record.Palette.data());
}

// Turns a loaded full-colour record into the indexed result record it will
// be reduced into; false when the buffers cannot be had.
bool PrepareResult(const TPictureRecord& source, const ReduceJob& job, TPictureRecord& result) {
    result = TPictureRecord{};
    result.Kind = pkIndexed;
    result.Width = source.Width;
    result.Height = source.Height;
    result.FileName = source.FileName;
    result.Colors = job.PaletteSize;
    result.TransIndex = job.TransIndex;
    result.TransCorner = job.TransCorner;
    result.XPelsPerMeter = source.XPelsPerMeter;
    result.YPelsPerMeter = source.YPelsPerMeter;
    try {
        result.Pixels.assign(static_cast<size_t>(source.Width) * static_cast<size_t>(source.Height),
                             0);
        result.Palette.assign(1024, 0);
    } catch (const std::bad_alloc&) {
        result = TPictureRecord{};
        return false;
    }
    return true;
}

}  // namespace

TBatchRun::TBatchRun(ReduceJob& job, TBatchOutput output, std::vector<std::string> files,
                     TBatchHooks hooks)
    : job_(job), output_(std::move(output)), files_(std::move(files)), hooks_(std::move(hooks)) {
    if (!hooks_.Load) {
        hooks_.Load = LoadPicture;
    }
    if (!hooks_.Save) {
        hooks_.Save = SaveBatchResult;
    }
}

void TBatchRun::Log(const std::string& line) {
    if (hooks_.Log) {
        hooks_.Log(line);
    }
}

bool TBatchRun::StopPolled() {
    if (!cancelled_ && hooks_.StopRequested && hooks_.StopRequested()) Cancel();
    return cancelled_;
}

void TBatchRun::Cancel() {
    if (!running_) {
        return;
    }
    cancelled_ = true;
    job_.StopRequested.store(true);
}

// A completion that arrives while the starter is still running (a synchronous
// stand-in) is kept and run by the loop in Drive, so a long batch never nests
// one step inside the previous one.
void TBatchRun::StartWorker(void (TBatchRun::*handler)()) {
    starting_ = true;
    hooks_.StartWorker(job_, [this, handler] {
        if (starting_) {
            deferred_ = handler;
        } else {
            Drive(handler);
        }
    });
    starting_ = false;
}

void TBatchRun::Drive(void (TBatchRun::*handler)()) {
    (this->*handler)();
    while (deferred_ != nullptr) {
        const auto next = deferred_;
        deferred_ = nullptr;
        (this->*next)();
    }
}

void TBatchRun::End() {
    running_ = false;
    if (hooks_.Finished) {
        hooks_.Finished();
    }
}

// Writes the result of files_[fileIndex]: the output path replaces the
// source path in result.FileName; an output the plan refuses (a file of the
// list, or an earlier file's output) is skipped. True when written.
bool TBatchRun::WriteResult(TPictureRecord& result, size_t fileIndex) {
    const TOutputPlan& plan = OneFile ? OneOutput : plan_[fileIndex];
    result.FileName = plan.Path;
    if (OutputRefused(plan)) {
        Log(Text(TextId::BatchSkipSameName));
        ++tally_.Skipped;
        if (hooks_.Skipped) hooks_.Skipped(files_[fileIndex], plan);
        return false;
    }
    if (hooks_.BeforeSave) {
        hooks_.BeforeSave();
    }
    if (!hooks_.Save(result, output_)) {
        Log(Text(TextId::BatchCantSave));
        ++tally_.SaveFailures;
        if (LastSaveFailure().Kind == TFailure::OutOfMemory) ++tally_.OutOfMemory;
        return false;
    }
    ++tally_.Written;
    return true;
}

// A source of the run is never written over; an output claimed by an
// earlier file stays refused only when one of those files loaded.
bool TBatchRun::OutputRefused(const TOutputPlan& plan) const {
    if (plan.Verdict != TOutputVerdict::AlreadyClaimed) {
        return plan.Verdict != TOutputVerdict::Write;
    }
    for (const size_t rival : plan.Rivals) {
        if (OneFile ? !hooks_.EarlierLoaded || hooks_.EarlierLoaded(rival)
                    : rival < loaded_.size() && loaded_[rival]) {
            return true;
        }
    }
    return false;
}

void TBatchRun::DecideLoad(size_t fileIndex, bool loaded) {
    if (fileIndex < loaded_.size()) loaded_[fileIndex] = loaded;
    if (hooks_.LoadDecided) hooks_.LoadDecided(fileIndex, loaded);
}

// ---- Per-file run -------------------------------------------------------

void TBatchRun::StartPerFile() {
    if (running_) {
        return;
    }
    running_ = true;
    cancelled_ = false;
    tally_ = TBatchTally{};
    loaded_.assign(files_.size(), false);
    plan_ = PlanBatchOutputs(files_, output_.Folder, output_.Format);
    job_.StopRequested.store(false);
    BatchIndex = -1;
    EndIndex = files_.size();
    OneFile = false;
    Drive(&TBatchRun::BatchStep);
}

void TBatchRun::StartPerFileAt(size_t index, TOutputPlan output) {
    if (running_ || index >= files_.size()) {
        return;
    }
    running_ = true;
    cancelled_ = false;
    tally_ = TBatchTally{};
    job_.StopRequested.store(false);
    job_.Succeeded = true;
    BatchSource = TPictureRecord{};
    BatchIndex = static_cast<int>(index) - 1;  // the next file to load is index
    EndIndex = index + 1;
    OneFile = true;
    OneOutput = std::move(output);
    Drive(&TBatchRun::LoadNextAndStart);
}

void TBatchRun::BatchStep() {
    if (BatchIndex < 0) {
        BatchSource = TPictureRecord{};
        Release(WorkBuffer);
        job_.Succeeded = true;  // so that loading begins
        Log("");
    } else {
        // Only the result is needed from here on; freeing the source and the
        // work buffer first keeps the peak memory of a save and of the next
        // load low.
        Release(BatchSource.Pixels);
        Release(WorkBuffer);
        if (job_.Succeeded) {
            SaveCurrentResult();
        } else if (job_.OutOfMemory && !cancelled_) {
            // This file's failure, not the run's: the next file may fit.
            Log(Text(TextId::BatchCantSave));
            ++tally_.SaveFailures;
            NoteOutOfMemory(files_[static_cast<size_t>(BatchIndex)]);
            job_.Succeeded = true;
        }
        Release(ResultRecord.Pixels);
        Release(ResultRecord.Palette);
    }
    if (StopPolled()) {
        job_.Succeeded = false;  // nothing more is loaded after a stop request
    }
    if (job_.Succeeded) {
        LoadNextAndStart();
        return;
    }
    if (!OneFile) {
        Log(Text(TextId::BatchAbort));
    }
    tally_.Aborted = true;
    EndPerFileRun();
}

void TBatchRun::SaveCurrentResult() {
    ResultRecord.TransIndex = job_.TransIndex;
    ResultRecord.TransCorner = job_.TransCorner;
    ResultRecord.AlphaTransparent = job_.AlphaTransparent;
    Log(Text(TextId::BatchSaving));
    if (WriteResult(ResultRecord, static_cast<size_t>(BatchIndex))) {
        Log(std::string(Text(TextId::BatchFinish)) + std::to_string(BatchIndex + 1) + "/" +
            std::to_string(files_.size()) + ") " + ResultRecord.FileName);
    }
}

// Loads files from the next index on until one loads (its reduction is then
// started) or the list ends (the run ends).
void TBatchRun::LoadNextAndStart() {
    for (;;) {
        ++BatchIndex;
        if (BatchIndex >= static_cast<int>(EndIndex)) {
            EndPerFileRun();
            return;
        }
        const std::string& path = files_[static_cast<size_t>(BatchIndex)];
        BatchSource.FileName = path;
        if (LoadEntry(BatchSource, ResultRecord) &&
            PrepareWorkBuffer(BatchSource.Pixels.size() / sizeof(ColorValue))) {
            DecideLoad(static_cast<size_t>(BatchIndex), true);
            ++tally_.Loaded;
            Log(Text(TextId::BatchLoad) + path);
            StartFile();
            return;
        }
        DecideLoad(static_cast<size_t>(BatchIndex), false);
        ++tally_.LoadFailures;
        Log(Text(TextId::BatchCantLoad) + path);
        if (!BatchSource.Pixels.empty()) {
            Release(BatchSource.Pixels);
            NoteOutOfMemory(path);  // it loaded: only the buffers were missing
        } else if (LastLoadFailure().Kind == TFailure::OutOfMemory) {
            ++tally_.OutOfMemory;
        }
    }
}

// Loads source and makes its result record; false when either fails, with
// source.Pixels still filled when only the result's memory was missing.
bool TBatchRun::LoadEntry(TPictureRecord& source, TPictureRecord& result) {
    Release(source.Pixels);
    SetLastLoadFailure({});
    if (hooks_.Load(source) != 0) {
        Release(source.Pixels);
        return false;
    }
    return PrepareResult(source, job_, result);
}

void TBatchRun::NoteOutOfMemory(const std::string& path) {
    ++tally_.OutOfMemory;
    SetLastLoadFailure({TFailure::OutOfMemory, 0});
    if (hooks_.OutOfMemory) hooks_.OutOfMemory(path);
}

void TBatchRun::StartFile() {
    Log(Text(TextId::BatchReducing));
    SetUpSingleJob(job_, BatchSource.Width, BatchSource.Height, BatchSource.ColorPixels(),
                   ResultRecord.Pixels.data(), PaletteView(ResultRecord), WorkBuffer.data(), false);
    job_.SourceAlpha = BatchSource.AlphaOrNull();
    StartWorker(&TBatchRun::BatchStep);
}

// The work buffer is made for each picture; a picture too large for the
// memory left counts as one that could not be loaded.
bool TBatchRun::PrepareWorkBuffer(size_t pixels) {
    try {
        Release(WorkBuffer);
        WorkBuffer.resize(pixels);
    } catch (const std::bad_alloc&) {
        Release(WorkBuffer);
        Release(ResultRecord.Pixels);
        Release(ResultRecord.Palette);
        return false;
    }
    return true;
}

void TBatchRun::EndPerFileRun() {
    BatchSource = TPictureRecord{};
    Release(WorkBuffer);
    if (!OneFile) {
        Log(Text(TextId::BatchComplete));
    }
    End();
}

// ---- Integrated run -----------------------------------------------------

void TBatchRun::StartIntegrated() {
    if (running_) {
        return;
    }
    running_ = true;
    cancelled_ = false;
    tally_ = TBatchTally{};
    loaded_.assign(files_.size(), false);
    plan_ = PlanBatchOutputs(files_, output_.Folder, output_.Format);
    job_.StopRequested.store(false);
    Drive(&TBatchRun::LoadAllAndStart);
}

// Loads every file into its entry and starts the one reduction of them all.
void TBatchRun::LoadAllAndStart() {
    BatchEntries.clear();
    size_t totalPixels = 0;
    for (size_t index = 0; index < files_.size() && !StopPolled(); ++index) {
        const std::string& path = files_[index];
        TEntry entry;
        entry.FileIndex = index;
        entry.Source.FileName = path;
        const bool loaded = LoadEntry(entry.Source, entry.Result);
        DecideLoad(index, loaded);
        if (!loaded) {
            ++tally_.LoadFailures;
            Log(Text(TextId::BatchCantLoad) + path);
            if (!entry.Source.Pixels.empty()) NoteOutOfMemory(path);
            continue;
        }
        ++tally_.Loaded;
        totalPixels += entry.Result.Pixels.size();
        Log(Text(TextId::BatchLoad) + path);
        BatchEntries.push_back(std::move(entry));
    }
    bool haveBuffer = false;
    if (!BatchEntries.empty() && !cancelled_) {
        try {
            WorkBuffer.assign(totalPixels, 0);
            haveBuffer = true;
        } catch (const std::bad_alloc&) {
        }
    }
    if (!haveBuffer) {
        BatchEntries.clear();
        Log(Text(TextId::BatchAbort));
        tally_.Aborted = true;
        End();
        return;
    }
    SetUpIntegratedJob();
    Log(Text(TextId::BatchReducing));
    StartWorker(&TBatchRun::FinishIntegratedBatch);
}

// Hands every entry's buffers to the batch job.
void TBatchRun::SetUpIntegratedJob() {
    std::vector<int32_t> widths, heights;
    std::vector<const ColorValue*> sources;
    std::vector<uint8_t*> indexes;
    std::vector<ColorValue*> palettes;
    for (TEntry& entry : BatchEntries) {
        widths.push_back(entry.Source.Width);
        heights.push_back(entry.Source.Height);
        sources.push_back(entry.Source.ColorPixels());
        indexes.push_back(entry.Result.Pixels.data());
        palettes.push_back(PaletteView(entry.Result));
    }
    SetUpBatchJob(job_, std::move(widths), std::move(heights), std::move(sources),
                  std::move(indexes), std::move(palettes), WorkBuffer.data());
    for (TEntry& entry : BatchEntries) job_.SourceAlphaOf.push_back(entry.Source.AlphaOrNull());
}

void TBatchRun::FinishIntegratedBatch() {
    bool stopped = false;
    if (job_.Succeeded) {
        // A result finished before a Cancel is still saved; only a stop the
        // hook asks for between two saves ends the saving.
        for (size_t i = 0; i < BatchEntries.size(); ++i) {
            if (hooks_.StopRequested && hooks_.StopRequested()) {
                stopped = true;
                break;
            }
            TPictureRecord& result = BatchEntries[i].Result;
            result.Colors = job_.PaletteCountOf[i];
            result.TransIndex = job_.TransIndex;
            result.TransCorner = job_.TransCorner;
            result.AlphaTransparent = job_.AlphaTransparent;
            if (WriteResult(result, BatchEntries[i].FileIndex)) {
                Log(Text(TextId::BatchSave) + result.FileName);
            }
        }
    }
    if (job_.Succeeded && !stopped) {
        Log(Text(TextId::BatchComplete));
    } else {
        Log(Text(TextId::BatchAbort));
        tally_.Aborted = true;
    }
    Release(WorkBuffer);
    BatchEntries.clear();
    End();
}
