// The plug-in dialog: lists from the folder and section "plugins", moves,
// the write on close (last entry first) and the reload.

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest/QTest>

#include "app/form_plugins.h"
#include "app_test_support.h"

namespace {

class PluginsDialogTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        Folder = TempFolder() + "/spi/";
        QDir(Dir.path()).mkpath("spi");
        SetPluginSettingsFile(IniPath());
        Settings.PluginFolder = Folder;
        SetPluginFolder(Folder);
    }
    void TearDown() override {
        SetPluginFolder("");
        AppTest::TearDown();
    }
    void AddFile(const char* name) {
        QFile file(QString::fromStdString(Folder + name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a library");
    }
    static QStringList Texts(const QListWidget* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
        return texts;
    }
    static void Select(QListWidget* list, const QString& text) {
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->text() == text) list->item(i)->setSelected(true);
        }
    }
    TSettingsRecord Settings;
    std::string Folder;
};

}  // namespace

TEST_F(PluginsDialogTest, DisabledNamesWithoutFilesAreDroppedAndCaseIsIgnored) {
    AddFile("b.spi");
    AddFile("a.spi");
    AddFile("c.spi");
    AddFile("readme.txt");
    WriteIni("[zinop]\nVersion=35\n[plugins]\ngone.spi=0\nB.SPI=0\n");
    TFormPlugins dialog(Settings);
    EXPECT_EQ(Texts(dialog.ListBoxAlive), QStringList({"a.spi", "c.spi"}));
    EXPECT_EQ(Texts(dialog.ListBoxDead), QStringList({"B.SPI"}));
    EXPECT_EQ(dialog.LabelFolder->text().toStdString(), Folder);
    dialog.done(QDialog::Accepted);
    TIniDocument ini = ReadIni();
    EXPECT_EQ(ini.SectionKeys("plugins"), std::vector<std::string>({"B.SPI"}));
    EXPECT_EQ(ini.ReadInteger("zinop", "Version"), 35);  // the other section stays
}

TEST_F(PluginsDialogTest, MovesAreWrittenLastEntryFirstOnClose) {
    for (const char* name : {"a.spi", "b.spi", "c.spi", "d.spi"}) AddFile(name);
    TFormPlugins dialog(Settings);
    Select(dialog.ListBoxAlive, "c.spi");
    Select(dialog.ListBoxAlive, "a.spi");
    Select(dialog.ListBoxAlive, "d.spi");
    dialog.ButtonRemove->click();
    EXPECT_EQ(Texts(dialog.ListBoxAlive), QStringList({"b.spi"}));
    EXPECT_EQ(Texts(dialog.ListBoxDead), QStringList({"a.spi", "c.spi", "d.spi"}));
    Select(dialog.ListBoxDead, "c.spi");
    dialog.ButtonAdd->click();
    EXPECT_EQ(Texts(dialog.ListBoxAlive), QStringList({"b.spi", "c.spi"}));
    TModalWatcher watcher;
    watcher.Answer = [](QDialog* d) {
        QTest::keyClick(d, Qt::Key_Escape);
    };  // no cancel: Esc saves too
    dialog.exec();
    EXPECT_EQ(ReadIni().SectionKeys("plugins"), std::vector<std::string>({"d.spi", "a.spi"}));
}

TEST_F(PluginsDialogTest, CloseReloadsThePlugins) {
    const QString bundled = QStringLiteral(ZINOP_BIN_DIR "/ifpng.spi");
    if (!QFile::exists(bundled)) GTEST_SKIP() << "the bundled PNG plug-in is not built";
    ASSERT_TRUE(QFile::copy(bundled, QString::fromStdString(Folder + "ifpng.spi")));
    AddFile("broken.spi");
    LoadPlugins();
    ASSERT_EQ(LoadedPlugins().size(), 1u);
    {
        TFormPlugins dialog(Settings);
        Select(dialog.ListBoxAlive, "ifpng.spi");
        dialog.ButtonRemove->click();
        dialog.done(QDialog::Accepted);
    }
    EXPECT_TRUE(LoadedPlugins().empty());
    {
        TFormPlugins dialog(Settings);  // closing without a change still rewrites and reloads
        EXPECT_EQ(Texts(dialog.ListBoxDead), QStringList({"ifpng.spi"}));
        Select(dialog.ListBoxDead, "ifpng.spi");
        dialog.ButtonAdd->click();
        dialog.done(QDialog::Accepted);
    }
    EXPECT_EQ(LoadedPlugins().size(), 1u);
}

TEST_F(PluginsDialogTest, BrowseChangesTheFolderAndRereadsTheLists) {
    AddFile("a.spi");
    QDir(Dir.path()).mkpath("other");
    QFile(QString::fromStdString(TempFolder() + "/other/z.spi")).open(QIODevice::WriteOnly);
    TFormPlugins dialog(Settings);
    Select(dialog.ListBoxAlive, "a.spi");
    dialog.ButtonRemove->click();  // not saved: lost by browsing
    TModalWatcher watcher;
    watcher.Answer = [this](QDialog* d) {
        static_cast<TSelectFolder*>(d)->SetCurrentFolder(TempFolder() + "/other");
        QTest::keyClick(d, Qt::Key_Return);
    };
    dialog.ButtonBrowseClick();
    EXPECT_EQ(Settings.PluginFolder, TempFolder() + "/other/");
    EXPECT_EQ(PluginFolder(), Settings.PluginFolder);
    EXPECT_EQ(Texts(dialog.ListBoxAlive), QStringList({"z.spi"}));
    EXPECT_TRUE(Texts(dialog.ListBoxDead).isEmpty());
}

TEST_F(PluginsDialogTest, F1OpensTheMenuHelpPage) {
    TFormPlugins dialog(Settings);
    QTest::keyClick(dialog.ListBoxAlive, Qt::Key_F1);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_TRUE(Opened[0].endsWith("/image/menu.htm"));
}
