// Reading and writing pictures off the main thread: the window goes on
// processing events during a save, an open and a batch's loads, the busy
// document and the commands are held meanwhile, failures say why, and a
// paste reads pictures up to the program's own cap.

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QImageWriter>
#include <QMimeData>
#include <QProgressBar>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/io_worker.h"
#include "document_test_support.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Holds each file work on its thread until the main thread has run a timer
// callback, which a main thread blocked by the work could never do.
class THeldWork {
  public:
    THeldWork() {
        SetOffMainThreadHook([this] {
            ++Started;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!Released && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::yield();
            }
        });
    }
    ~THeldWork() { SetOffMainThreadHook({}); }
    // Runs onMain on the main thread while the first work is held, then lets it go.
    void WhileHeld(std::function<void()> onMain) {
        auto* timer = new QTimer;
        timer->setInterval(1);
        QObject::connect(timer, &QTimer::timeout, [this, timer, onMain] {
            if (Started == 0) return;
            timer->stop();
            timer->deleteLater();
            onMain();
            Released = true;
        });
        timer->start();
    }
    std::atomic<int> Started{0};
    std::atomic<bool> Released{false};
};

// Another program's clipboard: encoded bytes only, which Qt reports as an image.
class TForeignData : public QMimeData {
  public:
    QStringList formats() const override {
        return QMimeData::formats() << QStringLiteral("application/x-qt-image");
    }
};

class FileWork : public DocumentTest {
  protected:
    void SetUp() override {
        DocumentTest::SetUp();
        Begin();
    }
    void PasteForeign(const QByteArray& png) {
        auto* data = new TForeignData;
        data->setData(QStringLiteral("image/png"), png);
        QApplication::clipboard()->setMimeData(data);
        Main().SpeedButtonPasteClick();
    }
};

TEST_F(FileWork, SaveRunsWhileTheWindowProcessesEventsAndHoldsTheDocument) {
    TFormChild* child = Open(WritePicture("a.bmp", 300, 200));
    THeldWork held;
    bool busy = false, saveEnabled = true, openEnabled = true, closed = true, mainClosed = true;
    held.WhileHeld([&] {
        busy = child->Record().Busy != 0;
        saveEnabled = Main().MenuSave->isEnabled();
        openEnabled = Main().MenuOpen->isEnabled();
        closed = WindowOf(child)->close();
        mainClosed = Main().close();
    });
    AnswerFileDialog(PathOf("b.png"), 3);
    Main().ButtonSaveClick();  // returns once the file is written
    EXPECT_TRUE(held.Released);
    EXPECT_TRUE(busy);
    EXPECT_FALSE(saveEnabled);
    EXPECT_FALSE(openEnabled);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(mainClosed);
    EXPECT_TRUE(QFileInfo::exists(Q(PathOf("b.png"))));
    EXPECT_EQ(TitleOf(child), "b.png");
    EXPECT_EQ(child->Record().Busy, 0);
    EXPECT_TRUE(Main().MenuSave->isEnabled());
    EXPECT_EQ(Main().ProgressBar->maximum(), 1000);
    EXPECT_EQ(Main().ProgressBar->value(), 0);
}

TEST_F(FileWork, FailuresSayWhyInTheLanguageInForce) {
    TFormChild* child = Open(WritePicture("a.bmp", 8, 8));
    AnswerFileDialog(PathOf("no/such/folder/b.bmp"), 2);
    Main().ButtonSaveClick();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Title, "Save");
    EXPECT_TRUE(Messages[0].Text.endsWith("b.bmp\nCan't save\nNo such file or directory"))
        << Messages[0].Text.toStdString();
    EXPECT_EQ(child->Record().FileName, PathOf("a.bmp"));

    SetUseEnglish(false);
    const std::string junk = PathOf("junk.bmp");
    QFile file(Q(junk));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM not really");
    file.close();
    EXPECT_FALSE(Main().OpenPicture(junk, true));
    ASSERT_EQ(Messages.size(), 2u);
    const QStringList lines = Messages[1].Text.split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1], QString::fromUtf8("読み込めません。"));
    EXPECT_FALSE(lines[2].isEmpty());
    EXPECT_NE(lines[2], Q(FailureText(LastLoadFailure(), true)));  // Japanese, not English
}

TEST_F(FileWork, BatchLoadsOffTheMainThreadAndACancelThereStopsTheRun) {
    const std::string a = WritePicture("a.bmp"), b = WritePicture("b.bmp");
    THeldWork held;  // the first file's load
    held.WhileHeld([this] { Main().ButtonCancelClick(); });
    TFormChild* batch = Main().NewBatch({a, b});
    Main().ButtonReduceClick();
    WaitUntilIdle();
    EXPECT_EQ(batch->BatchLines().mid(2),
              QStringList({"", "Load : " + Q(a), "Reduce...", "Abort.", "Complete."}));
    EXPECT_FALSE(QFileInfo::exists(Q(OutFolder() + "a.bmp")));
    EXPECT_EQ(held.Started, 1);  // b was never read
}

TEST_F(FileWork, PasteReadsPicturesOverQtsDefaultLimitAndReportsDamagedOnes) {
    // 6200 x 5500 is over 128 MB at 32 bits per pixel, Qt's default limit.
    QImage big(6200, 5500, QImage::Format_RGB888);
    big.fill(QColor(10, 200, 30));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImageWriter(&buffer, "png").write(big));
    big = QImage();
    PasteForeign(png);
    ASSERT_TRUE(Messages.empty());
    TFormChild* pasted = Active();
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(TitleOf(pasted), "Clipboard");
    EXPECT_EQ(pasted->Record().Width, 6200);
    EXPECT_EQ(pasted->Record().ColorPixels()[0], MakeColor(10, 200, 30));
    WindowOf(pasted)->close();

    PasteForeign(png.left(png.size() / 2));  // cut short
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Title, "Paste");
    EXPECT_EQ(Messages[0].Text, "Clipboard\nCan't load\ndamaged or truncated");
    PasteForeign("not a picture");
    ASSERT_EQ(Messages.size(), 2u);
    EXPECT_EQ(Messages[1].Text.section('\n', 2),
              "not a picture any plug-in or the BMP reader understands");
}

}  // namespace
