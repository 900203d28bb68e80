#include "output/flyermail.h"

#include "flyer/pagesize.h"

#include "settings/workingfolders.h"
#include "compose/templatemerge.h"
#include "formats/filewriter.h"
#include "imaging/imagelibrary.h"
#include "output/flyerexport.h"
#include "output/pdfwriter.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

Q_LOGGING_CATEGORY(lcMail, "listora.output.mail", QtWarningMsg)

namespace {

QString ProjectFolder(const CFlyerData& flyer)
{
    QString folder = flyer.m_strFolder;
    NormalizeFolderPath(folder, false);
    return folder;
}

QString OutgoingFolder(const QString& projectId)
{
    const QString root = OutgoingMailFolder();
    if (root.isEmpty())
        return QString();
    const QString id = projectId.isEmpty() ? QStringLiteral("Flyer") : SafeFileName(projectId);
    return root + QLatin1Char('/') + id;
}

} // namespace

QString EmailedFolder(const CFlyerData& flyer)
{
    const QString folder = ProjectFolder(flyer);
    if (folder.isEmpty())
        return QString();
    return folder + QStringLiteral("/E-mailed");
}

QString MailAttachmentPath(const CFlyerData& flyer)
{
    const QString folder = EmailedFolder(flyer);
    if (folder.isEmpty())
        return QString();
    return folder + QLatin1Char('/') +
           SafeFileName(QStringLiteral("%1 - %2.pdf").arg(flyer.m_strAddress, flyer.m_strCityStateZip));
}

QString MailAttachmentName(const CFlyerData& flyer)
{
    return QStringLiteral("%1 - %2 - %3.pdf").arg(flyer.m_strMLS, flyer.m_strAddress, flyer.m_strCityStateZip);
}

QString MailSubject(const CFlyerData& flyer)
{
    return QStringLiteral("%1 - %2 - %3, %4")
        .arg(flyer.m_strCaption, flyer.m_strMLS, flyer.m_strAddress, flyer.m_strCityStateZip);
}

QString MailFeatures(const CFlyerData& flyer)
{
    QString features;
    for (const QString& feature : flyer.m_strFeatures) {
        if (!feature.isEmpty())
            features += QStringLiteral("*  ") + feature + QLatin1Char('\n');
    }
    return features;
}

QString MailBody(const CFlyerData& flyer, const CAppSettings& settings, const QString& listingUrl)
{
    const QString price = BrToCrLf(flyer.m_strPrice).trimmed();
    const QString body =
        QStringLiteral("LISTING DETAILS\n---------------\n") +
        (price.isEmpty() ? QString() : price + QStringLiteral("\n\n")) + BrToCrLf(flyer.m_strDescription) +
        QStringLiteral("\n\n") + MailFeatures(flyer) +
        QStringLiteral("\n\nPlease view the attached flyer for more information and listing photos.\n") +
        (listingUrl.isEmpty() ? QString()
                              : QStringLiteral("The listing on the web: ") + listingUrl + QLatin1Char('\n')) +
        QStringLiteral("\n\n") + FormatContactInfo(ContactProfile, false, settings, QString());
    return body.trimmed();
}

CFlyerMail BuildFlyerMail(const CFlyerData& flyer, const CAppSettings& settings, const QString& listingUrl)
{
    CFlyerMail mail;
    // The path is never cut: a shortened path would name another file. Its file name is bounded
    // by SafeFileName.
    mail.attachmentPath = MailAttachmentPath(flyer);
    mail.attachmentName = CutFileName(MailAttachmentName(flyer), std::numeric_limits<qsizetype>::max(), kMailTextLimit);
    mail.subject = CutText(MailSubject(flyer), kMailTextLimit);
    mail.body = CutText(MailBody(flyer, settings, listingUrl), kMailBodyLimit);
    return mail;
}

bool WriteMailAttachment(const QImage& flyer, const CFlyerMail& mail, const QString& tempFolder,
                         const QString& projectId, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (flyer.isNull())
        return fail(QStringLiteral("There is no flyer to e-mail."));
    if (mail.attachmentPath.isEmpty())
        return fail(QStringLiteral("The flyer can only be e-mailed from a saved flyer project."));

    const QString folder = QFileInfo(mail.attachmentPath).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("The folder %1 could not be made.").arg(QDir::toNativeSeparators(folder)));

    const QString intermediate = IntermediateJpegPath(tempFolder, projectId);
    QFile::remove(intermediate);
    QString why;
    if (!SaveIntermediateJpeg(FrameFlyer(flyer, FlyerFrame::TopLeft), intermediate, &why))
        return fail(QStringLiteral("The flyer could not be prepared for e-mail.\n\n%1").arg(why));
    const bool written = ConvertJpegToPdf(intermediate, mail.attachmentPath, &why, PagePoints(flyer.size()));
    QFile::remove(intermediate);
    if (!written)
        return fail(QStringLiteral("The flyer could not be saved as %1 for e-mail.\n\n%2")
                        .arg(QDir::toNativeSeparators(mail.attachmentPath), why));
    if (error)
        error->clear();
    return true;
}

QString StageOutgoingAttachment(const CFlyerMail& mail, const QString& projectId)
{
    const QString folder = OutgoingFolder(projectId);
    if (folder.isEmpty())
        return QString();
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder))
        return QString();
    // Mail programs take attachments as a comma-separated list (xdg-email hands Thunderbird one),
    // so a comma in the name, as in "Springfield, OR", would split the path in two.
    QString name = mail.attachmentName;
    name.remove(QLatin1Char(','));
    const QString copy = folder + QLatin1Char('/') + SafeFileName(name);
    if (!CXFileWriter::CopyFileTo(mail.attachmentPath, copy, nullptr, CXFileWriter::Durability::Scratch)) {
        qCWarning(lcMail) << "cannot copy" << mail.attachmentPath << "to" << copy;
        return QString();
    }
    return copy;
}

QString OutgoingMailFolder()
{
    const QString root = WorkingFolders::UserCacheRoot();
    return root.isEmpty() ? QString() : root + QStringLiteral("/Outgoing mail");
}

void RemoveOutgoingMail()
{
    const QString folder = OutgoingMailFolder();
    if (!folder.isEmpty())
        QDir(folder).removeRecursively();
}

QString MailToUrl(const QString& subject, const QString& body, const QString& attachmentFile)
{
    // Mail links carry line breaks as CR LF; the body mixes LF with the description's CR LF.
    QString crlfBody = body;
    crlfBody.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return QStringLiteral("mailto:?subject=") + QString::fromLatin1(QUrl::toPercentEncoding(subject)) +
           QStringLiteral("&body=") + QString::fromLatin1(QUrl::toPercentEncoding(crlfBody)) +
           QStringLiteral("&attach=") + QString::fromLatin1(QUrl::toPercentEncoding(attachmentFile, "/"));
}

QString MailHandOffProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
}

QStringList MailHandOffArguments(const QString& mailToUrl)
{
    // The link is encoded here rather than with --subject, --body and --attach: xdg-email passes
    // those texts through the shell's echo, which eats backslashes, and converts them from the
    // locale's character set, which fails for anything but ASCII under the C locale.
    return {mailToUrl};
}

bool HasMailClient()
{
    if (MailHandOffProgram().isEmpty())
        return false;
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    QProcess query;
    query.setStandardInputFile(QProcess::nullDevice());
    query.start(xdgMime,
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/mailto")});
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return false;
    return !QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed().isEmpty();
}
