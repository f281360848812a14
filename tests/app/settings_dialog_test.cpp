// The settings dialog's rules: the dither dependency, the count field, the
// Default button, Cancel that keeps changes, the batch folder, F1.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest/QTest>

#include <string>

#include "app_test_support.h"

namespace {

class SettingsDialogTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        Form = std::make_unique<TFormCPL>(Settings);
    }
    void TearDown() override {
        Form.reset();
        AppTest::TearDown();
    }
    TSettingsRecord Settings;
    std::unique_ptr<TFormCPL> Form;
};

struct DitherCase {
    int Mode;
    bool SpreadVisible;
    bool DepthEnabled;
};

class DitherRuleTest : public SettingsDialogTest,
                       public ::testing::WithParamInterface<DitherCase> {};

}  // namespace

TEST_P(DitherRuleTest, ModeDecidesSpreadOptionAndDepth) {
    const DitherCase c = GetParam();
    Form->ComboBoxDither->setCurrentIndex(c.Mode);
    EXPECT_EQ(Settings.ComboBoxDither, c.Mode);
    EXPECT_EQ(!Form->Label10->isHidden(), c.SpreadVisible);
    EXPECT_EQ(!Form->EditSpreadOption->isHidden(), c.SpreadVisible);
    EXPECT_EQ(Form->Label2->isEnabled(), c.DepthEnabled);
    EXPECT_EQ(Form->TrackBarDither->isEnabled(), c.DepthEnabled);
}

std::string DitherCaseName(const ::testing::TestParamInfo<DitherCase>& info) {
    const char* const names[] = {"None", "gPeanos", "DiffuseFS", "Maem", "Anime"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(EveryMode, DitherRuleTest,
                         ::testing::Values(DitherCase{0, false, false},   // none
                                           DitherCase{1, false, true},    // gPeanos
                                           DitherCase{2, false, true},    // DiffuseFS
                                           DitherCase{3, false, true},    // Maem
                                           DitherCase{4, true, false}),   // Anime
                         DitherCaseName);

TEST_F(SettingsDialogTest, CountFieldFollowsAnyNumberAndKeepsItsValue) {
    EXPECT_FALSE(Form->EditValue->isEnabled());
    Form->RadioButtonPalette->click();
    EXPECT_TRUE(Form->EditValue->isEnabled());
    EXPECT_EQ(Settings.PaletteSizeButton, RadioButtonPalette);
    Form->EditValue->setValue(100);
    Form->RadioButton4bit->click();
    EXPECT_FALSE(Form->EditValue->isEnabled());
    EXPECT_EQ(Form->EditValue->value(), 100);
    EXPECT_EQ(Settings.PaletteSizeButton, RadioButton4bit);
    Form->RadioButtonPalette->click();
    EXPECT_TRUE(Form->EditValue->isEnabled());
    EXPECT_EQ(Settings.UpDownValue, 100);
}

TEST_F(SettingsDialogTest, TypedCountsStayInRange) {
    Form->RadioButtonPalette->click();
    Form->EditValue->setValue(999);
    EXPECT_EQ(Settings.UpDownValue, 256);
    Form->EditSpreadOption->setValue(-5);
    EXPECT_EQ(Settings.UpDownDitherOption, 0);
}

TEST_F(SettingsDialogTest, DefaultResetsOnlyTheEnginePage) {
    Form->ComboBoxPaletteVolume->setCurrentIndex(0);
    Form->ComboBoxTrim->setCurrentIndex(1);
    Form->TrackBarCb->setValue(0);
    Form->TrackBarCr->setValue(3);
    Form->TrackBarCg->setValue(20);
    Form->ComboBoxDither->setCurrentIndex(4);
    Form->RadioButtonLT->click();
    Form->TrackBarDither->setValue(2);
    Form->ButtonDefault->click();
    EXPECT_EQ(Settings.ComboBoxPaletteVolume, 6);
    EXPECT_EQ(Settings.ComboBoxTrim, 3);
    EXPECT_EQ(Settings.TrackBarCb, 10);
    EXPECT_EQ(Settings.TrackBarCr, 10);
    EXPECT_EQ(Settings.TrackBarCg, 10);
    EXPECT_EQ(Settings.ComboBoxDither, 4);
    EXPECT_EQ(Settings.TransCornerButton, RadioButtonLT);
    EXPECT_EQ(Settings.TrackBarDither, 2);
}

TEST_F(SettingsDialogTest, CancelKeepsEveryChange) {
    TModalWatcher watcher;
    watcher.Answer = [this](QDialog* dialog) {
        Form->TrackBarCb->setValue(17);
        Form->CheckBoxTrans->setChecked(true);
        QTest::keyClick(dialog, Qt::Key_Escape);
    };
    EXPECT_EQ(Form->exec(), QDialog::Rejected);
    EXPECT_EQ(Settings.TrackBarCb, 17);
    EXPECT_TRUE(Settings.CheckBoxTrans);
    EXPECT_EQ(Form->TrackBarCb->value(), 17);
}

TEST_F(SettingsDialogTest, EnterIsOkAndThePageShownPersists) {
    TModalWatcher watcher;
    watcher.Answer = [this](QDialog* dialog) {
        Form->PageControl1->setCurrentIndex(3);
        QTest::keyClick(dialog, Qt::Key_Return);
    };
    EXPECT_EQ(Form->exec(), QDialog::Accepted);
    EXPECT_EQ(Form->PageControl1->currentIndex(), 3);
    EXPECT_EQ(watcher.Seen.size(), 1u);
}

TEST_F(SettingsDialogTest, CancelledFolderChooserStoresTheStartWithASeparator) {
    Settings.BatchSaveDirectory = TempFolder() + "/gone/away";
    TModalWatcher watcher;  // rejects the chooser
    Form->ButtonBatchClick();
    ASSERT_EQ(watcher.Seen.size(), 1u);
    EXPECT_EQ(watcher.Seen[0].ClassName, "TSelectFolder");
    EXPECT_EQ(Settings.BatchSaveDirectory, TempFolder() + "/gone/away/");
    EXPECT_EQ(Form->LabelFolderText().toStdString(), Settings.BatchSaveDirectory);
}

TEST_F(SettingsDialogTest, FolderChooserOkReturnsTheShownFolder) {
    QDir(Dir.path()).mkpath("out/sub");
    Settings.BatchSaveDirectory = TempFolder() + "/out/";
    TModalWatcher watcher;
    watcher.Answer = [](QDialog* dialog) {
        auto* chooser = static_cast<TSelectFolder*>(dialog);
        // A single click on the subfolder opens it; Enter is OK.
        for (int row = 0; row < chooser->DirectoryListBox1->count(); ++row) {
            if (chooser->DirectoryListBox1->item(row)->text().trimmed() == "sub") {
                chooser->DirectoryListBox1->itemClicked(chooser->DirectoryListBox1->item(row));
                break;
            }
        }
        QTest::keyClick(chooser, Qt::Key_Return);
    };
    Form->ButtonBatchClick();
    EXPECT_EQ(Settings.BatchSaveDirectory, TempFolder() + "/out/sub/");
}

TEST_F(SettingsDialogTest, F1OnAnyControlOpensTheSettingsPage) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{Form->EditValue, Form->ComboBoxDither, Form->TrackBarCb,
                                         Form->CheckBoxTrans, Form->ButtonBatch, Form->OKButton}) {
        QTest::keyClick(control, Qt::Key_F1);
    }
    QTest::keyClick(Form->TrackBarDither, Qt::Key_F1, Qt::ShiftModifier | Qt::ControlModifier);
    ASSERT_EQ(Opened.size(), 7u);
    for (const QString& target : Opened) EXPECT_TRUE(target.endsWith("/image/setting.htm"));
    QTest::keyClick(Form->EditValue, Qt::Key_F2);
    EXPECT_EQ(Opened.size(), 7u);
}

TEST_F(SettingsDialogTest, ControlsEditTheRecordDirectly) {
    Form->CheckBoxAdd16->setChecked(true);
    Form->CheckBoxPNGinterlace->setChecked(true);
    Form->RadioButtonGIF->click();
    Form->RadioButtonRT->click();
    Form->TrackBarDither->setValue(9);
    Form->ComboBoxGIF->setCurrentIndex(2);
    EXPECT_TRUE(Settings.CheckBoxAdd16);
    EXPECT_TRUE(Settings.CheckBoxPNGinterlace);
    EXPECT_EQ(Settings.BatchFormatButton, RadioButtonGIF);
    EXPECT_EQ(Settings.BatchFormat, 0);  // taken over only when a job is filled
    EXPECT_EQ(Settings.TransCornerButton, RadioButtonRT);
    EXPECT_EQ(Settings.TrackBarDither, 9);
    EXPECT_EQ(Settings.ComboBoxGIF, 2);
}

TEST_F(SettingsDialogTest, ShowRecordClampsValuesOutOfRange) {
    Settings.ComboBoxPaletteVolume = 9;
    Settings.TrackBarCb = 99;
    Settings.UpDownValue = 999;
    Settings.PaletteSizeButton = RadioButtonPalette;
    Form->ShowRecord();
    EXPECT_EQ(Form->ComboBoxPaletteVolume->currentIndex(), 6);
    EXPECT_EQ(Settings.ComboBoxPaletteVolume, 6);
    EXPECT_EQ(Settings.TrackBarCb, 20);
    EXPECT_EQ(Settings.UpDownValue, 256);
    EXPECT_TRUE(Form->EditValue->isEnabled());  // selecting counts as a click
}
