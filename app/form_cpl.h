#pragma once
// The settings dialog: every option of a reduction and of the batch output.
// Its controls edit the settings record directly (there is no second copy),
// so OK and Cancel both keep every change. One instance lives for the whole
// run, hidden between openings, so the page shown and every value persist.

#include <QDialog>

#include "config/settings_record.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class TTabSheet;

class TFormCPL : public QDialog {
    Q_OBJECT
  public:
    // settings must outlive the dialog.
    TFormCPL(TSettingsRecord& settings, QWidget* parent = nullptr);

    // Shows the record's values in the controls. Selecting a radio button
    // that was not selected counts as clicking it (the count-field rule runs);
    // out-of-range values are clamped and the clamped value goes back into the
    // record. Does not run the dither rule (ComboBoxDitherChange) by itself.
    void ShowRecord();

    // Handlers.
    void FormShow();                 // LabelFolder shows BatchSaveDirectory
    void RadioButton8bitClick();     // 8, 4 and 1 bit: count field disabled
    void RadioButtonPaletteClick();  // any number: count field enabled
    void ComboBoxDitherChange();     // the dither dependency rule
    void ButtonDefaultClick();       // resets the engine page only
    void ButtonBatchClick();         // chooses BatchSaveDirectory
    // F1 (with or without Shift, Ctrl or Alt) opens the help page; true when
    // the key was taken. Sees key presses before the dialog's controls.
    bool FormKeyDown(int key);

    // The folder as LabelFolder shows it (without its wrap points).
    QString LabelFolderText() const;

    // Controls, named as in the settings record. EditValue is the count field
    // with its up-down arrows (the description's EditValue and UpDownValue);
    // EditSpreadOption likewise holds UpDownDitherOption.
    QTabWidget* PageControl1 = nullptr;
    TTabSheet* TabSheetMain = nullptr;
    TTabSheet* TabSheetEngine = nullptr;
    TTabSheet* TabSheetTrans = nullptr;
    TTabSheet* TabSheetBatch = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* ButtonCansel = nullptr;
    // Page "Main"
    QGroupBox* GroupBox3 = nullptr;
    QRadioButton* RadioButton8bit = nullptr;
    QRadioButton* RadioButton4bit = nullptr;
    QRadioButton* RadioButton1bit = nullptr;
    QRadioButton* RadioButtonPalette = nullptr;
    QSpinBox* EditValue = nullptr;
    QCheckBox* CheckBoxAdd16 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QLabel* Label9 = nullptr;
    QComboBox* ComboBoxDither = nullptr;
    QLabel* Label2 = nullptr;
    QSlider* TrackBarDither = nullptr;
    QLabel* Label10 = nullptr;
    QSpinBox* EditSpreadOption = nullptr;
    // Page "Engine"
    QGroupBox* GroupBox2 = nullptr;
    QSlider* TrackBarCb = nullptr;
    QSlider* TrackBarCr = nullptr;
    QSlider* TrackBarCg = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* ComboBoxPaletteVolume = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* ComboBoxTrim = nullptr;
    QPushButton* ButtonDefault = nullptr;
    QLabel* LabelRefine = nullptr;
    QComboBox* ComboBoxRefine = nullptr;
    // Page "Transparency"
    QGroupBox* GroupBoxTrans = nullptr;
    QCheckBox* CheckBoxTrans = nullptr;
    QRadioButton* RadioButtonLT = nullptr;
    QRadioButton* RadioButtonRT = nullptr;
    QRadioButton* RadioButtonLB = nullptr;
    QRadioButton* RadioButtonRB = nullptr;
    // Page "Batch"
    QGroupBox* GroupBox1 = nullptr;
    QLabel* LabelFolder = nullptr;
    QPushButton* ButtonBatch = nullptr;
    QRadioButton* RadioButtonBMP = nullptr;
    QRadioButton* RadioButtonPNG = nullptr;
    QRadioButton* RadioButtonGIF = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QCheckBox* CheckBoxPNGinterlace = nullptr;
    QGroupBox* GroupBoxGIF = nullptr;
    QLabel* Label7 = nullptr;
    QComboBox* ComboBoxGIF = nullptr;
    // Page "Transparency": the picture's own alpha channel.
    QGroupBox* GroupBoxAlpha = nullptr;
    QCheckBox* CheckBoxAlpha = nullptr;
    QLabel* LabelAlphaThreshold = nullptr;
    QSpinBox* EditAlphaThreshold = nullptr;
    // Page "Palette" (form_cpl_palette.cpp)
    QRadioButton* RadioButtonOptimal = nullptr;
    QRadioButton* RadioButtonPaletteFile = nullptr;
    QLineEdit* EditPaletteFile = nullptr;
    QPushButton* ButtonPaletteFile = nullptr;
    QLineEdit* EditLockedColors = nullptr;
    QPushButton* ButtonLockedFromFile = nullptr;
    void ButtonPaletteFileClick();     // chooses the palette file
    void ButtonLockedFromFileClick();  // fills the locked colours from a palette file

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Building the four pages (form_cpl_pages.cpp).
    QWidget* BuildMainPage();
    QWidget* BuildEnginePage();
    QWidget* BuildTransPage();
    QWidget* BuildBatchPage();
    QWidget* BuildPalettePage();
    void ShowPaletteRecord();
    QWidget* SliderRow(QSlider* slider, const QColor& lowA, const QColor& lowB, const QColor& highA,
                       const QColor& highB);
    // Wiring controls to the record (form_cpl.cpp).
    void GroupRadioButtons();  // the ids are the record's button numbers
    void ConnectRecord();
    void ReadBackRecord();

    TSettingsRecord& Settings;
    QButtonGroup* PaletteSizeGroup = nullptr;
    QButtonGroup* CornerGroup = nullptr;
    QButtonGroup* BatchFormatGroup = nullptr;
};
