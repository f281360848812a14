// The File menu: open, save and the recent files, the tool strip toggle,
// the plug-in dialog and Exit; the start-up timer and dropped files.

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "app/form_child.h"
#include "app/form_plugins.h"
#include "app/io_worker.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/save_format.h"
#include "app/view_math.h"
#include "config/texts.h"
#include "formats/bmp.h"
#include "formats/gif_writer.h"
#include "formats/png_writer.h"

namespace {

// "All files(*.*)|*.*|BMP files(*.bmp)|*.bmp|..." -> the display names.
QStringList NameFilters(const char* filterText) {
    const QStringList parts = QString::fromUtf8(filterText).split('|');
    QStringList names;
    for (int i = 0; i < parts.size(); i += 2) names << parts[i];
    return names;
}

std::vector<std::string> ToPaths(const QStringList& files) {
    std::vector<std::string> paths;
    for (const QString& file : files) paths.push_back(file.toStdString());
    return paths;
}

// The writer of a save dialog filter index (counted from 1; SaveWriterIndex
// picks it from the typed name): 2 BMP, 3 PNG, 4 GIF, any other BMP.
bool SaveByFilterIndex(const TPictureRecord& record, int filterIndex,
                       const TSettingsRecord& settings) {
    switch (filterIndex) {
        case 3:
            return SavePng(record, settings.PngInterlace);
        case 4:
            return SaveGif(record, settings.GifOptions);
        default:
            return SaveBmp(record);
    }
}

// The extension a name without one gets: that of the chosen filter, BMP for
// "All files".
QString DefaultSuffixOf(int filterIndex) {
    switch (filterIndex) {
        case 3:
            return QStringLiteral("png");
        case 4:
            return QStringLiteral("gif");
        default:
            return QStringLiteral("bmp");
    }
}

}  // namespace

void TFormMain::ButtonOpenClick() {
    QFileDialog dialog(this);
    dialog.setObjectName("OpenDialog1");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    const QStringList filters = DialogNameFilters(OpenFilters);
    dialog.setNameFilters(filters);
    if (Settings.OpenIndex >= 1 && Settings.OpenIndex <= filters.size()) {
        dialog.selectNameFilter(filters[Settings.OpenIndex - 1]);
    }
    if (!Settings.LoadDirectory.empty()) {
        dialog.setDirectory(QString::fromStdString(Settings.LoadDirectory));
    }
    if (dialog.exec() != QDialog::Accepted) return;
    const QStringList files = dialog.selectedFiles();
    // The folder of the files chosen: also one typed as a full path.
    Settings.LoadDirectory = (files.isEmpty() ? dialog.directory().absolutePath()
                                              : QFileInfo(files.front()).absolutePath())
                                 .toStdString();
    Settings.OpenIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (files.size() == 1) {
        OpenPicture(files.front().toStdString(), true);
    } else if (files.size() > 1) {
        NewBatch(ToPaths(files));
    }
}

namespace {

// Runs the save dialog over settings' folder and filter index and writes
// both back. False when cancelled; else path and filterIndex (from 1).
bool RunSaveDialog(QWidget* parent, const QStringList& typeNames, TSettingsRecord& settings,
                   const QString& proposed, QString& path, int& filterIndex) {
    const QStringList filters = DialogNameFilters(typeNames);
    QFileDialog dialog(parent);
    dialog.setObjectName("SaveDialog1");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);  // asks before overwriting
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    const int startIndex =
        settings.SaveIndex >= 1 && settings.SaveIndex <= filters.size() ? settings.SaveIndex : 1;
    dialog.selectNameFilter(filters[startIndex - 1]);
    dialog.setDefaultSuffix(DefaultSuffixOf(startIndex));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        dialog.setDefaultSuffix(DefaultSuffixOf(static_cast<int>(filters.indexOf(filter)) + 1));
    });
    if (!settings.SaveDirectory.empty()) {
        dialog.setDirectory(QString::fromStdString(settings.SaveDirectory));
    }
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path = dialog.selectedFiles().front();
    // The folder of the file: also one typed as a full path.
    settings.SaveDirectory = QFileInfo(path).absolutePath().toStdString();
    filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    settings.SaveIndex = filterIndex;
    return true;
}

}  // namespace

void TFormMain::ButtonSaveClick() {
    TFormChild* child = ActiveChild();
    if (child == nullptr) return;
    TPictureRecord& record = child->Record();
    if (record.Kind != pkFullColour && record.Kind != pkIndexed) return;
    SaveFilters = NameFilters(Text(TextId::SaveFilter));  // in the language now in force
    const std::string kept = record.FileName;
    const QString proposed = kept == "Clipboard" ? QStringLiteral("Clipboard") : BaseNamePart(kept);
    QString path;
    int filterIndex = 1;
    if (!RunSaveDialog(this, SaveFilters, Settings, proposed, path, filterIndex)) return;

    // The options as the settings dialog shows them now.
    Settings.GifOptions = GifOptionsFromIndex(Settings.ComboBoxGIF);
    Settings.PngInterlace = Settings.CheckBoxPNGinterlace;
    record.FileName = path.toStdString();
    repaint();
    bool written = false;
    {
        TFileWork work(*this, child);
        const int writerIndex = SaveWriterIndex(path, filterIndex);
        written = SaveOffMainThread([&record, writerIndex, settings = Settings] {
            return SaveByFilterIndex(record, writerIndex, settings);
        });
    }
    if (written) {
        SetDocumentCaption(child, SavedCaption(record));
        child->Unsaved = false;
        return;
    }
    ShowMessage(
        this, TMessageKind::Warning, QString::fromUtf8(Text(TextId::SaveFailureTitle)),
        path + QString::fromUtf8(Text(TextId::SaveCantSave)) + ReasonLine(LastSaveFailure()));
    record.FileName = kept;
}

void TFormMain::MenuFileClick(int index) {
    if (FileWork > 0) return;  // one file command at a time
    if (index < 0 || index >= static_cast<int>(Settings.RecentFiles.size())) return;
    const std::string path = Settings.RecentFiles[index];  // a copy: opening reorders the list
    if (path.empty()) return;
    OpenPicture(path, true);  // a failure leaves the entry in place
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
        item->setText(MenuItemText(QStringLiteral("&%1 ").arg((k + 1) % 10), FileNamePart(path)));
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
    // Every argument is a file: one opens a picture, several one batch.
    OpenPaths(ToPaths(StartFiles));
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
    // Opened once the drop has been released: a failure box must not hold
    // the file manager's drag.
    QTimer::singleShot(0, this,
                       [this, files = ToPaths(paths)] { RunGuarded([&] { OpenPaths(files); }); });
}
