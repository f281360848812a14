// Qt's own texts (file dialogs, message-box buttons) follow the program's
// language once Qt's Japanese translation is loaded.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app/program.h"

TEST(QtTranslation, JapaneseLoadsQtsOwnTextsAndEnglishRemovesThem) {
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    UseQtTranslation(true);
    UseQtTranslation(true);  // once only
    EXPECT_EQ(cancel(), QString::fromUtf8("キャンセル"));
    UseQtTranslation(false);
    EXPECT_EQ(cancel(), "Cancel");
}
