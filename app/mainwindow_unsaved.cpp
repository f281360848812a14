// Unsaved work: the question before a reduced or pasted picture that was
// never saved closes, alone (close box, Ctrl+W, Close All) or all together
// when the program ends. Save runs the save command and lets the close go on
// only when the picture was written.

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include "app/form_child.h"
#include "app/mainwindow.h"
#include "app/unsaved_work.h"

bool TFormMain::SaveChildForClose(TFormChild* child) {
    QPointer<TFormChild> guarded = child;
    if (QMdiSubWindow* window = WindowOf(child)) MdiArea->setActiveSubWindow(window);
    if (ActiveChild() != child) return false;  // the save command works on the active picture
    ButtonSaveClick();                         // returns when written, failed or cancelled
    return guarded != nullptr && !guarded->Unsaved;
}

bool TFormMain::ConfirmChildClose(TFormChild* child) {
    const QMdiSubWindow* window = WindowOf(child);
    const QString caption = window != nullptr ? window->windowTitle() : child->windowTitle();
    switch (AskSaveChanges(this, caption)) {
        case TUnsavedAnswer::Save:
            return SaveChildForClose(child);
        case TUnsavedAnswer::Discard:
            return true;
        case TUnsavedAnswer::Cancel:
            break;
    }
    return false;
}

bool TFormMain::ConfirmCloseAllUnsaved() {
    QList<QPointer<TFormChild>> unsaved;
    QStringList captions;
    const QList<QMdiSubWindow*> windows = Children();
    for (int i = static_cast<int>(windows.size()) - 1; i >= 0; --i) {
        TFormChild* child = Child(windows[i]);
        if (child == nullptr || !child->Unsaved) continue;
        unsaved << child;
        captions << windows[i]->windowTitle();
    }
    if (unsaved.isEmpty()) return true;
    switch (AskSaveAll(this, captions)) {
        case TUnsavedAnswer::Save:
            for (const QPointer<TFormChild>& child : unsaved) {
                if (child != nullptr && !SaveChildForClose(child)) return false;
            }
            return true;
        case TUnsavedAnswer::Discard:
            // Answered once for all: the windows close without asking again.
            for (const QPointer<TFormChild>& child : unsaved) {
                if (child != nullptr) child->Unsaved = false;
            }
            return true;
        case TUnsavedAnswer::Cancel:
            break;
    }
    return false;
}
