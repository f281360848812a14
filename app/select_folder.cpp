#include "app/select_folder.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/english_texts.h"
#include "config/paths.h"
#include "config/texts.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kIndentSpaces = 2;  // per folder level in the list

bool IsFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(fs::path(path), error);
}

// The folders from the root down to folder itself: "/", "/home", "/home/a".
std::vector<std::string> Ancestors(const std::string& folder) {
    std::vector<std::string> chain;
    fs::path path = fs::path(folder).lexically_normal();
    if (path.has_relative_path() && !path.has_filename()) path = path.parent_path();
    for (fs::path p = path;; p = p.parent_path()) {
        chain.push_back(p.string());
        if (p == p.parent_path() || p.empty()) break;
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

// Visible subfolders of folder, sorted by name; unreadable folders give none.
std::vector<std::string> Subfolders(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(fs::path(folder), fs::directory_options::skip_permission_denied,
                              error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.' || !it->is_directory(typeError)) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

QListWidgetItem* FolderItem(const QString& text, const std::string& path, const QIcon& icon) {
    auto* item = new QListWidgetItem(icon, text);
    item->setData(kPathRole, QString::fromStdString(path));
    return item;
}

}  // namespace

TSelectFolder::TSelectFolder(QWidget* parent) : QDialog(parent) {
    SetCaption(this, SelectFolderCaptions(), "SelectFolder");
    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName("DriveComboBox1");
    LabelCurrent = new QLabel(this);
    LabelCurrent->setObjectName("LabelCurrent");
    LabelCurrent->setWordWrap(true);
    DirectoryListBox1 = new QListWidget(this);
    DirectoryListBox1->setObjectName("DirectoryListBox1");
    DirectoryListBox1->setMinimumSize(320, 260);
    ButtonOK = new QPushButton(this);
    SetCaption(ButtonOK, SelectFolderCaptions(), "ButtonOK");
    ButtonOK->setDefault(true);
    ButtonCancel = new QPushButton(this);
    SetCaption(ButtonCancel, SelectFolderCaptions(), "ButtonCancel");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DriveComboBox1);
    layout->addWidget(LabelCurrent);
    layout->addWidget(DirectoryListBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(DriveComboBox1, &QComboBox::activated, this, &TSelectFolder::DriveComboBox1Change);
    connect(DirectoryListBox1, &QListWidget::itemClicked, this,
            &TSelectFolder::DirectoryListBox1Click);
    connect(ButtonOK, &QPushButton::clicked, this, &TSelectFolder::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    FillPlaces();
    SetCurrentFolder(QDir::currentPath().toStdString());
}

void TSelectFolder::FillPlaces() {
    QStringList places{QDir::rootPath(), QDir::homePath()};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !places.contains(volume.rootPath())) {
            places << volume.rootPath();
        }
    }
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const QString& place : places) DriveComboBox1->addItem(icon, place, place);
}

bool TSelectFolder::SetCurrentFolder(const std::string& folder) {
    if (!IsFolder(folder)) return false;
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(folder), error).lexically_normal();
    if (error) return false;
    std::string path = absolute.string();
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    CurrentFolderPath = path;
    FillFolderList();
    ShowPlaceOf(path);
    return true;
}

void TSelectFolder::ShowPlaceOf(const std::string& folder) {
    // The place holding folder is the one with the longest matching prefix.
    int best = -1;
    qsizetype bestLength = -1;
    const QString path = QString::fromStdString(AddTrailingSeparator(folder));
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        const QString place = QString::fromStdString(
            AddTrailingSeparator(DriveComboBox1->itemData(i).toString().toStdString()));
        if (path.startsWith(place) && place.size() > bestLength) {
            best = i;
            bestLength = place.size();
        }
    }
    DriveComboBox1->setCurrentIndex(best);
}

void TSelectFolder::FillFolderList() {
    DirectoryListBox1->clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const std::vector<std::string> chain = Ancestors(CurrentFolderPath);
    int depth = 0;
    for (const std::string& folder : chain) {
        const std::string name = folder == "/" ? folder : fs::path(folder).filename().string();
        const QString indent(depth++ * kIndentSpaces, ' ');
        DirectoryListBox1->addItem(
            FolderItem(indent + QString::fromStdString(name), folder, openIcon));
    }
    DirectoryListBox1->setCurrentRow(DirectoryListBox1->count() - 1);
    const QString indent(depth * kIndentSpaces, ' ');
    for (const std::string& name : Subfolders(CurrentFolderPath)) {
        const std::string path = AddTrailingSeparator(CurrentFolderPath) + name;
        DirectoryListBox1->addItem(
            FolderItem(indent + QString::fromStdString(name), path, closedIcon));
    }
    LabelCurrent->setText(QString::fromStdString(CurrentFolderPath));
}

void TSelectFolder::DriveComboBox1Change(int index) {
    SetCurrentFolder(DriveComboBox1->itemData(index).toString().toStdString());
}

void TSelectFolder::DirectoryListBox1Click(QListWidgetItem* item) {
    if (item != nullptr) SetCurrentFolder(item->data(kPathRole).toString().toStdString());
}

void TSelectFolder::ButtonOKClick() {
    ResultFolder = CurrentFolderPath;
    accept();
}

std::string ChooseFolder(TSelectFolder& chooser, const std::string& startFolder) {
    chooser.ResultFolder = AddTrailingSeparator(startFolder);
    chooser.SetCurrentFolder(chooser.ResultFolder);  // a missing folder is ignored
    if (UseEnglish()) ApplyEnglishToForm(&chooser, {"QPushButton"});
    if (chooser.exec() == QDialog::Accepted) return AddTrailingSeparator(chooser.ResultFolder);
    return AddTrailingSeparator(startFolder);
}
