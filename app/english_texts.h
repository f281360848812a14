#pragma once
// The two-language captions of windows. A control shows its Japanese caption
// as designed and keeps its English text in its "hint" property; the English
// interface copies hints over captions, one window class at a time, and only
// for the widget classes each window names (compared whole: a subclass does
// not count). Edit fields, spin boxes, sliders, panels and tool buttons are
// never walked.

#include <QWidget>
#include <initializer_list>

#include "app/captions.h"

class QAction;

// A page of the settings dialog's tab control. Its caption is the tab's text.
class TTabSheet : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    void SetCaption(const QString& caption);
    QString Caption() const;
};

// The property that holds a control's English text.
inline constexpr const char* kHintProperty = "hint";

// Names object after caption.Name, stores the hint and shows the Japanese
// caption (label and button text, group box title, tab text, list items,
// action text or window title, by the object's kind).
void SetCaption(QObject* object, const TCaption& caption);
// The same, looking caption up by name in table.
void SetCaption(QObject* object, std::span<const TCaption> table, const char* name);

// The hint of object, "" when it has none.
QString HintOf(const QObject* object);

// For each object owned by form (depth first, in creation order) whose class
// name is one of classNames and whose hint is not empty: caption := hint (a
// drop-down list's items := its hint split as comma text, keeping the
// selected index). Then the window title := the form's hint, when not empty.
void ApplyEnglishToForm(QWidget* form, std::initializer_list<const char*> classNames);

// The start-up step: the settings dialog (labels, tab pages, group boxes,
// radio buttons, buttons, check boxes, lists, and its title) and the main
// window's menu items. Call only when the interface is English.
void ApplyEnglishTexts(QWidget* settingsDialog, QWidget* mainWindow);
