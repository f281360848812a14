#pragma once
// The main window TFormMain: a multiple-document frame with the menus, the
// progress strip, the tool strip and the document area. Its code is split by
// menu: mainwindow.cpp (life: create, show, close, destroy, command states),
// mainwindow_actions.cpp (actions, menus, tool strip), mainwindow_file.cpp,
// mainwindow_edit.cpp, mainwindow_view.cpp, mainwindow_window.cpp and
// mainwindow_help.cpp.
//
// Documents: each child of the document area is a QMdiSubWindow whose widget
// is a TFormChild (mainwindow_documents.cpp creates, sizes and lists them).
// The reduce command (mainwindow_edit.cpp) and the batch runs
// (mainwindow_batch.cpp) run one TConvert worker at a time; its completion
// reaches the main thread through a queued call.

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/failure_reason.h"
#include "config/settings_record.h"
#include "engine/reduce_job.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMimeData;
class QProgressBar;
class QTimer;
class QToolBar;
class TBatchRun;
class TConvert;
class TDocumentWindow;
class TFormChild;
class TFormCPL;
class TPaletteWindow;

class TFormMain : public QMainWindow {
    Q_OBJECT
  public:
    // FormCreate. settings is the one settings record; it must outlive the
    // window. settingsPath is the ini file (Zinop.ini beside the program).
    TFormMain(TSettingsRecord& settings, std::string settingsPath, QWidget* parent = nullptr);
    ~TFormMain() override;  // FormDestroy

    // The settings dialog, created right after the main window.
    void SetSettingsDialog(TFormCPL* dialog) { FormCPL = dialog; }
    TFormCPL* SettingsDialog() const { return FormCPL; }

    // The main window's first showing: FormShow, then the window takes the
    // place, size and state the settings gave, and becomes visible.
    void ShowFirstTime();
    // Start-up steps: settings, plug-ins, run flag, start-up timer, command
    // states and recent menu. Runs once; later calls do nothing.
    void FormShow();
    bool FormCloseQuery();
    void FormClose();  // saves the settings; throws std::runtime_error on a failed write
    void FormResize();

    void UpdateCommands();
    void UpdateRecentMenu();
    void SetReduceRunning(bool running);

    // The system's language on a first start; tests replace it.
    std::function<bool()> SystemIsJapanese;
    // The open and save dialogs' name filters, set at start in the language then in force.
    QStringList OpenFilters;
    QStringList SaveFilters;

    // Frame commands.
    void MenuToolBarClick();
    void ButtonExitClick();
    void MenuDummyClick();
    void MenuManualClick();
    void MenuHelpAboutClick();
    void MenuPluginsClick();
    void MenuEnglishClick();
    void MenuSettingClick();
    // Document commands.
    void ButtonOpenClick();
    void ButtonSaveClick();
    void MenuFileClick(int index);
    void ButtonReduceClick();
    void ButtonCancelClick();
    void SpeedButtonPasteClick();
    void SpeedButtonCopyClick();
    void MenuZoomInClick();
    void MenuZoomOutClick();
    void MenuActualPixelsClick();
    void MenuPropertyClick();
    void MenuPaletteClick();  // shows or hides the palette panel
    void MenuCascadeClick();
    void MenuHTileClick();
    void MenuVTileClick();
    void MenuArrangeClick();
    void MenuMinimizeClick();
    void MenuRestoreUpClick();
    void MenuCloseAllClick();
    void MenuSeparateClick();
    void MenuGatherClick();
    void MenuMergeClick();
    void TimerStartHookTimer();
    void TimerProgressTimer();

    // Documents (mainwindow_documents.cpp). Children are listed most
    // recently activated first: index 0 is the newest; commands that visit
    // every child go from the highest index down.
    QList<QMdiSubWindow*> Children() const;
    TFormChild* Child(QMdiSubWindow* window) const;
    TFormChild* ActiveChild() const;
    QMdiSubWindow* WindowOf(const TFormChild* child) const;
    // A new child window; consumes NextClientWidth/NextClientHeight. It
    // becomes the active child.
    TFormChild* CreateChild();
    // A picture document from a file; with report, a failure shows the
    // "Can't load" box and UpdateCommands runs at the end. False on failure.
    bool OpenPicture(const std::string& path, bool report);
    // A picture document from a loaded record (open, paste, separate).
    // view: the record's ViewImage when made already (a null image: made here).
    TFormChild* NewPictureWindow(TPictureRecord& loaded, const QString& caption,
                                 QImage view = QImage());
    TFormChild* NewBatch(const std::vector<std::string>& paths);
    void SetDocumentCaption(TFormChild* child, const QString& caption);
    // The client area of a window in the normal state; a maximized or
    // minimized one keeps its size.
    void SetClientSize(TFormChild* child, int width, int height);
    // A result window next to its source where it fits whole, else fully
    // visible; windows in other states stay where they are.
    void PlaceBeside(TFormChild* child, const TFormChild* source);
    int ZoomStateOf(TFormChild* child) const;
    void ApplyZoom(TFormChild* child);
    void FitWindowToPicture(TFormChild* child);
    void AddRecentFile(const std::string& path);
    // Opens paths as a user gave them together: one a picture, several a batch.
    void OpenPaths(const std::vector<std::string>& paths);

    // Unsaved work (mainwindow_unsaved.cpp). ConfirmChildClose asks about one
    // unsaved picture; ConfirmCloseAllUnsaved asks once about every one
    // before the program ends. Both: true when the close may go on.
    bool ConfirmChildClose(TFormChild* child);
    bool ConfirmCloseAllUnsaved();
    // Runs the save command on child; true when it was written.
    bool SaveChildForClose(TFormChild* child);

    // The reduce command (mainwindow_edit.cpp).
    void FinishReduce();
    // The batch runs (mainwindow_batch.cpp).
    void StartBatchRun(TFormChild* batch);

    int NextClientWidth = -1;  // pending client size of the next picture window
    int NextClientHeight = -1;
    int ResultCounter = 1;  // caption number of the next result window
    // The command-line files, opened once by TimerStartHookTimer.
    QStringList StartFiles;
    // The one engine job; from a run's start to its completion its buffers
    // belong to the worker.
    ReduceJob Job;

    // Menus, each with its QAction (the menu title is the menu's action).
    QMenu* MenuFile = nullptr;
    QMenu* MenuEdit = nullptr;
    QMenu* MenuView = nullptr;
    QMenu* MenuWindow = nullptr;
    QMenu* MenuHelp = nullptr;
    // One action per command; the tool buttons share them.
    QAction* MenuOpen = nullptr;
    QAction* MenuSave = nullptr;
    QAction* MenuProperty = nullptr;
    QAction* MenuToolBar = nullptr;
    QAction* MenuPlugins = nullptr;
    QAction* MenuFileExit = nullptr;
    std::array<QAction*, 10> MenuFileN{};  // MenuFile0 .. MenuFile9
    QAction* MenuReduce = nullptr;
    QAction* MenuSetting = nullptr;
    QAction* MenuPaste = nullptr;
    QAction* MenuCopy = nullptr;
    QAction* MenuCancel = nullptr;
    QAction* MenuZoomIn = nullptr;
    QAction* MenuZoomOut = nullptr;
    QAction* MenuActualPixels = nullptr;
    QAction* MenuCascade = nullptr;
    QAction* MenuHTile = nullptr;
    QAction* MenuVTile = nullptr;
    QAction* MenuArrange = nullptr;
    QAction* MenuMinimize = nullptr;
    QAction* MenuRestoreUp = nullptr;
    QAction* MenuCloseAll = nullptr;
    QAction* MenuSeparate = nullptr;
    QAction* MenuGather = nullptr;
    QAction* MenuMerge = nullptr;
    QAction* MenuManual = nullptr;
    QAction* MenuEnglish = nullptr;
    QAction* MenuHelpAbout = nullptr;
    QAction* MenuDummy = nullptr;  // F1, in no menu
    QAction* MenuPalette = nullptr;
    TPaletteWindow* PalettePanel = nullptr;  // made on first use

    QToolBar* PanelProgress = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QToolBar* PanelToolBar = nullptr;
    QMdiArea* MdiArea = nullptr;
    // The status bar: the active picture's size, zoom and colours, and the
    // pixel under the pointer (mainwindow_view.cpp).
    QLabel* StatusPicture = nullptr;
    QLabel* StatusPixel = nullptr;
    void UpdateStatusBar();
    void ShowPointer(TFormChild* child, QPoint viewPosition);
    QTimer* TimerStartHook = nullptr;
    QTimer* TimerProgress = nullptr;

    // While one lives, a single open, save or paste reads or writes a
    // picture off the main thread (app/io_worker.h): document (may be null)
    // is busy, UpdateCommands disables what could touch it or start another
    // such command, closing the program is refused and the bar moves.
    class TFileWork {
      public:
        TFileWork(TFormMain& main, TFormChild* document);
        ~TFileWork();
        TFileWork(const TFileWork&) = delete;
        TFileWork& operator=(const TFileWork&) = delete;

      private:
        TFormMain& Main;
        QPointer<TFormChild> Document;
    };
    int FileWork = 0;  // TFileWork scopes alive
    // The bar while a picture is read or written: moving without a figure
    // (busy), or back to the run's progress.
    void ShowFileWorkBar(bool busy);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QMenu* createPopupMenu() override;  // no tool-strip menu: the File menu toggles it
    void showEvent(QShowEvent* event) override;

  private:
    // mainwindow_actions.cpp
    void createActions();  // one QAction per command, grouped by menu:
    void createFileActions();
    void createEditActions();
    void createViewActions();
    void createWindowActions();
    void createHelpActions();
    void createMenus();
    void createToolBar();
    void createProgressPanel();
    QAction* NewAction(const char* name, void (TFormMain::*handler)());
    // mainwindow_window.cpp
    void FillWindowMenu();
    // mainwindow_view.cpp
    void createStatusBar();
    void ZoomStep(TFormChild* child, bool zoomIn);
    // mainwindow_edit.cpp
    void StartReduce(TFormChild* source);
    // Starts Job on a new TConvert; done runs on the main thread afterwards.
    void StartWorker(std::function<void()> done);
    void StopWorker();
    // mainwindow.cpp
    void ApplyWindowValues();
    void ClipboardChanged();
    TDocumentWindow* Document(QMdiSubWindow* window) const;

    TSettingsRecord& Settings;
    std::string SettingsPath;
    TFormCPL* FormCPL = nullptr;
    bool Shown = false;
    QList<QAction*> WindowListActions;  // the children listed in the Window menu

    // The running reduction: its worker, the result being made, the work
    // buffer, and the source whose palette cache receives the new palette.
    std::unique_ptr<TConvert> Worker;
    TPictureRecord ResultRecord;
    std::vector<int32_t> WorkBuffer;
    QPointer<TFormChild> ReduceSource;
    std::vector<uint8_t>* PaletteCacheTarget = nullptr;  // ReduceSource's Palette
    // The running batch and the window that shows its log.
    std::unique_ptr<TBatchRun> BatchRun;
    QPointer<TFormChild> BatchWindow;
    // The batch's loads and saves run off the main thread; a Cancel during
    // one of them still stops the reduction that follows, and the reason of
    // a failure waits for its "Can't" line (mainwindow_batch.cpp).
    bool BatchCancelled = false;
    std::optional<TFailureReason> BatchFailure;
    void LogBatchLine(const std::string& line);
    // What the copy command last put on the clipboard (the clipboard owns it).
    QPointer<QMimeData> CopiedData;
};
