#pragma once
// zinop-cli reduce -j N: the files of a per-file run on N workers at once.
// Each worker runs the core's per-file steps (TBatchRun::StartPerFileAt) for
// one file at a time with its own job, palette and buffers, so at most N
// pictures are in memory. The log reads as the sequential run's: each
// file's lines (stdout, and its stderr reasons) are printed as one block, in
// list order, as soon as that file and every file before it have ended.
// Which outputs may be written is planned once for the whole list before
// any worker starts (PlanBatchOutputs), so the files written are the
// sequential run's whichever worker is faster.

#include "cli/cli_options.h"
#include "config/settings_record.h"
#include "engine/batch.h"

// The batch writer with the command line's PNG settings; BMP, GIF and the
// PNG interlace flag as the core writes them.
TBatchSaver CliBatchSaver(const TPngWriteOptions& png);

// Runs options.Files on jobs workers (2..64) with settings (FillReduceJob
// already applied) into output; prints the log (unless quiet) and, on a
// terminal, a bar of files done of files in all. Returns the exit status as
// the sequential run would.
int RunParallelReduce(const TCliOptions& options, const TSettingsRecord& settings,
                      const TBatchOutput& output, int jobs);
