// The main window's documents: creating picture and batch windows, their
// client size, zoom and fit, the children in activation order and the
// recent-files list that opening a picture feeds.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "app/form_child.h"
#include "app/io_worker.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/picture_view.h"
#include "app/view_math.h"
#include "config/texts.h"
#include "engine/batch.h"
#include "formats/bmp.h"

namespace {

constexpr QSize kDefaultChildSize(323, 178);

// The busy cursor over the program for as long as it lives.
class TBusyCursor {
  public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { Restore(); }
    void Restore() {
        if (Active) QApplication::restoreOverrideCursor();
        Active = false;
    }

  private:
    bool Active = true;
};

// The full path of a file as given (relative to the working folder), so that
// a failure names the file wherever the program was started.
QString AbsolutePath(const std::string& path) {
    const QString given = QString::fromStdString(path);
    return given.isEmpty() ? given : QDir::cleanPath(QFileInfo(given).absoluteFilePath());
}

}  // namespace

QList<QMdiSubWindow*> TFormMain::Children() const {
    // Qt lists the activation history oldest first.
    QList<QMdiSubWindow*> windows = MdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
    std::reverse(windows.begin(), windows.end());
    return windows;
}

TFormChild* TFormMain::Child(QMdiSubWindow* window) const {
    return window == nullptr ? nullptr : qobject_cast<TFormChild*>(window->widget());
}

TFormChild* TFormMain::ActiveChild() const { return Child(MdiArea->currentSubWindow()); }

QMdiSubWindow* TFormMain::WindowOf(const TFormChild* child) const {
    return child == nullptr ? nullptr : qobject_cast<QMdiSubWindow*>(child->parentWidget());
}

TFormChild* TFormMain::CreateChild() {
    auto* child = new TFormChild(UseEnglish());
    QMdiSubWindow* window = MdiArea->addSubWindow(child);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(child->windowTitle());
    window->resize(kDefaultChildSize);
    window->show();
    if (NextClientWidth > 0 && NextClientHeight > 0) {
        SetClientSize(child, NextClientWidth, NextClientHeight);
        NextClientWidth = -1;
        NextClientHeight = -1;
    }
    child->OnResize = [this] { RunGuarded([&] { UpdateCommands(); }); };
    child->ImagePic->OnPointer = [this, child](QPoint at) { ShowPointer(child, at); };
    child->ImagePic->OnZoomWheel = [this, child](bool zoomIn) {
        RunGuarded([&] { ZoomStep(child, zoomIn); });
    };
    child->ConfirmClose = [this, child] {
        bool close = false;
        RunGuarded([&] { close = ConfirmChildClose(child); });
        return close;
    };
    connect(window, &QMdiSubWindow::windowStateChanged, this,
            [this] { RunGuarded([&] { UpdateCommands(); }); });
    MdiArea->setActiveSubWindow(window);
    return child;
}

void TFormMain::SetDocumentCaption(TFormChild* child, const QString& caption) {
    child->setWindowTitle(caption);
    if (QMdiSubWindow* window = WindowOf(child)) window->setWindowTitle(caption);
}

void TFormMain::SetClientSize(TFormChild* child, int width, int height) {
    QMdiSubWindow* window = WindowOf(child);
    // A maximized or minimized window keeps its size (a new window opens
    // maximized while the active one is).
    if (window == nullptr || window->isMaximized() || window->isMinimized()) return;
    const QSize frame = window->size() - child->size();
    // Never larger than the workspace, and moved back into it: a large
    // picture scrolls inside its window instead.
    const QSize workspace = MdiArea->viewport()->size();
    window->resize(FittedClientSize(QSize(width, height), frame, workspace) + frame);
    window->move(KeptInside(window->geometry(), workspace));
}

void TFormMain::PlaceBeside(TFormChild* child, const TFormChild* source) {
    QMdiSubWindow* window = WindowOf(child);
    const QMdiSubWindow* sourceWindow = WindowOf(source);
    if (window == nullptr || sourceWindow == nullptr || window->isMaximized() ||
        window->isMinimized() || sourceWindow->isMinimized() || sourceWindow->isMaximized()) {
        return;
    }
    window->move(
        BesideSource(sourceWindow->geometry(), window->size(), MdiArea->viewport()->size()));
}

int TFormMain::ZoomStateOf(TFormChild* child) const {
    const QMdiSubWindow* window = WindowOf(child);
    const bool notNormal = window != nullptr && (window->isMaximized() || window->isMinimized());
    return ZoomState(child->Record().Kind, notNormal);
}

void TFormMain::ApplyZoom(TFormChild* child) {
    const int state = ZoomStateOf(child);
    if (state == 0) return;
    TPictureRecord& record = child->Record();
    CalcViewSize(record);
    if (state == 1) SetClientSize(child, record.ViewWidth, record.ViewHeight);
    child->ImagePic->resize(record.ViewWidth, record.ViewHeight);
    if (child == ActiveChild()) UpdateStatusBar();
}

void TFormMain::FitWindowToPicture(TFormChild* child) {
    // Room for the scroll bars the picture box shows, so that the picture is
    // visible without scrolling wherever the screen allows.
    QScrollArea* box = child->ScrollBoxPicture;
    const int extraWidth = box->width() - box->viewport()->width();
    if (extraWidth > 0) SetClientSize(child, child->width() + extraWidth, child->height());
    const int extraHeight = box->height() - box->viewport()->height();
    if (extraHeight > 0) SetClientSize(child, child->width(), child->height() + extraHeight);
}

TFormChild* TFormMain::NewPictureWindow(TPictureRecord& loaded, const QString& caption,
                                        QImage view) {
    NextClientWidth = loaded.Width;
    NextClientHeight = loaded.Height;
    TFormChild* child = CreateChild();
    TPictureRecord& record = child->Record();
    record.Kind = pkFullColour;
    record.Width = loaded.Width;
    record.Height = loaded.Height;
    record.Colors = 0;
    record.Pixels = std::move(loaded.Pixels);
    record.FileName = loaded.FileName;
    record.Alpha = std::move(loaded.Alpha);
    record.XPelsPerMeter = loaded.XPelsPerMeter;
    record.YPelsPerMeter = loaded.YPelsPerMeter;
    SetDocumentCaption(child, caption);
    SetClientSize(child, record.Width, record.Height);
    if (view.isNull()) {
        child->ImagePic->ShowPicture(record);
    } else {
        child->ImagePic->ShowImage(std::move(view));
    }
    FitWindowToPicture(child);
    return child;
}

bool TFormMain::OpenPicture(const std::string& path, bool report) {
    TBusyCursor busy;
    TPictureRecord loaded;
    loaded.FileName = path;
    bool ok = false;
    QImage view;
    {
        TFileWork work(*this, nullptr);
        // The picture's view is made on the loading thread too: a large one
        // takes a while. Every loader fills a full-colour picture.
        ok = LoadPictureOffMainThread(loaded, [&loaded, &view] {
                 loaded.Kind = pkFullColour;
                 view = ViewImage(loaded, true);
             }) == 0;
    }
    if (ok) {
        NewPictureWindow(loaded, FileNamePart(path), std::move(view));
        AddRecentFile(path);
    }
    busy.Restore();  // not over the message box
    if (!ok && report) {
        ShowMessage(this, TMessageKind::Warning, QString::fromUtf8(Text(TextId::OpenFailureTitle)),
                    AbsolutePath(path) + QString::fromUtf8(Text(TextId::OpenCantLoad)) +
                        ReasonLine(LastLoadFailure()));
    }
    if (report) UpdateCommands();
    return ok;
}

TFormChild* TFormMain::NewBatch(const std::vector<std::string>& paths) {
    TFormChild* child = CreateChild();  // no pending size: the default size
    SetDocumentCaption(child, QString::fromUtf8(Text(TextId::BatchCaption)));
    child->ShowAsBatch();
    child->BatchFiles = paths;
    child->Record().Kind = pkBatch;
    child->SetBatchLines(BatchListLines(paths));
    UpdateCommands();
    return child;
}

void TFormMain::OpenPaths(const std::vector<std::string>& paths) {
    if (paths.size() == 1) {
        OpenPicture(paths.front(), true);
    } else if (paths.size() > 1) {
        NewBatch(paths);
    }
}

void TFormMain::AddRecentFile(const std::string& path) {
    const QString given = QString::fromStdString(path);
    const QString absolute = QDir::cleanPath(QFileInfo(given).absoluteFilePath());
    PutRecentFile(Settings.RecentFiles, absolute.isEmpty() ? path : absolute.toStdString(),
                  FileSystemIgnoresCase());
    UpdateRecentMenu();
}
