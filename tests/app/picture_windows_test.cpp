// Picture windows in the running program: opening (command line, drop,
// failure), the reduce command with its palette cache, cancel and busy
// close, zoom, Property, saving by filter index and the clipboard.

#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QUrl>
#include <atomic>

#include "document_test_support.h"
#include "formats/byte_buffer.h"

namespace {

class PictureWindows : public DocumentTest {
  protected:
    void SetUp() override {
        DocumentTest::SetUp();
        Begin();
    }
    void Activate(TFormChild* child) { Main().MdiArea->setActiveSubWindow(WindowOf(child)); }
    void Drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(9, 9), Qt::CopyAction, &data, Qt::LeftButton, {});
        QDropEvent drop(QPointF(9, 9), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&Main(), &enter);
        QApplication::sendEvent(&Main(), &drop);
        QApplication::processEvents();
    }
};

TEST_F(PictureWindows, OpenShowsThePictureAndRecordsTheAbsolutePath) {
    QDir::setCurrent(Dir.path());
    WritePicture("cat.bmp", 40, 30);
    TFormChild* child = Open("cat.bmp");
    EXPECT_EQ(TitleOf(child), "cat.bmp");
    EXPECT_EQ(child->Record().FileName, "cat.bmp");  // a relative path stays relative
    EXPECT_EQ(child->size(), QSize(40, 30));
    EXPECT_EQ(Program->Settings.RecentFiles[0], PathOf("cat.bmp"));
    EXPECT_EQ(Main().MenuFileN[0]->text(), "&1 cat.bmp");

    const QString bad = QString::fromStdString(PathOf("bad.bmp"));
    Drop({bad});
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Title, "Open");
    EXPECT_EQ(Messages[0].Text, bad + "\nCan't load\nNo such file or directory");
    EXPECT_EQ(Program->Settings.RecentFiles[1], "");
    Drop({QString::fromStdString(PathOf("cat.bmp")), bad});  // several: one batch
    EXPECT_EQ(ChildCount(), 2);
    EXPECT_EQ(Active()->BatchFiles.size(), 2u);
}

TEST_F(PictureWindows, ReduceNumbersResultsAndReusesThePaletteOnlyForTheSameKey) {
    TFormChild* source = Open(WritePicture("grad.bmp"));
    source->Record().Zoom = 1;  // the result opens at double size too
    Main().ApplyZoom(source);
    TFormChild* first = Reduce();
    EXPECT_EQ(TitleOf(first), "1:grad.bmp(256)");
    EXPECT_EQ(first->ImagePic->size(), QSize(128, 96));
    EXPECT_EQ(source->Record().Palette, first->Record().Palette);  // the cache
    EXPECT_FALSE(Main().MenuReduce->isEnabled());  // a result cannot be reduced again
    EXPECT_EQ(source->Record().Busy, 0);

    WindowOf(first)->close();
    Activate(source);
    Program->Settings.ComboBoxDither = 0;  // only the dither changes
    TFormChild* second = Reduce();
    EXPECT_EQ(TitleOf(second), "2:grad.bmp(256)");  // numbering goes on after a close
    EXPECT_TRUE(Main().Job.ReusePalette);
    EXPECT_EQ(second->Record().Palette, source->Record().Palette);

    const std::vector<std::function<void(TSettingsRecord&)>> paletteChanges = {
        [](TSettingsRecord& s) { s.PaletteSizeButton = RadioButton4bit; },
        [](TSettingsRecord& s) { s.TrackBarCb = 3; },
        [](TSettingsRecord& s) { s.ComboBoxTrim = 1; },
        [](TSettingsRecord& s) { s.ComboBoxPaletteVolume = 2; },
        [](TSettingsRecord& s) { s.CheckBoxAdd16 = true; },
        [](TSettingsRecord& s) { s.CheckBoxTrans = true; },
    };
    for (const auto& change : paletteChanges) {
        const std::string oldKey = source->LastPaletteKey;
        change(Program->Settings);
        Activate(source);
        Reduce();
        EXPECT_FALSE(Main().Job.ReusePalette) << source->LastPaletteKey;
        EXPECT_NE(source->LastPaletteKey, oldKey);
    }
    EXPECT_EQ(TitleOf(Active()), "8:grad.bmp(17)");  // 4 bit + fixed 16 + transparency
}

TEST_F(PictureWindows, CancelMakesNoWindowAndTheNextRunBuildsANewPalette) {
    TFormChild* source = Open(WritePicture("grad.bmp"));
    Main().Job.ProgressObserver = [this](int value) {
        if (value == 25) Main().ButtonCancelClick();  // as Esc would, while the engine starts
    };
    Main().ButtonReduceClick();
    EXPECT_TRUE(Main().MenuCancel->isEnabled());
    WaitUntilIdle();
    EXPECT_EQ(ChildCount(), 1);
    EXPECT_EQ(Main().ResultCounter, 1);
    EXPECT_TRUE(source->Record().Palette.empty());
    EXPECT_TRUE(Main().MenuReduce->isEnabled());
    Main().Job.ProgressObserver = nullptr;
    EXPECT_EQ(TitleOf(Reduce()), "1:grad.bmp(256)");
    EXPECT_FALSE(Main().Job.ReusePalette);
}

TEST_F(PictureWindows, BusyPictureAndMainWindowRefuseToCloseUntilTheRunEnds) {
    Open(WritePicture("other.bmp", 8, 8));
    TFormChild* source = Open(WritePicture("grad.bmp"));
    std::atomic<bool> release{false};
    Main().Job.ProgressObserver = [&release](int value) {
        while (value == 25 && !release) std::this_thread::yield();
    };
    Main().ButtonReduceClick();
    EXPECT_FALSE(WindowOf(source)->close());  // silently stays
    Main().MenuCloseAllClick();
    QApplication::processEvents();
    EXPECT_EQ(ChildCount(), 1);  // everything else closed
    Open(WritePicture("other.bmp", 8, 8));
    EXPECT_FALSE(Main().close());                  // refused; the worker is asked to stop
    EXPECT_TRUE(Main().MenuZoomIn->isEnabled());   // viewing goes on
    EXPECT_FALSE(Main().MenuGather->isEnabled());  // a busy picture is not gathered
    release = true;
    WaitUntilIdle();
    EXPECT_EQ(ChildCount(), 2);                   // stopped: no result
    EXPECT_TRUE(Main().MenuGather->isEnabled());  // counts again as soon as the run ends
    EXPECT_TRUE(WindowOf(source)->close());
}

TEST_F(PictureWindows, ZoomStepsAndMaximizedWindowsKeepingTheirSize) {
    TFormChild* child = Open(WritePicture("3.bmp", 3, 3));
    for (const QSize shown : {QSize(1, 1), QSize(1, 1), QSize(0, 0)}) {
        Main().MenuZoomOutClick();
        EXPECT_EQ(child->ImagePic->size(), shown);
    }
    for (int i = 0; i < 4; ++i) Main().MenuZoomInClick();
    EXPECT_EQ(child->ImagePic->size(), QSize(6, 6));
    WindowOf(child)->showMaximized();
    const QSize maximized = WindowOf(child)->size();
    Main().MenuZoomInClick();
    EXPECT_EQ(child->ImagePic->size(), QSize(9, 9));
    EXPECT_EQ(WindowOf(child)->size(), maximized);
    // While it is maximized a new picture window opens maximized and stays so.
    TFormChild* next = Open(WritePicture("next.bmp", 50, 40));
    EXPECT_TRUE(WindowOf(next)->isMaximized());
    EXPECT_EQ(WindowOf(next)->size(), maximized);
}

TEST_F(PictureWindows, PropertyInTheLanguageInForce) {
    Open(WritePicture("two.bmp", 4, 3, [](int x, int) { return x < 2 ? 0u : 0xFFFFFFu; }));
    Main().MenuPropertyClick();
    SetUseEnglish(false);
    Main().MenuPropertyClick();
    ASSERT_EQ(Messages.size(), 2u);
    EXPECT_EQ(Messages[0].Kind, TMessageKind::Information);
    EXPECT_EQ(Messages[0].Title, "Property");
    EXPECT_EQ(Messages[0].Text, "4 x 3 / 2 color(s).");
    EXPECT_EQ(Messages[1].Title, QString::fromUtf8("プロパティ"));
    EXPECT_EQ(Messages[1].Text, QString::fromUtf8("4 x 3 / 2 色."));
}

TEST_F(PictureWindows, SaveWritesByTheFilterIndexWhenTheExtensionIsNoWritersOwn) {
    TFormChild* source = Open(WritePicture("grad.bmp"));
    int highest = 0;  // the bar follows the PNG rows, then returns to 0
    QObject::connect(Main().ProgressBar, &QProgressBar::valueChanged,
                     [&highest](int v) { highest = std::max(highest, v); });
    AnswerFileDialog(PathOf("typed.img"), 3);  // the PNG filter
    Main().ButtonSaveClick();
    EXPECT_GT(highest, 0);
    EXPECT_EQ(Main().ProgressBar->value(), 0);
    TByteBuffer written;
    ASSERT_TRUE(ReadWholeFile(PathOf("typed.img"), written));
    EXPECT_EQ(std::string(written.Data.begin() + 1, written.Data.begin() + 4), "PNG");
    EXPECT_EQ(TitleOf(source), "typed.img");

    AnswerFileDialog(PathOf("full.gif"), 4);  // GIF holds reduced pictures only
    Main().ButtonSaveClick();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Title, "Save");
    EXPECT_TRUE(Messages[0].Text.startsWith(QString::fromStdString(PathOf("full.gif")) +
                                            "\nCan't save\n"));  // then the reason
    EXPECT_EQ(source->Record().FileName, PathOf("typed.img"));

    AcceptSettings();
    TFormChild* result = Reduce();
    AnswerFileDialog(PathOf("out.gif"), 4);
    Main().ButtonSaveClick();
    EXPECT_EQ(TitleOf(result), "*out.gif(256)");
}

TEST_F(PictureWindows, CopiedTwoColourResultPastesAsAClipboardPicture) {
    Open(WritePicture("two.bmp", 5, 4,
                      [](int x, int y) { return (x + y) % 2 ? 0xFFu : 0xFF0000u; }));
    Program->Settings.PaletteSizeButton = RadioButton1bit;
    TFormChild* result = Reduce();
    Main().SpeedButtonCopyClick();
    TByteBuffer bmp;
    WriteBmpImage(result->Record(), bmp);
    EXPECT_EQ(QApplication::clipboard()->mimeData()->data("image/bmp"),
              QByteArray(reinterpret_cast<const char*>(bmp.Data.data()), bmp.Data.size()));
    EXPECT_TRUE(Main().MenuPaste->isEnabled());
    Main().SpeedButtonPasteClick();
    TFormChild* pasted = Active();
    EXPECT_EQ(TitleOf(pasted), "Clipboard");
    EXPECT_EQ(pasted->Record().FileName, "Clipboard");
    EXPECT_EQ(CountColors(pasted->Record()), 2);
    EXPECT_EQ(Program->Settings.RecentFiles[1], "");  // no entry for a paste
    EXPECT_FALSE(Main().MenuGather->isEnabled());     // one file picture, one pasted

    QApplication::clipboard()->setText("not a picture");  // nothing decodable
    EXPECT_FALSE(Main().MenuPaste->isEnabled());
    Main().SpeedButtonPasteClick();
    EXPECT_EQ(ChildCount(), 3);
}

class StartFiles : public DocumentTest {};

TEST_F(StartFiles, SeveralPathsMakeOneBatchAndNoPictureWindow) {
    const std::string a = WritePicture("a.bmp", 4, 4);
    const std::string b = WritePicture("b.bmp", 4, 4);
    Begin({QString::fromStdString(a), QString::fromStdString(b)});
    ASSERT_TRUE(QTest::qWaitFor([this] { return ChildCount() == 1; }, 5000));
    TFormChild* batch = Active();
    EXPECT_EQ(TitleOf(batch), "Batch");
    EXPECT_TRUE(batch->ScrollBoxPicture->isHidden());
    EXPECT_EQ(batch->BatchLines(),
              QStringList({QString::fromStdString("#1 " + a), QString::fromStdString("#2 " + b)}));
    EXPECT_TRUE(Main().MenuReduce->isEnabled());
    EXPECT_FALSE(Main().MenuSave->isEnabled());
    EXPECT_TRUE(Main().MenuSeparate->isEnabled());
}

}  // namespace
