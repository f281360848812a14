#include "app/program.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <cstdio>
#include <exception>
#include <optional>

#include "app/application.h"
#include "app/form_cpl.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/stall_watch.h"
#include "config/settings.h"
#include "plugins/plugin_host.h"

TProgram::TProgram(const std::string& settingsPath) {
    FormMain = new TFormMain(Settings, settingsPath);
    FormCPL = new TFormCPL(Settings, FormMain);
    FormMain->SetSettingsDialog(FormCPL);
}

TProgram::~TProgram() { delete FormMain; }

int RunProgram(int argc, char** argv) {
    std::optional<TZinopApplication> application;
    try {
        application.emplace(argc, argv);
        InstallPluginLoadHook();
        TProgram program(DefaultSettingsPath());
        const TStallWatch stallWatch;  // measures only when asked to
        program.FormMain->ShowFirstTime();
        return application->exec();
    } catch (const std::exception& error) {
        if (application) {
            ShowErrorReport(QString::fromUtf8(error.what()));
        } else {
            std::fprintf(stderr, "zinop: %s\n", error.what());
        }
    }
    return 1;
}

void UseQtTranslation(bool japanese) {
    static QPointer<QTranslator> installed;  // owned by the application
    if (!japanese) {
        delete installed;  // a deleted translator removes itself
        return;
    }
    if (installed != nullptr || QCoreApplication::instance() == nullptr) return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
}
