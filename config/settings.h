#pragma once
// Loading and saving the settings file "Zinop.ini" (section "zinop").
//
// The file is read once at start (LoadSettings) and written once at close
// (SaveSettings). Only a file whose "Version" reads as 35 is applied; any
// other file, or none, is a first start: the section "zinop" is emptied and
// the first-start values are set. The section "plugins" of the same file is
// never touched here.
//
// Language: the live flag is the process-wide UseEnglish() of config/texts.h.
// LoadSettings decides it (key "language", or the locale on a first start),
// calls SetUseEnglish and mirrors it into TSettingsRecord::UseEnglish.
// SaveSettings stores UseEnglish(), not the record's copy, so the language
// command only has to call SetUseEnglish.
//
// Window values: TSettingsRecord::WindowBounds and WindowState. LoadSettings
// fills them (from the hook CurrentWindowBounds, then from the file when it
// applies); the desktop program places its window from them afterwards. Before
// SaveSettings the desktop program puts its window's current geometry into
// WindowBounds and its state (0 normal, 1 minimized, 2 maximized) into
// WindowState; NormalBounds holds the last normal-state geometry.

#include <functional>
#include <string>

#include "config/paths.h"
#include "config/settings_record.h"

inline constexpr int kSettingsVersion = 35;
inline constexpr const char* kSettingsSection = "zinop";

// The steps of loading that belong to windows. Every member may be left
// empty; an empty hook is skipped (the core and the tests run without windows).
// They are called in this order, at the points the load sequence needs them:
struct TSettingsHooks {
    // Step 1 on a first start: is the system's language Japanese? Empty:
    // SystemLocaleIsJapanese() (LC_ALL / LANG).
    std::function<bool()> SystemIsJapanese;
    // Step 2: only when the language is English; put the English texts on the
    // settings dialog and the main menu, before any value reaches them.
    std::function<void()> ApplyEnglishTexts;
    // Step 3: the main window's current left, top, width, height; they become
    // WindowBounds (state normal) unless the file gives others.
    std::function<TBounds()> CurrentWindowBounds;
    // Step 4: set both file dialogs' filters (Text(TextId::OpenFilter),
    // Text(TextId::SaveFilter)) and default extension "bmp". The filter indexes
    // are already 1 in the record.
    std::function<void()> SetDialogFilters;
    // Step 5: bind the recent-file menu entries to RecentFiles.
    std::function<void()> BindRecentMenu;
    // First start only, after the section was emptied: show the About box modally.
    std::function<void()> ShowAboutBox;
    // First start only: the current directory (becomes BatchSaveDirectory with
    // a trailing separator). Empty: std::filesystem::current_path().
    std::function<std::string()> CurrentDirectory;
    // After all values are in the record: show them in the controls. Selecting
    // a radio button counts as clicking it (PaletteSizeButton ==
    // RadioButtonPalette enables the colour-count field); the toolbar and its
    // check mark follow ToolBarVisible.
    std::function<void()> ApplyValues;
    // Last: the dither-mode dependency rule of the settings dialog, once.
    std::function<void()> ApplyDitherRule;
    // The file is over kIniMaxFileBytes: it is not applied (a first start)
    // and SaveSettings leaves it alone. Called once, before the first-start
    // steps, with the language already the system's; shows
    // Text(TextId::SettingsTooLarge) with the path.
    std::function<void(const std::string& path)> SettingsFileTooLarge;
};

// The settings file of the running program, SettingsPathFor(CurrentProgramPlace())
// (config/paths.h): "Zinop.ini" beside a portable program whose folder can be
// written, else ~/.config/zinop/Zinop.ini. The current directory plays no part.
std::string DefaultSettingsPath();

// Reads the file at path into record and the process-wide language, calling
// hooks as described above. Never fails towards the caller: a missing,
// unreadable or other-version file is a first start; a missing key reads as
// 0, false or "" (not the control default), then clamped to its control's
// range as the control would (so a missing "EditValue" gives 2, a missing
// "OpenIndex" 1); "Bits" other than 0..2 selects RadioButtonPalette, "Trans"
// other than 0..2 selects RadioButtonRB; "WindowState" other than 2 is 0.
// WindowBounds is not checked: the program keeps its window on screen.
void LoadSettings(TSettingsRecord& record, const TSettingsHooks& hooks, const std::string& path);
void LoadSettings(TSettingsRecord& record, const TSettingsHooks& hooks);  // DefaultSettingsPath()

// Writes every key of the section "zinop" in table order ("Version" 35 first,
// the ten "Recent" keys last), keeping the rest of the file. The per-user
// folder of the settings file is made when missing (PrepareSettingsFolder);
// any other missing folder fails the save. Atomic: on
// failure nothing is written, the old file stays intact, false is returned
// and error holds "<full path> に書き込めません" for the program to show.
// A file over kIniMaxFileBytes is no settings file: it is left as it is and
// the save counts as done (true).
bool SaveSettings(const TSettingsRecord& record, const std::string& path, std::string& error);
bool SaveSettings(const TSettingsRecord& record, std::string& error);  // DefaultSettingsPath()

// For zinop-cli --settings FILE: true when path can be read as an ini file;
// otherwise false with the reason in reason ("No such file or directory",
// "Is a directory", "not a regular file", "File too large" over 1 MB).
bool SettingsFileReadable(const std::string& path, std::string& reason);

// For zinop-cli --settings FILE: reads the section "zinop" of path into
// record exactly as LoadSettings reads a version-35 file (all keys, missing
// ones as 0/false/""), with no hooks, no first start, and without touching
// the file or the process-wide language (record.UseEnglish gets "language").
// False, record untouched, and an English explanation in error when the
// file cannot be read or its "Version" is not 35.
bool LoadSettingsForCli(const std::string& path, TSettingsRecord& record, std::string& error);
