#include "web/updatecheck.h"

#include "settings/appinfo.h"
#include "web/webfile.h"

#include <QCoreApplication>
#include <QUrl>

#include <climits>

namespace UpdateCheck {

QString ElementText(const QString& strText, const QString& strName)
{
    const QString startTag = QLatin1Char('<') + strName + QLatin1Char('>');
    const QString endTag = QLatin1String("</") + strName + QLatin1Char('>');
    const qsizetype start = strText.indexOf(startTag);
    if (start < 0)
        return {};
    const qsizetype end = strText.indexOf(endTag, start);
    if (end < 0)
        return {};
    const qsizetype from = start + startTag.size();
    // Never null, so that an empty element differs from a missing one.
    return QString(strText.constData() + from, end - from);
}

std::array<int, 4> ParseVersion(const QString& strVersion)
{
    std::array<int, 4> parts = {};
    qsizetype i = 0;
    const qsizetype n = strVersion.size();
    for (int field = 0; field < 4; ++field) {
        if (field > 0) {
            if (i >= n || strVersion.at(i) != QLatin1Char('.'))
                break;
            ++i;
        }
        while (i < n && strVersion.at(i).isSpace())
            ++i;
        bool negative = false;
        if (i < n && (strVersion.at(i) == QLatin1Char('-') || strVersion.at(i) == QLatin1Char('+'))) {
            negative = strVersion.at(i) == QLatin1Char('-');
            ++i;
        }
        if (i >= n || !(strVersion.at(i) >= QLatin1Char('0') && strVersion.at(i) <= QLatin1Char('9')))
            break;
        long long value = 0;
        while (i < n && strVersion.at(i) >= QLatin1Char('0') && strVersion.at(i) <= QLatin1Char('9')) {
            value = std::min<long long>(value * 10 + (strVersion.at(i).unicode() - '0'), INT_MAX);
            ++i;
        }
        parts[field] = int(negative ? -value : value);
    }
    return parts;
}

QString VersionKey(const QString& strVersion)
{
    QString key = strVersion;
    key.remove(QLatin1Char('.'));
    return key.trimmed();
}

QString CheckUrl(const QString& strSiteUrl)
{
    return strSiteUrl + QLatin1String("/_checkUpdates.php?Id=") +
           QString::fromLatin1(QUrl::toPercentEncoding(AppInfo::ProductId()));
}

QString DownloadPageUrl(const QString& strSiteUrl)
{
    return strSiteUrl + QLatin1String("/Products.php");
}

Result Evaluate(const QString& strOwnVersion, bool bDownloaded, const QString& strAnswer,
                const QString& strDownloadError)
{
    Result result;
    result.strOwnVersion = strOwnVersion;
    if (!bDownloaded) {
        result.strProblem = strDownloadError.isEmpty()
                                ? QCoreApplication::translate("UpdateCheck", "The update server could not be reached.")
                                : strDownloadError;
        return result;
    }

    const QString answer = strAnswer.trimmed();
    const QString remote = ElementText(answer, QStringLiteral("VERSION"));
    result.strRemoteVersion = remote;
    result.strReleased = ElementText(answer, QStringLiteral("LASTUPDATED"));
    result.remoteParts = ParseVersion(remote);
    const QString remoteKey = VersionKey(remote);
    // Comparing against an empty version would call every build a development build.
    if (remoteKey.isEmpty()) {
        result.strProblem =
            QCoreApplication::translate("UpdateCheck", "The update server's answer did not contain a version number.");
        return result;
    }

    const int order = QString::compare(VersionKey(strOwnVersion), remoteKey, Qt::CaseSensitive);
    result.outcome = order == 0 ? Outcome::Latest : order < 0 ? Outcome::NewerAvailable : Outcome::DevelopmentBuild;
    return result;
}

Result CheckForUpdates(const QString& strOwnVersion, const QString& strSiteUrl, const bool* pCancel)
{
    CXWebFile webFile;
    QString answer;
    const bool downloaded = webFile.Download(pCancel, CheckUrl(strSiteUrl), answer);
    return Evaluate(strOwnVersion, downloaded, answer, webFile.LastError());
}

QString Caption()
{
    return QLatin1String("Check for Updates - ") + AppInfo::DisplayName();
}

QString MessageText(const Result& result)
{
    const QString name = AppInfo::DisplayName();
    switch (result.outcome) {
    case Outcome::Latest:
        return QString::asprintf("You have the latest version of %ls! (Version: %ls, Released: %ls)",
                                 qUtf16Printable(name), qUtf16Printable(result.strRemoteVersion),
                                 qUtf16Printable(result.strReleased));
    case Outcome::NewerAvailable:
        return QString::asprintf("A new version of %ls is available (Version: %ls, Released: %ls).\nWould you like to "
                                 "download the latest version?",
                                 qUtf16Printable(name), qUtf16Printable(result.strRemoteVersion),
                                 qUtf16Printable(result.strReleased));
    case Outcome::DevelopmentBuild:
        return QString::asprintf("You must be running a development build (%ls) > (%d.%d.%d.%d) of %ls",
                                 qUtf16Printable(result.strOwnVersion), result.remoteParts[0], result.remoteParts[1],
                                 result.remoteParts[2], result.remoteParts[3], qUtf16Printable(name));
    case Outcome::NotCompleted:
        break;
    }
    return QCoreApplication::translate("UpdateCheck", "The check for updates could not be completed.\n%1\nPlease check "
                                                      "your Internet connection and try again later.")
        .arg(result.strProblem);
}

unsigned MessageType(const Result& result)
{
    switch (result.outcome) {
    case Outcome::NewerAvailable:
        return TypeQuestion;
    case Outcome::NotCompleted:
        return TypeWarning;
    default:
        return TypeInformation;
    }
}

} // namespace UpdateCheck
