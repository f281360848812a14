// The main window's view of its document windows: command states with an
// active document, the close query asking each document, and the Window
// menu's list of children. A small stand-in plays the document window.

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "app_test_support.h"

namespace {

class TStandInDocument : public QWidget, public TDocumentWindow {
  public:
    explicit TStandInDocument(PictureKind kind, const char* fileName = "/a.bmp") {
        Picture.Kind = kind;
        Picture.FileName = fileName;
    }
    TPictureRecord& Record() override { return Picture; }
    bool FormCloseQuery() override { return Picture.Busy == 0; }
    TPictureRecord Picture;
};

class DocumentsTest : public AppTest {
  protected:
    TStandInDocument* Add(PictureKind kind, const char* title, const char* fileName = "/a.bmp") {
        auto* document = new TStandInDocument(kind, fileName);
        QMdiSubWindow* window = Main().MdiArea->addSubWindow(document);
        window->setWindowTitle(title);
        window->show();
        Main().MdiArea->setActiveSubWindow(window);
        QApplication::processEvents();
        return document;
    }
    void SetUp() override {
        AppTest::SetUp();
        WriteIni("[zinop]\nVersion=35\nlanguage=1\n");
        Start();
    }
};

}  // namespace

TEST_F(DocumentsTest, ActivePictureEnablesItsCommands) {
    Add(pkFullColour, "a.bmp");
    TFormMain& m = Main();
    EXPECT_TRUE(m.MenuReduce->isEnabled());
    EXPECT_TRUE(m.MenuSave->isEnabled());
    EXPECT_TRUE(m.MenuCopy->isEnabled());
    EXPECT_TRUE(m.MenuZoomIn->isEnabled());
    EXPECT_TRUE(m.MenuCascade->isEnabled());
    EXPECT_FALSE(m.MenuCancel->isEnabled());
    EXPECT_FALSE(m.MenuGather->isEnabled());  // one picture only
    Add(pkFullColour, "b.bmp", "/b.bmp");
    EXPECT_TRUE(m.MenuGather->isEnabled());
    Add(pkFullColour, "Clipboard", "Clipboard");
    EXPECT_TRUE(m.MenuGather->isEnabled());  // still the two from files
}

TEST_F(DocumentsTest, BatchActivatedDuringARunEnablesSeparate) {
    TStandInDocument* picture = Add(pkFullColour, "a.bmp");
    picture->Picture.Busy = 1;
    ReduceRunning = true;
    Add(pkBatch, "Batch");
    EXPECT_TRUE(Main().MenuSeparate->isEnabled());
    EXPECT_TRUE(Main().MenuCancel->isEnabled());
    EXPECT_FALSE(Main().MenuSetting->isEnabled());
    EXPECT_FALSE(Main().MenuZoomIn->isEnabled());
    EXPECT_EQ(picture->Picture.Busy, 1);  // reset only once the run has ended
}

TEST_F(DocumentsTest, IdleUpdateResetsEveryBusyFlag) {
    TStandInDocument* picture = Add(pkFullColour, "a.bmp");
    picture->Picture.Busy = 1;
    Add(pkIndexed, "1:a.bmp(16)");
    EXPECT_EQ(picture->Picture.Busy, 0);
    EXPECT_FALSE(Main().MenuReduce->isEnabled());
    EXPECT_TRUE(Main().MenuSave->isEnabled());
}

TEST_F(DocumentsTest, CloseQueryAsksEveryDocument) {
    TStandInDocument* picture = Add(pkFullColour, "a.bmp");
    picture->Picture.Busy = 1;  // being reduced: refuses to close
    EXPECT_FALSE(Main().FormCloseQuery());
    picture->Picture.Busy = 0;
    EXPECT_TRUE(Main().FormCloseQuery());
}

TEST_F(DocumentsTest, WindowMenuListsTheChildren) {
    Add(pkFullColour, "a.bmp");
    Add(pkBatch, "Batch");
    emit Main().MenuWindow->aboutToShow();
    QStringList texts;
    for (QAction* action : Main().MenuWindow->actions()) {
        if (action->isCheckable()) texts << action->text() + (action->isChecked() ? "*" : "");
    }
    EXPECT_EQ(texts, QStringList({"&1 a.bmp", "&2 Batch*"}));
    emit Main().MenuWindow->aboutToShow();  // rebuilt, not appended
    int listed = 0;
    for (QAction* action : Main().MenuWindow->actions()) listed += action->isCheckable();
    EXPECT_EQ(listed, 2);
}
