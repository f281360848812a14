// Batch windows in the running program: Gather, Merge and Separate, and the
// batch runs with their log as MemoBatch shows it.

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <atomic>

#include "document_test_support.h"
#include "formats/byte_buffer.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

class BatchWindows : public DocumentTest {
  protected:
    void SetUp() override {
        DocumentTest::SetUp();
        Begin();
    }
    // Runs a new batch of paths to its end; the log lines after the list.
    QStringList Run(const std::vector<std::string>& paths, bool integrated = false) {
        Batch = Main().NewBatch(paths);
        Batch->CheckBoxIntegrated->setChecked(integrated);
        Main().ButtonReduceClick();
        WaitUntilIdle();
        return Batch->BatchLines().mid(static_cast<int>(paths.size()));
    }
    QByteArray Bytes(const std::string& path) {
        TByteBuffer b;
        return ReadWholeFile(path, b) ? QByteArray(reinterpret_cast<char*>(b.Data.data()),
                                                   static_cast<qsizetype>(b.Data.size()))
                                      : QByteArray();
    }
    TFormChild* Batch = nullptr;
};

TEST_F(BatchWindows, GatherTakesTheFilePicturesOnlyAndNeedsTwo) {
    const std::string a = WritePicture("a.bmp", 8, 8), b = WritePicture("b.bmp", 8, 8);
    Open(a);
    QApplication::clipboard()->setImage(QImage(2, 2, QImage::Format_RGB32));
    Main().SpeedButtonPasteClick();
    Main().MenuGatherClick();  // one file picture: nothing happens
    EXPECT_EQ(ChildCount(), 2);
    TFormChild* second = Open(b);
    EXPECT_TRUE(Main().MenuGather->isEnabled());
    WindowOf(second)->showMinimized();
    EXPECT_FALSE(Main().MenuGather->isEnabled());  // a minimized picture does not count
    WindowOf(second)->showNormal();
    Main().MenuGatherClick();
    QApplication::processEvents();
    ASSERT_EQ(ChildCount(), 2);  // the pasted picture stays, beside the new batch
    EXPECT_EQ(Active()->BatchLines(), QStringList({"#1 " + Q(a), "#2 " + Q(b)}));
}

TEST_F(BatchWindows, MergePutsTheLessRecentlyActivatedBatchFirst) {
    TFormChild* three = Main().NewBatch({"/c1.bmp", "/c2.bmp", "/shared.bmp"});
    Main().NewBatch({"/shared.bmp", "/b2.bmp"});
    Main().MdiArea->setActiveSubWindow(WindowOf(three));
    Main().MenuMergeClick();
    QApplication::processEvents();
    ASSERT_EQ(ChildCount(), 1);
    EXPECT_EQ(Active()->BatchLines(), QStringList({"#1 /shared.bmp", "#2 /b2.bmp", "#3 /c1.bmp",
                                                   "#4 /c2.bmp", "#5 /shared.bmp"}));
}

TEST_F(BatchWindows, SeparateOpensWhatLoadsSilentlyAndClosesTheBatch) {
    const std::string a = WritePicture("a.bmp", 6, 4), gone = WritePicture("gone.bmp", 6, 4);
    Main().NewBatch({a, gone, a});
    QFile::remove(Q(gone));
    Main().MenuSeparateClick();
    QApplication::processEvents();
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(ChildCount(), 2);
    EXPECT_EQ(Program->Settings.RecentFiles[0], a);
}

TEST_F(BatchWindows, PerFileRunGoesOnAfterAnUnreadableFile) {
    const std::string a = WritePicture("a.bmp"), bad = PathOf("bad.bmp");
    const std::string c = WritePicture("c.jpeg");  // BMP data: the extension does not matter
    Program->Settings.BatchFormatButton = RadioButtonPNG;
    EXPECT_EQ(Run({a, bad, c}),
              QStringList({"", "Load : " + Q(a), "Reduce...", "Save...",
                           "Finish (1/3) " + Q(OutFolder()) + "a.png", "Can't load : " + Q(bad),
                           "No such file or directory", "Load : " + Q(c), "Reduce...", "Save...",
                           "Finish (3/3) " + Q(OutFolder()) + "c.png", "Complete."}));
    EXPECT_EQ(Bytes(OutFolder() + "c.png").mid(1, 3), "PNG");
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(Batch->Record().Busy, 0);
    EXPECT_FALSE(Main().MenuCancel->isEnabled());
}

TEST_F(BatchWindows, CancelDuringTheSecondFileSavesTheFirstAndEnds) {
    const std::string a = WritePicture("a.bmp"), b = WritePicture("b.bmp");
    std::atomic<int> starts{0};
    std::atomic<bool> waiting{false}, release{false};
    Main().Job.ProgressObserver = [&](int value) {
        if (value != 25 || ++starts != 2) return;
        waiting = true;  // the second file's reduction has begun
        while (!release) std::this_thread::yield();
    };
    TFormChild* batch = Main().NewBatch({a, b, WritePicture("c.bmp")});
    Main().ButtonReduceClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting.load(); }, 20000));
    EXPECT_FALSE(WindowOf(batch)->close());          // a running batch stays open
    EXPECT_FALSE(Main().MenuSeparate->isEnabled());  // and is not separated
    Main().ButtonCancelClick();
    release = true;
    WaitUntilIdle();
    EXPECT_EQ(batch->BatchLines().mid(3),
              QStringList({"", "Load : " + Q(a), "Reduce...", "Save...",
                           "Finish (1/3) " + Q(OutFolder()) + "a.bmp", "Load : " + Q(b),
                           "Reduce...", "Abort.", "Complete."}));
    EXPECT_FALSE(QFileInfo::exists(Q(OutFolder() + "b.bmp")));
    EXPECT_TRUE(WindowOf(batch)->close());
}

TEST_F(BatchWindows, IntegratedRunsShareOnePaletteOrAbortWhenNothingLoads) {
    EXPECT_EQ(
        Run({PathOf("x.bmp"), PathOf("y.bmp")}, true),
        QStringList({"Can't load : " + Q(PathOf("x.bmp")), "No such file or directory",
                     "Can't load : " + Q(PathOf("y.bmp")), "No such file or directory", "Abort."}));
    const std::string a = WritePicture("a.bmp", 20, 10);
    const std::string b = WritePicture("b.bmp", 10, 10, [](int x, int) { return x * 20u; });
    Program->Settings.PaletteSizeButton = RadioButton4bit;
    EXPECT_EQ(Run({a, b}, true), QStringList({"Load : " + Q(a), "Load : " + Q(b), "Reduce...",
                                              "Save : " + Q(OutFolder()) + "a.bmp",
                                              "Save : " + Q(OutFolder()) + "b.bmp", "Complete."}));
    // 4-bit BMPs: the colour tables (bytes 54 to 117) are the one palette.
    EXPECT_EQ(Bytes(OutFolder() + "a.bmp").mid(54, 64), Bytes(OutFolder() + "b.bmp").mid(54, 64));
}

TEST_F(BatchWindows, SourcesAreNeverOverwrittenAndTheLogFollowsTheLanguage) {
    const std::string a = WritePicture("a.bmp");
    const QByteArray before = Bytes(a);
    Program->Settings.BatchSaveDirectory = Dir.path().toStdString();  // the source folder
    EXPECT_EQ(Run({a}).mid(4), QStringList({"Skip : same filename", "Complete."}));
    Program->Settings.BatchSaveDirectory = PathOf("no/such/folder");
    SetUseEnglish(false);
    EXPECT_EQ(Run({a}),
              QStringList({"", QString::fromUtf8("読込 : ") + Q(a), QString::fromUtf8("減色中..."),
                           QString::fromUtf8("保存中..."), QString::fromUtf8("保存できません"),
                           QString::fromUtf8("そのようなファイルやフォルダーはありません"),
                           QString::fromUtf8("終了")}));
    EXPECT_EQ(Bytes(a), before);
    EXPECT_TRUE(Messages.empty());
}

}  // namespace
