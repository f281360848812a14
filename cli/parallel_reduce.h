#pragma once
// zinop-cli reduce -j N: the files of a per-file run on N workers at once.
// Each worker runs the core's per-file steps (TBatchRun::StartPerFileAt) for
// one file at a time with its own job, palette and buffers, so at most N
// pictures are in memory. The log reads as the sequential run's: each
// file's lines are printed as one block, in list order, as soon as that file
// and every file before it have ended. Outputs are the sequential run's too:
// whether a result may be written is decided by TOutputClaims in list order.

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "config/settings_record.h"
#include "engine/batch.h"

// The write decision of a run whose files end in any order. A file's
// decision waits until every earlier file of the list that could write the
// same output path has ended, then is taken as the sequential run takes it,
// so the outcome does not depend on which worker is faster. Safe from any
// thread.
class TOutputClaims {
  public:
    TOutputClaims(std::vector<std::string> files, const TBatchOutput& output);

    // Whether files[index] (sourcePath) may be written to outputPath.
    bool MayWrite(size_t index, const std::string& sourcePath, const std::string& outputPath);
    // files[index] has ended (written, skipped, failed or stopped).
    void Ended(size_t index);

  private:
    std::vector<std::string> files_;
    std::vector<std::string> keys_;  // output file name in lower case, per file
    std::vector<bool> ended_;
    std::mutex mutex_;
    std::condition_variable changed_;
};

// The batch writer with the command line's PNG settings; BMP, GIF and the
// PNG interlace flag as the core writes them.
TBatchSaver CliBatchSaver(const TPngWriteOptions& png);

// Runs options.Files on jobs workers (2..64) with the settings; prints the
// log (unless quiet) and, on a terminal, a bar of files done. Returns the
// exit status as the sequential run would.
int RunParallelReduce(const TCliOptions& options, const TSettingsRecord& settings, int jobs);
