#pragma once
// Every caption of the program's windows in one place: each control's
// Japanese caption (the text as designed) and its English hint. The English
// interface copies hints over captions (ApplyEnglishTexts); an empty hint
// means the text is the same in both languages and never changes.
//
// Messages and file-dialog filters are not here: they are the text pairs of
// config/texts.h, chosen at the moment they are shown.
//
// Drop-down lists: Japanese holds the items separated by '\n'; English holds
// the items as one comma text ("(None),gPeanos,...", split by SplitCommaText).

#include <span>
#include <string>
#include <string_view>
#include <vector>

struct TCaption {
    const char* Name;      // the control's name (its objectName)
    const char* Japanese;  // caption in Japanese mode
    const char* English;   // hint: caption in English mode, "" when none
};

// The main window: menus and menu items, and the tool buttons' tooltips
// (Japanese in both languages, so their hints are empty).
std::span<const TCaption> MainMenuCaptions();
std::span<const TCaption> ToolButtonCaptions();
// The settings dialog TFormCPL, its pages and its controls; the entry named
// "FormCPL" is the window title.
std::span<const TCaption> SettingsCaptions();
// The plug-in dialog TFormPlugins ("FormPlugins" is the title).
std::span<const TCaption> PluginsCaptions();
// The folder chooser TSelectFolder ("SelectFolder" is the title).
std::span<const TCaption> SelectFolderCaptions();
// The About box TAboutBox ("AboutBox" is the title).
std::span<const TCaption> AboutCaptions();

// The entry named name in table; a programmer error (assert) when missing,
// an empty caption in release builds.
const TCaption& FindCaption(std::span<const TCaption> table, std::string_view name);

// Splits a list's English hint into items the way the classic comma-text
// property does: items end at a comma and at blanks (any byte up to ' '),
// unless enclosed in double quotes ("" inside quotes is one quote); blanks
// around items are skipped; a comma at the very end adds an empty item.
std::vector<std::string> SplitCommaText(std::string_view text);

// The lines of the About box's text, in order.
std::span<const char* const> AboutTextLines();
