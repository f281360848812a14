#include "app/about_box.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/english_texts.h"
#include "app/shell_open.h"
#include "config/texts.h"

namespace {

constexpr int kIconPixels = 32;
constexpr int kTextWidth = 360;
constexpr int kTextHeight = 120;

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    SetCaption(this, AboutCaptions(), "AboutBox");
    auto* frame = new QFrame(this);
    frame->setObjectName("Panel1");
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ProgramIcon = new QLabel(frame);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setFixedSize(kIconPixels, kIconPixels);
    ProgramIcon->setToolTip(
        QString::fromUtf8(FindCaption(AboutCaptions(), "ProgramIcon").Japanese));
    ProgramIcon->setCursor(Qt::PointingHandCursor);  // the link cursor
    ProgramIcon->installEventFilter(this);
    auto* frameLayout = new QHBoxLayout(frame);
    frameLayout->addWidget(ProgramIcon, 0, Qt::AlignCenter);

    Comments = new QPlainTextEdit(this);
    Comments->setObjectName("Comments");
    Comments->setReadOnly(true);
    Comments->setFixedSize(kTextWidth, kTextHeight);
    QStringList lines;
    for (const char* line : AboutTextLines()) lines << QString::fromUtf8(line);
    Comments->setPlainText(lines.join('\n'));

    OKButton = new QPushButton(this);
    SetCaption(OKButton, AboutCaptions(), "OKButton");
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(frame, 0, Qt::AlignTop);
    top->addWidget(Comments);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::showEvent(QShowEvent* event) {
    if (UseEnglish()) setWindowTitle(HintOf(this));
    ProgramIcon->setPixmap(QApplication::windowIcon().pixmap(kIconPixels, kIconPixels));
    QDialog::showEvent(event);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ProgramIcon && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ProgramIconClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::ProgramIconClick() {
    if (*kHomePage != '\0') ShellOpen(QString::fromUtf8(kHomePage));
}
