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

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
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

// ---- Which outputs a run may write --------------------------------------
//
// A run never writes over a file of its own list, and never writes one
// output path twice; everything else at an output path is replaced. The rule,
// decided before anything is written:
//  - an output that is any source of the run (the same text, the same file
//    on disk by device and inode, through links, "..", hard links; or, where
//    the output folder's file system ignores letter case, a source in that
//    folder whose name differs only in ASCII letter case) is SourceOfRun;
//  - an output path belongs to the first file of the list that maps to it:
//    each later file with the same output (the same name, or one differing
//    only in case where the folder ignores case, or an existing file that is
//    already the output of an earlier file) is AlreadyClaimed; its Rivals
//    are the earlier files of that output. A file that fails to load gives
//    its output up: an AlreadyClaimed file is written after all when none of
//    its Rivals loaded.
// Files refused are logged "Skip : same filename" and count as not written.

enum class TOutputVerdict {
    Write,           // the output may be written
    SourceOfRun,     // it would overwrite a file of the run's list
    AlreadyClaimed,  // an earlier file of the list writes this path
};

struct TOutputPlan {
    TOutputPlan() = default;
    TOutputPlan(std::string path, TOutputVerdict verdict, std::vector<size_t> rivals = {})
        : Path(std::move(path)), Verdict(verdict), Rivals(std::move(rivals)) {}

    std::string Path;  // BatchOutputPath of the file
    TOutputVerdict Verdict = TOutputVerdict::Write;
    // AlreadyClaimed: the earlier files (list indexes, ascending) mapping to
    // the same output; the first of them made the claim.
    std::vector<size_t> Rivals;
};

// The verdict for every file of files (same order), for output folder
// (ending in "/") and format. It only looks at the file system (stat,
// statfs) and never changes anything, so a parallel runner can compute it
// once before its workers start and hand each worker its file's verdict;
// results are then the same as a serial run's.
std::vector<TOutputPlan> PlanBatchOutputs(const std::vector<std::string>& files,
                                          const std::string& folder, int format);

// The same rule one output at a time, for a runner that decides per file:
// construct it with the run's whole list, then call Claim for each file's
// output in list order. Not thread-safe: a parallel runner calls it under its
// own lock, in list order (or uses PlanBatchOutputs).
class TBatchOutputClaims {
  public:
    // foldCase: nullopt to tell by the output folder's file system type
    // (FolderFoldsCase), or a fixed answer.
    TBatchOutputClaims(const std::vector<std::string>& files, const std::string& folder,
                       std::optional<bool> foldCase = std::nullopt);
    // The verdict for outputPath, a path in the output folder; Write also
    // claims it for claimant (the caller's number for the file, e.g. its
    // list index). For AlreadyClaimed, *owner (when given) receives the
    // claimant that holds the output.
    TOutputVerdict Claim(const std::string& outputPath, size_t claimant = 0,
                         size_t* owner = nullptr);
    bool FoldsCase() const { return foldCase_; }

  private:
    struct TFileId {
        uint64_t Device;
        uint64_t Inode;
        auto operator<=>(const TFileId&) const = default;
    };
    std::string NameKey(const std::string& name) const;

    bool foldCase_ = false;
    std::set<std::string> sourceTexts_;
    std::set<TFileId> sourceIds_;
    std::set<std::string> sourceNamesInFolder_;  // name keys of sources inside the folder
    std::map<std::string, size_t> claimedNames_;  // name key -> claimant
    std::map<TFileId, size_t> claimedIds_;
};

// True when the file system holding folder ignores letter case in names:
// vfat, exfat, ntfs (also through FUSE: ntfs-3g, exfat-fuse, fuseblk), SMB,
// HFS, and ext4/f2fs folders with the casefold attribute.
bool FolderFoldsCase(const std::string& folder);

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
    // Called for each file whose output the plan refuses (after its "Skip :
    // same filename" line), for a caller that says which file and why.
    std::function<void(const std::string& sourcePath, const TOutputPlan& output)> Skipped;
    // StartPerFileAt: whether the earlier file files[index] of the list
    // loaded, asked for each of a file's Rivals before its save; it may wait
    // until that is known. Empty: taken as loaded (the output stays refused).
    std::function<bool(size_t index)> EarlierLoaded;
    // Called as soon as it is known whether files[index] loaded (for a
    // caller that answers EarlierLoaded for other runs of the same list).
    std::function<void(size_t index, bool loaded)> LoadDecided;
    // Polled between files (loads and saves) on the driving thread: true
    // stops the run as Cancel does. An integrated run loads and saves all
    // its files in one step, so a caller that can only poll between steps
    // (a signal) is heard here.
    std::function<bool()> StopRequested;
    // Called once when the run has ended, after its last log line
    // ("Complete." or "Abort."): sound, ReduceRunning off, UpdateCommands.
    std::function<void()> Finished;
    // Called for each file that loaded but whose result buffers or reduction
    // ran out of memory (after its "Can't load : " or "Can't save" line);
    // LastLoadFailure() then says OutOfMemory.
    std::function<void(const std::string& sourcePath)> OutOfMemory;
};

// What a run did, for a caller that reports a summary (zinop-cli's exit status).
struct TBatchTally {
    int Loaded = 0;
    int LoadFailures = 0;
    int Written = 0;
    int SaveFailures = 0;
    int Skipped = 0;  // output would overwrite a source or an earlier result: not written
    bool Aborted = false;
    int OutOfMemory = 0;  // files that failed because memory ran out (load, reduce or save)
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
    // the caller writes once. output is the file's entry of the whole
    // list's PlanBatchOutputs, which the caller makes once before any file
    // of the list starts. A stop request during the reduction skips the save
    // and sets the tally's Aborted.
    void StartPerFileAt(size_t index, TOutputPlan output);
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
        size_t FileIndex = 0;  // into files_
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
    bool WriteResult(TPictureRecord& result, size_t fileIndex);
    bool OutputRefused(const TOutputPlan& plan) const;
    void DecideLoad(size_t fileIndex, bool loaded);
    bool LoadEntry(TPictureRecord& source, TPictureRecord& result);
    void NoteOutOfMemory(const std::string& path);
    void Log(const std::string& line);
    bool StopPolled();
    void End();

    ReduceJob& job_;
    TBatchOutput output_;
    std::vector<std::string> files_;
    TBatchHooks hooks_;
    TBatchTally tally_;
    std::vector<TOutputPlan> plan_;  // made when the run starts
    std::vector<bool> loaded_;       // per file of the list: it loaded in this run
    bool running_ = false;
    bool cancelled_ = false;
    bool starting_ = false;                    // inside hooks_.StartWorker
    void (TBatchRun::*deferred_)() = nullptr;  // completion that arrived while starting
    // Per-file run state.
    int BatchIndex = -1;
    size_t EndIndex = 0;    // the run ends when BatchIndex reaches it
    bool OneFile = false;   // StartPerFileAt: no opening and closing lines
    TOutputPlan OneOutput;  // StartPerFileAt: the file's output and verdict
    TPictureRecord BatchSource;
    TPictureRecord ResultRecord;
    std::vector<int32_t> WorkBuffer;
    // Integrated run state, one entry per file that loaded.
    std::vector<TEntry> BatchEntries;
};
