#include "web/helptopic.h"

#include "settings/appinfo.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace HelpTopic {

QStringList ProgramTopics()
{
    return {QString::fromLatin1(Default),
            QString::fromLatin1(Tutorial),
            QString::fromLatin1(Tutorial) + QLatin1Char('#') + QString::fromLatin1(TutorialNewFlyerAnchor),
            QString::fromLatin1(Opening),
            QString::fromLatin1(OptionsGeneral),
            QString::fromLatin1(OptionsMyInformation)};
}

QString TopicPath(const QString& strHelpFolder, const QString& strTopic)
{
    const QString topic = strTopic.isEmpty() ? QString::fromLatin1(Default) : strTopic;
    if (strHelpFolder.isEmpty() || topic.contains(QLatin1Char('/')) || topic.contains(QLatin1Char('\\')) ||
        topic == QLatin1String(".") || topic == QLatin1String(".."))
        return {};
    return QDir(strHelpFolder).absoluteFilePath(topic);
}

QUrl TopicUrl(const QString& strHelpFolder, const QString& strTopic, const QString& strAnchor)
{
    const QString path = TopicPath(strHelpFolder, strTopic);
    if (path.isEmpty())
        return {};
    QUrl url = QUrl::fromLocalFile(path);
    if (!strAnchor.isEmpty())
        url.setFragment(strAnchor);
    return url;
}

QString RedirectPage(const QUrl& target)
{
    const QString address = QString::fromUtf8(target.toEncoded()).toHtmlEscaped();
    const QString title = QString(AppInfo::DisplayName() + QLatin1String(" Help")).toHtmlEscaped();
    return QLatin1String("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\" />\n"
                         "<meta http-equiv=\"refresh\" content=\"0; url=") +
           address + QLatin1String("\" />\n<title>") + title + QLatin1String("</title></head>\n<body><p><a href=\"") +
           address + QLatin1String("\">") + title + QLatin1String("</a></p></body></html>\n");
}

QString RedirectFileName(const QString& strTopic, const QString& strAnchor)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_.-]"));
    QString base = QFileInfo(strTopic.isEmpty() ? QString::fromLatin1(Default) : strTopic).completeBaseName();
    QString anchor = strAnchor;
    return QLatin1String("Help-") + base.replace(unsafe, QStringLiteral("_")) + QLatin1Char('-') +
           anchor.replace(unsafe, QStringLiteral("_")).left(64) + QLatin1String(".htm");
}

} // namespace HelpTopic
