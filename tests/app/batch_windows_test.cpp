// Batch windows in the running program: Gather, Merge and Separate, and the
// batch runs with their log as MemoBatch shows it.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <atomic>

#include "document_test_support.h"
#include "formats/byte_buffer.h"

namespace {

class BatchWindows : public DocumentTest {
  protected:
    void SetUp() override {
        DocumentTest::SetUp();
        Begin();
    }
    void TearDown() override {
        Main().Job.ProgressObserver = nullptr;
        DocumentTest::TearDown();
    }
    QString Q(const std::string& text) { return QString::fromStdString(text); }
    // The log lines after the numbered list of n files.
    QStringList LogOf(TFormChild* batch, int files) { return batch->BatchLines().mid(files); }
    TFormChild* Batch(const std::vector<std::string>& paths) { return Main().NewBatch(paths); }
    TFormChild* RunBatch(TFormChild* batch) {
        Main().MdiArea->setActiveSubWindow(WindowOf(batch));
        Main().ButtonReduceClick();
        WaitUntilIdle();
        return batch;
    }
    QByteArray Bytes(const std::string& path) {
        TByteBuffer buffer;
        if (!ReadWholeFile(path, buffer)) return {};
        return QByteArray(reinterpret_cast<const char*>(buffer.Data.data()), buffer.Data.size());
    }
};

TEST_F(BatchWindows, GatherTakesTheFilePicturesOnlyAndNeedsTwo) {
    const std::string a = WriteGradient("a.bmp", 8, 8);
    const std::string b = WriteGradient("b.bmp", 8, 8);
    Open(a);
    QApplication::clipboard()->setImage(QImage(2, 2, QImage::Format_RGB32));
    Main().SpeedButtonPasteClick();
    Main().MenuGatherClick();  // one file picture: nothing happens
    EXPECT_EQ(ChildCount(), 2);
    Open(b);
    Main().MenuGatherClick();
    QApplication::processEvents();
    ASSERT_EQ(ChildCount(), 2);  // the pasted picture and the new batch
    TFormChild* batch = Active();
    EXPECT_EQ(batch->Record().Kind, pkBatch);
    EXPECT_EQ(batch->BatchFiles, std::vector<std::string>({a, b}));  // less recent first
    EXPECT_EQ(batch->BatchLines(), QStringList({"#1 " + Q(a), "#2 " + Q(b)}));
    EXPECT_EQ(WindowOf(Main().Child(Main().Children()[1]))->windowTitle(), "Clipboard");
}

TEST_F(BatchWindows, MergePutsTheLessRecentlyActivatedBatchFirst) {
    TFormChild* three = Batch({"/c1.bmp", "/c2.bmp", "/shared.bmp"});
    TFormChild* two = Batch({"/shared.bmp", "/b2.bmp"});
    Main().MdiArea->setActiveSubWindow(WindowOf(three));  // now two is the less recent
    EXPECT_TRUE(Main().MenuMerge->isEnabled());
    Main().MenuMergeClick();
    QApplication::processEvents();
    ASSERT_EQ(ChildCount(), 1);
    EXPECT_EQ(Active()->BatchLines(), QStringList({"#1 /shared.bmp", "#2 /b2.bmp", "#3 /c1.bmp",
                                                   "#4 /c2.bmp", "#5 /shared.bmp"}));
    (void)two;
}

TEST_F(BatchWindows, SeparateOpensWhatLoadsSilentlyAndClosesTheBatch) {
    const std::string a = WriteGradient("a.bmp", 6, 4);
    const std::string gone = WriteGradient("gone.bmp", 6, 4);
    const std::string c = WriteGradient("c.bmp", 6, 4);
    Batch({a, gone, c});
    QFile::remove(Q(gone));
    Main().MenuSeparateClick();
    QApplication::processEvents();
    EXPECT_TRUE(Messages.empty());
    ASSERT_EQ(ChildCount(), 2);
    EXPECT_EQ(Active()->Record().FileName, c);
    EXPECT_EQ(Program->Settings.RecentFiles[0], c);
    EXPECT_EQ(Program->Settings.RecentFiles[1], a);
}

TEST_F(BatchWindows, PerFileRunLogsEachFileAndGoesOnAfterAnUnreadableOne) {
    const std::string a = WriteGradient("a.bmp");
    const std::string bad = PathOf("bad.bmp");
    const std::string c = WriteGradient("c.jpeg");  // BMP data, any extension
    QFile(Q(bad)).open(QIODevice::WriteOnly);       // empty: cannot be read
    Program->Settings.BatchFormatButton = RadioButtonPNG;
    TFormChild* batch = RunBatch(Batch({a, bad, c}));
    EXPECT_EQ(LogOf(batch, 3),
              QStringList({"", "Load : " + Q(a), "Reduce...", "Save...",
                           "Finish (1/3) " + Q(OutFolder()) + "a.png", "Can't load : " + Q(bad),
                           "Load : " + Q(c), "Reduce...", "Save...",
                           "Finish (3/3) " + Q(OutFolder()) + "c.png", "Complete."}));
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(Bytes(OutFolder() + "a.png").mid(1, 3), "PNG");
    EXPECT_EQ(batch->Record().Busy, 0);
    EXPECT_TRUE(Main().MenuReduce->isEnabled());
    EXPECT_FALSE(Main().MenuCancel->isEnabled());
}

TEST_F(BatchWindows, CancelDuringTheSecondFileSavesTheFirstAndEnds) {
    const std::string a = WriteGradient("a.bmp");
    const std::string b = WriteGradient("b.bmp");
    const std::string c = WriteGradient("c.bmp");
    std::atomic<int> starts{0};
    std::atomic<bool> waiting{false}, release{false};
    Main().Job.ProgressObserver = [&](int value) {
        if (value != 25 || ++starts != 2) return;
        waiting = true;  // the second file's reduction has begun
        while (!release) std::this_thread::yield();
    };
    TFormChild* batch = Batch({a, b, c});
    Main().ButtonReduceClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting.load(); }, 20000));
    EXPECT_FALSE(WindowOf(batch)->close());          // a running batch stays open
    EXPECT_FALSE(Main().MenuSeparate->isEnabled());  // and is not separated
    Main().ButtonCancelClick();                      // Esc
    release = true;
    WaitUntilIdle();
    EXPECT_EQ(LogOf(batch, 3), QStringList({"", "Load : " + Q(a), "Reduce...", "Save...",
                                            "Finish (1/3) " + Q(OutFolder()) + "a.bmp",
                                            "Load : " + Q(b), "Reduce...", "Abort.", "Complete."}));
    EXPECT_TRUE(QFileInfo::exists(Q(OutFolder() + "a.bmp")));
    EXPECT_FALSE(QFileInfo::exists(Q(OutFolder() + "b.bmp")));
    EXPECT_TRUE(WindowOf(batch)->close());
}

TEST_F(BatchWindows, IntegratedRunOfUnreadableFilesAborts) {
    TFormChild* batch = Batch({PathOf("x.bmp"), PathOf("y.bmp")});
    batch->CheckBoxIntegrated->setChecked(true);
    RunBatch(batch);
    EXPECT_EQ(LogOf(batch, 2), QStringList({"Can't load : " + Q(PathOf("x.bmp")),
                                            "Can't load : " + Q(PathOf("y.bmp")), "Abort."}));
    EXPECT_FALSE(ReduceRunning);
}

TEST_F(BatchWindows, IntegratedRunGivesEveryFileTheSamePalette) {
    const std::string a = WriteGradient("a.bmp", 20, 10);
    const std::string b =
        WritePicture("b.bmp", 10, 10, [](int x, int) { return MakeColor(x, 9, 200); });
    Program->Settings.PaletteSizeButton = RadioButton4bit;
    TFormChild* batch = Batch({a, b});
    batch->CheckBoxIntegrated->setChecked(true);
    RunBatch(batch);
    EXPECT_EQ(LogOf(batch, 2), QStringList({"Load : " + Q(a), "Load : " + Q(b), "Reduce...",
                                            "Save : " + Q(OutFolder()) + "a.bmp",
                                            "Save : " + Q(OutFolder()) + "b.bmp", "Complete."}));
    // 16 colours: a 4-bit BMP whose colour table (54..118) is the shared palette.
    const QByteArray first = Bytes(OutFolder() + "a.bmp");
    const QByteArray second = Bytes(OutFolder() + "b.bmp");
    ASSERT_GT(first.size(), 118);
    ASSERT_GT(second.size(), 118);
    EXPECT_EQ(first.mid(54, 64), second.mid(54, 64));
}

TEST_F(BatchWindows, SameFolderAndFormatAsTheSourceIsSkipped) {
    const std::string a = WriteGradient("a.bmp");
    const QByteArray before = Bytes(a);
    Program->Settings.BatchSaveDirectory = Dir.path().toStdString();
    TFormChild* batch = RunBatch(Batch({a, PathOf("none.bmp")}));
    EXPECT_EQ(LogOf(batch, 2),
              QStringList({"", "Load : " + Q(a), "Reduce...", "Save...", "Skip : same filename",
                           "Can't load : " + Q(PathOf("none.bmp")), "Complete."}));
    EXPECT_EQ(Bytes(a), before);
}

TEST_F(BatchWindows, MissingOutputFolderGivesCantSaveAndTheJapaneseLog) {
    const std::string a = WriteGradient("a.bmp");
    Program->Settings.BatchSaveDirectory = PathOf("no/such/folder");
    SetUseEnglish(false);
    TFormChild* batch = RunBatch(Batch({a, a}));
    const QString load = QString::fromUtf8("読込 : ") + Q(a);
    const QString reduce = QString::fromUtf8("減色中...");
    const QString save = QString::fromUtf8("保存中...");
    const QString cant = QString::fromUtf8("保存できません");
    EXPECT_EQ(LogOf(batch, 2), QStringList({"", load, reduce, save, cant, load, reduce, save, cant,
                                            QString::fromUtf8("終了")}));
    EXPECT_TRUE(QFileInfo::exists(Q(a)));
    EXPECT_TRUE(Messages.empty());
}

}  // namespace
