#pragma once
// Fixture of the document tests: the program started without the About box,
// in English, with a batch output folder out/ in the temporary folder and OK
// as the settings dialog's answer; pictures are written as BMP files.

#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QtTest/QTest>
#include <functional>

#include "app/form_child.h"
#include "app/picture_view.h"
#include "app/view_math.h"
#include "app_test_support.h"
#include "formats/bmp.h"

class DocumentTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        QDir(Dir.path()).mkpath("out");
        WriteIni("[zinop]\nVersion=35\nlanguage=1\nBatchSaveDirectory=" + OutFolder() + "\n");
    }
    void TearDown() override {
        if (Program) Main().Job.ProgressObserver = nullptr;
        AppTest::TearDown();
    }
    void Begin(const QStringList& startFiles = {}) {
        Start(false, startFiles);
        AcceptSettings();
    }
    void AcceptSettings() {
        Watcher->Answer = [](QDialog* d) {
            qobject_cast<TFormCPL*>(d) ? d->accept() : d->reject();
        };
    }
    std::string OutFolder() const { return Dir.filePath("out/").toStdString(); }
    std::string PathOf(const std::string& name) const {
        return Dir.filePath(QString::fromStdString(name)).toStdString();
    }
    // A w x h full-colour BMP file; by default many colours (work for the palette).
    std::string WritePicture(const std::string& name, int w = 64, int h = 48,
                             std::function<ColorValue(int, int)> colour = {}) const {
        if (!colour) colour = [](int x, int y) { return MakeColor(x * 4, y * 5, x * y); };
        TPictureRecord r;
        r.Kind = pkFullColour;
        r.Width = w;
        r.Height = h;
        r.FileName = PathOf(name);
        r.Pixels.resize(static_cast<size_t>(w) * h * 4);
        for (int i = 0; i < w * h; ++i) r.ColorPixels()[i] = colour(i % w, i / w) & 0xFFFFFF;
        EXPECT_TRUE(SaveBmp(r));
        return r.FileName;
    }
    TFormChild* Active() { return Main().ActiveChild(); }
    QMdiSubWindow* WindowOf(TFormChild* child) { return Main().WindowOf(child); }
    QString TitleOf(TFormChild* child) { return WindowOf(child)->windowTitle(); }
    int ChildCount() { return static_cast<int>(Main().MdiArea->subWindowList().size()); }
    TFormChild* Open(const std::string& path) {
        EXPECT_TRUE(Main().OpenPicture(path, true));
        return Active();
    }
    void WaitUntilIdle() {
        EXPECT_TRUE(QTest::qWaitFor([] { return !ReduceRunning; }, 20000));
        QApplication::processEvents();
    }
    // Reduces the active document (OK in the settings dialog) to the end.
    TFormChild* Reduce() {
        Main().ButtonReduceClick();
        WaitUntilIdle();
        return Active();
    }
    // Answers the next file dialog with path and the filter of filterIndex.
    void AnswerFileDialog(const std::string& path, int filterIndex) {
        Watcher->Answer = [path, filterIndex](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            files->selectNameFilter(files->nameFilters()[filterIndex - 1]);
            files->selectFile(QString::fromStdString(path));
            QMetaObject::invokeMethod(files, "accept");
        };
    }
};
