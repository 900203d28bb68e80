#include "web/ui/helpviewer.h"

#include "controls/messageboxtypes.h"
#include "controls/ui/messagebox.h"
#include "formats/filewriter.h"
#include "settings/appinfo.h"
#include "settings/appsettings.h"
#include "web/helptopic.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace {
constexpr quint32 WarningBox = quint32(MsgBox::IconExclamation) | quint32(MsgBox::OK);
}

bool OpenHelpTopic(QWidget* owner, const CAppSettings& settings, const QString& strTopic, const QString& strAnchor)
{
    return OpenHelpTopic(owner, settings.Path2Help, settings.Path2TempFolder, strTopic, strAnchor);
}

bool OpenHelpTopic(QWidget* owner, const QString& strHelpFolder, const QString& strScratchFolder,
                   const QString& strTopic, const QString& strAnchor)
{
    const QString caption = AppInfo::DisplayName();
    const QString path = HelpTopic::TopicPath(strHelpFolder, strTopic);
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        TemplateMessageBox(owner,
                           QObject::tr("The help page \"%1\" could not be found in the folder \"%2\".\nPlease "
                                       "reinstall %3 to restore its help.")
                               .arg(strTopic.isEmpty() ? QString::fromLatin1(HelpTopic::Default) : strTopic,
                                    QDir::toNativeSeparators(strHelpFolder), caption),
                           caption, WarningBox);
        return false;
    }

    QUrl target = HelpTopic::TopicUrl(strHelpFolder, strTopic, strAnchor);
    if (!strAnchor.isEmpty()) {
        // Without the forwarding page the browser would show the top of the page instead of the anchor.
        const QString folder = QFileInfo(strScratchFolder).isDir() ? strScratchFolder : QDir::tempPath();
        const QString page = QDir(folder).absoluteFilePath(HelpTopic::RedirectFileName(strTopic, strAnchor));
        if (CXFileWriter::WriteFile(page, HelpTopic::RedirectPage(target).toUtf8(), nullptr,
                                    CXFileWriter::Durability::Scratch))
            target = QUrl::fromLocalFile(page);
        else
            target.setFragment(QString()); // the page itself is better than nothing
    }

    if (QDesktopServices::openUrl(target))
        return true;
    TemplateMessageBox(owner,
                       QObject::tr("No web browser could be started to show the help page \"%1\".\nYou can open "
                                   "it yourself: %2")
                           .arg(QFileInfo(path).fileName(), QDir::toNativeSeparators(path)),
                       caption, WarningBox);
    return false;
}
