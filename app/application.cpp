#include "app/application.h"

#include "app/icons.h"
#include "app/message_box.h"

TZinopApplication::TZinopApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Zinop"));
    setDesktopFileName(QStringLiteral("zinop"));
    setWindowIcon(ZinopIcon());
}

bool TZinopApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
