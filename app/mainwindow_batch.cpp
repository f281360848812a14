// Batch windows: batch runs and Gather, Merge and Separate.
//
// A run is the core's TBatchRun (engine/batch.h), driven from the main
// thread: its workers are this window's TConvert workers, whose completions
// come back through queued calls; its loads and saves run off the main
// thread (app/io_worker.h); its log goes into the batch window's MemoBatch,
// one line per call.

#include <QApplication>
#include <QCheckBox>
#include <QMdiSubWindow>
#include <QPlainTextEdit>

#include "app/command_states.h"
#include "app/form_child.h"
#include "app/io_worker.h"
#include "app/mainwindow.h"
#include "config/texts.h"
#include "engine/batch.h"
#include "engine/convert.h"

namespace {

// The documents that a visit from the highest index down to 0 finds
// eligible, in that order (least recently activated first).
template <typename Eligible>
QList<QMdiSubWindow*> EligibleWindows(const TFormMain& main, Eligible eligible) {
    QList<QMdiSubWindow*> found;
    const QList<QMdiSubWindow*> windows = main.Children();
    for (int i = static_cast<int>(windows.size()) - 1; i >= 0; --i) {
        TFormChild* child = main.Child(windows[i]);
        if (child != nullptr && eligible(child->Record(), windows[i]->isMinimized())) {
            found << windows[i];
        }
    }
    return found;
}

}  // namespace

void TFormMain::StartBatchRun(TFormChild* batch) {
    SetReduceRunning(true);
    batch->Record().Busy = 1;
    UpdateCommands();
    FillReduceJob(Settings, Job);  // its palette key is of no use to a batch
    BatchWindow = batch;
    batch->SetBatchLines(BatchListLines(batch->BatchFiles));

    BatchCancelled = false;
    BatchFailure.reset();

    TBatchHooks hooks;
    hooks.Log = [this](const std::string& line) { LogBatchLine(line); };
    // Each file is read and written off the main thread; the window stays
    // live meanwhile (a Cancel then stops the run between files).
    hooks.Load = [this](TPictureRecord& record) {
        ShowFileWorkBar(true);
        const int status = LoadPictureOffMainThread(record);
        ShowFileWorkBar(false);
        if (status != 0) BatchFailure = LastLoadFailure();
        return status;
    };
    hooks.Save = [this](const TPictureRecord& record, const TBatchOutput& output) {
        ShowFileWorkBar(true);
        const bool written =
            SaveOffMainThread([&record, &output] { return SaveBatchResult(record, output); });
        ShowFileWorkBar(false);
        if (!written) BatchFailure = LastSaveFailure();
        return written;
    };
    hooks.StartWorker = [this](ReduceJob&, std::function<void()> done) {
        StartWorker(std::move(done));
        // A Cancel that came while the file was read would be lost by the
        // worker's start: it stops the reduction, as it did between files.
        if (BatchCancelled && Worker != nullptr) Worker->Terminate();
    };
    hooks.BeforeSave = [this] { repaint(); };
    hooks.Finished = [this] {
        QApplication::beep();
        SetReduceRunning(false);
        UpdateCommands();
    };
    // The previous run has ended; it goes now, never from inside its own hooks.
    BatchRun = std::make_unique<TBatchRun>(Job, BatchOutputFromSettings(Settings),
                                           batch->BatchFiles, std::move(hooks));
    if (batch->CheckBoxIntegrated->isChecked()) {
        BatchRun->StartIntegrated();
    } else {
        BatchRun->StartPerFile();
    }
}

// One log line into the batch window; under a "Can't load" or "Can't save"
// line the reason follows in a line of its own (zinop-cli says it on stderr).
void TFormMain::LogBatchLine(const std::string& line) {
    if (BatchWindow == nullptr) return;
    BatchWindow->AppendBatchLine(line);
    const std::string cantLoad = Text(TextId::BatchCantLoad);
    if (line.compare(0, cantLoad.size(), cantLoad) == 0 || line == Text(TextId::BatchCantSave)) {
        // A file that was read but left no memory for its reduction fails
        // without a reader's reason.
        const TFailureReason reason =
            BatchFailure.value_or(TFailureReason{TFailure::OutOfMemory, 0});
        BatchWindow->AppendBatchLine(FailureText(reason, UseEnglish()));
        BatchFailure.reset();
    }
    BatchWindow->MemoBatch->viewport()->repaint();  // loading all files shows each line
}

void TFormMain::MenuGatherClick() {
    const QList<QMdiSubWindow*> pictures = EligibleWindows(*this, CanGather);
    if (pictures.size() < 2) return;
    std::vector<std::string> paths;
    for (QMdiSubWindow* window : pictures) paths.push_back(Child(window)->Record().FileName);
    for (QMdiSubWindow* window : pictures) {
        Child(window)->Record().Kind = pkNone;  // not counted again while closing
        window->close();
    }
    NewBatch(paths);
}

void TFormMain::MenuMergeClick() {
    const QList<QMdiSubWindow*> batches = EligibleWindows(*this, CanMerge);
    if (batches.size() < 2) return;
    std::vector<std::string> paths;
    for (QMdiSubWindow* window : batches) {
        const std::vector<std::string>& files = Child(window)->BatchFiles;
        paths.insert(paths.end(), files.begin(), files.end());  // repeats stay repeated
    }
    for (QMdiSubWindow* window : batches) {
        Child(window)->Record().Kind = pkNone;
        window->close();
    }
    NewBatch(paths);
}

void TFormMain::MenuSeparateClick() {
    QPointer<TFormChild> batch = ActiveChild();
    if (batch == nullptr || batch->Record().Kind != pkBatch || batch->Record().Busy != 0) return;
    const std::vector<std::string> paths = batch->BatchFiles;
    for (const std::string& path : paths) OpenPicture(path, false);  // failures are skipped
    if (batch != nullptr) {
        if (QMdiSubWindow* window = WindowOf(batch)) window->close();
    }
    UpdateCommands();
}
