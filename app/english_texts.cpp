#include "app/english_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <cstring>

namespace {

QTabWidget* OwningTabWidget(const QWidget* page) {
    // A page sits in the tab widget's internal stack.
    for (QWidget* w = page->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) return tabs;
    }
    return nullptr;
}

void SetListItems(QComboBox* list, const QStringList& items) {
    // Replacing the items must not reach the settings record: the record keeps
    // its value and the list shows the same index again.
    const int index = list->currentIndex();
    const QSignalBlocker block(list);
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(index < list->count() ? index : -1);
}

QStringList EnglishItems(const QString& hint) {
    QStringList items;
    for (const std::string& item : SplitCommaText(hint.toStdString())) {
        items << QString::fromStdString(item);
    }
    return items;
}

// Shows text as the caption of object, by its kind.
void ShowCaption(QObject* object, const QString& text, bool isListHint) {
    if (auto* page = qobject_cast<TTabSheet*>(object)) {
        page->SetCaption(text);
    } else if (auto* list = qobject_cast<QComboBox*>(object)) {
        SetListItems(list, isListHint ? EnglishItems(text) : text.split('\n'));
    } else if (auto* label = qobject_cast<QLabel*>(object)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
        group->setTitle(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
        button->setText(text);
    } else if (auto* menu = qobject_cast<QMenu*>(object)) {
        menu->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(object)) {
        action->setText(text);
    } else if (auto* window = qobject_cast<QWidget*>(object); window && window->isWindow()) {
        window->setWindowTitle(text);
    } else if (auto* widget = qobject_cast<QWidget*>(object)) {
        widget->setToolTip(text);
    }
}

bool ClassIsOneOf(const QObject* object, std::initializer_list<const char*> classNames) {
    const char* name = object->metaObject()->className();
    for (const char* wanted : classNames) {
        if (qstricmp(name, wanted) == 0) return true;
    }
    return false;
}

}  // namespace

void TTabSheet::SetCaption(const QString& caption) {
    if (QTabWidget* tabs = OwningTabWidget(this)) tabs->setTabText(tabs->indexOf(this), caption);
    setWindowTitle(caption);  // kept for a page not yet added to its tab widget
}

QString TTabSheet::Caption() const {
    if (QTabWidget* tabs = OwningTabWidget(this)) return tabs->tabText(tabs->indexOf(this));
    return windowTitle();
}

void SetCaption(QObject* object, const TCaption& caption) {
    object->setObjectName(QString::fromUtf8(caption.Name));
    object->setProperty(kHintProperty, QString::fromUtf8(caption.English));
    ShowCaption(object, QString::fromUtf8(caption.Japanese), false);
}

void SetCaption(QObject* object, std::span<const TCaption> table, const char* name) {
    SetCaption(object, FindCaption(table, name));
}

QString HintOf(const QObject* object) { return object->property(kHintProperty).toString(); }

void ApplyEnglishToForm(QWidget* form, std::initializer_list<const char*> classNames) {
    for (QObject* object : form->findChildren<QObject*>()) {
        const QString hint = HintOf(object);
        if (hint.isEmpty() || !ClassIsOneOf(object, classNames)) continue;
        ShowCaption(object, hint, true);
    }
    const QString title = HintOf(form);
    if (!title.isEmpty()) form->setWindowTitle(title);
}

void ApplyEnglishTexts(QWidget* settingsDialog, QWidget* mainWindow) {
    ApplyEnglishToForm(settingsDialog, {"QLabel", "TTabSheet", "QGroupBox", "QRadioButton",
                                        "QPushButton", "QCheckBox", "QComboBox"});
    ApplyEnglishToForm(mainWindow, {"QAction"});
}
