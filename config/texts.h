#pragma once
// Every text the program holds as a pair (English, Japanese), chosen by the
// process-wide language flag at the moment of use. Captions of menus and of
// dialog controls live with the desktop program's forms, not here.
//
// Owner of the language: the process-wide flag below (UseEnglish() /
// SetUseEnglish()). LoadSettings sets it (and mirrors it into
// TSettingsRecord::UseEnglish); the language command flips it; SaveSettings
// stores UseEnglish() as the key "language". Read and written atomically, so
// a worker thread may call Text() while the main thread switches.
//
// All texts are UTF-8, NUL-terminated, with static storage duration. "\n" in
// a text is a line break. The caller composes the full message (a path in
// front, a number after, ...) as the comments say.

#include <cstddef>

enum class TextId : int {
    // Batch log lines.
    BatchSave,          // "Save : " + output path (integrated run)
    BatchCantSave,      // "Can't save"
    BatchSkipSameName,  // "Skip : same filename"
    BatchSaving,        // "Save..." (per-file run)
    BatchFinish,        // "Finish (" + n + "/" + count + ") " + output path
    BatchLoad,          // "Load : " + source path
    BatchCantLoad,      // "Can't load : " + source path
    BatchReducing,      // "Reduce..."
    BatchComplete,      // "Complete."
    BatchAbort,         // "Abort."
    // Opening and saving a single file: path + text, in a warning box.
    OpenCantLoad,      // "\nCan't load"
    OpenFailureTitle,  // "Open"
    SaveCantSave,      // "\nCan't save"
    SaveFailureTitle,  // "Save" / "保存"
    // Picture properties: W + " x " + H + " / " + count + text.
    PropertyColors,  // " color(s)."
    PropertyTitle,   // "Property"
    // Language switch box (shown in the NEW language).
    RestartMessage,       // "Please restart Zinop."
    ChangeLanguageTitle,  // "Change language"
    // File-dialog filters: display name and pattern separated by "|".
    OpenFilter,  // all files, BMP
    SaveFilter,  // all files, BMP, PNG, GIF
    // Captions of windows created at run time (and their translated parts).
    BatchCaption,               // new batch window: "Batch"
    CheckBoxIntegratedCaption,  // batch/picture window check box: "Integrated Palette"
    SettingTitle,               // settings dialog: "Setting"
    AboutTitle,                 // About box: "About"
    SelectFolderTitle,          // folder chooser: "Select folder"
    PluginsTitle,               // plug-in dialog: "Import Plugins"
    // Settings file.
    CantWriteFile,  // "%s に書き込めません" in both languages; %s = full path
    SettingsTooLarge,  // the settings file is over 1 MB: ignored and kept; %s = full path
    // zinop-cli info.
    PropertyAlpha,  // line for a picture with alpha: "Alpha channel: yes"

    Count  // number of texts; not a text
};

// The text of id in the current language (UseEnglish()). Never null; an id
// out of range gives "".
const char* Text(TextId id);
// The text of id in the language asked for, whatever the flag says.
const char* Text(TextId id, bool english);

// The process-wide language flag: true English, false Japanese. Starts true
// (English) until LoadSettings or SetUseEnglish decides.
bool UseEnglish();
void SetUseEnglish(bool english);

// The core's locale rule: true when LC_ALL, or LANG when LC_ALL is unset or
// empty, starts with "ja". The desktop program uses
// QLocale instead and passes its answer through TSettingsHooks.
bool SystemLocaleIsJapanese();
