#include "config/texts.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

struct TTextPair {
    TextId Id;
    const char* English;
    const char* Japanese;
};

// One row per TextId, in enum order (checked by the tests).
constexpr TTextPair kTexts[] = {
    {TextId::BatchSave, "Save : ", "保存 : "},
    {TextId::BatchCantSave, "Can't save", "保存できません"},
    {TextId::BatchSkipSameName, "Skip : same filename", "スキップします : 対象と保存先が同名"},
    {TextId::BatchSaving, "Save...", "保存中..."},
    {TextId::BatchFinish, "Finish (", "完了 ("},
    {TextId::BatchLoad, "Load : ", "読込 : "},
    {TextId::BatchCantLoad, "Can't load : ", "読み込めません : "},
    {TextId::BatchReducing, "Reduce...", "減色中..."},
    {TextId::BatchComplete, "Complete.", "終了"},
    {TextId::BatchAbort, "Abort.", "中断"},
    {TextId::OpenCantLoad, "\nCan't load", "\n読み込めません。"},
    {TextId::OpenFailureTitle, "Open", "開く"},
    {TextId::SaveCantSave, "\nCan't save", "\n保存できません。"},
    {TextId::SaveFailureTitle, "Save", "保存"},
    {TextId::PropertyColors, " color(s).", " 色."},
    {TextId::PropertyTitle, "Property", "プロパティ"},
    {TextId::RestartMessage, "Please restart Zinop.", "Zinopを終了させ再実行してください。"},
    {TextId::ChangeLanguageTitle, "Change language", "言語切り替え"},
    // The English open filter has a blank before each "("; the save filter has none.
    {TextId::OpenFilter, "All files (*.*)|*.*|BMP files (*.bmp)|*.bmp",
     "すべてのファイル(*.*)|*.*|BMP ファイル(*.bmp)|*.bmp"},
    {TextId::SaveFilter,
     "All files(*.*)|*.*|BMP files(*.bmp)|*.bmp|PNG files(*.png)|*.png|GIF files(*.gif)|*.gif",
     "すべてのファイル(*.*)|*.*|BMP ファイル(*.bmp)|*.bmp|PNG ファイル(*.png)|*.png|GIF "
     "ファイル(*.gif)|*.gif"},
    {TextId::BatchCaption, "Batch", "バッチ"},
    {TextId::CheckBoxIntegratedCaption, "Integrated Palette", "共有パレット"},
    {TextId::SettingTitle, "Setting", "減色設定"},
    {TextId::AboutTitle, "About", "バージョン情報"},
    {TextId::SelectFolderTitle, "Select folder", "フォルダの選択"},
    {TextId::PluginsTitle, "Import Plugins", "プラグインの設定"},
    {TextId::CantWriteFile, "%s に書き込めません", "%s に書き込めません"},
    {TextId::SettingsTooLarge,
     "%s is too large to be a settings file (over 1 MB). Zinop starts with its first-start "
     "settings and leaves the file unchanged.",
     "%s は設定ファイルとしては大きすぎます (1 MB 超)。初回起動時の設定で起動し、このファイルは"
     "変更しません。"},
    {TextId::PropertyAlpha, "Alpha channel: yes", "アルファチャンネル: あり"},
};
static_assert(sizeof(kTexts) / sizeof(kTexts[0]) == static_cast<std::size_t>(TextId::Count),
              "one text pair per TextId");

std::atomic<bool> gUseEnglish{true};

bool StartsWithJa(const char* value) {
    return value != nullptr && std::strncmp(value, "ja", 2) == 0;
}

}  // namespace

const char* Text(TextId id, bool english) {
    const int index = static_cast<int>(id);
    if (index < 0 || index >= static_cast<int>(TextId::Count)) return "";
    const TTextPair& pair = kTexts[index];
    return english ? pair.English : pair.Japanese;
}

const char* Text(TextId id) { return Text(id, UseEnglish()); }

bool UseEnglish() { return gUseEnglish.load(std::memory_order_relaxed); }

void SetUseEnglish(bool english) { gUseEnglish.store(english, std::memory_order_relaxed); }

bool SystemLocaleIsJapanese() {
    const char* all = std::getenv("LC_ALL");
    if (all != nullptr && all[0] != '\0') return StartsWithJa(all);
    return StartsWithJa(std::getenv("LANG"));
}
