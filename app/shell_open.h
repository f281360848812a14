#pragma once
// Opening documents and web addresses with the desktop's default handler.
// Results are ignored and nothing is reported: a missing help page gives no
// message from the program.

#include <QString>
#include <functional>

// Help pages, relative to the program folder (or the installed help folder).
inline constexpr const char* kHelpOperation = "image/operation.htm";  // main window F1
inline constexpr const char* kHelpSetting = "image/setting.htm";      // settings dialog F1
inline constexpr const char* kHelpMenu = "image/menu.htm";            // plug-in dialog F1
inline constexpr const char* kHelpReadme = "readme.htm";              // Manual

// Opens target (a local path or a web address) with the desktop's handler.
void ShellOpen(const QString& target);
// Opens the page with ShellOpen: program folder + relativePath when that
// file exists, else the installed help folder's copy (HelpPagePathFor).
void OpenHelpPage(const QString& relativePath);

// Tests replace the desktop with a recorder; an empty hook restores it.
using TShellOpenHook = std::function<void(const QString& target)>;
void SetShellOpenHook(TShellOpenHook hook);
