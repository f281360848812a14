#pragma once
// Fixture of the document tests: the program started with no About box, an
// English interface and a batch output folder in the temporary folder;
// pictures written as BMP files; the settings dialog answered with OK.

#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
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
    void Begin(const QStringList& startFiles = {}) {
        Start(false, startFiles);
        Watcher->Answer = [](QDialog* dialog) {
            if (qobject_cast<TFormCPL*>(dialog) != nullptr) {
                dialog->accept();  // OK in the settings dialog
            } else {
                dialog->reject();
            }
        };
    }
    std::string OutFolder() const { return Dir.filePath("out/").toStdString(); }
    std::string PathOf(const std::string& name) const {
        return Dir.filePath(QString::fromStdString(name)).toStdString();
    }

    // Writes a w x h full-colour BMP file; colour(x, y) gives each pixel.
    std::string WritePicture(const std::string& name, int w, int h,
                             const std::function<ColorValue(int, int)>& colour) const {
        TPictureRecord record;
        record.Kind = pkFullColour;
        record.Width = w;
        record.Height = h;
        record.FileName = PathOf(name);
        record.Pixels.resize(static_cast<size_t>(w) * h * 4);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) record.ColorPixels()[y * w + x] = colour(x, y);
        }
        EXPECT_TRUE(SaveBmp(record));
        return record.FileName;
    }
    // A picture of many colours, so that palette construction has work.
    std::string WriteGradient(const std::string& name, int w = 64, int h = 48) const {
        return WritePicture(name, w, h, [](int x, int y) {
            return MakeColor(x * 4 % 256, y * 5 % 256, (x * y) % 256);
        });
    }

    TFormChild* Active() { return Main().ActiveChild(); }
    QMdiSubWindow* WindowOf(TFormChild* child) { return Main().WindowOf(child); }
    int ChildCount() { return static_cast<int>(Main().MdiArea->subWindowList().size()); }
    TFormChild* Open(const std::string& path) {
        EXPECT_TRUE(Main().OpenPicture(path, true));
        return Active();
    }
    void WaitUntilIdle() {
        EXPECT_TRUE(QTest::qWaitFor([] { return !ReduceRunning; }, 20000));
        QApplication::processEvents();
    }
    // Reduce with OK in the settings dialog, to the end; the new active child.
    TFormChild* Reduce() {
        Main().ButtonReduceClick();
        WaitUntilIdle();
        return Active();
    }
    // Answers the next file dialog with path (and the filter of filterIndex).
    void AnswerFileDialog(const std::string& path, int filterIndex = 0) {
        Watcher->Answer = [path, filterIndex](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            if (files == nullptr) return dialog->reject();
            if (filterIndex > 0) files->selectNameFilter(files->nameFilters()[filterIndex - 1]);
            files->selectFile(QString::fromStdString(path));
            QMetaObject::invokeMethod(files, "accept");
        };
    }
};
