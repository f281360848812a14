#include "app/form_plugins.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/english_texts.h"
#include "app/message_box.h"
#include "app/select_folder.h"
#include "app/shell_open.h"
#include "config/texts.h"
#include "plugins/plugin_host.h"

namespace {

constexpr int kListWidth = 180;
constexpr int kListHeight = 200;
constexpr int kFolderWidth = 400;

template <typename W>
W* Control(QWidget* parent, const char* name) {
    auto* widget = new W(parent);
    SetCaption(widget, PluginsCaptions(), name);
    return widget;
}

QListWidget* PluginList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSortingEnabled(true);
    list->setFixedSize(kListWidth, kListHeight);
    return list;
}

// Moves the selected entries of from to to, from the last entry to the first.
void MoveSelected(QListWidget* from, QListWidget* to) {
    for (int row = from->count() - 1; row >= 0; --row) {
        if (!from->item(row)->isSelected()) continue;
        to->addItem(from->item(row)->text());
        delete from->takeItem(row);
    }
}

void ShowNames(QListWidget* list, const std::vector<std::string>& names) {
    list->clear();
    for (const std::string& name : names) list->addItem(QString::fromStdString(name));
}

}  // namespace

TFormPlugins::TFormPlugins(TSettingsRecord& settings, QWidget* parent)
    : QDialog(parent), Settings(settings) {
    SetCaption(this, PluginsCaptions(), "FormPlugins");
    GroupBox1 = Control<QGroupBox>(this, "GroupBox1");
    LabelFolder = new QLabel(GroupBox1);
    LabelFolder->setObjectName("LabelFolder");
    LabelFolder->setWordWrap(true);
    LabelFolder->setTextFormat(Qt::PlainText);
    LabelFolder->setFixedWidth(kFolderWidth);
    ButtonBrowse = Control<QPushButton>(GroupBox1, "ButtonBrowse");
    auto* folder = new QHBoxLayout(GroupBox1);
    folder->addWidget(LabelFolder, 1);
    folder->addWidget(ButtonBrowse, 0, Qt::AlignTop);

    Label1 = Control<QLabel>(this, "Label1");
    Label2 = Control<QLabel>(this, "Label2");
    ListBoxAlive = PluginList(this, "ListBoxAlive");
    ListBoxDead = PluginList(this, "ListBoxDead");
    ButtonRemove = Control<QPushButton>(this, "ButtonRemove");
    ButtonAdd = Control<QPushButton>(this, "ButtonAdd");
    ButtonOK = Control<QPushButton>(this, "ButtonOK");
    ButtonOK->setDefault(true);
    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(ButtonRemove);
    moves->addWidget(ButtonAdd);
    moves->addStretch();
    auto* lists = new QGridLayout;
    lists->addWidget(Label1, 0, 0);
    lists->addWidget(Label2, 0, 2);
    lists->addWidget(ListBoxAlive, 1, 0);
    lists->addLayout(moves, 1, 1);
    lists->addWidget(ListBoxDead, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(lists);
    layout->addWidget(ButtonOK, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ButtonRemove, &QPushButton::clicked, this, &TFormPlugins::ButtonRemoveClick);
    connect(ButtonAdd, &QPushButton::clicked, this, &TFormPlugins::ButtonAddClick);
    connect(ButtonBrowse, &QPushButton::clicked, this, &TFormPlugins::ButtonBrowseClick);
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
    RefreshPluginLists();  // FormCreate
}

void TFormPlugins::RefreshPluginLists() {
    std::vector<std::string> files;
    std::vector<std::string> disabled;
    EnumeratePluginFiles(files);
    ReadDisabledPlugins(disabled);
    for (std::size_t i = disabled.size(); i-- > 0;) {
        auto match = std::find_if(files.begin(), files.end(), [&](const std::string& file) {
            return ContainsPluginName({file}, disabled[i]);
        });
        if (match != files.end()) {
            files.erase(match);
        } else {
            disabled.erase(disabled.begin() + static_cast<std::ptrdiff_t>(i));  // its file is gone
        }
    }
    ShowNames(ListBoxAlive, files);
    ShowNames(ListBoxDead, disabled);
    LabelFolder->setText(QString::fromStdString(PluginFolder()));
    if (UseEnglish()) ApplyEnglishToForm(this, {"QLabel", "QGroupBox", "QPushButton"});
}

void TFormPlugins::ButtonRemoveClick() { MoveSelected(ListBoxAlive, ListBoxDead); }

void TFormPlugins::ButtonAddClick() { MoveSelected(ListBoxDead, ListBoxAlive); }

void TFormPlugins::ButtonBrowseClick() {
    auto* chooser = new TSelectFolder(this);
    Settings.PluginFolder = ChooseFolder(*chooser, Settings.PluginFolder);
    delete chooser;
    SetPluginFolder(Settings.PluginFolder);
    RefreshPluginLists();
}

bool TFormPlugins::FormKeyDown(int key) {
    if (key != Qt::Key_F1) return false;
    OpenHelpPage(kHelpMenu);
    return true;
}

std::vector<std::string> TFormPlugins::Entries(const QListWidget* list) {
    std::vector<std::string> names;
    for (int row = 0; row < list->count(); ++row)
        names.push_back(list->item(row)->text().toStdString());
    return names;
}

void TFormPlugins::FormClose() {
    if (!WriteDisabledPlugins(Entries(ListBoxDead))) {
        QString text = QString::fromUtf8(Text(TextId::CantWriteFile));
        ShowErrorReport(text.replace("%s", QString::fromStdString(PluginSettingsFile())));
    }
    UnloadPlugins();
    LoadPlugins();
}

void TFormPlugins::done(int result) {
    if (!Closed) {  // however the dialog closes, exactly once
        Closed = true;
        FormClose();
    }
    QDialog::done(result);
}

void TFormPlugins::keyPressEvent(QKeyEvent* event) {
    if (!FormKeyDown(event->key())) QDialog::keyPressEvent(event);
}

bool TFormPlugins::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && FormKeyDown(static_cast<QKeyEvent*>(event)->key())) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
