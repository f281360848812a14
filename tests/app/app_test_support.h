#pragma once
// Shared fixture of the desktop program's tests: a temporary settings file,
// recorders in place of message boxes and of the desktop's document opener,
// and a watcher that answers modal dialogs as they appear.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/document_window.h"
#include "app/form_cpl.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/program.h"
#include "app/select_folder.h"
#include "app/shell_open.h"
#include "config/ini_file.h"
#include "config/texts.h"
#include "plugins/plugin_host.h"

struct TRecordedMessage {
    TMessageKind Kind;
    QString Title;
    QString Text;
};

struct TSeenDialog {
    QString ClassName;
    QString Title;
    bool MainWindowVisible = false;
};

// Answers every modal dialog that appears: records it, then runs Answer on
// it (default: reject, as Esc or the close box would).
class TModalWatcher {
  public:
    explicit TModalWatcher(const QWidget* mainWindow = nullptr) : MainWindow(mainWindow) {
        Timer.setInterval(5);
        QObject::connect(&Timer, &QTimer::timeout, [this] { Poll(); });
        Timer.start();
    }
    std::function<void(QDialog*)> Answer = [](QDialog* dialog) { dialog->reject(); };
    std::vector<TSeenDialog> Seen;
    const QWidget* MainWindow;

  private:
    void Poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog == Last) return;
        Last = dialog;
        // The same dialog may be shown again (a chooser used twice).
        QObject::connect(
            dialog, &QDialog::finished, &Timer, [this] { Last = nullptr; },
            Qt::SingleShotConnection);
        Seen.push_back({dialog->metaObject()->className(), dialog->windowTitle(),
                        MainWindow != nullptr && MainWindow->isVisible()});
        Answer(dialog);
    }
    QTimer Timer;
    QDialog* Last = nullptr;
};

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        SetMessageHook([this](TMessageKind kind, const QString& title, const QString& text) {
            Messages.push_back({kind, title, text});
        });
        SetShellOpenHook([this](const QString& target) { Opened.push_back(target); });
        SetUseEnglish(true);
        ReduceRunning = false;
    }
    void TearDown() override {
        Program.reset();
        UnloadPlugins();
        SetMessageHook({});
        SetShellOpenHook({});
        ReduceRunning = false;
    }

    std::string IniPath() const { return Dir.filePath("Zinop.ini").toStdString(); }
    std::string TempFolder() const { return Dir.path().toStdString(); }
    void WriteIni(const std::string& text) const;
    TIniDocument ReadIni() const;

    // Creates the program's windows over the temporary settings file and
    // shows the main window for the first time, answering dialogs with watcher.
    // startFiles stand for the command-line arguments.
    TProgram& Start(bool japaneseSystem = false, const QStringList& startFiles = {});
    // Closes the main window (saving the settings) and destroys the windows.
    void Stop();

    TFormMain& Main() { return *Program->FormMain; }
    TFormCPL& Dialog() { return *Program->FormCPL; }

    QTemporaryDir Dir;
    std::unique_ptr<TProgram> Program;
    std::unique_ptr<TModalWatcher> Watcher;
    std::vector<TRecordedMessage> Messages;
    std::vector<QString> Opened;
};
