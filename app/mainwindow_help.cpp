// The Help menu: help pages, the manual, the language switch and the About box.

#include "app/about_box.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/program.h"
#include "app/shell_open.h"
#include "config/texts.h"

void TFormMain::MenuDummyClick() { OpenHelpPage(kHelpOperation); }

void TFormMain::MenuManualClick() { OpenHelpPage(kHelpReadme); }

void TFormMain::MenuHelpAboutClick() {
    TAboutBox box(this);
    box.exec();
}

void TFormMain::MenuEnglishClick() {
    // Messages follow at once; captions at the next start.
    SetUseEnglish(!UseEnglish());
    Settings.UseEnglish = UseEnglish();
    UseQtTranslation(!UseEnglish());  // Qt's own dialogs follow at once
    ShowMessage(this, TMessageKind::Information,
                QString::fromUtf8(Text(TextId::ChangeLanguageTitle)),
                QString::fromUtf8(Text(TextId::RestartMessage)));
}
