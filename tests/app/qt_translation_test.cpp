// Qt's own texts (file dialogs, buttons) follow the program's language.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app/program.h"

TEST(QtTranslation, JapaneseLoadsQtsOwnTextsAndEnglishRemovesThem) {
    UseQtTranslation(true);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "キャンセル");
    UseQtTranslation(false);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
}
