// The palette panel: counts per entry, the transparent entry, following the
// active window, saving in each format and the blink of an entry's pixels.

#include "app/palette_window.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QTest>

#include "app/picture_view.h"
#include "document_test_support.h"
#include "formats/palette_file.h"

namespace {

// 4 x 2 pixels over 4 entries: entry 3 (beyond Colors) must count nowhere.
TPictureRecord SmallIndexed() {
    TPictureRecord r;
    r.Kind = pkIndexed;
    r.Width = 4;
    r.Height = 2;
    r.Colors = 3;
    r.Palette.assign(1024, 0);
    r.SetPaletteEntry(0, MakeColor(255, 0, 0));
    r.SetPaletteEntry(1, MakeColor(0, 128, 255));
    r.SetPaletteEntry(2, MakeColor(1, 2, 3));
    r.Pixels = {0, 0, 0, 1, 1, 2, 0, 3};
    r.TransCorner = 0;
    r.TransIndex = 2;
    return r;
}

TEST(PaletteEntries, CountsEachEntryAndMarksOnlyARealTransparentEntry) {
    TPictureRecord r = SmallIndexed();
    const auto counts = CountPaletteEntries(r);
    EXPECT_EQ(counts[0], 4u);
    EXPECT_EQ(counts[1], 2u);
    EXPECT_EQ(counts[2], 1u);
    EXPECT_EQ(counts[3], 0u);
    EXPECT_EQ(TransparentEntry(r), 2);
    r.TransCorner = -1;
    EXPECT_EQ(TransparentEntry(r), -1);
    r.Pixels.resize(7);  // pixels short of the size: nothing is read
    EXPECT_EQ(CountPaletteEntries(r)[0], 0u);
    r.Kind = pkFullColour;
    EXPECT_TRUE(PaletteEntries(r).empty());
}

class PaletteWindowTest : public DocumentTest {
  protected:
    void SetUp() override {
        DocumentTest::SetUp();
        Begin();
    }
    TPaletteWindow* OpenPanel() {
        Main().MenuPalette->trigger();
        EXPECT_TRUE(QTest::qWaitFor(
            [this] { return Main().PalettePanel && Main().PalettePanel->isVisible(); }, 5000));
        return Main().PalettePanel;
    }
};

TEST_F(PaletteWindowTest, ShowsTheActiveResultAndIsEmptyForOtherWindows) {
    TFormChild* source = Open(WritePicture("grad.bmp"));
    EXPECT_FALSE(Main().MenuPalette->isEnabled());  // no reduced picture yet
    TFormChild* result = Reduce();
    EXPECT_TRUE(Main().MenuPalette->isEnabled());
    TPaletteWindow* panel = OpenPanel();
    const QList<TPaletteSwatch*> swatches = panel->Swatches();
    ASSERT_EQ(swatches.size(), result->Record().Colors);
    const auto counts = CountPaletteEntries(result->Record());
    uint64_t total = 0;
    for (TPaletteSwatch* s : swatches) {
        EXPECT_EQ(s->Color(), result->Record().PaletteEntry(s->Index()) & 0xFFFFFF);
        EXPECT_EQ(s->Pixels(), counts[s->Index()]);
        total += s->Pixels();
    }
    EXPECT_EQ(total, 64u * 48u);
    const ColorValue c = swatches[5]->Color();
    EXPECT_TRUE(swatches[5]->toolTip().startsWith(
        QString::asprintf("5 #%02x%02x%02x\n", RedOf(c), GreenOf(c), BlueOf(c))));
    EXPECT_TRUE(panel->ButtonSavePalette->isEnabled());

    Main().MdiArea->setActiveSubWindow(WindowOf(source));
    QApplication::processEvents();
    EXPECT_TRUE(panel->Swatches().isEmpty());
    EXPECT_FALSE(panel->ButtonSavePalette->isEnabled());
    WindowOf(source)->close();
    QApplication::processEvents();
    EXPECT_EQ(panel->Swatches().size(), result->Record().Colors);
}

TEST_F(PaletteWindowTest, TransparentEntryCarriesTheMark) {
    TFormChild child(true);
    child.Picture = SmallIndexed();
    child.ImagePic->ShowPicture(child.Picture);
    TPaletteWindow window;  // the menu item waits for a reduced picture in the program
    TPaletteWindow* panel = &window;
    panel->show();
    panel->ShowDocument(&child);
    const QList<TPaletteSwatch*> swatches = panel->Swatches();
    ASSERT_EQ(swatches.size(), 3);
    EXPECT_FALSE(swatches[0]->Transparent());
    EXPECT_TRUE(swatches[2]->Transparent());
    EXPECT_TRUE(swatches[2]->toolTip().contains("transparent"));
    EXPECT_TRUE(swatches[1]->toolTip().startsWith("1 #0080ff"));
    EXPECT_EQ(panel->LabelSummary->text(), "3 entries, 3 used");
}

TEST_F(PaletteWindowTest, SavesEachFormatThroughTheReaderAndReportsAFailure) {
    Open(WritePicture("grad.bmp"));
    TFormChild* result = Reduce();
    TPaletteWindow* panel = OpenPanel();
    const std::vector<ColorValue> expected = PaletteEntries(result->Record());
    const char* names[] = {"p.gpl", "p.pal", "p.act", "p.hex"};
    for (int filter = 1; filter <= 4; ++filter) {
        AnswerFileDialog(PathOf(names[filter - 1]), filter);
        panel->ButtonSavePalette->click();
        std::vector<ColorValue> read;
        TPaletteError error;
        const std::string saved = PathOf(names[filter - 1]);
        ASSERT_TRUE(ReadPaletteFile(saved, read, error)) << saved;
        EXPECT_EQ(read, expected) << saved;
    }
    EXPECT_TRUE(Messages.empty());
    const QString bad = QString::fromStdString(PathOf("missing/p.gpl"));
    EXPECT_FALSE(panel->SavePaletteTo(bad));
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Kind, TMessageKind::Warning);
    EXPECT_TRUE(Messages[0].Text.startsWith(bad + "\n"));
    EXPECT_GT(Messages[0].Text.size(), bad.size() + 2);  // the reason follows
}

TEST_F(PaletteWindowTest, BlinkShowsTheEntryThenRestoresTheViewAndKeepsThePicture) {
    Open(WritePicture("grad.bmp"));
    TFormChild* result = Reduce();
    TPaletteWindow* panel = OpenPanel();
    const QImage before = result->ImagePic->Image();
    const std::vector<uint8_t> pixels = result->Record().Pixels;
    const auto counts = CountPaletteEntries(result->Record());
    int entry = 0;
    while (counts[entry] == 0) ++entry;
    QTest::mouseClick(panel->Swatches()[entry], Qt::LeftButton);
    ASSERT_TRUE(panel->Blinking());
    EXPECT_NE(result->ImagePic->Image(), before);
    EXPECT_TRUE(QTest::qWaitFor([panel] { return !panel->Blinking(); }, 10000));
    EXPECT_EQ(result->ImagePic->Image(), before);
    EXPECT_EQ(result->Record().Pixels, pixels);

    // Switching windows in the middle of a blink restores the view at once.
    QTest::mouseClick(panel->Swatches()[entry], Qt::LeftButton);
    ASSERT_TRUE(panel->Blinking());
    panel->ShowDocument(nullptr);
    EXPECT_FALSE(panel->Blinking());
    EXPECT_EQ(result->ImagePic->Image(), before);
}

}  // namespace
