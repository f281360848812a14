#pragma once
// The questions asked before unsaved work is closed: one picture ("Save
// changes to CAPTION?" with Save, Discard and Cancel) and all of them at once
// when the program ends (the captions listed; Save All, Discard All, Cancel).
// Escape and the close box answer Cancel, so nothing is lost by accident.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

enum class TUnsavedAnswer { Save, Discard, Cancel };

// Asks about the one picture shown as caption.
TUnsavedAnswer AskSaveChanges(QWidget* parent, const QString& caption);
// Asks once about every picture in captions (at least one).
TUnsavedAnswer AskSaveAll(QWidget* parent, const QStringList& captions);

// The question's text in the language in force.
QString SaveChangesText(const QString& caption);
QString SaveAllText(const QStringList& captions);

// Tests answer the questions instead of a person: the hook gets the text and
// returns the answer; an empty hook restores the boxes.
using TUnsavedQuestionHook = std::function<TUnsavedAnswer(const QString& text)>;
void SetUnsavedQuestionHook(TUnsavedQuestionHook hook);
