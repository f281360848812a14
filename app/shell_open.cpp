#include "app/shell_open.h"

#include <QDesktopServices>
#include <QUrl>

#include "config/paths.h"

namespace {

TShellOpenHook& Hook() {
    static TShellOpenHook hook;
    return hook;
}

QUrl TargetUrl(const QString& target) {
    // A web address stays as it is; anything else is a local file.
    const QUrl url(target);
    if (!url.scheme().isEmpty() && url.scheme().size() > 1) return url;
    return QUrl::fromLocalFile(target);
}

}  // namespace

void ShellOpen(const QString& target) {
    if (Hook()) {
        Hook()(target);
        return;
    }
    QDesktopServices::openUrl(TargetUrl(target));
}

void OpenHelpPage(const QString& relativePath) {
    // Beside the program first, then where the package installed the pages.
    ShellOpen(
        QString::fromStdString(HelpPagePathFor(CurrentProgramPlace(), relativePath.toStdString())));
}

void SetShellOpenHook(TShellOpenHook hook) { Hook() = std::move(hook); }
