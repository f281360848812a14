// The main window's commands: one QAction per command, grouped by menu, the
// menus that list them and the tool strip whose buttons share them.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>

#include "app/english_texts.h"
#include "app/icons.h"
#include "app/mainwindow.h"
#include "app/message_box.h"

namespace {

constexpr int kProgressMaximum = 1000;
constexpr int kProgressPixels = 9;  // height of the progress strip
constexpr int kToolIconPixels = 16;

QMenu* NewMenu(QMenuBar* bar, const char* name) {
    QMenu* menu = bar->addMenu(QString());
    menu->setObjectName(name);
    SetCaption(menu->menuAction(), MainMenuCaptions(), name);
    return menu;
}

}  // namespace

QAction* TFormMain::NewAction(const char* name, void (TFormMain::*handler)()) {
    auto* action = new QAction(this);
    SetCaption(action, MainMenuCaptions(), name);
    connect(action, &QAction::triggered, this,
            [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
    return action;
}

void TFormMain::createActions() {
    createFileActions();
    createEditActions();
    createViewActions();
    createWindowActions();
    createHelpActions();
}

void TFormMain::createFileActions() {
    MenuOpen = NewAction("MenuOpen", &TFormMain::ButtonOpenClick);
    MenuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    MenuSave = NewAction("MenuSave", &TFormMain::ButtonSaveClick);
    MenuSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    MenuProperty = NewAction("MenuProperty", &TFormMain::MenuPropertyClick);
    MenuProperty->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    MenuToolBar = NewAction("MenuToolBar", &TFormMain::MenuToolBarClick);
    MenuToolBar->setCheckable(true);
    MenuToolBar->setChecked(true);
    MenuPlugins = NewAction("MenuPlugins", &TFormMain::MenuPluginsClick);
    MenuFileExit = NewAction("MenuFileExit", &TFormMain::ButtonExitClick);
    for (int k = 0; k < static_cast<int>(MenuFileN.size()); ++k) {
        QAction* item = new QAction(this);
        item->setObjectName(QStringLiteral("MenuFile%1").arg(k));
        item->setData(k);  // the tag: the RecentFiles entry it shows
        item->setVisible(false);
        connect(item, &QAction::triggered, this,
                [this, k] { RunGuarded([&] { MenuFileClick(k); }); });
        MenuFileN[k] = item;
    }
}

void TFormMain::createEditActions() {
    MenuReduce = NewAction("MenuReduce", &TFormMain::ButtonReduceClick);
    MenuReduce->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    MenuSetting = NewAction("MenuSetting", &TFormMain::MenuSettingClick);
    MenuPaste = NewAction("MenuPaste", &TFormMain::SpeedButtonPasteClick);
    MenuPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    MenuCopy = NewAction("MenuCopy", &TFormMain::SpeedButtonCopyClick);
    MenuCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    MenuCancel = NewAction("MenuCancel", &TFormMain::ButtonCancelClick);
    MenuCancel->setShortcut(QKeySequence(Qt::Key_Escape));
}

void TFormMain::createViewActions() {
    MenuZoomIn = NewAction("MenuZoomIn", &TFormMain::MenuZoomInClick);
    MenuZoomIn->setShortcuts({QKeySequence(Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::Key_Plus),
                              QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    MenuZoomOut = NewAction("MenuZoomOut", &TFormMain::MenuZoomOutClick);
    MenuZoomOut->setShortcuts(
        {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    MenuActualPixels = NewAction("MenuActualPixels", &TFormMain::MenuActualPixelsClick);
    MenuActualPixels->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_A), QKeySequence(Qt::CTRL | Qt::Key_0)});
    MenuPalette = NewAction("MenuPalette", &TFormMain::MenuPaletteClick);
    MenuPalette->setCheckable(true);
}

void TFormMain::createWindowActions() {
    MenuCascade = NewAction("MenuCascade", &TFormMain::MenuCascadeClick);
    MenuHTile = NewAction("MenuHTile", &TFormMain::MenuHTileClick);
    MenuVTile = NewAction("MenuVTile", &TFormMain::MenuVTileClick);
    MenuArrange = NewAction("MenuArrange", &TFormMain::MenuArrangeClick);
    MenuMinimize = NewAction("MenuMinimize", &TFormMain::MenuMinimizeClick);
    MenuRestoreUp = NewAction("MenuRestoreUp", &TFormMain::MenuRestoreUpClick);
    MenuCloseAll = NewAction("MenuCloseAll", &TFormMain::MenuCloseAllClick);
    MenuSeparate = NewAction("MenuSeparate", &TFormMain::MenuSeparateClick);
    MenuGather = NewAction("MenuGather", &TFormMain::MenuGatherClick);
    MenuMerge = NewAction("MenuMerge", &TFormMain::MenuMergeClick);
}

void TFormMain::createHelpActions() {
    MenuManual = NewAction("MenuManual", &TFormMain::MenuManualClick);
    MenuEnglish = NewAction("MenuEnglish", &TFormMain::MenuEnglishClick);
    MenuHelpAbout = NewAction("MenuHelpAbout", &TFormMain::MenuHelpAboutClick);
    // F1 anywhere in the main window: an action in no menu (a hidden action's
    // shortcut would not fire).
    MenuDummy = new QAction(this);
    MenuDummy->setObjectName("MenuDummy");
    MenuDummy->setShortcut(QKeySequence(Qt::Key_F1));
    connect(MenuDummy, &QAction::triggered, this,
            [this] { RunGuarded([&] { MenuDummyClick(); }); });
    addAction(MenuDummy);
}

void TFormMain::createMenus() {
    QMenuBar* bar = menuBar();
    MenuFile = NewMenu(bar, "MenuFile");
    MenuFile->addActions({MenuOpen, MenuSave, MenuProperty, MenuToolBar, MenuPlugins});
    MenuFile->addSeparator();
    for (QAction* item : MenuFileN) MenuFile->addAction(item);
    MenuFile->addSeparator();
    MenuFile->addAction(MenuFileExit);

    MenuEdit = NewMenu(bar, "MenuEdit");
    MenuEdit->addActions({MenuReduce, MenuSetting});
    MenuEdit->addSeparator();
    MenuEdit->addActions({MenuPaste, MenuCopy});
    MenuEdit->addSeparator();
    MenuEdit->addAction(MenuCancel);

    MenuView = NewMenu(bar, "MenuView");
    MenuView->addActions({MenuZoomIn, MenuZoomOut, MenuActualPixels});
    MenuView->addSeparator();
    MenuView->addAction(MenuPalette);

    MenuWindow = NewMenu(bar, "MenuWindow");
    MenuWindow->addActions({MenuCascade, MenuHTile, MenuVTile, MenuArrange, MenuMinimize,
                            MenuRestoreUp, MenuCloseAll});
    MenuWindow->addSeparator();
    MenuWindow->addActions({MenuSeparate, MenuGather, MenuMerge});
    connect(MenuWindow, &QMenu::aboutToShow, this, &TFormMain::FillWindowMenu);

    MenuHelp = NewMenu(bar, "MenuHelp");
    MenuHelp->addActions({MenuManual, MenuEnglish});
    MenuHelp->addSeparator();
    MenuHelp->addAction(MenuHelpAbout);
}

void TFormMain::createProgressPanel() {
    PanelProgress = new QToolBar(this);
    PanelProgress->setObjectName("PanelProgress");
    PanelProgress->setMovable(false);
    PanelProgress->setFloatable(false);
    PanelProgress->setContentsMargins(0, 0, 0, 0);
    PanelProgress->setStyleSheet("QToolBar { border: 0px; padding: 0px; spacing: 0px; }");
    ProgressBar = new QProgressBar(PanelProgress);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setRange(0, kProgressMaximum);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setFixedHeight(kProgressPixels);
    ProgressBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    PanelProgress->addWidget(ProgressBar);
    addToolBar(Qt::TopToolBarArea, PanelProgress);
    addToolBarBreak(Qt::TopToolBarArea);
}

void TFormMain::createToolBar() {
    PanelToolBar = new QToolBar(this);
    PanelToolBar->setObjectName("PanelToolBar");
    PanelToolBar->setMovable(false);
    PanelToolBar->setFloatable(false);
    PanelToolBar->setIconSize(QSize(kToolIconPixels, kToolIconPixels));
    PanelToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    struct Button {
        const char* Name;
        QAction* Action;
        TToolIcon Icon;
    };
    const Button groups[4][3] = {
        {{"SpeedButtonOpen", MenuOpen, TToolIcon::Open},
         {"SpeedButtonSave", MenuSave, TToolIcon::Save},
         {}},
        {{"SpeedButtonPaste", MenuPaste, TToolIcon::Paste},
         {"SpeedButtonCopy", MenuCopy, TToolIcon::Copy},
         {}},
        {{"SpeedButtonPlus", MenuZoomIn, TToolIcon::ZoomIn},
         {"SpeedButtonActual", MenuActualPixels, TToolIcon::Actual},
         {"SpeedButtonMinus", MenuZoomOut, TToolIcon::ZoomOut}},
        {{"SpeedButtonReduce", MenuReduce, TToolIcon::Reduce},
         {"SpeedButtonCancel", MenuCancel, TToolIcon::Cancel},
         {}},
    };
    for (const auto& group : groups) {
        if (&group != &groups[0]) PanelToolBar->addSeparator();
        for (const Button& button : group) {
            if (button.Name == nullptr) continue;
            // The tooltip is Japanese in both languages; the menu text is not.
            button.Action->setToolTip(
                QString::fromUtf8(FindCaption(ToolButtonCaptions(), button.Name).Japanese));
            button.Action->setIcon(ToolIcon(button.Icon));
            button.Action->setIconVisibleInMenu(false);
            PanelToolBar->addAction(button.Action);
            PanelToolBar->widgetForAction(button.Action)->setObjectName(button.Name);
        }
    }
    addToolBar(Qt::TopToolBarArea, PanelToolBar);
}

QMenu* TFormMain::createPopupMenu() { return nullptr; }
