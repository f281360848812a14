// The settings dialog's "Palette" page: the optimal palette (as always) or a
// palette file, and the locked colours, typed or taken from a palette file.

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/english_texts.h"
#include "app/form_cpl.h"
#include "app/message_box.h"
#include "config/texts.h"
#include "formats/palette_file.h"

namespace {

constexpr TCaption kPaletteCaptions[] = {
    {"TabSheetPalette", "パレット", "Palette"},
    {"GroupBoxPaletteSource", " パレット ", " Palette "},
    {"RadioButtonOptimal", "最適パレット", "Optimal palette"},
    {"RadioButtonPaletteFile", "ファイルのパレット", "Palette from file"},
    {"ButtonPaletteFile", "選択...", "Choose..."},
    {"GroupBoxLocked", " 固定する色 ", " Locked colours "},
    {"LabelLocked", "必ずパレットに入れる色 (#rrggbb,#rrggbb,...)",
     "Colours the palette must hold (#rrggbb,#rrggbb,...)"},
    {"ButtonLockedFromFile", "ファイルから...", "From file..."},
};

template <typename W>
W* PaletteControl(QWidget* parent, const char* name) {
    auto* widget = new W(parent);
    SetCaption(widget, kPaletteCaptions, name);
    return widget;
}

QString PaletteFilter() {
    return UseEnglish() ? "Palettes (*.gpl *.pal *.act *.hex *.txt *.png *.gif *.bmp);;All files (*)"
                        : "パレット (*.gpl *.pal *.act *.hex *.txt *.png *.gif *.bmp);;すべてのファイル (*)";
}

}  // namespace

QWidget* TFormCPL::BuildPalettePage() {
    auto* page = new TTabSheet;
    SetCaption(page, kPaletteCaptions, "TabSheetPalette");
    auto* source = PaletteControl<QGroupBox>(page, "GroupBoxPaletteSource");
    RadioButtonOptimal = PaletteControl<QRadioButton>(source, "RadioButtonOptimal");
    RadioButtonPaletteFile = PaletteControl<QRadioButton>(source, "RadioButtonPaletteFile");
    EditPaletteFile = new QLineEdit(source);
    EditPaletteFile->setObjectName("EditPaletteFile");
    EditPaletteFile->setMinimumWidth(260);
    ButtonPaletteFile = PaletteControl<QPushButton>(source, "ButtonPaletteFile");
    auto* sourceLayout = new QGridLayout(source);
    sourceLayout->addWidget(RadioButtonOptimal, 0, 0, 1, 2);
    sourceLayout->addWidget(RadioButtonPaletteFile, 1, 0, 1, 2);
    sourceLayout->addWidget(EditPaletteFile, 2, 0);
    sourceLayout->addWidget(ButtonPaletteFile, 2, 1);

    auto* locked = PaletteControl<QGroupBox>(page, "GroupBoxLocked");
    auto* label = PaletteControl<QLabel>(locked, "LabelLocked");
    EditLockedColors = new QLineEdit(locked);
    EditLockedColors->setObjectName("EditLockedColors");
    ButtonLockedFromFile = PaletteControl<QPushButton>(locked, "ButtonLockedFromFile");
    auto* lockedLayout = new QGridLayout(locked);
    lockedLayout->addWidget(label, 0, 0, 1, 2);
    lockedLayout->addWidget(EditLockedColors, 1, 0);
    lockedLayout->addWidget(ButtonLockedFromFile, 1, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(source);
    layout->addWidget(locked);
    layout->addStretch();

    connect(RadioButtonPaletteFile, &QRadioButton::toggled, this,
            [this](bool on) { Settings.RadioButtonPaletteFile = on; });
    connect(EditPaletteFile, &QLineEdit::textChanged, this,
            [this](const QString& text) { Settings.EditPaletteFile = text.toStdString(); });
    connect(EditLockedColors, &QLineEdit::textChanged, this,
            [this](const QString& text) { Settings.EditLockedColors = text.toStdString(); });
    connect(ButtonPaletteFile, &QPushButton::clicked, this, &TFormCPL::ButtonPaletteFileClick);
    connect(ButtonLockedFromFile, &QPushButton::clicked, this,
            &TFormCPL::ButtonLockedFromFileClick);
    return page;
}

void TFormCPL::ShowPaletteRecord() {
    (Settings.RadioButtonPaletteFile ? RadioButtonPaletteFile : RadioButtonOptimal)
        ->setChecked(true);
    EditPaletteFile->setText(QString::fromStdString(Settings.EditPaletteFile));
    EditLockedColors->setText(QString::fromStdString(Settings.EditLockedColors));
}

void TFormCPL::ButtonPaletteFileClick() {
    const QString path = QFileDialog::getOpenFileName(this, RadioButtonPaletteFile->text(),
                                                      EditPaletteFile->text(), PaletteFilter());
    if (path.isEmpty()) return;
    EditPaletteFile->setText(path);
    RadioButtonPaletteFile->setChecked(true);
}

// The file's colours go into the text field, where they can still be edited.
void TFormCPL::ButtonLockedFromFileClick() {
    const QString path =
        QFileDialog::getOpenFileName(this, ButtonLockedFromFile->text(), QString(), PaletteFilter());
    if (path.isEmpty()) return;
    std::vector<ColorValue> colors;
    TPaletteError error;
    if (!ReadPaletteFile(path.toStdString(), colors, error)) {
        ShowMessage(this, TMessageKind::Warning, UseEnglish() ? "Palette" : "パレット",
                    path + ": " + QString::fromStdString(PaletteErrorText(error, UseEnglish())));
        return;
    }
    EditLockedColors->setText(QString::fromStdString(ColorListText(colors)));
}
