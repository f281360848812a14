#pragma once
// Message boxes of the program, and the errors-escape-a-handler policy: an
// exception thrown by any command is shown in a message box with its text
// and the program goes on.

#include <QString>
#include <functional>

class QWidget;

enum class TMessageKind { Information, Warning, Error };

// An OK box owned by parent with the icon of kind, title and text.
void ShowMessage(QWidget* parent, TMessageKind kind, const QString& title, const QString& text);

// The application's error report: an error box titled "Zinop" with text.
void ShowErrorReport(const QString& text);

// Runs command; an exception escaping it is shown by ShowErrorReport and
// swallowed. True when the command returned normally.
bool RunGuarded(const std::function<void()>& command);

// Tests replace the boxes with a recorder; an empty hook restores them.
using TMessageHook =
    std::function<void(TMessageKind kind, const QString& title, const QString& text)>;
void SetMessageHook(TMessageHook hook);
