#include "web/ui/updatecheckui.h"

#include "controls/messageboxtypes.h"
#include "controls/ui/messagebox.h"
#include "settings/appinfo.h"
#include "web/updatecheck.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QScopeGuard>
#include <QUrl>
#include <QWidget>

void RunUpdateCheck(QWidget* owner)
{
    RunUpdateCheck(owner, AppInfo::VersionString(), AppInfo::SiteUrl());
}

void RunUpdateCheck(QWidget* owner, const QString& strOwnVersion, const QString& strSiteUrl)
{
    // The menu stays usable during the download; a second click must not start a second check.
    static bool running = false;
    if (running)
        return;
    running = true;
    const auto reset = qScopeGuard([] { running = false; });

    const QPointer<QWidget> guardedOwner(owner);
    UpdateCheck::Result result;
    {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        const auto cursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        result = UpdateCheck::CheckForUpdates(strOwnVersion, strSiteUrl);
    }
    // The window may have been closed while the page was on its way.
    if (owner && !guardedOwner)
        return;

    const int answer = TemplateMessageBox(guardedOwner, UpdateCheck::MessageText(result), UpdateCheck::Caption(),
                                          UpdateCheck::MessageType(result));
    if (result.outcome == UpdateCheck::Outcome::NewerAvailable && answer != MsgBox::IdNo)
        QDesktopServices::openUrl(QUrl(UpdateCheck::DownloadPageUrl(strSiteUrl)));
}
