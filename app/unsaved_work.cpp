#include "app/unsaved_work.h"

#include <QMessageBox>
#include <QPushButton>

#include "config/texts.h"

namespace {

TUnsavedQuestionHook& Hook() {
    static TUnsavedQuestionHook hook;
    return hook;
}

// Our own texts, English first; Japanese when the program speaks it.
QString Pick(const char* english, const char* japanese) {
    return QString::fromUtf8(UseEnglish() ? english : japanese);
}

// A warning box with the three answers; Cancel is also Escape's.
TUnsavedAnswer Ask(QWidget* parent, const QString& text, const QString& save,
                   const QString& discard) {
    if (Hook()) return Hook()(text);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Zinop"), text, QMessageBox::NoButton,
                    parent);
    QPushButton* saveButton = box.addButton(save, QMessageBox::AcceptRole);
    QPushButton* discardButton = box.addButton(discard, QMessageBox::DestructiveRole);
    QPushButton* cancelButton =
        box.addButton(Pick("Cancel", "キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(saveButton);
    box.setEscapeButton(cancelButton);
    box.exec();
    if (box.clickedButton() == saveButton) return TUnsavedAnswer::Save;
    if (box.clickedButton() == discardButton) return TUnsavedAnswer::Discard;
    return TUnsavedAnswer::Cancel;
}

}  // namespace

QString SaveChangesText(const QString& caption) {
    // Concatenated, not arg(): a caption may hold "%1" itself.
    return UseEnglish() ? QStringLiteral("Save changes to ") + caption + QStringLiteral("?")
                        : caption + QString::fromUtf8(" への変更を保存しますか?");
}

QString SaveAllText(const QStringList& captions) {
    const QString list = QStringLiteral("\n\n") + captions.join('\n') + QStringLiteral("\n\n");
    return Pick("These pictures have not been saved:", "次の画像は保存されていません:") + list +
           Pick("Save them before closing?", "閉じる前に保存しますか?");
}

TUnsavedAnswer AskSaveChanges(QWidget* parent, const QString& caption) {
    return Ask(parent, SaveChangesText(caption), Pick("&Save", "保存(&S)"),
               Pick("&Discard", "破棄(&D)"));
}

TUnsavedAnswer AskSaveAll(QWidget* parent, const QStringList& captions) {
    return Ask(parent, SaveAllText(captions), Pick("&Save All", "すべて保存(&S)"),
               Pick("&Discard All", "すべて破棄(&D)"));
}

void SetUnsavedQuestionHook(TUnsavedQuestionHook hook) { Hook() = std::move(hook); }
