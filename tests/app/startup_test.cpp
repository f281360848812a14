// Start-up and shutdown of the program: first start, a version-35 file
// applied to every control, window state and tool strip across a restart,
// the save on close and the close refused during a run.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QToolBar>
#include <QtTest/QTest>

#include "app/captions.h"
#include "app_test_support.h"
#include "config/paths.h"

namespace {

const char* kFullIni =
    "[zinop]\n"
    "Version=35\n"
    "dither=3\nFix=2\nSource=1\nCblue=4\nCred=15\nCgreen=20\n"
    "ditherMode=1\nditherOption=33\nBits=7\nEditValue=100\nAdd16Pal=1\n"
    "Trans=1\nTransSW=1\nPNGtype=1\nBatchIs=1\nGIFtype=3\nToolBar=0\n"
    "BatchSaveDirectory=/tmp/batch out/\nLoadDirectory=/tmp/in/\nSaveDirectory=/tmp/save/\n"
    "OpenIndex=2\nSaveIndex=3\nPluginsPath=/nonexistent/plugins/\nlanguage=1\n"
    "WindowWidth=700\nWindowHeight=500\nWindowTop=40\nWindowLeft=30\nWindowState=0\n"
    "Recent0=/pictures/cat.bmp\nRecent1=\nRecent9=/pictures/dog.png\n";

}  // namespace

TEST_F(AppTest, FirstStartShowsAboutBoxBeforeMainWindowWithDefaults) {
    std::size_t pluginsAtAbout = 99;
    Program = std::make_unique<TProgram>(IniPath());
    Watcher = std::make_unique<TModalWatcher>(Program->FormMain);
    Watcher->Answer = [&](QDialog* dialog) {
        pluginsAtAbout = LoadedPlugins().size();
        dialog->accept();
    };
    Main().SystemIsJapanese = [] { return false; };
    Main().ShowFirstTime();
    EXPECT_EQ(pluginsAtAbout, 0u);          // the About box comes before the plug-ins
    EXPECT_FALSE(LoadedPlugins().empty());  // the bundled ones beside the program
    ASSERT_EQ(Watcher->Seen.size(), 1u);
    EXPECT_EQ(Watcher->Seen[0].ClassName, "TAboutBox");
    EXPECT_EQ(Watcher->Seen[0].Title, "About");  // English on a non-Japanese system
    EXPECT_FALSE(Watcher->Seen[0].MainWindowVisible);
    EXPECT_TRUE(Main().isVisible());
    EXPECT_TRUE(UseEnglish());
    EXPECT_EQ(Main().MenuFile->title(), "&File");

    TFormCPL& d = Dialog();
    EXPECT_TRUE(d.RadioButton8bit->isChecked());
    EXPECT_FALSE(d.EditValue->isEnabled());
    EXPECT_EQ(d.EditValue->value(), 64);
    EXPECT_EQ(d.ComboBoxDither->currentIndex(), 2);
    EXPECT_EQ(d.ComboBoxDither->currentText(), "DiffuseFS");
    EXPECT_EQ(d.TrackBarDither->value(), 7);
    EXPECT_TRUE(d.TrackBarDither->isEnabled());
    EXPECT_TRUE(d.EditSpreadOption->isHidden());
    EXPECT_EQ(d.EditSpreadOption->value(), 16);
    EXPECT_EQ(d.ComboBoxPaletteVolume->currentText(), "888");
    EXPECT_EQ(d.ComboBoxTrim->currentIndex(), 3);
    EXPECT_EQ(d.TrackBarCb->value(), 10);
    EXPECT_EQ(d.TrackBarCr->value(), 10);
    EXPECT_EQ(d.TrackBarCg->value(), 10);
    EXPECT_TRUE(d.RadioButtonRB->isChecked());
    EXPECT_FALSE(d.CheckBoxTrans->isChecked());
    EXPECT_TRUE(d.RadioButtonBMP->isChecked());
    EXPECT_EQ(d.ComboBoxGIF->currentIndex(), 0);
    EXPECT_FALSE(Main().PanelToolBar->isHidden());
    EXPECT_TRUE(Main().MenuToolBar->isChecked());
    EXPECT_EQ(Program->Settings.PluginFolder, AddTrailingSeparator(ProgramFolder()));
    EXPECT_EQ(Program->Settings.BatchSaveDirectory,
              AddTrailingSeparator(QDir::currentPath().toStdString()));
    EXPECT_EQ(PluginFolder(), Program->Settings.PluginFolder);
    EXPECT_FALSE(ReduceRunning);

    Stop();
    EXPECT_EQ(ReadIni().ReadInteger("zinop", "language"), 1);
    EXPECT_EQ(ReadIni().ReadInteger("zinop", "Version"), 35);
}

TEST_F(AppTest, FirstStartOnJapaneseSystemIsJapaneseAndStoresLanguageZero) {
    Start(/*japaneseSystem=*/true);
    ASSERT_EQ(Watcher->Seen.size(), 1u);
    EXPECT_EQ(Watcher->Seen[0].Title, "バージョン情報");
    EXPECT_FALSE(UseEnglish());
    EXPECT_EQ(Main().MenuFile->title(), "ファイル(&F)");
    EXPECT_EQ(Dialog().ComboBoxDither->currentText(), "誤差拡散");
    Stop();
    EXPECT_EQ(ReadIni().ReadInteger("zinop", "language"), 0);
}

TEST_F(AppTest, OlderVersionIsAFirstStart) {
    WriteIni("[zinop]\nVersion=34\ndither=1\nToolBar=0\n[plugins]\nold.spi=0\n");
    Start();
    ASSERT_EQ(Watcher->Seen.size(), 1u);  // the About box
    EXPECT_EQ(Dialog().TrackBarDither->value(), 7);
    EXPECT_FALSE(Main().PanelToolBar->isHidden());
    Stop();
    EXPECT_FALSE(ReadIni().Value("plugins", "old.spi") == std::nullopt);  // untouched
}

TEST_F(AppTest, Version35FileIsAppliedToEveryControl) {
    WriteIni(kFullIni);
    Start();
    EXPECT_TRUE(Watcher->Seen.empty());  // no About box
    TFormCPL& d = Dialog();
    EXPECT_EQ(d.TrackBarDither->value(), 3);
    EXPECT_EQ(d.ComboBoxPaletteVolume->currentText(), "555");
    EXPECT_EQ(d.ComboBoxTrim->currentText(), "6bit");
    EXPECT_EQ(d.TrackBarCb->value(), 4);
    EXPECT_EQ(d.TrackBarCr->value(), 15);
    EXPECT_EQ(d.TrackBarCg->value(), 20);
    EXPECT_EQ(d.ComboBoxDither->currentText(), "gPeanos");
    EXPECT_EQ(d.EditSpreadOption->value(), 33);
    EXPECT_TRUE(d.RadioButtonPalette->isChecked());  // "Bits" 7 selects any number ...
    EXPECT_TRUE(d.EditValue->isEnabled());           // ... and enables the count field
    EXPECT_EQ(d.EditValue->value(), 100);
    EXPECT_TRUE(d.CheckBoxAdd16->isChecked());
    EXPECT_TRUE(d.RadioButtonLB->isChecked());
    EXPECT_TRUE(d.CheckBoxTrans->isChecked());
    EXPECT_TRUE(d.CheckBoxPNGinterlace->isChecked());
    EXPECT_TRUE(d.RadioButtonPNG->isChecked());
    EXPECT_EQ(d.ComboBoxGIF->currentText(), "89a interlace");
    EXPECT_TRUE(Main().PanelToolBar->isHidden());
    EXPECT_FALSE(Main().MenuToolBar->isChecked());
    d.FormShow();
    EXPECT_EQ(d.LabelFolderText(), "/tmp/batch out/");
    EXPECT_EQ(PluginFolder(), "/nonexistent/plugins/");
    EXPECT_EQ(Main().MenuFile->title(), "&File");
    EXPECT_EQ(Main().pos(), QPoint(30, 40));
    EXPECT_EQ(Main().size(), QSize(700, 500));
    EXPECT_TRUE(Main().MenuFileN[0]->isVisible());
    EXPECT_EQ(Main().MenuFileN[0]->text(), "&1 cat.bmp");
    EXPECT_FALSE(Main().MenuFileN[1]->isVisible());
    EXPECT_TRUE(Main().MenuFileN[9]->isVisible());
    EXPECT_EQ(Main().MenuFileN[9]->text(), "&0 dog.png");
}

TEST_F(AppTest, FileWithOnlyVersionGivesZeroValuesAndJapanese) {
    WriteIni("[zinop]\nVersion=35\n");
    Start();
    TFormCPL& d = Dialog();
    EXPECT_FALSE(UseEnglish());
    EXPECT_EQ(d.TrackBarDither->value(), 0);
    EXPECT_EQ(d.ComboBoxPaletteVolume->currentText(), "Web");
    EXPECT_EQ(d.ComboBoxTrim->currentText(), "5 ビット");
    EXPECT_EQ(d.ComboBoxDither->currentText(), "(なし)");
    EXPECT_FALSE(d.TrackBarDither->isEnabled());
    EXPECT_FALSE(d.Label2->isEnabled());
    EXPECT_TRUE(d.EditSpreadOption->isHidden());
    EXPECT_TRUE(d.RadioButton8bit->isChecked());
    EXPECT_EQ(d.EditValue->value(), 2);  // 0 clamped into 2..256
    EXPECT_EQ(Program->Settings.UpDownValue, 2);
    EXPECT_TRUE(d.RadioButtonLT->isChecked());
    EXPECT_TRUE(d.RadioButtonBMP->isChecked());
    EXPECT_TRUE(Main().PanelToolBar->isHidden());
    for (QAction* item : Main().MenuFileN) EXPECT_FALSE(item->isVisible());
}

TEST_F(AppTest, HiddenToolBarAndMaximizedWindowSurviveARestart) {
    WriteIni(kFullIni);
    Start();
    Main().MenuToolBarClick();  // shown again
    EXPECT_FALSE(Main().PanelToolBar->isHidden());
    Main().MenuToolBarClick();  // hidden
    EXPECT_TRUE(Main().PanelToolBar->isHidden());
    EXPECT_FALSE(Main().MenuToolBar->isChecked());
    Main().resize(640, 480);
    Main().showMaximized();
    QApplication::processEvents();
    Stop();
    TIniDocument ini = ReadIni();
    EXPECT_EQ(ini.ReadInteger("zinop", "WindowState"), 2);
    EXPECT_EQ(ini.ReadInteger("zinop", "WindowWidth"), 640);  // the last normal size
    EXPECT_EQ(ini.ReadInteger("zinop", "WindowHeight"), 480);
    EXPECT_EQ(ini.ReadInteger("zinop", "ToolBar"), 0);

    Start();
    EXPECT_TRUE(Main().isMaximized());
    EXPECT_TRUE(Main().PanelToolBar->isHidden());
    EXPECT_FALSE(Main().MenuToolBar->isChecked());
    EXPECT_EQ(Program->Settings.NormalBounds.Width, 640);
}

TEST_F(AppTest, WindowStoredOffEveryScreenComesBackOntoThePrimary) {
    WriteIni(
        "[zinop]\nVersion=35\nWindowLeft=-5000\nWindowTop=40\nWindowWidth=400\nWindowHeight=300\n");
    Start();
    const QRect area = QApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(area.contains(Main().geometry().topLeft()));
    EXPECT_EQ(Main().size(), QSize(400, 300));
}

TEST_F(AppTest, CloseSavesWhatTheDialogChanged) {
    WriteIni(kFullIni);
    Start();
    Dialog().TrackBarCr->setValue(2);
    Dialog().RadioButton1bit->setChecked(true);
    Dialog().ComboBoxGIF->setCurrentIndex(1);
    Stop();
    TIniDocument ini = ReadIni();
    EXPECT_EQ(ini.ReadInteger("zinop", "Cred"), 2);
    EXPECT_EQ(ini.ReadInteger("zinop", "Bits"), 2);
    EXPECT_EQ(ini.ReadInteger("zinop", "GIFtype"), 1);
    EXPECT_EQ(ini.ReadString("zinop", "Recent0"), "/pictures/cat.bmp");
}

TEST_F(AppTest, CloseIsRefusedWhileAReductionRuns) {
    WriteIni(kFullIni);
    Start();
    ReduceRunning = true;
    EXPECT_FALSE(Main().close());
    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(ReadIni().ReadInteger("zinop", "Cred"), 15);
    ReduceRunning = false;
    EXPECT_TRUE(Main().close());
}

TEST_F(AppTest, FailedSaveIsReportedAndTheProgramStillCloses) {
    WriteIni(kFullIni);
    Start();
    QDir(Dir.path()).removeRecursively();  // the settings file cannot be written now
    EXPECT_TRUE(Main().close());
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Kind, TMessageKind::Error);
    EXPECT_TRUE(Messages[0].Text.contains("に書き込めません"));
    EXPECT_TRUE(Messages[0].Text.contains(QString::fromStdString(IniPath())));
}

TEST_F(AppTest, WithoutDocumentsOnlyOpenAndSettingsAreAvailable) {
    WriteIni(kFullIni);
    Start();
    TFormMain& m = Main();
    EXPECT_TRUE(m.MenuOpen->isEnabled());
    EXPECT_TRUE(m.MenuSetting->isEnabled());
    for (QAction* a : {m.MenuReduce, m.MenuSave, m.MenuCancel, m.MenuCopy, m.MenuZoomIn,
                       m.MenuZoomOut, m.MenuActualPixels, m.MenuProperty, m.MenuSeparate,
                       m.MenuGather, m.MenuMerge, m.MenuRestoreUp, m.MenuArrange, m.MenuCloseAll,
                       m.MenuMinimize, m.MenuHTile, m.MenuVTile, m.MenuCascade}) {
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    }
    // Each tool button has the state of its menu item.
    for (const char* name :
         {"SpeedButtonOpen", "SpeedButtonSave", "SpeedButtonReduce", "SpeedButtonCancel"}) {
        auto* button = m.PanelToolBar->findChild<QWidget*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->isEnabled(), std::string(name) == "SpeedButtonOpen") << name;
    }
}

TEST_F(AppTest, ShortcutsOfTheCommands) {
    WriteIni(kFullIni);
    Start();
    TFormMain& m = Main();
    const std::pair<QAction*, const char*> expected[] = {
        {m.MenuReduce, "Ctrl+R"},       {m.MenuOpen, "Ctrl+O"},     {m.MenuSave, "Ctrl+S"},
        {m.MenuCancel, "Esc"},          {m.MenuZoomIn, "Ins"},      {m.MenuZoomOut, "Del"},
        {m.MenuActualPixels, "Ctrl+A"}, {m.MenuProperty, "Ctrl+P"}, {m.MenuCopy, "Ctrl+C"},
        {m.MenuPaste, "Ctrl+V"},        {m.MenuDummy, "F1"},
    };
    for (const auto& [action, keys] : expected) {
        EXPECT_EQ(action->shortcut().toString(), keys) << action->objectName().toStdString();
    }
    EXPECT_EQ(m.ProgressBar->minimum(), 0);
    EXPECT_EQ(m.ProgressBar->maximum(), 1000);
}

TEST_F(AppTest, HelpKeysOpenTheirPagesBesideTheProgram) {
    WriteIni(kFullIni);
    Start();
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(Main().MdiArea, Qt::Key_F1);  // F1 anywhere in the main window
    Main().MenuManual->trigger();
    ASSERT_EQ(Opened.size(), 2u);
    const QString folder = QString::fromStdString(
        AddTrailingSeparator(QApplication::applicationDirPath().toStdString()));
    EXPECT_EQ(Opened[0], folder + "image/operation.htm");
    EXPECT_EQ(Opened[1], folder + "readme.htm");
}

TEST_F(AppTest, ProgressStripFollowsTheRunFlag) {
    WriteIni(kFullIni);
    Start();
    Main().ProgressBar->setValue(500);
    Main().SetReduceRunning(true);
    EXPECT_TRUE(ReduceRunning);
    EXPECT_EQ(Main().ProgressBar->value(), 0);
    Main().SetReduceRunning(false);
    EXPECT_FALSE(ReduceRunning);
}
