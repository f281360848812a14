#pragma once
// The About box: the program's icon (a link to the home page), a few lines
// naming the program and its version, and one OK button. Created for each
// showing and destroyed after it.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The home page opened by a click on the icon. Zinop has no web page of its
// own yet, so the address is empty and the click does nothing.
inline constexpr const char* kHomePage = "";

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProgramIcon = nullptr;
    QPlainTextEdit* Comments = nullptr;
    QPushButton* OKButton = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ProgramIconClick();
};
