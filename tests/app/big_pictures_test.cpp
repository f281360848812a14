// Document windows in a small workspace and names with any character: big
// pictures fit and scroll, results open beside their source, menus and
// captions show names as they are, windows tile side by side.

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QWheelEvent>

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
    QRect Workspace() { return Main().MdiArea->viewport()->rect(); }
    bool Inside(TFormChild* child) { return Workspace().contains(WindowOf(child)->geometry()); }
};

TEST_F(BigPictures, WindowsNeverReachPastTheWorkspace) {
    TFormChild* big = Open(WritePicture("big.bmp", 1200, 900));
    EXPECT_TRUE(Inside(big));
    EXPECT_EQ(big->Record().Zoom, 0);
    EXPECT_GT(big->ScrollBoxPicture->horizontalScrollBar()->maximum(), 0);  // it scrolls
    EXPECT_EQ(Main().StatusPicture->text(), "1200 x 900   100%");
    Main().MenuZoomInClick();
    EXPECT_TRUE(Inside(big));
    EXPECT_EQ(big->ImagePic->size(), QSize(2400, 1800));
    Main().MenuActualPixelsClick();

    // A result beside a small source, fully visible beside a big one.
    TFormChild* small = Open(WritePicture("small.bmp", 40, 30));
    WindowOf(small)->move(0, 0);
    TFormChild* result = Reduce();
    EXPECT_EQ(WindowOf(result)->x(), WindowOf(small)->geometry().right() + 1);
    EXPECT_EQ(WindowOf(result)->y(), 0);
    Main().MdiArea->setActiveSubWindow(WindowOf(big));
    AcceptSettings();
    result = Reduce();
    EXPECT_TRUE(Inside(result));
    EXPECT_EQ(Main().StatusPicture->text(), "1200 x 900   100%   256 colors");
}

TEST_F(BigPictures, PointerAndCtrlWheelInTheStatusBar) {
    TFormChild* child =
        Open(WritePicture("grad.bmp", 64, 48, [](int x, int y) { return MakeColor(x, y, 0x80); }));
    QTest::mouseMove(child->ImagePic, QPoint(5, 7));
    EXPECT_EQ(Main().StatusPixel->text(), "(5, 7) #050780");
    const QPointF at(10, 10);
    QWheelEvent up(at, child->ImagePic->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(child->ImagePic, &up);
    EXPECT_EQ(child->Record().Zoom, 1);
    EXPECT_EQ(Main().StatusPicture->text(), "64 x 48   200%");
    QTest::mouseMove(child->ImagePic, QPoint(11, 15));
    EXPECT_EQ(Main().StatusPixel->text(), "(5, 7) #050780");
    QWheelEvent plain(at, child->ImagePic->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(child->ImagePic, &plain);  // scrolls, no zoom
    EXPECT_EQ(child->Record().Zoom, 1);
}

TEST_F(BigPictures, NamesShowAsTheyAreInMenusAndCaptions) {
    Open(WritePicture("Tom & Jerry.bmp", 8, 8));
    TFormChild* percent = Open(WritePicture("x%2Cy.bmp", 8, 8));
    EXPECT_EQ(Main().MenuFileN[0]->text(), "&1 x%2Cy.bmp");
    EXPECT_EQ(Main().MenuFileN[1]->text(), "&2 Tom && Jerry.bmp");
    emit Main().MenuWindow->aboutToShow();
    QStringList items;
    for (QAction* action : Main().MenuWindow->actions()) items << action->text();
    EXPECT_TRUE(items.contains("&1 Tom && Jerry.bmp")) << items.join('|').toStdString();
    Main().MdiArea->setActiveSubWindow(WindowOf(percent));
    EXPECT_EQ(TitleOf(Reduce()), "1:x%2Cy.bmp(256)");
}

TEST_F(BigPictures, LoadFailureNamesTheFullPath) {
    const QString before = QDir::currentPath();
    QDir::setCurrent(Dir.path());
    EXPECT_FALSE(Main().OpenPicture("sub/../missing.bmp", true));
    QDir::setCurrent(before);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Text, QString::fromStdString(PathOf("missing.bmp")) + "\nCan't load");
}

TEST_F(BigPictures, TileVerticalSetsTheWindowsSideBySide) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) Open(WritePicture(name, 8, 8));
    Main().MenuVTileClick();
    const QList<QMdiSubWindow*> windows = Main().MdiArea->subWindowList();
    int left = 0;
    for (QMdiSubWindow* window : windows) {
        EXPECT_EQ(window->geometry().top(), 0);
        EXPECT_EQ(window->height(), Workspace().height());
        EXPECT_EQ(window->x(), left);
        left += window->width();
    }
    EXPECT_EQ(left, Workspace().width());
}

}  // namespace
