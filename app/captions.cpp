#include "app/captions.h"

#include <cassert>
#include <iterator>

namespace {

constexpr TCaption kMainMenu[] = {
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
    {"MenuPalette", "パレット(&L)", "Pa&lette"},
    {"MenuWindow", "ウインドウ(&W)", "&Window"},
    {"MenuCascade", "重ねて表示(&S)", "Casca&de"},
    {"MenuHTile", "上下に並べて表示(&H)", "Tile &Horizontal"},
    {"MenuVTile", "左右に並べて表示(&E)", "Tile &Verical"},
    {"MenuArrange", "アイコンを整列(&A)", "&Arrenge Icons"},
    {"MenuMinimize", "全ウインドウを最小化(&M)", "&Minimize"},
    {"MenuRestoreUp", "元に戻す \u2010 最小化(&U)", "&Restore Up"},
    {"MenuCloseAll", "すべて閉じる(&C)", "&Close All"},
    {"MenuSeparate", "バッチを展開(&S)", "&Separete"},
    {"MenuGather", "画像をバッチ化(&G)", "&Gather"},
    {"MenuMerge", "バッチを結合(&M)", "&Merge"},
    {"MenuHelp", "ヘルプ(&H)", "&Help"},
    {"MenuManual", "マニュアル(&M)", "&Manual"},
    {"MenuEnglish", "&English", "日本語(&J)"},
    {"MenuHelpAbout", "バージョン情報(&A)...", "&About..."},
};

// Tooltips are the same in both languages.
constexpr TCaption kToolButtons[] = {
    {"SpeedButtonOpen", "開く...", ""},   {"SpeedButtonSave", "保存...", ""},
    {"SpeedButtonPaste", "貼り付け", ""}, {"SpeedButtonCopy", "ｺﾋﾟｰ", ""},
    {"SpeedButtonPlus", "拡大", ""},      {"SpeedButtonActual", "等倍", ""},
    {"SpeedButtonMinus", "縮小", ""},     {"SpeedButtonReduce", "減色...", ""},
    {"SpeedButtonCancel", "中断", ""},
};

constexpr TCaption kSettings[] = {
    {"FormCPL", "減色設定", "Setting"},
    {"OKButton", "OK", ""},
    {"ButtonCansel", "キャンセル", "Cancel"},
    // Page "Main"
    {"TabSheetMain", "メイン", "Main"},
    {"GroupBox3", " パレット作成 ", " Indexed color "},
    {"RadioButton8bit", "8 ビット(256色)", "8bit (256)"},
    {"RadioButton4bit", "4 ビット(16色)", "4bit (16)"},
    {"RadioButton1bit", "1 ビット(2色)", "1bit (2)"},
    {"RadioButtonPalette", "任意の数(2-256)", "n Palette(2-256)"},
    {"CheckBoxAdd16", "固定16色を付加", "Include Sys16."},
    {"GroupBox4", " ディザ方法 ", " Dither "},
    {"Label9", "モード", "Mode"},
    {"ComboBoxDither", "(なし)\ngPeanos\n誤差拡散\n平均誤差\nアニメ",
     "(None),gPeanos,DiffuseFS,Maem,Anime"},
    {"Label2", "弱⇔強", "Depth"},
    {"Label10", "オプション", "Option"},
    // Page "Engine"
    {"TabSheetEngine", "エンジン", "Engine"},
    {"GroupBox2", " 減色エンジン設定 ", " Quantize engine "},
    {"Label4", "出力精度", "Output fix"},
    {"ComboBoxPaletteVolume", "Web\n444\n555\n655\n666\n777\n888", ""},
    {"Label3", "入力精度", "Source level"},
    {"ComboBoxTrim", "5 ビット\n6 ビット\n7 ビット\n8 ビット", "5bit,6bit,7bit,8bit"},
    {"ButtonDefault", "初期化", "Default"},
    // Page "Transparency"
    {"TabSheetTrans", "透過", "Transparency"},
    {"GroupBoxTrans", " 透過パレット設定 ", " Transparency palette "},
    {"CheckBoxTrans", "パレットに透過用色を割り当てる", "Ensure a palette for transparency area"},
    {"RadioButtonLT", "左上", "Top Left"},
    {"RadioButtonRT", "右上", "Top Right"},
    {"RadioButtonLB", "左下", "Bottom Left"},
    {"RadioButtonRB", "右下", "Bottom Right"},
    {"GroupBoxAlpha", " アルファチャンネル ", " Alpha channel "},
    {"CheckBoxAlpha", "画像のアルファチャンネルを使う", "Use the picture's alpha channel"},
    {"LabelAlphaThreshold", "これ未満の不透明度は透過", "Transparent below alpha"},
    // Page "Batch"
    {"TabSheetBatch", "バッチ", "Batch"},
    {"GroupBox1", " バッチ出力のフォルダ設定 ", " Save folder on batch mode "},
    {"ButtonBatch", "参照(&B)...", "&Browse..."},
    {"RadioButtonBMP", "BMP", ""},
    {"RadioButtonPNG", "PNG", ""},
    {"RadioButtonGIF", "GIF", ""},
    {"GroupBox5", " PNG オプション ", " PNG option "},
    {"CheckBoxPNGinterlace", "インターレース書き出し", "Interlace ADAM7"},
    {"GroupBoxGIF", " GIF option ", ""},
    {"Label7", "Type", ""},
    {"ComboBoxGIF", "87a non interlace\n87a interlace\n89a non interlace\n89a interlace", ""},
    // Page "Engine", palette refinement
    {"LabelRefine", "パレットを最適化", "Refine palette"},
    {"ComboBoxRefine", "しない\n1\n2\n3", "Off,1,2,3"},
};

constexpr TCaption kPlugins[] = {
    {"FormPlugins", "プラグインの設定", "Import Plugins"},
    {"GroupBox1", " プラグインのフォルダ ", " Plugins folder "},
    {"ButtonBrowse", "参照(&B)...", "&Browse..."},
    {"Label1", "有効プラグイン", "Valid plugins"},
    {"Label2", "無効プラグイン", "Invalid plugins"},
    {"ButtonRemove", "除外 >>", "REMOVE >>"},
    {"ButtonAdd", "<< 追加", "<< ADD"},
    {"ButtonOK", "OK", ""},
};

constexpr TCaption kSelectFolder[] = {
    {"SelectFolder", "フォルダの選択", "Select folder"},
    {"ButtonOK", "OK", ""},
    {"ButtonCancel", "キャンセル", "Cancel"},
};

constexpr TCaption kAbout[] = {
    {"AboutBox", "バージョン情報", "About"},
    {"ProgramIcon", "Go to Web", ""},  // the icon's tooltip, both languages
    {"OKButton", "OK", ""},
};

constexpr const char* kAboutLines[] = {
#ifdef _WIN32
    "Color quantization tool for Windows",
#else
    "Color quantization tool for Linux",
#endif
    "[ Zinop ] version 35.",
    "This program is free software.",
    "本ソフトウェアは無料でお使いいただけます。本ソフトウェアの使用によって生じたいかなる損害につい"
    "ても、"
    "作者は一切の責任を負いません。",
};

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A double-quoted item starting at text[pos] (the opening quote); "" inside
// stands for one quote. pos ends after the closing quote (or at the end).
std::string QuotedItem(std::string_view text, std::size_t& pos) {
    std::string item;
    ++pos;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c != '"') {
            item += c;
        } else if (pos < text.size() && text[pos] == '"') {
            item += '"';
            ++pos;
        } else {
            break;
        }
    }
    return item;
}

}  // namespace

std::span<const TCaption> MainMenuCaptions() { return kMainMenu; }
std::span<const TCaption> ToolButtonCaptions() { return kToolButtons; }
std::span<const TCaption> SettingsCaptions() { return kSettings; }
std::span<const TCaption> PluginsCaptions() { return kPlugins; }
std::span<const TCaption> SelectFolderCaptions() { return kSelectFolder; }
std::span<const TCaption> AboutCaptions() { return kAbout; }
std::span<const char* const> AboutTextLines() { return kAboutLines; }

const TCaption& FindCaption(std::span<const TCaption> table, std::string_view name) {
    for (const TCaption& caption : table) {
        if (name == caption.Name) return caption;
    }
    assert(!"caption missing from its table");
    static constexpr TCaption kNone{"", "", ""};
    return kNone;
}

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> items;
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    while (pos < text.size()) {
        if (text[pos] == '"') {
            items.push_back(QuotedItem(text, pos));
        } else {
            std::size_t start = pos;
            while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != ',') ++pos;
            items.emplace_back(text.substr(start, pos - start));
        }
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
        if (pos < text.size() && text[pos] == ',') {
            if (pos + 1 == text.size()) items.emplace_back();
            do {
                ++pos;
            } while (pos < text.size() && IsBlank(text[pos]));
        }
    }
    return items;
}
