// Both languages: every menu caption and dialog control against the wording
// the program must show, what never changes, and the language command.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include "app/about_box.h"
#include "app/captions.h"
#include "app/english_texts.h"
#include "app/form_plugins.h"
#include "app_test_support.h"

namespace {

struct Pair {
    const char* Name;
    const char* Japanese;
    const char* English;
};

const Pair kMenu[] = {
    {"MenuFile", "ファイル(&F)", "&File"},
    {"MenuOpen", "開く(&O)...", "&Open..."},
    {"MenuSave", "保存(&S)...", "&Save..."},
    {"MenuProperty", "プロパティ(&P)", "&Property..."},
    {"MenuToolBar", "ツールバー(&T)", "&ToolBar"},
    {"MenuPlugins", "プラグインの設定(&L)...", "Import P&lugins..."},
    {"MenuFileExit", "終了(&E)", "&Exit"},
    {"MenuEdit", "編集(&E)", "&Edit"},
    {"MenuReduce", "減色(&R)...", "&Reduce..."},
    {"MenuSetting", "設定(&S)...", "&Setting..."},
    {"MenuPaste", "貼り付け(&P)", "&Paste"},
    {"MenuCopy", "コピー(&C)", "&Copy"},
    {"MenuCancel", "キャンセル(&L)", "Cance&l"},
    {"MenuView", "表示(&V)", "&View"},
    {"MenuZoomIn", "拡大(&I)", "Zoom &in"},
    {"MenuZoomOut", "縮小(&O)", "Zoom &out"},
    {"MenuActualPixels", "等倍(&A)", "&Actual pixels"},
    {"MenuWindow", "ウインドウ(&W)", "&Window"},
    {"MenuCascade", "重ねて表示(&S)", "Casca&de"},
    {"MenuHTile", "上下に並べて表示(&H)", "Tile &Horizontal"},
    {"MenuVTile", "左右に並べて表示(&E)", "Tile &Verical"},
    {"MenuArrange", "アイコンを整列(&A)", "&Arrenge Icons"},
    {"MenuMinimize", "全ウインドウを最小化(&M)", "&Minimize"},
    {"MenuRestoreUp", "元に戻す ‐ 最小化(&U)", "&Restore Up"},
    {"MenuCloseAll", "すべて閉じる(&C)", "&Close All"},
    {"MenuSeparate", "バッチを展開(&S)", "&Separete"},
    {"MenuGather", "画像をバッチ化(&G)", "&Gather"},
    {"MenuMerge", "バッチを結合(&M)", "&Merge"},
    {"MenuHelp", "ヘルプ(&H)", "&Help"},
    {"MenuManual", "マニュアル(&M)", "&Manual"},
    {"MenuEnglish", "&English", "日本語(&J)"},
    {"MenuHelpAbout", "バージョン情報(&A)...", "&About..."},
};

// Controls of the settings dialog with a caption; English "" = unchanged.
const Pair kSettings[] = {
    {"GroupBox3", " パレット作成 ", " Indexed color "},
    {"RadioButton8bit", "8 ビット(256色)", "8bit (256)"},
    {"RadioButton4bit", "4 ビット(16色)", "4bit (16)"},
    {"RadioButton1bit", "1 ビット(2色)", "1bit (2)"},
    {"RadioButtonPalette", "任意の数(2-256)", "n Palette(2-256)"},
    {"CheckBoxAdd16", "固定16色を付加", "Include Sys16."},
    {"GroupBox4", " ディザ方法 ", " Dither "},
    {"Label9", "モード", "Mode"},
    {"Label2", "弱⇔強", "Depth"},
    {"Label10", "オプション", "Option"},
    {"GroupBox2", " 減色エンジン設定 ", " Quantize engine "},
    {"Label4", "出力精度", "Output fix"},
    {"Label3", "入力精度", "Source level"},
    {"ButtonDefault", "初期化", "Default"},
    {"GroupBoxTrans", " 透過パレット設定 ", " Transparency palette "},
    {"CheckBoxTrans", "パレットに透過用色を割り当てる", "Ensure a palette for transparency area"},
    {"RadioButtonLT", "左上", "Top Left"},
    {"RadioButtonRT", "右上", "Top Right"},
    {"RadioButtonLB", "左下", "Bottom Left"},
    {"RadioButtonRB", "右下", "Bottom Right"},
    {"GroupBox1", " バッチ出力のフォルダ設定 ", " Save folder on batch mode "},
    {"ButtonBatch", "参照(&B)...", "&Browse..."},
    {"RadioButtonBMP", "BMP", "BMP"},
    {"RadioButtonPNG", "PNG", "PNG"},
    {"RadioButtonGIF", "GIF", "GIF"},
    {"GroupBox5", " PNG オプション ", " PNG option "},
    {"CheckBoxPNGinterlace", "インターレース書き出し", "Interlace ADAM7"},
    {"GroupBoxGIF", " GIF option ", " GIF option "},
    {"Label7", "Type", "Type"},
    {"OKButton", "OK", "OK"},
    {"ButtonCansel", "キャンセル", "Cancel"},
};

QString CaptionOf(QObject* object) {
    if (auto* g = qobject_cast<QGroupBox*>(object)) return g->title();
    if (auto* l = qobject_cast<QLabel*>(object)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(object)) return b->text();
    return {};
}

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

QStringList TabTexts(const QTabWidget* tabs) {
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i) texts << tabs->tabText(i);
    return texts;
}

const QStringList kToolTips = {"開く...", "保存...", "貼り付け", "ｺﾋﾟｰ", "拡大",
                               "等倍",    "縮小",    "減色...",  "中断"};

QStringList ToolTips(const QToolBar* bar) {
    QStringList tips;
    for (QToolButton* button : bar->findChildren<QToolButton*>()) {
        if (!button->objectName().startsWith("SpeedButton")) continue;
        tips << button->toolTip();
    }
    return tips;
}

class LanguageTest : public AppTest, public ::testing::WithParamInterface<bool> {};

}  // namespace

TEST_P(LanguageTest, MainMenuCaptions) {
    const bool english = GetParam();
    WriteIni(std::string("[zinop]\nVersion=35\nlanguage=") + (english ? "1" : "0") + "\n");
    Start();
    for (const Pair& p : kMenu) {
        auto* action = Main().findChild<QAction*>(p.Name);
        ASSERT_NE(action, nullptr) << p.Name;
        EXPECT_EQ(action->text(), QString::fromUtf8(english ? p.English : p.Japanese)) << p.Name;
    }
    EXPECT_EQ(Main().windowTitle(), "Zinop");
    EXPECT_EQ(ToolTips(Main().PanelToolBar), kToolTips);  // the same in both languages
}

TEST_P(LanguageTest, SettingsDialogCaptions) {
    const bool english = GetParam();
    WriteIni(std::string("[zinop]\nVersion=35\nditherMode=3\nSource=2\nlanguage=") +
             (english ? "1" : "0") + "\n");
    Start();
    TFormCPL& d = Dialog();
    for (const Pair& p : kSettings) {
        QObject* control = d.findChild<QObject*>(p.Name);
        ASSERT_NE(control, nullptr) << p.Name;
        EXPECT_EQ(CaptionOf(control), QString::fromUtf8(english ? p.English : p.Japanese))
            << p.Name;
    }
    EXPECT_EQ(d.windowTitle(), english ? "Setting" : "減色設定");
    EXPECT_EQ(TabTexts(d.PageControl1),
              english ? QStringList({"Main", "Engine", "Transparency", "Batch", "Palette"})
                      : QStringList({"メイン", "エンジン", "透過", "バッチ", "パレット"}));
    EXPECT_EQ(Items(d.ComboBoxDither),
              english ? QStringList({"(None)", "gPeanos", "DiffuseFS", "Maem", "Anime"})
                      : QStringList({"(なし)", "gPeanos", "誤差拡散", "平均誤差", "アニメ"}));
    EXPECT_EQ(Items(d.ComboBoxTrim),
              english ? QStringList({"5bit", "6bit", "7bit", "8bit"})
                      : QStringList({"5 ビット", "6 ビット", "7 ビット", "8 ビット"}));
    EXPECT_EQ(Items(d.ComboBoxPaletteVolume),
              QStringList({"Web", "444", "555", "655", "666", "777", "888"}));
    EXPECT_EQ(Items(d.ComboBoxGIF), QStringList({"87a non interlace", "87a interlace",
                                                 "89a non interlace", "89a interlace"}));
    // The values loaded after the lists were translated are shown.
    EXPECT_EQ(d.ComboBoxDither->currentIndex(), 3);
    EXPECT_EQ(d.ComboBoxTrim->currentIndex(), 2);
}

TEST_P(LanguageTest, RefinePaletteListInBothLanguages) {
    const bool english = GetParam();
    WriteIni(std::string("[zinop]\nVersion=35\nRefine=2\nlanguage=") + (english ? "1" : "0") +
             "\n");
    Start();
    TFormCPL& d = Dialog();
    EXPECT_EQ(d.LabelRefine->text(), english ? "Refine palette" : "パレットを最適化");
    EXPECT_EQ(Items(d.ComboBoxRefine), english ? QStringList({"Off", "1", "2", "3"})
                                               : QStringList({"しない", "1", "2", "3"}));
    EXPECT_EQ(d.ComboBoxRefine->currentIndex(), 2);
    d.ComboBoxRefine->setCurrentIndex(3);
    EXPECT_EQ(Program->Settings.ComboBoxRefine, 3);
}

TEST_P(LanguageTest, PluginDialogAboutBoxAndChooserCaptions) {
    const bool english = GetParam();
    SetUseEnglish(english);
    TSettingsRecord settings;
    TFormPlugins plugins(settings);
    EXPECT_EQ(plugins.windowTitle(), english ? "Import Plugins" : "プラグインの設定");
    EXPECT_EQ(plugins.GroupBox1->title(), english ? " Plugins folder " : " プラグインのフォルダ ");
    EXPECT_EQ(plugins.ButtonBrowse->text(), english ? "&Browse..." : "参照(&B)...");
    EXPECT_EQ(plugins.Label1->text(), english ? "Valid plugins" : "有効プラグイン");
    EXPECT_EQ(plugins.Label2->text(), english ? "Invalid plugins" : "無効プラグイン");
    EXPECT_EQ(plugins.ButtonRemove->text(), english ? "REMOVE >>" : "除外 >>");
    EXPECT_EQ(plugins.ButtonAdd->text(), english ? "<< ADD" : "<< 追加");
    EXPECT_EQ(plugins.ButtonOK->text(), "OK");

    TModalWatcher watcher;
    TAboutBox about;
    about.exec();
    TSelectFolder chooser;
    ChooseFolder(chooser, TempFolder());
    ASSERT_EQ(watcher.Seen.size(), 2u);
    EXPECT_EQ(watcher.Seen[0].Title, english ? "About" : "バージョン情報");
    EXPECT_EQ(watcher.Seen[1].Title, english ? "Select folder" : "フォルダの選択");
    EXPECT_EQ(chooser.ButtonCancel->text(), english ? "Cancel" : "キャンセル");
    EXPECT_EQ(about.ProgramIcon->toolTip(), "Go to Web");
    EXPECT_EQ(about.ProgramIcon->cursor().shape(), Qt::PointingHandCursor);  // the link cursor
    EXPECT_EQ(about.ProgramIcon->size(), QSize(32, 32));
    EXPECT_EQ(about.Comments->toPlainText().split('\n').mid(0, 2),
              QStringList({"Color quantization tool for Linux", "[ Zinop ] version 35."}));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, LanguageTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "English" : "Japanese"; });

TEST_F(AppTest, SwitchMessageIsInTheNewLanguageAndMenusStay) {
    WriteIni("[zinop]\nVersion=35\nlanguage=0\n");
    Start();
    Main().MenuEnglish->trigger();
    Main().MenuEnglish->trigger();
    ASSERT_EQ(Messages.size(), 2u);
    EXPECT_EQ(Messages[0].Kind, TMessageKind::Information);
    EXPECT_EQ(Messages[0].Title, "Change language");
    EXPECT_EQ(Messages[0].Text, "Please restart Zinop.");
    EXPECT_EQ(Messages[1].Title, "言語切り替え");
    EXPECT_EQ(Messages[1].Text, "Zinopを終了させ再実行してください。");
    EXPECT_EQ(Main().MenuFile->title(), "ファイル(&F)");
    Stop();
    EXPECT_EQ(ReadIni().ReadInteger("zinop", "language"), 0);  // two switches: unchanged
}

TEST_F(AppTest, OneSwitchIsStoredAndAppliedAtTheNextStart) {
    WriteIni("[zinop]\nVersion=35\nlanguage=0\n");
    Start();
    Main().MenuEnglish->trigger();
    EXPECT_EQ(Dialog().Label9->text(), "モード");  // captions wait for the next start
    Stop();
    EXPECT_EQ(ReadIni().ReadInteger("zinop", "language"), 1);
    Start();
    EXPECT_EQ(Dialog().Label9->text(), "Mode");
    EXPECT_EQ(Main().MenuEnglish->text(), "日本語(&J)");
}

TEST(EnglishTexts, OnlyTheNamedClassesAreWalked) {
    QWidget form;
    auto* label = new QLabel(&form);
    SetCaption(label, {"Label", "ラベル", "Label"});
    auto* sub = new TTabSheet(&form);  // a class the walk is not asked for
    SetCaption(sub, {"Page", "ページ", "Page"});
    auto* noHint = new QPushButton(&form);
    SetCaption(noHint, {"Button", "ボタン", ""});
    form.setProperty(kHintProperty, "Title");
    ApplyEnglishToForm(&form, {"QLabel", "QPushButton"});
    EXPECT_EQ(label->text(), "Label");
    EXPECT_EQ(sub->Caption(), "ページ");
    EXPECT_EQ(noHint->text(), "ボタン");
    EXPECT_EQ(form.windowTitle(), "Title");
}

TEST(CommaText, SplitsAtCommasAndBlanksUnlessQuoted) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommaText("(None),gPeanos,DiffuseFS,Maem,Anime"),
              V({"(None)", "gPeanos", "DiffuseFS", "Maem", "Anime"}));
    EXPECT_EQ(SplitCommaText("a b,c"), V({"a", "b", "c"}));
    EXPECT_EQ(SplitCommaText("\"a b\",\"say \"\"hi\"\"\""), V({"a b", "say \"hi\""}));
    EXPECT_EQ(SplitCommaText("  a , b"), V({"a", "b"}));
    EXPECT_EQ(SplitCommaText("a,,b"), V({"a", "", "b"}));
    EXPECT_EQ(SplitCommaText("a,"), V({"a", ""}));
    EXPECT_EQ(SplitCommaText(""), V());
}
