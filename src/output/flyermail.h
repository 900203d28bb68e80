#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

class CAppSettings;
class CFlyerData;

// E-mailing the flyer: a PDF of it kept in the project's "E-mailed" folder and handed, with a
// subject and a plain-text body about the listing, to the user's mail program as a new message
// without recipients. On Linux the hand-off goes through xdg-email and the registered mailto
// handler.

// Longest texts handed to the mail program; longer ones are cut.
inline constexpr int kMailTextLimit = 523;  // subject and attachment name
inline constexpr int kMailBodyLimit = 8191; // body

struct CFlyerMail
{
    QString attachmentPath; // the PDF in the project's E-mailed folder
    QString attachmentName; // the name the recipient sees, beginning with the MLS number
    QString subject;
    QString body;
};

// Project folder + "E-mailed", without a trailing separator; empty for a record without a folder.
QString EmailedFolder(const CFlyerData& flyer);
// E-mailed folder + "address - city line.pdf".
QString MailAttachmentPath(const CFlyerData& flyer);
// "MLS - address - city line.pdf".
QString MailAttachmentName(const CFlyerData& flyer);
// "caption - MLS - address, city line".
QString MailSubject(const CFlyerData& flyer);
// One "*  feature\n" line for each feature that is not empty, in slot order.
QString MailFeatures(const CFlyerData& flyer);
// The price, the listing details, the features, a pointer to the attachment, the listing's web
// address (when it has one) and the agent's plain contact block, trimmed at both ends.
QString MailBody(const CFlyerData& flyer, const CAppSettings& settings, const QString& listingUrl = QString());
// All of the above, each text cut to its limit.
CFlyerMail BuildFlyerMail(const CFlyerData& flyer, const CAppSettings& settings, const QString& listingUrl = QString());

// Writes the flyer, framed along its top and left edges, as a one-page PDF to mail.attachmentPath,
// through a quality-100 JPEG in tempFolder. Makes the E-mailed folder when missing; an earlier PDF
// of the same name is replaced only by a complete new one. False, with a sentence for the user in
// error, when no PDF was written.
bool WriteMailAttachment(const QImage& flyer, const CFlyerMail& mail, const QString& tempFolder,
                         const QString& projectId, QString* error = nullptr);

// A copy of the attachment under the name the recipient is to see, less its commas, in a
// per-project folder of OutgoingMailFolder. Earlier copies of the project are removed. Returns the
// copy's path, or an empty text.
QString StageOutgoingAttachment(const CFlyerMail& mail, const QString& projectId);
// ~/.cache/Tarnwick/Listora/Outgoing mail: the staged copies, kept while the program runs (the mail
// program may read a file only when the message is sent) and removed when it exits; the PDF in the
// project's E-mailed folder stays.
QString OutgoingMailFolder();
void RemoveOutgoingMail();

// "mailto:?subject=...&body=...&attach=..." with every text percent-encoded and the body's line
// breaks as CR LF.
QString MailToUrl(const QString& subject, const QString& body, const QString& attachmentFile);

// The program and arguments that open the mail program's compose window; the program is empty
// when xdg-email is not installed.
QString MailHandOffProgram();
QStringList MailHandOffArguments(const QString& mailToUrl);

// Whether a mail program can take the flyer: xdg-email is installed and a handler for mailto links
// is registered.
bool HasMailClient();
