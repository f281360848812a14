// The Window menu: arranging the document windows and the list of open ones.
// Gather, merge and separate come with the batch windows.

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

#include "app/mainwindow.h"
#include "app/message_box.h"

void TFormMain::MenuCascadeClick() { MdiArea->cascadeSubWindows(); }

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

void TFormMain::MenuVTileClick() { MdiArea->tileSubWindows(); }

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
    for (QMdiSubWindow* window : MdiArea->subWindowList()) {
        if (window->isMinimized()) window->showNormal();
    }
}

void TFormMain::MenuCloseAllClick() { MdiArea->closeAllSubWindows(); }

void TFormMain::MenuSeparateClick() {
    // Stub: separating batches comes with the batch windows.
}

void TFormMain::MenuGatherClick() {
    // Stub: gathering pictures into a batch comes with the batch windows.
}

void TFormMain::MenuMergeClick() {
    // Stub: merging batches comes with the batch windows.
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
        QAction* item = MenuWindow->addAction(prefix + window->windowTitle());
        item->setCheckable(true);
        item->setChecked(window == MdiArea->activeSubWindow());
        connect(item, &QAction::triggered, this, [this, guarded = QPointer<QMdiSubWindow>(window)] {
            if (guarded) RunGuarded([&] { MdiArea->setActiveSubWindow(guarded); });
        });
        WindowListActions << item;
    }
}
