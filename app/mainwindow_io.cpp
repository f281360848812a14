// Single opens, saves and pastes while their file work runs off the main
// thread: the busy document, the commands and the progress bar.

#include <QProgressBar>

#include "app/form_child.h"
#include "app/mainwindow.h"
#include "app/reduce_running.h"

namespace {
constexpr int kProgressMaximum = 1000;
}  // namespace

TFormMain::TFileWork::TFileWork(TFormMain& main, TFormChild* document)
    : Main(main), Document(document) {
    ++Main.FileWork;
    if (Document != nullptr) Document->Record().Busy = 1;
    Main.UpdateCommands();
    Main.ClipboardChanged();
    Main.ShowFileWorkBar(true);
}

TFormMain::TFileWork::~TFileWork() {
    --Main.FileWork;
    Main.ShowFileWorkBar(false);
    if (Document != nullptr) Document->Record().Busy = 0;
    Main.UpdateCommands();
    Main.ClipboardChanged();
}

void TFormMain::ShowFileWorkBar(bool busy) {
    if (busy) {
        ProgressBar->setRange(0, 0);  // the style moves it without a figure
        return;
    }
    ProgressBar->setRange(0, kProgressMaximum);
    ProgressBar->setValue(ReduceRunning ? Job.Progress.load() : 0);
}
