// zinop-cli reduce: the core batch run, driven by a small main loop.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "cli/cli_commands.h"
#include "cli/failure_report.h"
#include "cli/interrupt.h"
#include "cli/main_queue.h"
#include "cli/parallel_reduce.h"
#include "cli/progress_bar.h"
#include "config/failure_reason.h"
#include "config/safe_file.h"
#include "engine/batch.h"
#include "engine/convert.h"
#include "engine/reduce_job.h"
#include "formats/bmp.h"
#include "formats/png_writer.h"

namespace {

constexpr std::chrono::milliseconds kTick{100};

std::string CurrentFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string(".") : folder.string();
}

// Runs each reduction on a TConvert and hands its completion to the main
// loop, as the desktop program's queued call would.
class TWorkerHost {
  public:
    explicit TWorkerHost(TMainQueue& queue) : queue_(queue) {}

    void Start(ReduceJob& job, std::function<void()> done) {
        worker_.reset();  // the previous worker has ended; wait for its thread
        TMainQueue* queue = &queue_;
        worker_ = std::make_unique<TConvert>(job, [queue, done](ReduceJob&) { queue->Post(done); });
        if (!worker_->Start()) {
            // No thread could be had (its stack is memory too): that file's
            // failure for memory, not the end of the run.
            job.Succeeded = false;
            job.OutOfMemory = true;
            queue_.Post(done);
        }
    }

  private:
    TMainQueue& queue_;
    std::unique_ptr<TConvert> worker_;
};

// -j: 0 is one per core; never more workers than files.
int WorkerCount(const TCliOptions& options) {
    int jobs = options.Jobs;
    if (jobs == 0) {
        jobs = std::min(64, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    }
    return std::clamp(jobs, 1, std::max(1, static_cast<int>(options.Files.size())));
}

int ExitStatus(const TBatchTally& tally) {
    if (TInterruptGuard::Interrupted()) {
        return TInterruptGuard::ExitStatus();
    }
    const bool allWritten =
        tally.LoadFailures == 0 && tally.SaveFailures == 0 && tally.Skipped == 0 && !tally.Aborted;
    return allWritten ? kExitOk : kExitFailed;
}

}  // namespace

int RunReduce(const TCliOptions& options, TSettingsRecord settings) {
    settings.BatchSaveDirectory = options.OutputDir.empty() ? CurrentFolder() : options.OutputDir;
    const std::string folder = settings.BatchSaveDirectory;
    ReduceJob job;
    FillReduceJob(settings, job);  // also adds the output folder's trailing separator
    const TBatchOutput output = BatchOutputFromSettings(settings);
    // Before the first file is loaded and reduced, not after each one.
    const std::string problem = OutputFolderProblem(output.Folder);
    if (!problem.empty()) {
        std::fprintf(stderr, "zinop-cli: cannot write into %s: %s\n", folder.c_str(),
                     problem.c_str());
        return kExitFailed;
    }
    const int jobs = WorkerCount(options);
    if (jobs > 1) {
        return RunParallelReduce(options, settings, output, jobs);
    }

    TMainQueue queue;
    TProgressBar bar(isatty(STDERR_FILENO) != 0);
    TWorkerHost host(queue);
    TBatchHooks hooks;
    hooks.Log = [&bar, quiet = options.Quiet](const std::string& line) {
        // A closed pipe (SIGPIPE is ignored) ends the log, not the run.
        if (!quiet && !std::ferror(stdout)) {
            bar.Clear();
            std::fputs(line.c_str(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        }
    };
    hooks.Load = [&bar](TPictureRecord& record) {
        const int status = LoadPicture(record);
        if (status != 0) {
            bar.Clear();
            ReportReadFailure(record.FileName);
        } else if (record.Profile == TPictureRecord::psRejected) {
            bar.Clear();
            std::fprintf(stderr, "%s\n", ProfileWarningLine(record).c_str());
        }
        return status;
    };
    hooks.Save = [&bar, save = WithPaletteFiles(CliBatchSaver(options.Png), options)](const TPictureRecord& record,
                                                           const TBatchOutput& to) {
        ClearSaveFailure();
        const bool written = save(record, to);
        if (!written) {
            bar.Clear();
            ReportWriteFailure(record.FileName);
        }
        return written;
    };
    hooks.Skipped = [&bar](const std::string& source, const TOutputPlan& plan) {
        bar.Clear();
        ReportSkip(source, plan);
    };
    hooks.OutOfMemory = [&bar](const std::string& source) {
        bar.Clear();
        ReportReduceFailure(source);
    };
    hooks.StopRequested = [] { return TInterruptGuard::Interrupted(); };
    hooks.StartWorker = [&host](ReduceJob& j, std::function<void()> done) {
        host.Start(j, std::move(done));
    };
    SetPngProgressHook([&bar](int perMille) { bar.Show("Save  ", perMille); });

    TBatchRun run(job, output, options.Files, hooks);
    TInterruptGuard interrupt;
    if (options.Integrated) {
        run.StartIntegrated();
    } else {
        run.StartPerFile();
    }
    bool cancelSent = false;
    while (run.Running()) {
        queue.RunFor(kTick);
        if (TInterruptGuard::Interrupted() && !cancelSent) {
            run.Cancel();
            cancelSent = true;
        }
        if (run.Running()) {
            bar.Show("Reduce", job.Progress.load(std::memory_order_relaxed));
        }
    }
    bar.Clear();
    SetPngProgressHook(nullptr);
    return ExitStatus(run.Tally());
}
