#pragma once
// The program entry: the application object, the main window and the
// settings dialog, created in this order and run until the main window closes.

#include <string>

#include "config/settings_record.h"

class TFormMain;
class TFormCPL;

// The two long-lived windows over the one settings record. The settings
// dialog is owned by the main window (destroyed with it).
struct TProgram {
    // Needs a QApplication. settingsPath: the ini file to load and save.
    explicit TProgram(const std::string& settingsPath);
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    TSettingsRecord Settings;
    TFormMain* FormMain = nullptr;
    TFormCPL* FormCPL = nullptr;
};

// Runs the program: application title, windows, plug-in hook, first showing,
// message loop. An error escaping start-up is reported and ends the program
// with exit status 1; errors in commands are reported and the program goes on.
int RunProgram(int argc, char** argv);

// Loads Qt's own Japanese translation (file dialogs, message-box buttons, the
// overwrite question) when japanese, removes it otherwise. Without the
// installed translations Qt's dialogs simply stay in English.
void UseQtTranslation(bool japanese);
