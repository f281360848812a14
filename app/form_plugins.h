#pragma once
// The plug-in dialog: the plug-in folder and which plug-ins are switched off.
// There is no cancel: however the dialog closes, the disabled list is written
// to section "plugins" of the settings file and every plug-in is reloaded.

#include <QDialog>
#include <string>
#include <vector>

#include "config/settings_record.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

class TFormPlugins : public QDialog {
    Q_OBJECT
  public:
    // settings.PluginFolder is the folder shown and changed by Browse (the
    // plug-in host's folder follows it). settings must outlive the dialog.
    explicit TFormPlugins(TSettingsRecord& settings, QWidget* parent = nullptr);

    // Reads the folder's "*.spi" files and the disabled list again: disabled
    // names whose file is gone are dropped, the rest are listed as disabled,
    // every other file as enabled.
    void RefreshPluginLists();
    void ButtonRemoveClick();   // selected enabled files -> disabled list
    void ButtonAddClick();      // selected disabled files -> enabled list
    void ButtonBrowseClick();   // new plug-in folder (unsaved moves are lost)
    bool FormKeyDown(int key);  // F1: the help page; true when taken
    // Writes the disabled list (last entry first), then reloads the plug-ins.
    void FormClose();

    // The texts of a list, in display order.
    static std::vector<std::string> Entries(const QListWidget* list);

    QGroupBox* GroupBox1 = nullptr;
    QLabel* LabelFolder = nullptr;
    QPushButton* ButtonBrowse = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* ListBoxAlive = nullptr;
    QListWidget* ListBoxDead = nullptr;
    QPushButton* ButtonRemove = nullptr;
    QPushButton* ButtonAdd = nullptr;
    QPushButton* ButtonOK = nullptr;

  public slots:
    void done(int result) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TSettingsRecord& Settings;
    bool Closed = false;
};
