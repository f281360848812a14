// The Edit menu: reduce, settings, paste, copy and cancel, and the progress
// timer. Only the settings command works before the document windows come.

#include <QProgressBar>

#include "app/form_cpl.h"
#include "app/mainwindow.h"

namespace {
constexpr int kDialogOffset = 8;  // pixels right of and below the main window's corner
}  // namespace

void TFormMain::MenuSettingClick() {
    FormCPL->move(pos() + QPoint(kDialogOffset, kDialogOffset));
    FormCPL->exec();
}

void TFormMain::ButtonReduceClick() {
    // Stub: reductions come with the document windows.
}

void TFormMain::ButtonCancelClick() {
    // Stub: the stop request to the running worker comes with the reduce command.
}

void TFormMain::SpeedButtonPasteClick() {
    // Stub: pasting comes with the document windows.
}

void TFormMain::SpeedButtonCopyClick() {
    // Stub: copying comes with the document windows.
}

void TFormMain::TimerProgressTimer() {
    // Stub: the running job's Progress is copied into ProgressBar once jobs run.
}
