#include "cli/parallel_reduce.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/failure_report.h"
#include "cli/interrupt.h"
#include "cli/progress_bar.h"
#include "config/failure_reason.h"
#include "config/safe_file.h"
#include "config/texts.h"
#include "engine/reduce_job.h"
#include "formats/bmp.h"
#include "formats/png_writer.h"

namespace {

constexpr std::chrono::milliseconds kTick{100};
constexpr int kLoadUnknown = 0;
constexpr int kLoaded = 1;
constexpr int kNotLoaded = 2;

// What one file of the list left behind, handed from its worker to the
// main thread once Ended is set: its lines in the order they were made,
// each for stdout (the log) or stderr (a reason).
struct TFileBlock {
    std::vector<std::pair<bool, std::string>> Lines;  // (to stderr, text)
    TBatchTally Tally;
    bool Ended = false;
};

class TParallelRun {
  public:
    TParallelRun(const TCliOptions& options, const TSettingsRecord& settings,
                 const TBatchOutput& output, int jobs)
        : options_(options),
          output_(output),
          plan_(PlanBatchOutputs(options.Files, output.Folder, output.Format)),
          blocks_(options.Files.size()),
          loadStates_(options.Files.size(), kLoadUnknown),
          running_(jobs) {
        for (int i = 0; i < jobs; ++i) {
            TSettingsRecord copy = settings;
            jobs_.push_back(std::make_unique<ReduceJob>());
            FillReduceJob(copy, *jobs_.back());
        }
    }

    // Runs every file; returns the exit status.
    int Run() {
        TProgressBar bar(isatty(STDERR_FILENO) != 0);
        TInterruptGuard interrupt;
        Print(bar, false, "");
        std::vector<std::thread> workers;
        try {
            for (size_t w = 0; w < jobs_.size(); ++w) {
                workers.emplace_back([this, w] { Work(*jobs_[w]); });
            }
        } catch (const std::system_error&) {
            // Fewer threads than asked for: the run goes on with those it has.
            std::lock_guard<std::mutex> lock(mutex_);
            running_ = static_cast<int>(workers.size());
        }
        if (workers.empty()) {
            running_ = 1;
            Work(*jobs_[0]);  // not even one thread: this one does the work
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
        RetryAlone();
        FlushEnded(bar);
        // After a stop, a worker may have taken a file without starting it
        // while later files ran: their blocks still belong in the log.
        for (size_t i = printed_; i < blocks_.size(); ++i) {
            for (const auto& [toStderr, line] : blocks_[i].Lines) Print(bar, toStderr, line);
        }
        return Finish(bar);
    }

  private:
    // A worker: one job and one TBatchRun for all its files (the run copies
    // the list once), taking the next file of the list until none is left
    // or the run is stopped.
    void Work(ReduceJob& job) {
        size_t current = 0;  // the file being run
        TBatchRun run(job, output_, options_.Files, Hooks(current));
        for (;;) {
            current = next_.fetch_add(1);
            if (current >= blocks_.size() || stopped_.load()) break;
            run.StartPerFileAt(current, plan_[current]);  // returns when the file has ended
            std::lock_guard<std::mutex> lock(mutex_);
            if (run.Tally().OutOfMemory > 0 && jobs_.size() > 1) {
                // Other files held memory meanwhile: it is run again alone
                // once they are done, and only that run's lines count.
                blocks_[current].Lines.clear();
                retry_.push_back(current);
            } else {
                blocks_[current].Tally = run.Tally();
                blocks_[current].Ended = true;
            }
            ++done_;
            ended_.notify_all();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
        ended_.notify_all();
    }

    // The files that ran out of memory beside others, in list order, each
    // alone on this thread after every worker has ended.
    void RetryAlone() {
        std::sort(retry_.begin(), retry_.end());
        size_t current = 0;
        TBatchRun run(*jobs_[0], output_, options_.Files, Hooks(current));
        for (const size_t index : retry_) {
            if (stopped_.load() || TInterruptGuard::Interrupted()) return;
            current = index;
            run.StartPerFileAt(index, plan_[index]);
            blocks_[index].Tally = run.Tally();
            blocks_[index].Ended = true;
        }
    }

    // The hooks of one worker's run; current is the index of the file it runs.
    TBatchHooks Hooks(size_t& current) {
        auto add = [this, &current](bool toStderr, std::string line) {
            blocks_[current].Lines.emplace_back(toStderr, std::move(line));
        };
        TBatchHooks hooks;
        hooks.Log = [add](const std::string& line) { add(false, line); };
        hooks.Load = [add](TPictureRecord& record) {
            const int status = LoadPicture(record);
            if (status != 0) add(true, ReadFailureLine(record.FileName));
            if (status == 0 && record.Profile == TPictureRecord::psRejected)
                add(true, ProfileWarningLine(record));
            return status;
        };
        hooks.Save = [add, save = WithPaletteFiles(CliBatchSaver(options_.Png), options_)](const TPictureRecord& record,
                                                               const TBatchOutput& to) {
            ClearSaveFailure();
            const bool written = save(record, to);
            if (!written) add(true, WriteFailureLine(record.FileName));
            return written;
        };
        hooks.Skipped = [add](const std::string& source, const TOutputPlan& plan) {
            add(true, SkipLine(source, plan));
        };
        hooks.LoadDecided = [this](size_t index, bool loaded) { DecideLoad(index, loaded); };
        hooks.EarlierLoaded = [this](size_t index) { return EarlierLoaded(index); };
        hooks.OutOfMemory = [add](const std::string& source) { add(true, ReduceFailureLine(source)); };
        hooks.StopRequested = [this] { return stopped_.load() || TInterruptGuard::Interrupted(); };
        // The reduction runs right here, on this worker's thread.
        hooks.StartWorker = [this](ReduceJob& j, std::function<void()> done) {
            if (stopped_.load()) j.StopRequested.store(true);
            RunJob(j);
            done();
        };
        return hooks;
    }

    void DecideLoad(size_t index, bool loaded) {
        std::lock_guard<std::mutex> lock(mutex_);
        loadStates_[index] = loaded ? kLoaded : kNotLoaded;
        decided_.notify_all();
    }

    // Whether an earlier file loaded, as the sequential run knows it before
    // a later file of the same output saves. That file was taken before the
    // asking one and decides without waiting, so this wait ends; after a
    // stop a file never started counts as loaded (its output stays refused).
    bool EarlierLoaded(size_t index) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (loadStates_[index] == kLoadUnknown && !stopped_.load()) {
            decided_.wait_for(lock, kTick);
        }
        return loadStates_[index] != kNotLoaded;
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
            for (const auto& [toStderr, line] : blocks_[printed_].Lines) {
                Print(bar, toStderr, line);
            }
            ++printed_;
        }
    }

    // As the sequential run prints: reasons always, the log unless quiet;
    // a closed pipe (SIGPIPE is ignored) ends the log, not the run.
    void Print(TProgressBar& bar, bool toStderr, const std::string& line) {
        FILE* stream = toStderr ? stderr : stdout;
        if ((!toStderr && options_.Quiet) || std::ferror(stream)) return;
        bar.Clear();
        std::fputs(line.c_str(), stream);
        std::fputc('\n', stream);
        std::fflush(stream);
    }

    // The closing lines and the exit status, as the sequential run ends.
    int Finish(TProgressBar& bar) {
        TBatchTally total;
        bool aborted = false;
        for (const TFileBlock& block : blocks_) {
            aborted = aborted || !block.Ended;  // never started after a stop
            total.LoadFailures += block.Tally.LoadFailures;
            total.SaveFailures += block.Tally.SaveFailures;
            total.Skipped += block.Tally.Skipped;
            aborted = aborted || block.Tally.Aborted;
        }
        bar.Clear();
        if (aborted) Print(bar, false, Text(TextId::BatchAbort));
        Print(bar, false, Text(TextId::BatchComplete));
        if (TInterruptGuard::Interrupted()) return TInterruptGuard::ExitStatus();
        const bool allWritten =
            total.LoadFailures == 0 && total.SaveFailures == 0 && total.Skipped == 0 && !aborted;
        return allWritten ? kExitOk : kExitFailed;
    }

    const TCliOptions& options_;
    const TBatchOutput output_;
    const std::vector<TOutputPlan> plan_;           // made before any file starts
    std::vector<std::unique_ptr<ReduceJob>> jobs_;  // one per worker
    std::vector<TFileBlock> blocks_;                // one per file of the list
    std::vector<int> loadStates_;                   // per file, under mutex_
    std::vector<size_t> retry_;                     // files to run again alone (under mutex_)
    std::atomic<size_t> next_{0};                   // the next file to take
    std::atomic<bool> stopped_{false};
    std::atomic<int> done_{0};
    size_t printed_ = 0;  // main thread only
    std::mutex mutex_;
    std::condition_variable ended_;
    std::condition_variable decided_;  // a file's load state became known
    int running_;  // workers not yet ended
};

}  // namespace

TBatchSaver CliBatchSaver(const TPngWriteOptions& png) {
    return [png](const TPictureRecord& record, const TBatchOutput& output) {
        return output.Format == 1 ? SavePng(record, output.PngInterlace, png)
                                  : SaveBatchResult(record, output);
    };
}

int RunParallelReduce(const TCliOptions& options, const TSettingsRecord& settings,
                      const TBatchOutput& output, int jobs) {
    // Under an address-space limit (ulimit -v) every worker's own malloc
    // arena would reserve 64 MB of it for the whole run, and a file retried
    // alone could then not have what -j 1 has. Picture buffers are mapped
    // on their own either way, so one shared arena costs the workers little.
    rlimit space{};
    if (::getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY)
        ::mallopt(M_ARENA_MAX, 1);
    TParallelRun run(options, settings, output, jobs);
    return run.Run();
}
