#include "cli/parallel_reduce.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "cli/cli_commands.h"
#include "cli/interrupt.h"
#include "cli/progress_bar.h"
#include "config/texts.h"
#include "engine/reduce_job.h"
#include "formats/png_writer.h"

namespace {

constexpr std::chrono::milliseconds kTick{100};

std::string OutputKey(const std::string& outputPath) {
    std::string key = outputPath.substr(outputPath.find_last_of('/') + 1);
    // Lower case: on a volume that ignores case, A.bmp and a.bmp are one file.
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

// What one file of the list left behind, handed from its worker to the
// main thread once Ended is set.
struct TFileBlock {
    std::vector<std::string> Lines;
    TBatchTally Tally;
    bool Ended = false;
};

class TParallelRun {
  public:
    TParallelRun(const TCliOptions& options, const TSettingsRecord& settings, int jobs)
        : options_(options), blocks_(options.Files.size()), running_(jobs) {
        TSettingsRecord filled = settings;
        ReduceJob job;
        FillReduceJob(filled, job);  // adds the output folder's trailing separator
        output_ = BatchOutputFromSettings(filled);
        claims_ = std::make_unique<TOutputClaims>(options.Files, output_);
        for (int i = 0; i < jobs; ++i) {
            jobs_.push_back(std::make_unique<ReduceJob>());
            FillReduceJob(filled, *jobs_.back());
        }
    }

    // Runs every file; returns the exit status.
    int Run() {
        TProgressBar bar(isatty(STDERR_FILENO) != 0);
        TInterruptGuard interrupt;
        Print(bar, "");
        std::vector<std::thread> workers;
        for (size_t w = 0; w < jobs_.size(); ++w) {
            workers.emplace_back([this, w] { Work(*jobs_[w]); });
        }
        std::unique_lock<std::mutex> lock(mutex_);
        while (running_ > 0) {
            ended_.wait_for(lock, kTick);
            if (TInterruptGuard::Interrupted()) {
                StopAll();
            }
            lock.unlock();
            FlushEnded(bar);
            bar.ShowCount("Files ", done_.load(), static_cast<int>(blocks_.size()));
            lock.lock();
        }
        lock.unlock();
        for (std::thread& worker : workers) worker.join();
        FlushEnded(bar);
        return Finish(bar);
    }

  private:
    // A worker: one job and one TBatchRun for all its files (the run copies
    // the list once), taking the next file of the list until none is left
    // or the run is stopped.
    void Work(ReduceJob& job) {
        size_t current = 0;  // the file whose lines are being logged
        TBatchHooks hooks;
        hooks.Log = [this, &current](const std::string& line) {
            blocks_[current].Lines.push_back(line);
        };
        // The reduction runs right here, on this worker's thread.
        hooks.StartWorker = [this](ReduceJob& j, std::function<void()> done) {
            if (stopped_.load()) j.StopRequested.store(true);
            RunJob(j);
            done();
        };
        hooks.Save = CliBatchSaver(options_.Png);
        hooks.MayWrite = [this, &current](const std::string& source, const std::string& output) {
            return claims_->MayWrite(current, source, output);
        };
        TBatchRun run(job, output_, options_.Files, hooks);
        for (;;) {
            current = next_.fetch_add(1);
            if (current >= blocks_.size() || stopped_.load()) break;
            run.StartPerFileAt(current);  // returns when the file has ended
            claims_->Ended(current);
            std::lock_guard<std::mutex> lock(mutex_);
            blocks_[current].Tally = run.Tally();
            blocks_[current].Ended = true;
            ++done_;
            ended_.notify_all();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
        ended_.notify_all();
    }

    // Called with mutex_ held. A job that has not reached its reduction yet
    // clears its stop request when it starts, so the main loop sends it again
    // every tick until the run ends.
    void StopAll() {
        stopped_.store(true);
        for (const auto& job : jobs_) job->StopRequested.store(true);
    }

    // Prints the blocks of every file that has ended, up to the first that
    // has not.
    void FlushEnded(TProgressBar& bar) {
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (printed_ >= blocks_.size() || !blocks_[printed_].Ended) return;
            }
            for (const std::string& line : blocks_[printed_].Lines) Print(bar, line);
            ++printed_;
        }
    }

    void Print(TProgressBar& bar, const std::string& line) {
        if (options_.Quiet) return;
        bar.Clear();
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }

    // The closing lines and the exit status, as the sequential run ends.
    int Finish(TProgressBar& bar) {
        TBatchTally total;
        bool aborted = printed_ < blocks_.size();  // files never started after a stop
        for (const TFileBlock& block : blocks_) {
            total.LoadFailures += block.Tally.LoadFailures;
            total.SaveFailures += block.Tally.SaveFailures;
            total.Skipped += block.Tally.Skipped;
            aborted = aborted || block.Tally.Aborted;
        }
        bar.Clear();
        if (aborted) Print(bar, Text(TextId::BatchAbort));
        Print(bar, Text(TextId::BatchComplete));
        if (TInterruptGuard::Interrupted()) return kExitInterrupted;
        const bool allWritten =
            total.LoadFailures == 0 && total.SaveFailures == 0 && total.Skipped == 0 && !aborted;
        return allWritten ? kExitOk : kExitFailed;
    }

    const TCliOptions& options_;
    TBatchOutput output_;
    std::unique_ptr<TOutputClaims> claims_;
    std::vector<std::unique_ptr<ReduceJob>> jobs_;  // one per worker
    std::vector<TFileBlock> blocks_;                // one per file of the list
    std::atomic<size_t> next_{0};                   // the next file to take
    std::atomic<bool> stopped_{false};
    std::atomic<int> done_{0};
    size_t printed_ = 0;  // main thread only
    std::mutex mutex_;
    std::condition_variable ended_;
    int running_;  // workers not yet ended
};

}  // namespace

TOutputClaims::TOutputClaims(std::vector<std::string> files, const TBatchOutput& output)
    : files_(std::move(files)), ended_(files_.size(), false) {
    for (const std::string& file : files_) {
        keys_.push_back(OutputKey(BatchOutputPath(output.Folder, file, output.Format)));
    }
}

bool TOutputClaims::MayWrite(size_t index, const std::string& sourcePath,
                             const std::string& outputPath) {
    std::unique_lock<std::mutex> lock(mutex_);
    // Every earlier file has been taken by a worker and waits only for files
    // before it, so this wait always ends.
    changed_.wait(lock, [&] {
        for (size_t i = 0; i < index; ++i) {
            if (!ended_[i] && keys_[i] == keys_[index]) return false;
        }
        return true;
    });
    return !IsSameFile(sourcePath, outputPath);
}

void TOutputClaims::Ended(size_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_[index] = true;
    changed_.notify_all();
}

TBatchSaver CliBatchSaver(const TPngWriteOptions& png) {
    return [png](const TPictureRecord& record, const TBatchOutput& output) {
        return output.Format == 1 ? SavePng(record, output.PngInterlace, png)
                                  : SaveBatchResult(record, output);
    };
}

int RunParallelReduce(const TCliOptions& options, const TSettingsRecord& settings, int jobs) {
    TParallelRun run(options, settings, jobs);
    return run.Run();
}
