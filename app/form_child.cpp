#include "app/form_child.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>

#include "app/picture_view.h"
#include "config/texts.h"

namespace {
constexpr int kPanelSwitchPixels = 25;
constexpr int kPaletteBytes = 1024;  // 256 colour values
}  // namespace

TFormChild::TFormChild(bool english, QWidget* parent) : QWidget(parent) {
    setObjectName("FormChild");
    setWindowTitle(QStringLiteral("MDIChild"));

    PanelSwitch = new QWidget(this);
    PanelSwitch->setObjectName("PanelSwitch");
    PanelSwitch->setFixedHeight(kPanelSwitchPixels);
    CheckBoxIntegrated = new QCheckBox(PanelSwitch);
    CheckBoxIntegrated->setObjectName("CheckBoxIntegrated");
    CheckBoxIntegrated->setText(
        QString::fromUtf8(Text(TextId::CheckBoxIntegratedCaption, english)));
    auto* panelLayout = new QHBoxLayout(PanelSwitch);
    panelLayout->setContentsMargins(4, 0, 4, 0);
    panelLayout->addWidget(CheckBoxIntegrated);
    panelLayout->addStretch();
    PanelSwitch->hide();

    MemoBatch = new QPlainTextEdit(this);
    MemoBatch->setObjectName("MemoBatch");
    MemoBatch->setReadOnly(true);
    MemoBatch->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoBatch->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoBatch->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    ScrollBoxPicture = new QScrollArea(this);
    ScrollBoxPicture->setObjectName("ScrollBoxPicture");
    ScrollBoxPicture->setFrameShape(QFrame::NoFrame);
    ScrollBoxPicture->setBackgroundRole(QPalette::Button);
    ScrollBoxPicture->setWidgetResizable(false);
    ScrollBoxPicture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ImagePic = new TPictureView;
    ScrollBoxPicture->setWidget(ImagePic);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PanelSwitch, 0, 0);
    layout->addWidget(MemoBatch, 1, 0);
    layout->addWidget(ScrollBoxPicture, 1, 0);  // covers MemoBatch
    ScrollBoxPicture->raise();

    // FormCreate: the record's view, an empty Pixels and a 1024-byte Palette.
    Picture.View = ImagePic;
    Picture.Palette.assign(kPaletteBytes, 0);
    Picture.Busy = 0;
}

bool TFormChild::FormCloseQuery() { return Picture.Busy == 0; }

void TFormChild::FormClose() {
    std::vector<uint8_t>().swap(Picture.Pixels);
    std::vector<uint8_t>().swap(Picture.Palette);
    std::vector<std::string>().swap(BatchFiles);
}

void TFormChild::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery() || (Unsaved && ConfirmClose && !ConfirmClose())) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TFormChild::ShowAsBatch() {
    ScrollBoxPicture->hide();
    PanelSwitch->show();
}

void TFormChild::SetBatchLines(const std::vector<std::string>& lines) {
    MemoBatch->clear();
    for (const std::string& line : lines) MemoBatch->appendPlainText(QString::fromStdString(line));
}

void TFormChild::AppendBatchLine(const std::string& line) {
    MemoBatch->appendPlainText(QString::fromStdString(line));
    MemoBatch->verticalScrollBar()->setValue(MemoBatch->verticalScrollBar()->maximum());
}

QStringList TFormChild::BatchLines() const { return MemoBatch->toPlainText().split('\n'); }

void TFormChild::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TFormChild::FormResize() {
    if (OnResize) OnResize();
}
