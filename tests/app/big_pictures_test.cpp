// Document windows in a small workspace: big pictures fit and scroll,
// results open beside their source, the status bar follows the pointer;
// Qt's own dialogs speak the program's language.

#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>

#include "app/program.h"
#include "document_test_support.h"

namespace {

class BigPictures : public DocumentTest {
  protected:
    void SetUp() override {
        DocumentTest::SetUp();
        Begin();
        Main().resize(640, 480);
        QApplication::processEvents();
    }
    bool Inside(TFormChild* child) {
        return Main().MdiArea->viewport()->rect().contains(WindowOf(child)->geometry());
    }
};

TEST_F(BigPictures, WindowsNeverReachPastTheWorkspace) {
    TFormChild* big = Open(WritePicture("big.bmp", 1200, 900));
    EXPECT_TRUE(Inside(big));
    EXPECT_GT(big->ScrollBoxPicture->horizontalScrollBar()->maximum(), 0);  // it scrolls
    const QPointF at(10, 10);
    QWheelEvent ctrlWheel(at, big->ImagePic->mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(big->ImagePic, &ctrlWheel);
    EXPECT_TRUE(Inside(big));
    EXPECT_EQ(Main().StatusPicture->text(), "1200 x 900   200%");
    QTest::mouseMove(big->ImagePic, QPoint(11, 15));
    EXPECT_EQ(Main().StatusPixel->text(), "(5, 7) #142323");  // x * 4, y * 5, x * y
    Main().MenuActualPixelsClick();

    TFormChild* small = Open(WritePicture("small.bmp", 40, 30));
    WindowOf(small)->move(0, 0);
    EXPECT_EQ(WindowOf(Reduce())->pos(), QPoint(WindowOf(small)->geometry().right() + 1, 0));
    Main().MdiArea->setActiveSubWindow(WindowOf(big));
    AcceptSettings();
    EXPECT_TRUE(Inside(Reduce()));
    EXPECT_EQ(Main().StatusPicture->text(), "1200 x 900   100%   256 colors");
}

TEST_F(BigPictures, MenusShowAmpersandsAndLoadFailuresTheFullPath) {
    Open(WritePicture("Tom & Jerry.bmp", 8, 8));
    EXPECT_EQ(Main().MenuFileN[0]->text(), "&1 Tom && Jerry.bmp");
    const QString before = QDir::currentPath();
    QDir::setCurrent(Dir.path());
    EXPECT_FALSE(Main().OpenPicture("sub/../missing.bmp", true));
    QDir::setCurrent(before);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Text, QString::fromStdString(PathOf("missing.bmp")) +
                                    "\nCan't load\nNo such file or directory");
}

// Qt's own texts (file dialogs, buttons) follow the program's language.
TEST(QtTranslation, JapaneseLoadsQtsOwnTextsAndEnglishRemovesThem) {
    UseQtTranslation(true);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "キャンセル");
    UseQtTranslation(false);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
}

}  // namespace
