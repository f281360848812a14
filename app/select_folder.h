#pragma once
// The folder chooser: a small modal dialog that starts at a folder, lets the
// user move through the places the system has (the root, the home folder and
// the mounted volumes take the place of drives) and through folders, and
// returns the folder shown when OK is pressed.

#include <QDialog>
#include <string>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class TSelectFolder : public QDialog {
    Q_OBJECT
  public:
    explicit TSelectFolder(QWidget* parent = nullptr);

    // Moves the list to folder. False, and the list unchanged, when folder is
    // not an existing directory.
    bool SetCurrentFolder(const std::string& folder);
    // The folder the list shows, without a trailing separator except for "/".
    std::string CurrentFolder() const { return CurrentFolderPath; }
    // Set by OK: the folder shown at that moment. Empty until then.
    std::string ResultFolder;

    QComboBox* DriveComboBox1 = nullptr;
    QListWidget* DirectoryListBox1 = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;

  private slots:
    void DriveComboBox1Change(int index);
    void DirectoryListBox1Click(QListWidgetItem* item);
    void ButtonOKClick();

  private:
    void FillPlaces();
    void FillFolderList();
    void ShowPlaceOf(const std::string& folder);

    QLabel* LabelCurrent = nullptr;
    std::string CurrentFolderPath;
};

// Runs chooser (created by the caller, destroyed by it afterwards) starting at
// startFolder. Returns the chosen folder after OK and startFolder after
// Cancel, both with a trailing separator. A start folder that does not exist
// is ignored: the list then shows its own current folder.
std::string ChooseFolder(TSelectFolder& chooser, const std::string& startFolder);
