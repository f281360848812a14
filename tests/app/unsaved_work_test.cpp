// Unsaved work in the running program: a reduced or pasted picture asks
// before it closes (close box, Close All, the main window) and each answer
// does what it says; pictures opened from files never ask.

#include "app/unsaved_work.h"

#include <QClipboard>
#include <QFileInfo>

#include "document_test_support.h"

namespace {

class UnsavedWork : public DocumentTest {
  protected:
    void SetUp() override {
        DocumentTest::SetUp();
        SetUnsavedQuestionHook([this](const QString& text) {
            Asked << text;
            return Answers.isEmpty() ? TUnsavedAnswer::Cancel : Answers.takeFirst();
        });
        Begin();
        Source = Open(WritePicture("grad.bmp"));
    }
    void TearDown() override {
        SetUnsavedQuestionHook({});
        DocumentTest::TearDown();
    }
    bool Exists(const std::string& name) {
        return QFileInfo::exists(QString::fromStdString(PathOf(name)));
    }
    // Reduces the source again; the result is the active window.
    TFormChild* ReduceSource() {
        Main().MdiArea->setActiveSubWindow(WindowOf(Source));
        AcceptSettings();
        return Reduce();
    }

    TFormChild* Source = nullptr;
    QStringList Asked;
    QList<TUnsavedAnswer> Answers;
};

TEST_F(UnsavedWork, CloseBoxAnswers) {
    TFormChild* result = Reduce();
    EXPECT_FALSE(WindowOf(result)->close());  // Cancel
    EXPECT_EQ(Asked, QStringList({"Save changes to 1:grad.bmp(256)?"}));
    Answers = {TUnsavedAnswer::Save};  // the save dialog is cancelled: kept
    EXPECT_FALSE(WindowOf(result)->close());
    Answers = {TUnsavedAnswer::Save};
    AnswerFileDialog(PathOf("out.png"), 1);  // "All files"
    EXPECT_TRUE(WindowOf(result)->close());
    EXPECT_TRUE(Exists("out.png"));
    Answers = {TUnsavedAnswer::Discard};
    EXPECT_TRUE(WindowOf(ReduceSource())->close());
    EXPECT_TRUE(WindowOf(Source)->close());  // opened from a file: no question
    EXPECT_EQ(Asked.size(), 4);

    QApplication::clipboard()->setImage(QImage(2, 2, QImage::Format_RGB32));
    Main().SpeedButtonPasteClick();
    EXPECT_FALSE(WindowOf(Active())->close());
    EXPECT_EQ(Asked.last(), "Save changes to Clipboard?");
}

TEST_F(UnsavedWork, CloseAllStopsAtCancelAndExitAsksOnceForAll) {
    Reduce();
    ReduceSource();
    Main().MenuCloseAllClick();  // 1: asks first; Cancel keeps grad.bmp too
    EXPECT_EQ(ChildCount(), 3);
    EXPECT_FALSE(Main().close());
    EXPECT_EQ(Asked.last(),
              "These pictures have not been saved:\n\n1:grad.bmp(256)\n"
              "2:grad.bmp(256)\n\nSave them before closing?");
    Answers = {TUnsavedAnswer::Save};
    Watcher->Answer = [this, count = 0](QDialog* dialog) mutable {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        files->selectFile(QString::fromStdString(PathOf("all" + std::to_string(++count) + ".bmp")));
        QMetaObject::invokeMethod(files, "accept");
    };
    EXPECT_TRUE(Main().close());
    EXPECT_TRUE(Exists("all1.bmp") && Exists("all2.bmp"));
    EXPECT_EQ(Asked.size(), 3);
}

}  // namespace
