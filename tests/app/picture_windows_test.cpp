// Picture windows in the running program: opening (command line, Open,
// failure), the reduce command with its palette cache, cancel and busy
// close, zoom, Property, saving by filter index and the clipboard.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollArea>
#include <QUrl>
#include <atomic>
#include <mutex>
#include <set>

#include "document_test_support.h"
#include "formats/byte_buffer.h"

namespace {

class PictureWindows : public DocumentTest {
  protected:
    void SetUp() override {
        DocumentTest::SetUp();
        Begin();
    }
    // Every progress value of the next runs, written on the worker thread.
    std::vector<int> Progress() {
        std::lock_guard<std::mutex> lock(ProgressLock);
        return ProgressSeen;
    }
    void RecordProgress() {
        Main().Job.ProgressObserver = [this](int value) {
            std::lock_guard<std::mutex> lock(ProgressLock);
            ProgressSeen.push_back(value);
        };
    }
    bool BuiltAPalette() {
        for (int value : Progress()) {
            if (value >= 100 && value < 800) return true;
        }
        return false;
    }
    void ClearProgress() {
        std::lock_guard<std::mutex> lock(ProgressLock);
        ProgressSeen.clear();
    }
    void TearDown() override {
        Main().Job.ProgressObserver = nullptr;
        DocumentTest::TearDown();
    }
    std::mutex ProgressLock;
    std::vector<int> ProgressSeen;
};

TEST_F(PictureWindows, OpenedPictureShowsAtItsSizeAndGoesOnTheRecentList) {
    QDir::setCurrent(Dir.path());
    WritePicture("cat.bmp", 40, 30, [](int x, int) { return MakeColor(x, 0, 0); });
    TFormChild* child = Open("cat.bmp");  // a relative path stays relative in the document
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(WindowOf(child)->windowTitle(), "cat.bmp");
    EXPECT_EQ(child->Record().FileName, "cat.bmp");
    EXPECT_EQ(child->size(), QSize(40, 30));
    EXPECT_EQ(child->ImagePic->size(), QSize(40, 30));
    EXPECT_EQ(Program->Settings.RecentFiles[0], PathOf("cat.bmp"));  // absolute
    EXPECT_EQ(Main().MenuFileN[0]->text(), "&1 cat.bmp");
    EXPECT_TRUE(Main().MenuReduce->isEnabled());

    EXPECT_FALSE(Main().OpenPicture(PathOf("missing.bmp"), true));
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Kind, TMessageKind::Warning);
    EXPECT_EQ(Messages[0].Title, "Open");
    EXPECT_EQ(Messages[0].Text, QString::fromStdString(PathOf("missing.bmp")) + "\nCan't load");
    EXPECT_EQ(ChildCount(), 1);
    EXPECT_EQ(Program->Settings.RecentFiles[1], "");
}

TEST_F(PictureWindows, ReduceMakesANumberedResultAndReusesThePaletteForADitherChange) {
    TFormChild* source = Open(WriteGradient("grad.bmp"));
    source->Record().Zoom = 1;  // the result opens at double size too
    Main().ApplyZoom(source);
    RecordProgress();
    TFormChild* first = Reduce();
    ASSERT_NE(first, source);
    EXPECT_EQ(WindowOf(first)->windowTitle(), "1:grad.bmp(256)");
    EXPECT_EQ(first->Record().Kind, pkIndexed);
    EXPECT_EQ(first->ImagePic->size(), QSize(128, 96));
    EXPECT_TRUE(BuiltAPalette());
    EXPECT_EQ(source->Record().Palette, first->Record().Palette);  // the cache
    EXPECT_FALSE(Main().MenuReduce->isEnabled());  // a result cannot be reduced again
    EXPECT_EQ(source->Record().Busy, 0);

    WindowOf(first)->close();
    QApplication::processEvents();
    Main().MdiArea->setActiveSubWindow(WindowOf(source));
    Program->Settings.ComboBoxDither = 0;  // only the dither changes
    Dialog().ShowRecord();
    ClearProgress();
    TFormChild* second = Reduce();
    EXPECT_EQ(WindowOf(second)->windowTitle(), "2:grad.bmp(256)");  // numbering goes on
    EXPECT_TRUE(Main().Job.ReusePalette);
    EXPECT_FALSE(BuiltAPalette());
    EXPECT_EQ(second->Record().Palette, source->Record().Palette);

    // Each setting the palette depends on makes a new one.
    const std::vector<std::function<void(TSettingsRecord&)>> changes = {
        [](TSettingsRecord& s) { s.PaletteSizeButton = RadioButton4bit; },
        [](TSettingsRecord& s) { s.TrackBarCb = 3; },
        [](TSettingsRecord& s) { s.ComboBoxTrim = 1; },
        [](TSettingsRecord& s) { s.ComboBoxPaletteVolume = 2; },
        [](TSettingsRecord& s) { s.CheckBoxAdd16 = true; },
        [](TSettingsRecord& s) { s.CheckBoxTrans = true; },
    };
    for (const auto& change : changes) {
        const std::string oldKey = source->LastPaletteKey;
        change(Program->Settings);
        Dialog().ShowRecord();
        Main().MdiArea->setActiveSubWindow(WindowOf(source));
        Reduce();
        EXPECT_FALSE(Main().Job.ReusePalette) << source->LastPaletteKey;
        EXPECT_NE(source->LastPaletteKey, oldKey);
    }
    // 4 bit + fixed 16 + transparency: 17 colours.
    EXPECT_EQ(WindowOf(Active())->windowTitle(), "8:grad.bmp(17)");
}

TEST_F(PictureWindows, CancelMakesNoWindowAndForgetsThePalette) {
    TFormChild* source = Open(WriteGradient("grad.bmp"));
    // The user's Cancel, arriving while the engine starts.
    Main().Job.ProgressObserver = [this](int value) {
        if (value == 25) Main().Job.StopRequested = true;
    };
    Main().ButtonReduceClick();
    EXPECT_TRUE(Main().MenuCancel->isEnabled());
    WaitUntilIdle();
    EXPECT_EQ(ChildCount(), 1);
    EXPECT_EQ(Main().ResultCounter, 1);
    EXPECT_TRUE(source->Record().Palette.empty());
    EXPECT_FALSE(Main().MenuCancel->isEnabled());
    EXPECT_TRUE(Main().MenuReduce->isEnabled());

    RecordProgress();  // the same settings build a new palette
    TFormChild* result = Reduce();
    EXPECT_TRUE(BuiltAPalette());
    EXPECT_EQ(WindowOf(result)->windowTitle(), "1:grad.bmp(256)");
}

TEST_F(PictureWindows, BusyPictureAndMainWindowRefuseToCloseUntilTheRunEnds) {
    Open(WriteGradient("other.bmp", 8, 8));
    TFormChild* source = Open(WriteGradient("grad.bmp"));
    std::atomic<bool> release{false};
    Main().Job.ProgressObserver = [&release](int value) {
        while (value == 25 && !release) std::this_thread::yield();
    };
    Main().ButtonReduceClick();
    ASSERT_TRUE(ReduceRunning);
    EXPECT_FALSE(WindowOf(source)->close());  // silently stays
    Main().MenuCloseAllClick();
    QApplication::processEvents();
    EXPECT_EQ(ChildCount(), 1);  // the other picture closed
    Open(WriteGradient("other.bmp", 8, 8));
    EXPECT_FALSE(Main().close());                  // refused, and the worker is asked to stop
    EXPECT_TRUE(Main().MenuZoomIn->isEnabled());   // viewing the source goes on
    EXPECT_FALSE(Main().MenuGather->isEnabled());  // a busy picture is not gathered
    release = true;
    WaitUntilIdle();
    EXPECT_EQ(ChildCount(), 2);                   // stopped: no result
    EXPECT_TRUE(Main().MenuGather->isEnabled());  // counts again as soon as the run ends
    EXPECT_TRUE(WindowOf(source)->close());
}

TEST_F(PictureWindows, ZoomStepsAndAMaximizedWindowKeepingItsSize) {
    TFormChild* child = Open(WritePicture("3.bmp", 3, 3, [](int, int) { return 0u; }));
    const std::vector<QSize> out = {{1, 1}, {1, 1}, {0, 0}};
    for (const QSize& shown : out) {
        Main().MenuZoomOutClick();
        EXPECT_EQ(child->ImagePic->size(), shown);
    }
    for (int i = 0; i < 3; ++i) Main().MenuZoomInClick();
    EXPECT_EQ(child->ImagePic->size(), QSize(3, 3));
    EXPECT_EQ(child->Record().Zoom, 0);
    Main().MenuZoomInClick();
    EXPECT_EQ(child->size(), QSize(6, 6).expandedTo(child->size()));
    EXPECT_EQ(child->ImagePic->size(), QSize(6, 6));

    WindowOf(child)->showMaximized();
    QApplication::processEvents();
    const QSize maximized = WindowOf(child)->size();
    Main().MenuZoomInClick();
    Main().MenuZoomInClick();
    EXPECT_EQ(child->ImagePic->size(), QSize(12, 12));
    EXPECT_EQ(WindowOf(child)->size(), maximized);
    Main().MenuActualPixelsClick();
    EXPECT_EQ(child->ImagePic->size(), QSize(3, 3));

    // While it is maximized, a new picture window opens maximized and stays so.
    TFormChild* next = Open(WriteGradient("next.bmp", 50, 40));
    EXPECT_TRUE(WindowOf(next)->isMaximized());
    EXPECT_EQ(WindowOf(next)->size(), maximized);
    EXPECT_EQ(next->ImagePic->size(), QSize(50, 40));
}

TEST_F(PictureWindows, PropertyReportsSizeAndColoursInTheLanguageInForce) {
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

TEST_F(PictureWindows, SaveWritesByTheFilterIndexNotTheTypedExtension) {
    TFormChild* source = Open(WriteGradient("grad.bmp"));
    AnswerFileDialog(PathOf("typed.bmp"), 3);  // the PNG filter
    Main().ButtonSaveClick();
    TByteBuffer written;
    ASSERT_TRUE(ReadWholeFile(PathOf("typed.bmp"), written));
    EXPECT_EQ(std::string(written.Data.begin() + 1, written.Data.begin() + 4), "PNG");
    EXPECT_EQ(WindowOf(source)->windowTitle(), "typed.bmp");
    EXPECT_EQ(Program->Settings.SaveIndex, 3);

    AnswerFileDialog(PathOf("full.gif"), 4);  // GIF holds reduced pictures only
    Main().ButtonSaveClick();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Kind, TMessageKind::Warning);
    EXPECT_EQ(Messages[0].Title, QString::fromUtf8("保存"));
    EXPECT_EQ(Messages[0].Text, QString::fromStdString(PathOf("full.gif")) + "\nCan't save");
    EXPECT_EQ(source->Record().FileName, PathOf("typed.bmp"));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(PathOf("full.gif"))));

    Watcher->Answer = [](QDialog* d) { d->accept(); };
    TFormChild* result = Reduce();
    AnswerFileDialog(PathOf("out.gif"), 4);
    Main().ButtonSaveClick();
    EXPECT_EQ(WindowOf(result)->windowTitle(), "*out.gif(256)");
    EXPECT_EQ(result->Record().FileName, PathOf("out.gif"));
}

TEST_F(PictureWindows, CopiedTwoColourResultPastesAsAClipboardPicture) {
    Open(WritePicture("two.bmp", 5, 4, [](int x, int y) {
        return (x + y) % 2 ? MakeColor(255, 0, 0) : MakeColor(0, 0, 255);
    }));
    Program->Settings.PaletteSizeButton = RadioButton1bit;
    Dialog().ShowRecord();
    TFormChild* result = Reduce();
    ASSERT_EQ(result->Record().Colors, 2);
    Main().SpeedButtonCopyClick();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    TByteBuffer bmp;
    WriteBmpImage(result->Record(), bmp);
    EXPECT_EQ(data->data("image/bmp"),
              QByteArray(reinterpret_cast<const char*>(bmp.Data.data()), bmp.Data.size()));
    EXPECT_TRUE(Main().MenuPaste->isEnabled());

    Main().SpeedButtonPasteClick();
    TFormChild* pasted = Active();
    ASSERT_NE(pasted, result);
    EXPECT_EQ(WindowOf(pasted)->windowTitle(), "Clipboard");
    EXPECT_EQ(pasted->Record().FileName, "Clipboard");
    EXPECT_EQ(pasted->Record().Kind, pkFullColour);
    EXPECT_EQ(CountColors(pasted->Record()), 2);
    EXPECT_EQ(Program->Settings.RecentFiles[1], "");  // only two.bmp

    // Nothing decodable: nothing changes.
    QApplication::clipboard()->setText("not a picture");
    EXPECT_FALSE(Main().MenuPaste->isEnabled());
    Main().SpeedButtonPasteClick();
    EXPECT_EQ(ChildCount(), 3);
}

TEST_F(PictureWindows, GatherCountsOnlyVisibleFilePictures) {
    TFormChild* a = Open(WriteGradient("a.bmp", 8, 8));
    Open(WriteGradient("b.bmp", 8, 8));
    EXPECT_TRUE(Main().MenuGather->isEnabled());
    WindowOf(a)->showMinimized();
    QApplication::processEvents();
    EXPECT_FALSE(Main().MenuGather->isEnabled());  // a minimized picture does not count
    QApplication::clipboard()->setImage(QImage(2, 2, QImage::Format_RGB32));
    Main().SpeedButtonPasteClick();
    EXPECT_FALSE(Main().MenuGather->isEnabled());  // nor does a pasted one
}

TEST_F(PictureWindows, DroppedFilesOpenOnePictureOrOneBatch) {
    const auto drop = [this](const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&Main(), &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Main(), &event);
        QApplication::processEvents();
    };
    const QString a = QString::fromStdString(WriteGradient("a.bmp", 4, 4));
    const QString bad = QString::fromStdString(PathOf("bad.bmp"));
    drop({bad});
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Text, bad + "\nCan't load");
    drop({a, bad});
    EXPECT_EQ(ChildCount(), 1);
    EXPECT_EQ(Active()->Record().Kind, pkBatch);
    EXPECT_EQ(Active()->BatchFiles.size(), 2u);
}

class StartFiles : public DocumentTest {};

TEST_F(StartFiles, SeveralPathsMakeOneBatchAndNoPictureWindow) {
    const std::string a = WriteGradient("a.bmp", 4, 4);
    const std::string b = WriteGradient("b.bmp", 4, 4);
    Begin({QString::fromStdString(a), QString::fromStdString(b)});
    ASSERT_TRUE(QTest::qWaitFor([this] { return ChildCount() == 1; }, 5000));
    TFormChild* batch = Active();
    EXPECT_EQ(batch->Record().Kind, pkBatch);
    EXPECT_EQ(WindowOf(batch)->windowTitle(), "Batch");
    EXPECT_TRUE(batch->ScrollBoxPicture->isHidden());
    EXPECT_FALSE(batch->PanelSwitch->isHidden());
    EXPECT_EQ(batch->BatchLines(),
              QStringList({QString::fromStdString("#1 " + a), QString::fromStdString("#2 " + b)}));
    EXPECT_TRUE(Main().MenuReduce->isEnabled());
    EXPECT_FALSE(Main().MenuSave->isEnabled());
    EXPECT_TRUE(Main().MenuSeparate->isEnabled());
}

TEST_F(StartFiles, OnePathOpensAPictureWindow) {
    const std::string a = WriteGradient("a.bmp", 4, 4);
    Begin({QString::fromStdString(a)});
    ASSERT_TRUE(QTest::qWaitFor([this] { return ChildCount() == 1; }, 5000));
    EXPECT_EQ(Active()->Record().Kind, pkFullColour);
    EXPECT_EQ(WindowOf(Active())->windowTitle(), "a.bmp");
}

}  // namespace
