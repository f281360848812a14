#include "app_test_support.h"

#include <QFile>

void AppTest::WriteIni(const std::string& text) const {
    QFile file(QString::fromStdString(IniPath()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.data(), static_cast<qint64>(text.size()));
}

TIniDocument AppTest::ReadIni() const {
    TIniDocument ini;
    ini.Load(IniPath());
    return ini;
}

TProgram& AppTest::Start(bool japaneseSystem, const QStringList& startFiles) {
    Program = std::make_unique<TProgram>(IniPath());
    Program->FormMain->StartFiles = startFiles;
    Watcher = std::make_unique<TModalWatcher>(Program->FormMain);
    Program->FormMain->SystemIsJapanese = [japaneseSystem] { return japaneseSystem; };
    Program->FormMain->ShowFirstTime();
    QApplication::processEvents();
    return *Program;
}

void AppTest::Stop() {
    Program->FormMain->close();
    Program.reset();
    Watcher.reset();
}
