#include "app/form_cpl.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/english_texts.h"
#include "app/select_folder.h"
#include "app/shell_open.h"
#include "config/paths.h"

namespace {

constexpr int kDitherNone = 0;
constexpr int kDitherAnime = 4;
constexpr QChar kWrapPoint(0x200B);  // zero-width space: lets a long path wrap after "/"

QString WithWrapPoints(const std::string& path) {
    QString text = QString::fromStdString(path);
    text.replace('/', QString('/') + kWrapPoint);
    return text;
}

void ShowListIndex(QComboBox* list, int& value) {
    value = std::clamp(value, 0, list->count() - 1);
    list->setCurrentIndex(value);
}

void ShowPosition(QSlider* slider, int& value) {
    slider->setValue(value);
    value = slider->value();  // the slider clamps to its range
}

void ShowNumber(QSpinBox* field, int& value) {
    field->setValue(value);
    value = field->value();
}

// Runs handler(id) when a radio button of group becomes selected, never when
// one is deselected or re-selected.
template <typename Handler>
void OnSelected(QButtonGroup* group, QObject* context, Handler handler) {
    QObject::connect(group, &QButtonGroup::idToggled, context, [handler](int id, bool checked) {
        if (checked) handler(id);
    });
}

}  // namespace

TFormCPL::TFormCPL(TSettingsRecord& settings, QWidget* parent)
    : QDialog(parent), Settings(settings) {
    SetCaption(this, SettingsCaptions(), "FormCPL");
    setWindowFlag(Qt::WindowStaysOnTopHint);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    for (QWidget* page : {BuildMainPage(), BuildEnginePage(), BuildTransPage(), BuildBatchPage()}) {
        PageControl1->addTab(page, static_cast<TTabSheet*>(page)->Caption());
    }
    TabSheetMain = static_cast<TTabSheet*>(PageControl1->widget(0));
    TabSheetEngine = static_cast<TTabSheet*>(PageControl1->widget(1));
    TabSheetTrans = static_cast<TTabSheet*>(PageControl1->widget(2));
    TabSheetBatch = static_cast<TTabSheet*>(PageControl1->widget(3));
    QWidget* palettePage = BuildPalettePage();
    PageControl1->addTab(palettePage, static_cast<TTabSheet*>(palettePage)->Caption());

    OKButton = new QPushButton(this);
    SetCaption(OKButton, SettingsCaptions(), "OKButton");
    OKButton->setDefault(true);
    ButtonCansel = new QPushButton(this);
    SetCaption(ButtonCansel, SettingsCaptions(), "ButtonCansel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(ButtonCansel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed-size dialog frame

    GroupRadioButtons();
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCansel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonDefault, &QPushButton::clicked, this, &TFormCPL::ButtonDefaultClick);
    connect(ButtonBatch, &QPushButton::clicked, this, &TFormCPL::ButtonBatchClick);
    ShowRecord();
    ConnectRecord();
    RadioButton8bitClick();  // the count field starts disabled, as designed
    if (Settings.PaletteSizeButton == TPaletteSizeButton::RadioButtonPalette)
        RadioButtonPaletteClick();
    ComboBoxDitherChange();
    // The dialog sees key presses before its controls do (F1 on any control).
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
    PageControl1->setCurrentIndex(0);
}

void TFormCPL::GroupRadioButtons() {
    PaletteSizeGroup = new QButtonGroup(this);
    PaletteSizeGroup->addButton(RadioButton8bit, TPaletteSizeButton::RadioButton8bit);
    PaletteSizeGroup->addButton(RadioButton4bit, TPaletteSizeButton::RadioButton4bit);
    PaletteSizeGroup->addButton(RadioButton1bit, TPaletteSizeButton::RadioButton1bit);
    PaletteSizeGroup->addButton(RadioButtonPalette, TPaletteSizeButton::RadioButtonPalette);
    CornerGroup = new QButtonGroup(this);
    CornerGroup->addButton(RadioButtonLT, TTransCornerButton::RadioButtonLT);
    CornerGroup->addButton(RadioButtonLB, TTransCornerButton::RadioButtonLB);
    CornerGroup->addButton(RadioButtonRT, TTransCornerButton::RadioButtonRT);
    CornerGroup->addButton(RadioButtonRB, TTransCornerButton::RadioButtonRB);
    BatchFormatGroup = new QButtonGroup(this);
    BatchFormatGroup->addButton(RadioButtonBMP, TBatchFormatButton::RadioButtonBMP);
    BatchFormatGroup->addButton(RadioButtonPNG, TBatchFormatButton::RadioButtonPNG);
    BatchFormatGroup->addButton(RadioButtonGIF, TBatchFormatButton::RadioButtonGIF);
}

void TFormCPL::ConnectRecord() {
    TSettingsRecord& s = Settings;
    OnSelected(PaletteSizeGroup, this, [this, &s](int id) {
        s.PaletteSizeButton = static_cast<TPaletteSizeButton>(id);
        if (id == TPaletteSizeButton::RadioButtonPalette) {
            RadioButtonPaletteClick();
        } else {
            RadioButton8bitClick();
        }
    });
    OnSelected(CornerGroup, this,
               [&s](int id) { s.TransCornerButton = static_cast<TTransCornerButton>(id); });
    OnSelected(BatchFormatGroup, this,
               [&s](int id) { s.BatchFormatButton = static_cast<TBatchFormatButton>(id); });
    connect(EditValue, &QSpinBox::valueChanged, this, [&s](int v) { s.UpDownValue = v; });
    connect(EditSpreadOption, &QSpinBox::valueChanged, this,
            [&s](int v) { s.UpDownDitherOption = v; });
    connect(CheckBoxAdd16, &QCheckBox::toggled, this, [&s](bool on) { s.CheckBoxAdd16 = on; });
    connect(CheckBoxTrans, &QCheckBox::toggled, this, [&s](bool on) { s.CheckBoxTrans = on; });
    connect(CheckBoxAlpha, &QCheckBox::toggled, this, [this, &s](bool on) {
        s.CheckBoxAlpha = on;
        EditAlphaThreshold->setEnabled(on);
    });
    connect(EditAlphaThreshold, &QSpinBox::valueChanged, this,
            [&s](int v) { s.UpDownAlphaThreshold = v; });
    connect(CheckBoxPNGinterlace, &QCheckBox::toggled, this,
            [&s](bool on) { s.CheckBoxPNGinterlace = on; });
    connect(TrackBarDither, &QSlider::valueChanged, this, [&s](int v) { s.TrackBarDither = v; });
    connect(TrackBarCb, &QSlider::valueChanged, this, [&s](int v) { s.TrackBarCb = v; });
    connect(TrackBarCr, &QSlider::valueChanged, this, [&s](int v) { s.TrackBarCr = v; });
    connect(TrackBarCg, &QSlider::valueChanged, this, [&s](int v) { s.TrackBarCg = v; });
    // A list whose items are being replaced reports -1: the record keeps its value.
    auto listInto = [this](QComboBox* list, int& field) {
        connect(list, &QComboBox::currentIndexChanged, this, [&field](int i) {
            if (i >= 0) field = i;
        });
    };
    listInto(ComboBoxPaletteVolume, s.ComboBoxPaletteVolume);
    listInto(ComboBoxTrim, s.ComboBoxTrim);
    listInto(ComboBoxGIF, s.ComboBoxGIF);
    listInto(ComboBoxDither, s.ComboBoxDither);
    listInto(ComboBoxRefine, s.ComboBoxRefine);
    connect(ComboBoxDither, &QComboBox::currentIndexChanged, this, &TFormCPL::ComboBoxDitherChange);
}

void TFormCPL::ShowRecord() {
    TSettingsRecord& s = Settings;
    if (QAbstractButton* b = PaletteSizeGroup->button(s.PaletteSizeButton)) b->setChecked(true);
    if (QAbstractButton* b = CornerGroup->button(s.TransCornerButton)) b->setChecked(true);
    if (QAbstractButton* b = BatchFormatGroup->button(s.BatchFormatButton)) b->setChecked(true);
    ShowNumber(EditValue, s.UpDownValue);
    ShowNumber(EditSpreadOption, s.UpDownDitherOption);
    CheckBoxAdd16->setChecked(s.CheckBoxAdd16);
    CheckBoxTrans->setChecked(s.CheckBoxTrans);
    CheckBoxAlpha->setChecked(s.CheckBoxAlpha);
    ShowNumber(EditAlphaThreshold, s.UpDownAlphaThreshold);
    EditAlphaThreshold->setEnabled(s.CheckBoxAlpha);
    CheckBoxPNGinterlace->setChecked(s.CheckBoxPNGinterlace);
    ShowPosition(TrackBarDither, s.TrackBarDither);
    ShowPosition(TrackBarCb, s.TrackBarCb);
    ShowPosition(TrackBarCr, s.TrackBarCr);
    ShowPosition(TrackBarCg, s.TrackBarCg);
    ShowListIndex(ComboBoxPaletteVolume, s.ComboBoxPaletteVolume);
    ShowListIndex(ComboBoxTrim, s.ComboBoxTrim);
    ShowListIndex(ComboBoxGIF, s.ComboBoxGIF);
    ShowListIndex(ComboBoxDither, s.ComboBoxDither);
    ShowListIndex(ComboBoxRefine, s.ComboBoxRefine);
    LabelFolder->setText(WithWrapPoints(s.BatchSaveDirectory));
    ShowPaletteRecord();
}

void TFormCPL::FormShow() { LabelFolder->setText(WithWrapPoints(Settings.BatchSaveDirectory)); }

QString TFormCPL::LabelFolderText() const {
    QString text = LabelFolder->text();
    text.remove(kWrapPoint);
    return text;
}

void TFormCPL::RadioButton8bitClick() { EditValue->setEnabled(false); }

void TFormCPL::RadioButtonPaletteClick() { EditValue->setEnabled(true); }

void TFormCPL::ComboBoxDitherChange() {
    const int mode = ComboBoxDither->currentIndex();
    const bool anime = mode == kDitherAnime;
    Label10->setVisible(anime);
    EditSpreadOption->setVisible(anime);
    const bool depth = mode != kDitherNone && mode != kDitherAnime;
    Label2->setEnabled(depth);
    TrackBarDither->setEnabled(depth);
}

void TFormCPL::ButtonDefaultClick() {
    ComboBoxPaletteVolume->setCurrentIndex(6);  // 888
    ComboBoxTrim->setCurrentIndex(3);           // 8 bit
    TrackBarCb->setValue(10);
    TrackBarCr->setValue(10);
    TrackBarCg->setValue(10);
}

void TFormCPL::ButtonBatchClick() {
    auto* chooser = new TSelectFolder(this);
    Settings.BatchSaveDirectory = ChooseFolder(*chooser, Settings.BatchSaveDirectory);
    delete chooser;
    LabelFolder->setText(WithWrapPoints(Settings.BatchSaveDirectory));
}

bool TFormCPL::FormKeyDown(int key) {
    if (key != Qt::Key_F1) return false;
    OpenHelpPage(kHelpSetting);
    return true;
}

void TFormCPL::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TFormCPL::keyPressEvent(QKeyEvent* event) {
    if (!FormKeyDown(event->key())) QDialog::keyPressEvent(event);
}

bool TFormCPL::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && FormKeyDown(static_cast<QKeyEvent*>(event)->key())) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
