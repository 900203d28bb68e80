#include "output/ui/flyeroutput.h"

#include "app/appinfo.h"
#include "controls/ui/messagebox.h"
#include "output/flyerexport.h"
#include "output/flyermail.h"
#include "output/flyerprint.h"
#include "projects/flyerdata.h"
#include "settings/appsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLoggingCategory>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>

Q_LOGGING_CATEGORY(lcOutput, "listora.output", QtWarningMsg)

namespace {

void Tell(QWidget* owner, const QString& text)
{
    TemplateMessageBox(owner, text, AppInfo::DisplayName(), MsgBox::OK | MsgBox::IconExclamation);
}

bool HasFlyer(const QImage* image)
{
    return image && !image->isNull();
}

void TellNoFlyer(QWidget* owner, const QString& verb)
{
    Tell(owner, QStringLiteral("There is no flyer to %1 yet. Wait until the flyer is shown; if it could not be "
                               "made, choose another theme or press Refresh, then try again.")
                    .arg(verb));
}

void TellMailFailed(QPointer<QWidget> owner, const QString& attachment)
{
    Tell(owner, QStringLiteral("Your e-mail program could not be opened. Check that an e-mail program is set as "
                               "your default for e-mail links.\n\nThe flyer is saved as %1; you can attach it to "
                               "a message yourself.")
                    .arg(QDir::toNativeSeparators(attachment)));
}

} // namespace

bool ChooseExportPath(QWidget* owner, QString& path, const QString& startFolder, const QString& defaultName,
                      const QString& filter)
{
    QFileDialog dialog(owner, ExportDialogTitle(), startFolder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(defaultName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = dialog.selectedFiles().constFirst();
    return true;
}

void ExportFlyer(QWidget* owner, CAppSettings& settings, const CFlyerData& flyer, const QImage* image)
{
    if (!HasFlyer(image)) {
        TellNoFlyer(owner, QStringLiteral("export"));
        return;
    }
    QString path;
    if (!ChooseExportPath(owner, path, settings.LastExportToPath, DefaultExportName(flyer), ExportFilter()))
        return;
    QString error;
    if (!ExportFlyerFile(settings, flyer, *image, path, &error))
        Tell(owner, error);
}

bool PrintFlyerPage(QPrinter& printer, const QImage& image, const QString& jobName)
{
    printer.setDocName(jobName);
    QPainter painter;
    if (!painter.begin(&printer)) {
        printer.abort();
        return false;
    }
    // The page is measured in hundredths of an inch from the printable area's corner, and the
    // flyer is stretched over all of it whatever the paper's proportions.
    const QSizeF area = PrintableAreaHundredths(printer.pageLayout().paintRect(QPageLayout::Millimeter).size());
    painter.scale(printer.resolution() / 100.0, printer.resolution() / 100.0);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(0, 0), area), image.convertToFormat(QImage::Format_RGB32));
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        printer.abort();
        return false;
    }
    return true;
}

bool PrintFlyerOn(QPrinter& printer, CFlyerData& flyer, bool projectOpen, const QImage& image, const QString& theme,
                  const QString& font, quint32 color)
{
    if (!printer.isValid() || printer.outputFormat() != QPrinter::NativeFormat) {
        TemplateMessageBox(nullptr, QStringLiteral("The printer does not exist"), QString(),
                           MsgBox::OK | MsgBox::IconInformation);
        return false;
    }
    const QString jobName = PrintJobName(flyer);
    if (!PrintFlyerPage(printer, image, jobName))
        Tell(nullptr, QStringLiteral("The flyer could not be printed on %1.").arg(printer.printerName()));

    // Recorded even when the page failed: the user did ask for this print.
    MarkFlyerPrinted(flyer, theme, font, color);
    // Without an open project the record is the preview's, or a closed project's whose file must
    // not come back.
    if (projectOpen && !flyer.m_strPathName.isEmpty()) {
        const FlyerFileStatus status = flyer.Save();
        if (!status.IsOk())
            Tell(nullptr, status.SaveFailureText());
    }
    return true;
}

bool PrintFlyer(QWidget* owner, CFlyerData& flyer, bool projectOpen, const QImage* image, const QString& theme,
                const QString& font, quint32 color)
{
    if (!HasFlyer(image)) {
        TellNoFlyer(owner, QStringLiteral("print"));
        return false;
    }
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        TemplateMessageBox(nullptr, QStringLiteral("The printer does not exist"), QString(),
                           MsgBox::OK | MsgBox::IconInformation);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(PrintJobName(flyer));
    QPrintDialog dialog(&printer, owner);
    // One page, all of it: no page numbers, no selection, and no printing to a file.
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize | QAbstractPrintDialog::PrintCollateCopies);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return PrintFlyerOn(printer, flyer, projectOpen, *image, theme, font, color);
}

void EmailFlyer(QWidget* owner, const CAppSettings& settings, const CFlyerData& flyer, const QImage* image)
{
    if (!HasFlyer(image)) {
        TellNoFlyer(owner, QStringLiteral("e-mail"));
        return;
    }
    const CFlyerMail mail = BuildFlyerMail(flyer, settings);
    QString error;
    if (!WriteMailAttachment(*image, mail, settings.Path2TempFolder, flyer.m_strId, &error)) {
        Tell(owner, error);
        return;
    }
    // The recipient is to see the name that begins with the MLS number; the copy under that name
    // is only cosmetic, so the kept PDF itself goes when it cannot be made.
    QString attachment = StageOutgoingAttachment(mail, flyer.m_strId);
    if (attachment.isEmpty())
        attachment = mail.attachmentPath;

    const QString program = MailHandOffProgram();
    const QPointer<QWidget> guardedOwner(owner);
    const QString kept = mail.attachmentPath;
    if (program.isEmpty()) {
        TellMailFailed(guardedOwner, kept);
        return;
    }
    // The mail program may keep xdg-email waiting until it quits, so the window must not wait.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(program);
    process->setArguments(MailHandOffArguments(MailToUrl(mail.subject, mail.body, attachment)));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(process, &QProcess::finished, process,
                     [process, guardedOwner, kept](int exitCode, QProcess::ExitStatus exitStatus) {
                         if (exitStatus != QProcess::NormalExit || exitCode != 0) {
                             qCWarning(lcOutput) << "xdg-email ended with" << exitCode << process->readAll().trimmed();
                             TellMailFailed(guardedOwner, kept);
                         }
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, guardedOwner, kept](QProcess::ProcessError e) {
                         if (e != QProcess::FailedToStart)
                             return;
                         qCWarning(lcOutput) << "xdg-email could not be started:" << process->errorString();
                         TellMailFailed(guardedOwner, kept);
                         process->deleteLater();
                     });
    process->start();
}
