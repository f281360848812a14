// The folder chooser on its own: start folder, Cancel, OK, Esc and Enter.

#include <QListWidget>
#include <QtTest/QTest>

#include "app/select_folder.h"
#include "app_test_support.h"

TEST_F(AppTest, ChooserCancelReturnsAMissingStartFolderWithSeparator) {
    TSelectFolder chooser;
    TModalWatcher watcher;
    watcher.Answer = [](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); };
    EXPECT_EQ(ChooseFolder(chooser, "/no/such/folder"), "/no/such/folder/");
    EXPECT_EQ(ChooseFolder(chooser, ""), "/");
}

TEST_F(AppTest, ChooserOkReturnsTheStartFolderItShows) {
    TSelectFolder chooser;
    TModalWatcher watcher;
    watcher.Answer = [](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Return); };
    EXPECT_EQ(ChooseFolder(chooser, TempFolder()), TempFolder() + "/");
    EXPECT_EQ(ChooseFolder(chooser, "/"), "/");  // the root already ends in a separator
}

TEST_F(AppTest, ChooserListsTheWayFromTheRootAndTheSubfolders) {
    QDir(Dir.path()).mkpath("b");
    QDir(Dir.path()).mkpath("a");
    TSelectFolder chooser;
    ASSERT_TRUE(chooser.SetCurrentFolder(TempFolder()));
    EXPECT_FALSE(chooser.SetCurrentFolder(TempFolder() + "/missing"));
    EXPECT_EQ(chooser.CurrentFolder(), TempFolder());
    QListWidget* list = chooser.DirectoryListBox1;
    ASSERT_GE(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "/");
    EXPECT_EQ(list->item(list->count() - 2)->text().trimmed(), "a");
    EXPECT_EQ(list->item(list->count() - 1)->text().trimmed(), "b");
    // A click on an upper folder moves there.
    chooser.DirectoryListBox1->itemClicked(list->item(0));
    EXPECT_EQ(chooser.CurrentFolder(), "/");
}

TEST_F(AppTest, ChooserTakesEnglishButtonsAtEachUse) {
    SetUseEnglish(true);
    TSelectFolder chooser;
    TModalWatcher watcher;
    ChooseFolder(chooser, TempFolder());
    ASSERT_EQ(watcher.Seen.size(), 1u);
    EXPECT_EQ(watcher.Seen[0].Title, "Select folder");
    EXPECT_EQ(chooser.ButtonCancel->text(), "Cancel");
    EXPECT_EQ(chooser.ButtonOK->text(), "OK");
}
