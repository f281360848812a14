#pragma once
// The main window TFormMain: a multiple-document frame with the menus, the
// progress strip, the tool strip and the document area. Its code is split by
// menu: mainwindow.cpp (life: create, show, close, destroy, command states),
// mainwindow_actions.cpp (actions, menus, tool strip), mainwindow_file.cpp,
// mainwindow_edit.cpp, mainwindow_view.cpp, mainwindow_window.cpp and
// mainwindow_help.cpp.
//
// Document commands (open, save, reduce, batches, clipboard, view) belong to
// the document windows that come later; their actions exist here with their
// texts and shortcuts, and their handlers are marked stubs until then.

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>
#include <string>

#include "config/settings_record.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QTimer;
class QToolBar;
class TDocumentWindow;
class TFormCPL;

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
    // Document commands (stubs until the document windows come).
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

    QToolBar* PanelProgress = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QToolBar* PanelToolBar = nullptr;
    QMdiArea* MdiArea = nullptr;
    QTimer* TimerStartHook = nullptr;
    QTimer* TimerProgress = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QMenu* createPopupMenu() override;  // no tool-strip menu: the File menu toggles it

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
    // mainwindow.cpp
    void ApplyWindowValues();
    void ClipboardChanged();
    TDocumentWindow* Document(QMdiSubWindow* window) const;

    TSettingsRecord& Settings;
    std::string SettingsPath;
    TFormCPL* FormCPL = nullptr;
    bool Shown = false;
    QList<QAction*> WindowListActions;  // the children listed in the Window menu
};
