// The four pages of the settings dialog: controls, ranges, steps, ticks and
// defaults. The values shown come from the record (ShowRecord).

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/english_texts.h"
#include "app/form_cpl.h"

namespace {

constexpr int kLegendSquare = 9;        // pixels, one coloured square
constexpr int kFolderLabelWidth = 330;  // pixels; the folder wraps inside it
constexpr int kSliderWidth = 220;

// Two squares one above the other, naming the colours of one slider end.
QLabel* Legend(QWidget* parent, const QColor& upper, const QColor& lower) {
    QPixmap pixmap(kLegendSquare, 2 * kLegendSquare + 2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(upper);
    painter.drawRect(0, 0, kLegendSquare - 1, kLegendSquare - 1);
    painter.setBrush(lower);
    painter.drawRect(0, kLegendSquare + 2, kLegendSquare - 1, kLegendSquare - 1);
    painter.end();
    auto* label = new QLabel(parent);
    label->setPixmap(pixmap);
    return label;
}

QSlider* Slider(QWidget* parent, const char* name, int maximum, int tickInterval) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(name);
    slider->setRange(0, maximum);
    slider->setSingleStep(1);
    slider->setPageStep(tickInterval);
    slider->setTickInterval(tickInterval);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setMinimumWidth(kSliderWidth);
    return slider;
}

QSpinBox* NumberField(QWidget* parent, const char* name, int minimum, int maximum) {
    auto* field = new QSpinBox(parent);
    field->setObjectName(name);
    field->setRange(minimum, maximum);
    field->setSingleStep(1);
    field->setWrapping(false);
    field->setMinimumWidth(64);
    return field;
}

template <typename W>
W* Control(QWidget* parent, const char* name) {
    auto* widget = new W(parent);
    SetCaption(widget, SettingsCaptions(), name);
    return widget;
}

// Keeps a hidden control's room, so the dialog's size stays fixed.
void KeepRoomWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

}  // namespace

QWidget* TFormCPL::BuildMainPage() {
    auto* page = new TTabSheet;
    SetCaption(page, SettingsCaptions(), "TabSheetMain");
    GroupBox3 = Control<QGroupBox>(page, "GroupBox3");
    RadioButton8bit = Control<QRadioButton>(GroupBox3, "RadioButton8bit");
    RadioButton4bit = Control<QRadioButton>(GroupBox3, "RadioButton4bit");
    RadioButton1bit = Control<QRadioButton>(GroupBox3, "RadioButton1bit");
    RadioButtonPalette = Control<QRadioButton>(GroupBox3, "RadioButtonPalette");
    EditValue = NumberField(GroupBox3, "EditValue", 2, 256);
    CheckBoxAdd16 = Control<QCheckBox>(GroupBox3, "CheckBoxAdd16");
    auto* sizes = new QGridLayout(GroupBox3);
    sizes->addWidget(RadioButton8bit, 0, 0);
    sizes->addWidget(RadioButton4bit, 1, 0);
    sizes->addWidget(RadioButton1bit, 2, 0);
    sizes->addWidget(RadioButtonPalette, 3, 0);
    sizes->addWidget(EditValue, 3, 1, Qt::AlignLeft);
    sizes->addWidget(CheckBoxAdd16, 4, 0, 1, 2);
    sizes->setColumnStretch(2, 1);

    GroupBox4 = Control<QGroupBox>(page, "GroupBox4");
    Label9 = Control<QLabel>(GroupBox4, "Label9");
    ComboBoxDither = Control<QComboBox>(GroupBox4, "ComboBoxDither");
    Label2 = Control<QLabel>(GroupBox4, "Label2");
    TrackBarDither = Slider(GroupBox4, "TrackBarDither", 10, 1);
    Label10 = Control<QLabel>(GroupBox4, "Label10");
    EditSpreadOption = NumberField(GroupBox4, "EditSpreadOption", 0, 64);
    KeepRoomWhenHidden(Label10);
    KeepRoomWhenHidden(EditSpreadOption);
    auto* dither = new QGridLayout(GroupBox4);
    dither->addWidget(Label9, 0, 0);
    dither->addWidget(ComboBoxDither, 0, 1, Qt::AlignLeft);
    dither->addWidget(Label2, 1, 0);
    dither->addWidget(TrackBarDither, 1, 1);
    dither->addWidget(Label10, 2, 0);
    dither->addWidget(EditSpreadOption, 2, 1, Qt::AlignLeft);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(GroupBox3);
    layout->addWidget(GroupBox4);
    layout->addStretch();
    return page;
}

QWidget* TFormCPL::SliderRow(QSlider* slider, const QColor& lowA, const QColor& lowB,
                             const QColor& highA, const QColor& highB) {
    auto* row = new QWidget(GroupBox2);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Legend(row, lowA, lowB));
    layout->addWidget(slider, 1);
    layout->addWidget(Legend(row, highA, highB));
    return row;
}

QWidget* TFormCPL::BuildEnginePage() {
    auto* page = new TTabSheet;
    SetCaption(page, SettingsCaptions(), "TabSheetEngine");
    GroupBox2 = Control<QGroupBox>(page, "GroupBox2");
    TrackBarCb = Slider(GroupBox2, "TrackBarCb", 20, 2);
    TrackBarCr = Slider(GroupBox2, "TrackBarCr", 20, 2);
    TrackBarCg = Slider(GroupBox2, "TrackBarCg", 20, 2);
    // Low end: dull colours from 64 and 192; high end: saturated from 0 and 255.
    auto* weights = new QVBoxLayout;
    weights->addWidget(SliderRow(TrackBarCb, QColor(192, 192, 64), QColor(64, 64, 192),
                                 QColor(255, 255, 0), QColor(0, 0, 255)));
    weights->addWidget(SliderRow(TrackBarCr, QColor(64, 192, 192), QColor(192, 64, 64),
                                 QColor(0, 255, 255), QColor(255, 0, 0)));
    weights->addWidget(SliderRow(TrackBarCg, QColor(64, 192, 64), QColor(192, 64, 192),
                                 QColor(0, 255, 0), QColor(255, 0, 255)));

    Label4 = Control<QLabel>(GroupBox2, "Label4");
    ComboBoxPaletteVolume = Control<QComboBox>(GroupBox2, "ComboBoxPaletteVolume");
    Label3 = Control<QLabel>(GroupBox2, "Label3");
    ComboBoxTrim = Control<QComboBox>(GroupBox2, "ComboBoxTrim");
    ButtonDefault = Control<QPushButton>(GroupBox2, "ButtonDefault");
    auto* lists = new QGridLayout;
    lists->addWidget(Label4, 0, 0);
    lists->addWidget(ComboBoxPaletteVolume, 0, 1, Qt::AlignLeft);
    lists->addWidget(Label3, 1, 0);
    lists->addWidget(ComboBoxTrim, 1, 1, Qt::AlignLeft);
    lists->setColumnStretch(2, 1);
    lists->addWidget(ButtonDefault, 1, 3);
    LabelRefine = Control<QLabel>(GroupBox2, "LabelRefine");
    ComboBoxRefine = Control<QComboBox>(GroupBox2, "ComboBoxRefine");
    lists->addWidget(LabelRefine, 2, 0);
    lists->addWidget(ComboBoxRefine, 2, 1, Qt::AlignLeft);

    auto* group = new QVBoxLayout(GroupBox2);
    group->addLayout(weights);
    group->addLayout(lists);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(GroupBox2);
    layout->addStretch();
    return page;
}

QWidget* TFormCPL::BuildTransPage() {
    auto* page = new TTabSheet;
    SetCaption(page, SettingsCaptions(), "TabSheetTrans");
    GroupBoxTrans = Control<QGroupBox>(page, "GroupBoxTrans");
    CheckBoxTrans = Control<QCheckBox>(GroupBoxTrans, "CheckBoxTrans");
    RadioButtonLT = Control<QRadioButton>(GroupBoxTrans, "RadioButtonLT");
    RadioButtonRT = Control<QRadioButton>(GroupBoxTrans, "RadioButtonRT");
    RadioButtonLB = Control<QRadioButton>(GroupBoxTrans, "RadioButtonLB");
    RadioButtonRB = Control<QRadioButton>(GroupBoxTrans, "RadioButtonRB");
    auto* corners = new QGridLayout(GroupBoxTrans);
    corners->addWidget(CheckBoxTrans, 0, 0, 1, 2);
    corners->addWidget(RadioButtonLT, 1, 0);
    corners->addWidget(RadioButtonRT, 1, 1);
    corners->addWidget(RadioButtonLB, 2, 0);
    corners->addWidget(RadioButtonRB, 2, 1);
    GroupBoxAlpha = Control<QGroupBox>(page, "GroupBoxAlpha");
    CheckBoxAlpha = Control<QCheckBox>(GroupBoxAlpha, "CheckBoxAlpha");
    LabelAlphaThreshold = Control<QLabel>(GroupBoxAlpha, "LabelAlphaThreshold");
    EditAlphaThreshold = NumberField(GroupBoxAlpha, "EditAlphaThreshold", 1, 255);
    auto* alpha = new QGridLayout(GroupBoxAlpha);
    alpha->addWidget(CheckBoxAlpha, 0, 0, 1, 2);
    alpha->addWidget(LabelAlphaThreshold, 1, 0);
    alpha->addWidget(EditAlphaThreshold, 1, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(GroupBoxTrans);
    layout->addWidget(GroupBoxAlpha);
    layout->addStretch();
    return page;
}

QWidget* TFormCPL::BuildBatchPage() {
    auto* page = new TTabSheet;
    SetCaption(page, SettingsCaptions(), "TabSheetBatch");
    GroupBox1 = Control<QGroupBox>(page, "GroupBox1");
    LabelFolder = new QLabel(GroupBox1);
    LabelFolder->setObjectName("LabelFolder");
    LabelFolder->setWordWrap(true);
    LabelFolder->setFixedWidth(kFolderLabelWidth);
    LabelFolder->setFrameShape(QFrame::StyledPanel);
    LabelFolder->setTextFormat(Qt::PlainText);
    ButtonBatch = Control<QPushButton>(GroupBox1, "ButtonBatch");
    RadioButtonBMP = Control<QRadioButton>(GroupBox1, "RadioButtonBMP");
    RadioButtonPNG = Control<QRadioButton>(GroupBox1, "RadioButtonPNG");
    RadioButtonGIF = Control<QRadioButton>(GroupBox1, "RadioButtonGIF");
    auto* formats = new QHBoxLayout;
    formats->addWidget(RadioButtonBMP);
    formats->addWidget(RadioButtonPNG);
    formats->addWidget(RadioButtonGIF);
    formats->addStretch();
    formats->addWidget(ButtonBatch);
    auto* folder = new QVBoxLayout(GroupBox1);
    folder->addWidget(LabelFolder);
    folder->addLayout(formats);

    GroupBox5 = Control<QGroupBox>(page, "GroupBox5");
    CheckBoxPNGinterlace = Control<QCheckBox>(GroupBox5, "CheckBoxPNGinterlace");
    (new QVBoxLayout(GroupBox5))->addWidget(CheckBoxPNGinterlace);

    GroupBoxGIF = Control<QGroupBox>(page, "GroupBoxGIF");
    Label7 = Control<QLabel>(GroupBoxGIF, "Label7");
    ComboBoxGIF = Control<QComboBox>(GroupBoxGIF, "ComboBoxGIF");
    auto* gif = new QHBoxLayout(GroupBoxGIF);
    gif->addWidget(Label7);
    gif->addWidget(ComboBoxGIF);
    gif->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox5);
    layout->addWidget(GroupBoxGIF);
    layout->addStretch();
    return page;
}
