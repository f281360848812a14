// The main window's life: creation, the first showing with its fixed order
// of start-up work, the close query and the save on close, destruction, and
// the command states.

#include "app/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <stdexcept>

#include "app/clipboard_image.h"
#include "app/command_states.h"
#include "app/document_window.h"
#include "app/english_texts.h"
#include "app/form_child.h"
#include "app/form_cpl.h"
#include "app/message_box.h"
#include "app/picture_view.h"
#include "app/program.h"
#include "app/palette_window.h"
#include "app/window_placement.h"
#include "config/settings.h"
#include "config/texts.h"
#include "engine/batch.h"
#include "engine/convert.h"
#include "formats/png_writer.h"
#include "plugins/plugin_host.h"

namespace {

constexpr int kProgressIntervalMs = 1000;
constexpr int kSmallestWindow = 200;  // pixels; a stored size below this is not applied

constexpr int kProgressMaximum = 1000;  // the bar's range: per mille

// "All files (*.*)|*.*|BMP files (*.bmp)|*.bmp" -> the display names.
QStringList NameFilters(const char* filterText) {
    const QStringList parts = QString::fromUtf8(filterText).split('|');
    QStringList names;
    for (int i = 0; i < parts.size(); i += 2) names << parts[i];
    return names;
}

void SetEnabled(QAction* action, const std::optional<bool>& state) {
    if (state) action->setEnabled(*state);
}

}  // namespace

TFormMain::TFormMain(TSettingsRecord& settings, std::string settingsPath, QWidget* parent)
    : QMainWindow(parent), Settings(settings), SettingsPath(std::move(settingsPath)) {
    setObjectName("FormMain");
    setWindowTitle(QStringLiteral("Zinop"));
    SystemIsJapanese = [] { return QLocale::system().language() == QLocale::Japanese; };
    createActions();
    createMenus();
    createProgressPanel();
    createToolBar();
    MdiArea = new QMdiArea(this);
    MdiArea->setObjectName("MdiArea");
    MdiArea->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);  // the sunken client edge
    // Scroll bars when a window reaches past the workspace.
    MdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(MdiArea);
    createStatusBar();
    StartFiles = QCoreApplication::arguments().mid(1);
    TimerStartHook = new QTimer(this);
    TimerStartHook->setSingleShot(true);
    TimerStartHook->setInterval(1);
    connect(TimerStartHook, &QTimer::timeout, this,
            [this] { RunGuarded([&] { TimerStartHookTimer(); }); });
    TimerProgress = new QTimer(this);
    TimerProgress->setInterval(kProgressIntervalMs);
    connect(TimerProgress, &QTimer::timeout, this,
            [this] { RunGuarded([&] { TimerProgressTimer(); }); });

    // FormCreate: follow the clipboard, accept dropped files, run
    // UpdateCommands whenever the active document changes.
    RaiseImageReadingLimit();  // pasted pictures up to the program's own cap
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &TFormMain::ClipboardChanged);
    ClipboardChanged();
    setAcceptDrops(true);
    // PNG writing (saves and batch output, off this thread) moves the bar.
    // The bar outlives every save: the destructor removes the hook first.
    SetPngProgressHook([bar = ProgressBar](int perMille) {
        QMetaObject::invokeMethod(
            bar,
            [bar, perMille] {
                bar->setRange(0, kProgressMaximum);
                bar->setValue(perMille);
            },
            Qt::QueuedConnection);
    });
    connect(MdiArea, &QMdiArea::subWindowActivated, this,
            [this] { RunGuarded([&] { UpdateCommands(); }); });

    // Place and size chosen by the program when no settings apply.
    if (QScreen* screen = QApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        resize(area.width() * 3 / 4, area.height() * 3 / 4);
        move(area.center() - rect().center());
    }
    SetPluginSettingsFile(SettingsPath);
}

TFormMain::~TFormMain() {
    // FormDestroy. A worker still running is stopped and waited for before
    // the documents whose buffers it uses go away.
    StopWorker();
    BatchRun.reset();
    SetPngProgressHook(nullptr);
    for (QMdiSubWindow* window : MdiArea->subWindowList()) {
        if (TFormChild* child = Child(window)) {
            child->OnResize = nullptr;
            child->ConfirmClose = nullptr;
            child->ImagePic->OnPointer = nullptr;
            child->ImagePic->OnZoomWheel = nullptr;
        }
        disconnect(window, nullptr, this, nullptr);
    }
    UnloadPlugins();
    setAcceptDrops(false);
    disconnect(QApplication::clipboard(), nullptr, this, nullptr);
    disconnect(MdiArea, nullptr, this, nullptr);
}

void TFormMain::FormShow() {
    if (Shown) return;
    Shown = true;
    Q_ASSERT(FormCPL != nullptr);  // SetSettingsDialog comes right after creation
    TSettingsHooks hooks;
    hooks.SystemIsJapanese = SystemIsJapanese;
    hooks.ApplyEnglishTexts = [this] { ApplyEnglishTexts(FormCPL, this); };
    hooks.CurrentWindowBounds = [this] { return TBounds{x(), y(), width(), height()}; };
    hooks.SetDialogFilters = [this] {
        OpenFilters = NameFilters(Text(TextId::OpenFilter));
        SaveFilters = NameFilters(Text(TextId::SaveFilter));
    };
    hooks.BindRecentMenu = [] {};  // item k always shows RecentFiles entry k (its tag)
    hooks.ShowAboutBox = [this] { MenuHelpAboutClick(); };
    hooks.ApplyValues = [this] {
        FormCPL->ShowRecord();
        PanelToolBar->setVisible(Settings.ToolBarVisible);
        MenuToolBar->setChecked(Settings.ToolBarVisible);
    };
    hooks.ApplyDitherRule = [this] { FormCPL->ComboBoxDitherChange(); };
    hooks.SettingsFileTooLarge = [this](const std::string& path) {
        QString text = QString::fromUtf8(Text(TextId::SettingsTooLarge));
        ShowMessage(this, TMessageKind::Warning, QStringLiteral("Zinop"),
                    text.replace("%s", QString::fromStdString(path)));
    };
    LoadSettings(Settings, hooks, SettingsPath);
    UseQtTranslation(!UseEnglish());

    SetPluginFolder(Settings.PluginFolder);
    LoadPlugins();
    ReduceRunning = false;
    TimerStartHook->start();
    UpdateCommands();
    UpdateRecentMenu();
}

void TFormMain::ShowFirstTime() {
    FormShow();
    ApplyWindowValues();
}

void TFormMain::ApplyWindowValues() {
    QList<QRect> screens;
    if (QScreen* primary = QApplication::primaryScreen()) screens << primary->availableGeometry();
    for (QScreen* screen : QApplication::screens()) screens << screen->availableGeometry();
    const TBounds b = KeepOnScreen(Settings.WindowBounds, screens);
    if (b.Width >= kSmallestWindow && b.Height >= kSmallestWindow) {
        move(b.Left, b.Top);
        resize(b.Width, b.Height);
    }
    Settings.NormalBounds = TBounds{x(), y(), width(), height()};
    if (Settings.WindowState == 2) {
        showMaximized();
    } else {
        show();
    }
}

bool TFormMain::FormCloseQuery() {
    if (FileWork > 0) return false;  // a picture is being read or written
    if (ReduceRunning) {
        ButtonCancelClick();  // the terminate request to the running worker
        return false;
    }
    for (QMdiSubWindow* window : MdiArea->subWindowList()) {
        TDocumentWindow* document = Document(window);
        if (document != nullptr && !document->FormCloseQuery()) return false;
    }
    return ConfirmCloseAllUnsaved();
}

void TFormMain::FormClose() {
    Settings.WindowBounds = TBounds{x(), y(), width(), height()};
    Settings.WindowState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    Settings.ToolBarVisible = !PanelToolBar->isHidden();
    std::string error;
    if (!SaveSettings(Settings, SettingsPath, error)) throw std::runtime_error(error);
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    // A failed save is reported; the program still ends.
    RunGuarded([this] { FormClose(); });
    event->accept();
}

void TFormMain::FormResize() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    if (!isVisible()) return;
    Settings.NormalBounds = TBounds{x(), y(), width(), height()};
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    UpdateCommands();
}

void TFormMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    FormResize();  // a moved window's place counts as well
}

TDocumentWindow* TFormMain::Document(QMdiSubWindow* window) const {
    return window == nullptr ? nullptr : dynamic_cast<TDocumentWindow*>(window->widget());
}

void TFormMain::UpdateCommands() {
    TCommandInputs in;
    in.Running = ReduceRunning;
    in.FileWork = FileWork > 0;
    // The current child stays the active document while another program
    // has the focus.
    TDocumentWindow* active = Document(MdiArea->currentSubWindow());
    in.HasActiveChild = active != nullptr;
    if (active != nullptr) {
        in.ActiveKind = active->Record().Kind;
        in.ActiveBusy = active->Record().Busy != 0;
    }
    // Busy flags return to 0 before Gather and Merge count the documents, so
    // the document of a run that has just ended counts at once.
    if (ComputeCommandStates(in).ResetBusy) {
        for (QMdiSubWindow* window : MdiArea->subWindowList()) {
            if (TDocumentWindow* document = Document(window)) document->Record().Busy = 0;
        }
    }
    for (QMdiSubWindow* window : MdiArea->subWindowList()) {
        if (TDocumentWindow* document = Document(window)) {
            in.GatherCandidates += CanGather(document->Record(), window->isMinimized());
            in.MergeCandidates += CanMerge(document->Record(), window->isMinimized());
        }
    }
    const TCommandStates s = ComputeCommandStates(in);
    for (QAction* a : {MenuRestoreUp, MenuArrange, MenuCloseAll, MenuMinimize, MenuHTile, MenuVTile,
                       MenuCascade}) {
        a->setEnabled(s.WindowCommands);
    }
    MenuGather->setEnabled(s.Gather);
    MenuMerge->setEnabled(s.Merge);
    SetEnabled(MenuReduce, s.Reduce);
    SetEnabled(MenuSave, s.Save);
    SetEnabled(MenuOpen, s.Open);
    SetEnabled(MenuCancel, s.Cancel);
    SetEnabled(MenuCopy, s.Copy);
    for (QAction* a : {MenuZoomIn, MenuZoomOut, MenuActualPixels, MenuProperty})
        SetEnabled(a, s.View);
    SetEnabled(MenuSetting, s.Settings);
    SetEnabled(MenuSeparate, s.Separate);
    UpdateStatusBar();
    MenuPalette->setEnabled(MenuPalette->isChecked() || in.ActiveKind == pkIndexed);
    if (PalettePanel != nullptr) PalettePanel->ShowDocument(dynamic_cast<TFormChild*>(active));
}

void TFormMain::SetReduceRunning(bool running) {
    ReduceRunning = running;
    if (running) {
        TimerProgress->start();
    } else {
        TimerProgress->stop();
    }
    ProgressBar->setValue(0);
    Job.Progress.store(0);
}

void TFormMain::ClipboardChanged() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    MenuPaste->setEnabled(FileWork == 0 && data != nullptr && data->hasImage());
}
