// The File menu: open, save and the recent files (stubs until the document
// windows come), the tool strip toggle, the plug-in dialog and Exit; the
// start-up timer and dropped files.

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "app/form_plugins.h"
#include "app/mainwindow.h"

void TFormMain::ButtonOpenClick() {
    // Stub: opening pictures comes with the document windows.
}

void TFormMain::ButtonSaveClick() {
    // Stub: saving comes with the document windows.
}

void TFormMain::MenuFileClick(int index) {
    // Stub: reopening RecentFiles[index] comes with the document windows.
    (void)index;
}

void TFormMain::UpdateRecentMenu() {
    for (int k = 0; k < static_cast<int>(MenuFileN.size()); ++k) {
        const std::string& path = Settings.RecentFiles[k];
        QAction* item = MenuFileN[k];
        if (path.empty()) {
            item->setText(QString());
            item->setVisible(false);
            continue;
        }
        // "&1 name" ... "&0 name": the digit is the item's accelerator.
        const QString name = QFileInfo(QString::fromStdString(path)).fileName();
        item->setText(QStringLiteral("&%1 %2").arg((k + 1) % 10).arg(name));
        item->setVisible(true);
    }
}

void TFormMain::MenuToolBarClick() {
    PanelToolBar->setVisible(PanelToolBar->isHidden());
    Settings.ToolBarVisible = !PanelToolBar->isHidden();
    MenuToolBar->setChecked(Settings.ToolBarVisible);
}

void TFormMain::MenuPluginsClick() {
    TFormPlugins dialog(Settings, this);
    dialog.exec();
}

void TFormMain::ButtonExitClick() { close(); }

void TFormMain::TimerStartHookTimer() {
    TimerStartHook->stop();  // once only
    // Stub: the files named on the command line are opened once the document
    // windows exist.
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    // Stub: one path opens a picture, several a batch, once documents exist.
}
