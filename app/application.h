#pragma once
// The application object. Every event passes through notify, so an exception
// that escapes an event handler or a command is reported there (an error box
// with its text) and the program goes on.

#include <QApplication>

class TZinopApplication : public QApplication {
    Q_OBJECT
  public:
    // Sets the application title "Zinop" and the program's icon.
    TZinopApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
