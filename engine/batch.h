#pragma once
// Batch runs: a list of picture files reduced with the current settings and
// written straight into the batch output folder, with a log of what happened.
//
// Two ways to run a batch:
//  - per file: each file is loaded, reduced with its own palette and saved
//    before the next one is loaded (BatchStep, driven by the end of each
//    reduction);
//  - integrated: every file is loaded first, one reduction builds one shared
//    palette for all of them, then each result is saved
//    (FinishIntegratedBatch, driven by the end of that reduction).
//
// The run is a state machine on one "driving" thread (the desktop program's
// main thread, zinop-cli's main loop). It never blocks: it starts the engine
// through TBatchHooks::StartWorker and continues when that worker's completion
// arrives on the driving thread. Loading, saving and logging happen on the
// driving thread; between starting a worker and its completion the job's
// buffers belong to the worker.
//
// Nothing here shows a message: the log lines go to TBatchHooks::Log, one
// call per line, in the language of UseEnglish() (config/texts.h) at the
// moment each line is written.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/settings_record.h"
#include "engine/reduce_job.h"
#include "formats/picture.h"

// Where and how results are written; taken from the settings record after
// FillReduceJob has stored the batch format, the GIF and PNG options and the
// output folder with its trailing separator.
struct TBatchOutput {
    int Format = 0;      // BatchFormat: 0 BMP, 1 PNG, any other value GIF
    std::string Folder;  // output folder, ending in "/"
    TGifOptions GifOptions;
    bool PngInterlace = false;
};
TBatchOutput BatchOutputFromSettings(const TSettingsRecord& settings);

// Output path of a source file: folder, then the file name part of
// sourcePath (after the last "/") without its extension (from the last "."
// of that name; none if it has no "."), then ".bmp" (format 0), ".png"
// (format 1) or ".gif" (any other). folder is used as given.
std::string BatchOutputPath(const std::string& folder, const std::string& sourcePath, int format);

// True when writing outputPath would overwrite sourcePath: the two texts are
// equal, or both name one existing file on disk (another spelling through
// "..", ".", a symbolic link, a hard link, or letter case on a
// case-insensitive volume).
bool IsSameFile(const std::string& sourcePath, const std::string& outputPath);

// The default writer: SaveBmp, SavePng (with PngInterlace) or SaveGif (with
// GifOptions) by output.Format, to record.FileName. True when written.
bool SaveBatchResult(const TPictureRecord& record, const TBatchOutput& output);

// The numbered list a batch window shows before a run's log: "#1 path", ...
std::vector<std::string> BatchListLines(const std::vector<std::string>& files);

using TBatchLogSink = std::function<void(const std::string& line)>;
// Fills record (whose FileName is set) as a full-colour picture; 0 loaded, 1 not.
using TBatchLoader = std::function<int(TPictureRecord& record)>;
using TBatchSaver = std::function<bool(const TPictureRecord& record, const TBatchOutput& output)>;
// Starts RunJob(job) on a worker (a TConvert) and arranges for done() to be
// called on the driving thread after the worker's body has returned. Calling
// done() before StartWorker returns (a synchronous stand-in in tests) is
// allowed; the run then goes on once the starter has returned, without
// growing the stack from file to file.
using TBatchWorkerStarter = std::function<void(ReduceJob& job, std::function<void()> done)>;

struct TBatchHooks {
    TBatchLogSink Log;                // required
    TBatchWorkerStarter StartWorker;  // required
    TBatchLoader Load;                // empty: LoadPicture
    TBatchSaver Save;                 // empty: SaveBatchResult
    // Called before each file is written (the program repaints its window).
    std::function<void()> BeforeSave;
    // Whether the result of sourcePath may be written to outputPath; false
    // logs "Skip : same filename". Empty: the run decides itself. A caller
    // that runs the files of one list on several TBatchRun objects at once
    // (StartPerFileAt) decides here for all of them, so that the rule holds
    // across the whole list.
    std::function<bool(const std::string& sourcePath, const std::string& outputPath)> MayWrite;
    // Called once when the run has ended, after its last log line
    // ("Complete." or "Abort."): sound, ReduceRunning off, UpdateCommands.
    std::function<void()> Finished;
};

// What a run did, for a caller that reports a summary (zinop-cli's exit status).
struct TBatchTally {
    int Loaded = 0;
    int LoadFailures = 0;
    int Written = 0;
    int SaveFailures = 0;
    int Skipped = 0;  // output path would overwrite the source: not written
    bool Aborted = false;
};

// One batch run over files. job must already hold the settings
// (FillReduceJob); the run sets up its picture part. job, the hooks' targets
// and this object must outlive the run (until Finished() is called / Running()
// is false). Not copyable: worker completions refer to it.
class TBatchRun {
public:
    TBatchRun(ReduceJob& job, TBatchOutput output, std::vector<std::string> files,
              TBatchHooks hooks);
    TBatchRun(const TBatchRun&) = delete;
    TBatchRun& operator=(const TBatchRun&) = delete;

    // Per-file run: writes an empty line, then loads, reduces and saves each
    // file in turn. A cancel during a reduction skips that file's save and
    // ends the run with "Abort." then "Complete.".
    void StartPerFile();
    // One file of a per-file run, for a caller that runs the files of one
    // list at once, each on its own TBatchRun and job: the lines of
    // files[index] exactly as the per-file run writes them ("Load : " ...
    // "Finish (index + 1/number of files) ", or "Can't load : "), without the
    // run's opening empty line and closing "Abort." and "Complete.", which
    // the caller writes once. A stop request during the reduction skips the
    // save and sets the tally's Aborted.
    void StartPerFileAt(size_t index);
    // Integrated run: loads every file ("Load : " / "Can't load : "), ends
    // with "Abort." when none loaded, else reduces all with one palette and
    // saves each ("Save : " / "Can't save" / "Skip : same filename"), then
    // "Complete.". A cancel skips all saving: the log ends with "Abort.".
    void StartIntegrated();

    // The stop request: sets the running worker's stop flag, and no file is
    // loaded or reduced after the current one. A result whose reduction had
    // already finished is still saved. Safe to call on the driving thread at
    // any time, also when nothing runs.
    void Cancel();

    bool Running() const { return running_; }
    const TBatchTally& Tally() const { return tally_; }

private:
    struct TEntry {
        TPictureRecord Source;
        TPictureRecord Result;
    };

    void BatchStep();
    void SaveCurrentResult();
    void LoadNextAndStart();
    void StartFile();
    bool PrepareWorkBuffer(size_t pixels);
    void EndPerFileRun();
    void LoadAllAndStart();
    void SetUpIntegratedJob();
    void FinishIntegratedBatch();
    void StartWorker(void (TBatchRun::*handler)());
    void Drive(void (TBatchRun::*handler)());
    bool WriteResult(TPictureRecord& result, const std::string& sourcePath);
    void Log(const std::string& line);
    void End();

    ReduceJob& job_;
    TBatchOutput output_;
    std::vector<std::string> files_;
    TBatchHooks hooks_;
    TBatchTally tally_;
    bool running_ = false;
    bool cancelled_ = false;
    bool starting_ = false;                  // inside hooks_.StartWorker
    void (TBatchRun::*deferred_)() = nullptr;  // completion that arrived while starting
    // Per-file run state.
    int BatchIndex = -1;
    size_t EndIndex = 0;   // the run ends when BatchIndex reaches it
    bool OneFile = false;  // StartPerFileAt: no opening and closing lines
    TPictureRecord BatchSource;
    TPictureRecord ResultRecord;
    std::vector<int32_t> WorkBuffer;
    // Integrated run state, one entry per file that loaded.
    std::vector<TEntry> BatchEntries;
};
