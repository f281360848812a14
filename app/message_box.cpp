#include "app/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

namespace {

TMessageHook& Hook() {
    static TMessageHook hook;
    return hook;
}

QMessageBox::Icon IconOf(TMessageKind kind) {
    switch (kind) {
        case TMessageKind::Information:
            return QMessageBox::Information;
        case TMessageKind::Warning:
            return QMessageBox::Warning;
        case TMessageKind::Error:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void ShowMessage(QWidget* parent, TMessageKind kind, const QString& title, const QString& text) {
    if (Hook()) {
        Hook()(kind, title, text);
        return;
    }
    QMessageBox box(IconOf(kind), title, text, QMessageBox::Ok, parent);
    box.exec();
}

void ShowErrorReport(const QString& text) {
    ShowMessage(QApplication::activeWindow(), TMessageKind::Error, QStringLiteral("Zinop"), text);
}

bool RunGuarded(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& error) {
        ShowErrorReport(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowErrorReport(QStringLiteral("Unknown error."));
    }
    return false;
}

void SetMessageHook(TMessageHook hook) { Hook() = std::move(hook); }
