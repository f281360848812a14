// The Window menu: arranging the document windows and the list of open ones.
// Gather, merge and separate are in mainwindow_batch.cpp.

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

#include "app/form_child.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/picture_view.h"
#include "app/view_math.h"

void TFormMain::MenuCascadeClick() {
    MdiArea->cascadeSubWindows();
    // Then every picture window shows its whole picture again.
    const QList<QMdiSubWindow*> windows = Children();
    for (int i = static_cast<int>(windows.size()) - 1; i >= 0; --i) {
        TFormChild* child = Child(windows[i]);
        if (child == nullptr) continue;
        const PictureKind kind = child->Record().Kind;
        if (kind != pkFullColour && kind != pkIndexed) continue;
        SetClientSize(child, child->ImagePic->width(), child->ImagePic->height());
        FitWindowToPicture(child);
    }
}

void TFormMain::MenuHTileClick() {
    // One above the other, each as wide as the area.
    const QList<QMdiSubWindow*> windows = MdiArea->subWindowList();
    const QRect area = MdiArea->viewport()->rect();
    int top = 0;
    for (int i = 0; i < windows.size(); ++i) {
        const int height = (area.height() - top) / static_cast<int>(windows.size() - i);
        windows[i]->showNormal();
        windows[i]->setGeometry(0, top, area.width(), height);
        top += height;
    }
}

void TFormMain::MenuVTileClick() {
    // Side by side, each as high as the area.
    const QList<QMdiSubWindow*> windows = MdiArea->subWindowList();
    const QRect area = MdiArea->viewport()->rect();
    int left = 0;
    for (int i = 0; i < windows.size(); ++i) {
        const int width = (area.width() - left) / static_cast<int>(windows.size() - i);
        windows[i]->showNormal();
        windows[i]->setGeometry(left, 0, width, area.height());
        left += width;
    }
}

void TFormMain::MenuArrangeClick() {
    // Minimized windows line up along the bottom of the area.
    int left = 0;
    const int bottom = MdiArea->viewport()->height();
    for (QMdiSubWindow* window : MdiArea->subWindowList()) {
        if (!window->isMinimized()) continue;
        window->move(left, bottom - window->height());
        left += window->width();
    }
}

void TFormMain::MenuMinimizeClick() {
    for (QMdiSubWindow* window : MdiArea->subWindowList()) window->showMinimized();
}

void TFormMain::MenuRestoreUpClick() {
    // One at a time from the highest index, letting the window events of each
    // restore run before looking again (a restore changes the order).
    // Each window is restored at most once: a window that will not leave
    // the minimized state does not hold the loop.
    const int windowCount = static_cast<int>(MdiArea->subWindowList().size());
    for (int restored = 0; restored < windowCount; ++restored) {
        QMdiSubWindow* minimized = nullptr;
        const QList<QMdiSubWindow*> windows = Children();
        for (int i = static_cast<int>(windows.size()) - 1; i >= 0 && minimized == nullptr; --i) {
            if (windows[i]->isMinimized()) minimized = windows[i];
        }
        if (minimized == nullptr) return;
        minimized->showNormal();
        QApplication::processEvents();
    }
}

void TFormMain::MenuCloseAllClick() {
    // Busy documents refuse and stay; a picture kept by its unsaved-work
    // question (Cancel, or a save that did not happen) stops the command.
    const QList<QMdiSubWindow*> windows = Children();
    for (int i = static_cast<int>(windows.size()) - 1; i >= 0; --i) {
        QPointer<QMdiSubWindow> window = windows[i];
        if (window == nullptr || window->close()) continue;
        const TFormChild* child = Child(window);
        if (child != nullptr && child->Record().Busy == 0) break;
    }
    UpdateCommands();
}

void TFormMain::FillWindowMenu() {
    for (QAction* action : WindowListActions) {
        MenuWindow->removeAction(action);
        delete action;
    }
    WindowListActions.clear();
    const QList<QMdiSubWindow*> windows = MdiArea->subWindowList();
    if (windows.isEmpty()) return;
    WindowListActions << MenuWindow->addSeparator();
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* window = windows[i];
        const QString prefix =
            i < 9 ? QStringLiteral("&%1 ").arg(i + 1) : QStringLiteral("%1 ").arg(i + 1);
        QAction* item = MenuWindow->addAction(MenuItemText(prefix, window->windowTitle()));
        item->setCheckable(true);
        item->setChecked(window == MdiArea->activeSubWindow());
        connect(item, &QAction::triggered, this, [this, guarded = QPointer<QMdiSubWindow>(window)] {
            if (guarded) RunGuarded([&] { MdiArea->setActiveSubWindow(guarded); });
        });
        WindowListActions << item;
    }
}
