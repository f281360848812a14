// Unsaved work in the running program: a reduced or pasted picture asks
// before it closes (close box, Close All, the main window), each answer does
// what it says, and pictures opened from files never ask.

#include "app/unsaved_work.h"

#include <QClipboard>
#include <QFile>
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

    TFormChild* Source = nullptr;
    QStringList Asked;
    QList<TUnsavedAnswer> Answers;
};

TEST_F(UnsavedWork, CloseBoxAsksAndEachAnswerDoesWhatItSays) {
    TFormChild* result = Reduce();
    EXPECT_FALSE(WindowOf(result)->close());  // Cancel
    EXPECT_EQ(Asked, QStringList({"Save changes to 1:grad.bmp(256)?"}));
    EXPECT_EQ(ChildCount(), 2);

    // Save, but the save dialog is cancelled: nothing written, window kept.
    Answers = {TUnsavedAnswer::Save};
    EXPECT_FALSE(WindowOf(result)->close());
    EXPECT_EQ(ChildCount(), 2);

    // Save as out.png under "All files": written as PNG, then closed.
    Answers = {TUnsavedAnswer::Save};
    AnswerFileDialog(PathOf("out.png"), 1);
    EXPECT_TRUE(WindowOf(result)->close());
    EXPECT_TRUE(Exists("out.png"));
    EXPECT_EQ(ChildCount(), 1);

    // Discard closes without writing; a saved picture asks no more.
    AcceptSettings();
    result = Reduce();
    Answers = {TUnsavedAnswer::Discard};
    EXPECT_TRUE(WindowOf(result)->close());
    EXPECT_EQ(Asked.size(), 4);
    EXPECT_TRUE(WindowOf(Source)->close());  // opened from a file: no question
    EXPECT_EQ(Asked.size(), 4);
}

TEST_F(UnsavedWork, PastedPictureAsksAndASavedResultDoesNot) {
    QApplication::clipboard()->setImage(QImage(2, 2, QImage::Format_RGB32));
    Main().SpeedButtonPasteClick();
    EXPECT_FALSE(WindowOf(Active())->close());
    EXPECT_EQ(Asked, QStringList({"Save changes to Clipboard?"}));

    Main().MdiArea->setActiveSubWindow(WindowOf(Source));
    TFormChild* result = Reduce();
    AnswerFileDialog(PathOf("r.gif"), 3);  // typed .gif under PNG: a GIF
    Main().ButtonSaveClick();
    EXPECT_EQ(TitleOf(result), "*r.gif(256)");
    EXPECT_TRUE(WindowOf(result)->close());
    EXPECT_EQ(Asked.size(), 1);
}

TEST_F(UnsavedWork, CloseAllStopsAtCancel) {
    TFormChild* first = Reduce();
    Main().MdiArea->setActiveSubWindow(WindowOf(Source));
    Reduce();
    // The least recently activated first: 1: asks, Cancel stops the command
    // before grad.bmp, which would close without a question.
    Main().MenuCloseAllClick();
    EXPECT_EQ(Asked, QStringList({"Save changes to 1:grad.bmp(256)?"}));
    EXPECT_EQ(ChildCount(), 3);
    EXPECT_NE(WindowOf(first), nullptr);

    Answers = {TUnsavedAnswer::Discard, TUnsavedAnswer::Discard};
    Main().MenuCloseAllClick();
    EXPECT_EQ(ChildCount(), 0);
}

TEST_F(UnsavedWork, MainWindowAsksOnceForAll) {
    Reduce();
    Main().MdiArea->setActiveSubWindow(WindowOf(Source));
    Reduce();
    EXPECT_FALSE(Main().close());  // Cancel: nothing closes
    ASSERT_EQ(Asked.size(), 1);
    EXPECT_EQ(Asked[0],
              "These pictures have not been saved:\n\n1:grad.bmp(256)\n2:grad.bmp(256)\n\n"
              "Save them before closing?");
    EXPECT_EQ(ChildCount(), 3);

    // Save All with the first save cancelled: the program stays.
    Answers = {TUnsavedAnswer::Save};
    EXPECT_FALSE(Main().close());
    EXPECT_EQ(ChildCount(), 3);

    // Save All: each is saved, then the program ends.
    Answers = {TUnsavedAnswer::Save};
    Watcher->Answer = [this, count = 0](QDialog* dialog) mutable {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        files->selectFile(QString::fromStdString(PathOf("all" + std::to_string(++count) + ".bmp")));
        QMetaObject::invokeMethod(files, "accept");
    };
    EXPECT_TRUE(Main().close());
    EXPECT_TRUE(Exists("all1.bmp"));
    EXPECT_TRUE(Exists("all2.bmp"));
    EXPECT_EQ(Asked.size(), 3);
}

TEST_F(UnsavedWork, DiscardAllEndsWithoutAskingAgain) {
    Reduce();
    Answers = {TUnsavedAnswer::Discard};
    QFile::remove(QString::fromStdString(IniPath()));
    EXPECT_TRUE(Main().close());
    EXPECT_EQ(Asked.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(IniPath())));  // the settings were saved
}

TEST_F(UnsavedWork, JapaneseQuestions) {
    SetUseEnglish(false);
    EXPECT_EQ(SaveChangesText("1:a&b%1.bmp(16)"), "1:a&b%1.bmp(16) への変更を保存しますか?");
    EXPECT_TRUE(SaveAllText({"x"}).startsWith("次の画像は保存されていません:"));
    SetUseEnglish(true);
}

}  // namespace
