#include "output/ui/flyeroutput.h"

#include "controls/ui/messagebox.h"
#include "output/flyerexport.h"
#include "output/flyermail.h"
#include "output/flyerprint.h"
#include "output/printexport.h"
#include "flyer/flyerdata.h"
#include "flyer/pagesize.h"
#include "settings/appinfo.h"
#include "settings/appsettings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QVBoxLayout>

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

// The print-quality page takes a moment (layout, print copies, the engine's PDF).
class CXBusyCursor
{
public:
    CXBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CXBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY_MOVE(CXBusyCursor)
};

bool MakePage(const PrintPageFn& printPage, PrintPageWork work, CXPrintPage& page, QString* error)
{
    const CXBusyCursor busy;
    return printPage(work, page, error);
}

bool IsAdRule(const CXFinding& finding)
{
    return finding.rule.startsWith(QLatin1String("brokerage"));
}

void ExportPrintQuality(QWidget* owner, CAppSettings& settings, const QString& path, const PrintPageFn& printPage,
                        PrintPageWork work = PrintPageWork::Pdf)
{
    CXPrintPage page;
    QString error;
    if (!MakePage(printPage, PrintPageWork::PreflightOnly, page, &error)) {
        Tell(owner, error);
        return;
    }
    // A print shop's checks matter for the press-ready page; its errors are named before it is made.
    CXFindings findings = page.findings;
    if (work != PrintPageWork::Pdf) {
        for (const CXFinding& finding : std::as_const(page.pressFindings)) {
            if (finding.IsError())
                findings.append(finding);
        }
    }
    if (!ConfirmPreflight(owner, page.preflight, QStringLiteral("Export anyway?"), findings))
        return;
    if (!MakePage(printPage, work, page, &error)) {
        Tell(owner, error);
        return;
    }
    QImage picture;
    if (PrintExportWantsPicture(path)) {
        const CXBusyCursor busy;
        picture = RasterisePrintPage(page.pdf, 300.0);
    }
    if (!WritePrintQualityFile(settings, page.pdf, picture, path, &error))
        Tell(owner, error);
}

} // namespace

QString PrintQualityPdfFilter()
{
    return QStringLiteral("Print-quality PDF Files (*.pdf)");
}

QString PressPdfFilter()
{
    return QStringLiteral("Press-ready PDF with bleed (*.pdf)");
}

QStringList PrintSizePictureFilters()
{
    return {QStringLiteral("JPEG Image (print size) (*.jpg)"), QStringLiteral("PNG Image (print size) (*.png)")};
}

QStringList ExportFilters()
{
    QStringList filters = ExportFilter().split(QStringLiteral(";;"));
    filters.insert(1, PrintQualityPdfFilter());
    filters.insert(2, PressPdfFilter());
    filters += PrintSizePictureFilters();
    return filters;
}

QStringList ExportFiltersFor(QSize page)
{
    if (IsSocialPage(page))
        return {QStringLiteral("JPEG Image (*.jpg)"), QStringLiteral("PNG Image (*.png)")};
    return ExportFilters();
}

bool IsPrintQualityFilter(const QString& filter)
{
    return filter == PrintQualityPdfFilter() || PrintSizePictureFilters().contains(filter);
}

QString InitialExportFilter(const CAppSettings& settings)
{
    // What goes on paper is what a new user wants; the 96 ppi picture PDF only when chosen.
    return ExportFilters().contains(settings.LastExportFilter) ? settings.LastExportFilter : PrintQualityPdfFilter();
}

bool ConfirmPreflight(QWidget* owner, const QList<CXPreflightEntry>& entries, const QString& question,
                      const CXFindings& findings)
{
    QString text = PreflightQuestion(entries, question);
    QStringList problems;
    for (const CXFinding& finding : findings) {
        if (!IsAdRule(finding) || finding.IsError())
            problems.append(finding.message);
    }
    if (!problems.isEmpty())
        text = problems.join(QStringLiteral("\n\n")) + QStringLiteral("\n\n") + (text.isEmpty() ? question : text);
    if (text.isEmpty())
        return true;
    const int answer = TemplateMessageBox(owner, text, AppInfo::DisplayName(), MsgBox::YesNo | MsgBox::IconExclamation);
    return MsgBox::ResultButton(answer) == MsgBox::IdYes;
}

bool ChooseExportPath(QWidget* owner, QString& path, const QString& startFolder, const QString& defaultName,
                      const QString& filter, QString* selectedFilter, bool* cropMarks)
{
    QFileDialog dialog(owner, ExportDialogTitle(), startFolder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(filter.contains(QLatin1String("*.pdf")) ? QStringLiteral("pdf") : QStringLiteral("jpg"));
    QCheckBox* marks = nullptr;
    if (cropMarks) {
        // The check box sits under the file type it belongs to, in the dialog's own layout.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            marks = new QCheckBox(QStringLiteral("Add crop marks"), &dialog);
            marks->setObjectName(QStringLiteral("IDC_CHECK_CROPMARKS"));
            marks->setChecked(*cropMarks);
            grid->addWidget(marks, grid->rowCount(), 1, 1, grid->columnCount() - 1);
            const auto follow = [marks](const QString& type) { marks->setEnabled(type == PressPdfFilter()); };
            QObject::connect(&dialog, &QFileDialog::filterSelected, marks, follow);
        }
    }
    if (selectedFilter && !selectedFilter->isEmpty())
        dialog.selectNameFilter(*selectedFilter);
    if (marks)
        marks->setEnabled(dialog.selectedNameFilter() == PressPdfFilter());
    dialog.selectFile(defaultName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = dialog.selectedFiles().constFirst();
    if (selectedFilter)
        *selectedFilter = dialog.selectedNameFilter();
    if (marks)
        *cropMarks = marks->isChecked();
    return true;
}

void ExportFlyer(QWidget* owner, CAppSettings& settings, const CFlyerData& flyer, const QImage* image,
                 const PrintPageFn& printPage, const BackPictureFn& backPicture)
{
    if (!HasFlyer(image)) {
        TellNoFlyer(owner, QStringLiteral("export"));
        return;
    }
    QString path;
    if (IsSocialPage(image->size())) {
        // A picture for a feed: its own pixels, as JPEG or PNG; no page for paper.
        QString name = DefaultExportName(flyer);
        name.replace(QRegularExpression(QStringLiteral("\\.pdf$")), QStringLiteral(".jpg"));
        QString filter = ExportFiltersFor(image->size()).constFirst();
        if (!ChooseExportPath(owner, path, settings.LastExportToPath, name,
                              ExportFiltersFor(image->size()).join(QStringLiteral(";;")), &filter))
            return;
        // Seen at full size, its photos come from the originals, not the preview's small copies.
        CXPrintPage page;
        const bool sharp = printPage && MakePage(printPage, PrintPageWork::Picture, page, nullptr) &&
                           page.picture.size() == image->size();
        QString error;
        if (!ExportFlyerFile(settings, flyer, sharp ? page.picture : *image, path, &error))
            Tell(owner, error);
        return;
    }
    // The back page of a two-sided theme, drawn when a picture PDF needs it.
    const auto backOf = [&backPicture, owner](const QString& chosen, QImage& back) {
        if (!backPicture || !IsPdfExportPath(chosen))
            return true;
        const CXBusyCursor busy;
        back = backPicture();
        if (back.isNull()) {
            Tell(owner, QStringLiteral("The flyer could not be exported: its back page could not be drawn."));
            return false;
        }
        return true;
    };
    if (!printPage) {
        if (!ChooseExportPath(owner, path, settings.LastExportToPath, DefaultExportName(flyer), ExportFilter()))
            return;
        QImage back;
        if (!backOf(path, back))
            return;
        QString error;
        if (!ExportFlyerFile(settings, flyer, *image, path, &error, back))
            Tell(owner, error);
        return;
    }
    QString filter = InitialExportFilter(settings);
    bool cropMarks = settings.ExportCropMarks != 0;
    if (!ChooseExportPath(owner, path, settings.LastExportToPath, DefaultExportName(flyer),
                          ExportFilters().join(QStringLiteral(";;")), &filter, &cropMarks))
        return;
    settings.LastExportFilter = filter;
    settings.ExportCropMarks = cropMarks ? 1 : 0;
    if (filter == PressPdfFilter()) {
        ExportPrintQuality(owner, settings, path, printPage,
                           cropMarks ? PrintPageWork::PressWithMarks : PrintPageWork::Press);
        return;
    }
    if (IsPrintQualityFilter(filter)) {
        ExportPrintQuality(owner, settings, path, printPage);
        return;
    }
    // A screen picture is an advertisement too: the advertising rules are asked about before it goes.
    CXPrintPage preflight;
    CXFindings adRules;
    if (MakePage(printPage, PrintPageWork::PreflightOnly, preflight, nullptr)) {
        for (const CXFinding& finding : std::as_const(preflight.findings)) {
            if (IsAdRule(finding))
                adRules.append(finding);
        }
    }
    if (!ConfirmPreflight(owner, {}, QStringLiteral("Export anyway?"), adRules))
        return;
    QImage back;
    if (!backOf(path, back))
        return;
    QString error;
    if (!ExportFlyerFile(settings, flyer, *image, path, &error, back))
        Tell(owner, error);
}

void ShowFindingsNote(QWidget* canvas, const CXFindings& findings)
{
    auto* note = canvas->findChild<QLabel*>(QStringLiteral("IDC_ST_ADRULES"), Qt::FindDirectChildrenOnly);
    if (!note) {
        note = new QLabel(canvas);
        note->setObjectName(QStringLiteral("IDC_ST_ADRULES"));
        note->setWordWrap(true);
        note->setTextFormat(Qt::PlainText);
        note->setAutoFillBackground(true);
        note->setContentsMargins(8, 4, 8, 4);
        QPalette palette = note->palette();
        palette.setColor(QPalette::Window, QColor(0xFF, 0xF4, 0xD6));
        palette.setColor(QPalette::WindowText, QColor(0x70, 0x38, 0x00));
        note->setPalette(palette);
        // Along the canvas's bottom edge, whatever size the window gives the canvas.
        auto* layout = qobject_cast<QBoxLayout*>(canvas->layout());
        if (!layout) {
            layout = new QVBoxLayout(canvas);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->addStretch(1);
        }
        layout->addWidget(note);
    }
    QStringList lines;
    for (const CXFinding& finding : findings)
        lines.append((finding.IsError() ? QStringLiteral("Advertising rules: ") : QStringLiteral("Note: ")) +
                     finding.message);
    note->setText(lines.join(QLatin1Char('\n')));
    note->setVisible(!lines.isEmpty());
}

double PrintPictureDpi(const QPrinter& printer)
{
    return std::clamp(double(printer.resolution()), 300.0, 600.0);
}

void MatchFlyerOrientation(QPrinter& printer, QSize flyer)
{
    // A wide flyer starts on a landscape sheet, so that it fills the paper instead of half of it;
    // the print dialog still lets the user turn it.
    printer.setPageOrientation(flyer.width() > flyer.height() ? QPageLayout::Landscape : QPageLayout::Portrait);
}

bool PrintFlyerPages(QPrinter& printer, const QList<QImage>& pictures, QSize page, const QString& jobName)
{
    // A Letter flyer prints exactly as it always has.
    if (pictures.size() == 1 && (page == kLetterPage || page == kLetterPage.transposed()))
        return PrintFlyerPage(printer, pictures.constFirst(), jobName);
    printer.setDocName(jobName);
    QPainter painter;
    if (pictures.isEmpty() || !painter.begin(&printer)) {
        printer.abort();
        return false;
    }
    const QPageLayout layout = printer.pageLayout();
    const QRectF paintMm = layout.paintRect(QPageLayout::Millimeter);
    const QSizeF corner = PrintableAreaHundredths(QSizeF(paintMm.left(), paintMm.top()));
    const QRectF area(QPointF(corner.width(), corner.height()), PrintableAreaHundredths(paintMm.size()));
    const QSizeF paper = PrintableAreaHundredths(layout.fullRect(QPageLayout::Millimeter).size());
    const QRectF target = PrintPageRect(paper, area, page);
    painter.scale(printer.resolution() / 100.0, printer.resolution() / 100.0);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    bool printed = true;
    for (qsizetype i = 0; i < pictures.size() && printed; ++i) {
        if (i > 0)
            printed = printer.newPage();
        if (printed)
            painter.drawImage(target, pictures.at(i).convertToFormat(QImage::Format_RGB32));
    }
    if (!painter.end() || !printed || printer.printerState() == QPrinter::Error) {
        printer.abort();
        return false;
    }
    return true;
}

bool PrintFlyerPage(QPrinter& printer, const QImage& image, const QString& jobName)
{
    printer.setDocName(jobName);
    QPainter painter;
    if (!painter.begin(&printer)) {
        printer.abort();
        return false;
    }
    // The page is measured in hundredths of an inch from the printable area's corner; the flyer
    // keeps its proportions on any paper: one factor to fit, centred.
    const QSizeF area = PrintableAreaHundredths(printer.pageLayout().paintRect(QPageLayout::Millimeter).size());
    painter.scale(printer.resolution() / 100.0, printer.resolution() / 100.0);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(FitFlyerRect(area, QSizeF(image.size())), image.convertToFormat(QImage::Format_RGB32));
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        printer.abort();
        return false;
    }
    return true;
}

bool PrintFlyerOn(QPrinter& printer, CFlyerData& flyer, bool projectOpen, const QImage& image, const QString& theme,
                  const QString& font, quint32 color, const PrintPictureFn& printPicture)
{
    if (!printer.isValid() || printer.outputFormat() != QPrinter::NativeFormat) {
        TemplateMessageBox(nullptr, QStringLiteral("The printer does not exist"), QString(),
                           MsgBox::OK | MsgBox::IconInformation);
        return false;
    }
    const QString jobName = PrintJobName(flyer);
    QList<QImage> pictures;
    if (printPicture) {
        const CXBusyCursor busy;
        pictures = printPicture(PrintPictureDpi(printer));
        if (pictures.isEmpty() || pictures.constFirst().isNull())
            qCWarning(lcOutput) << "the print-quality page could not be made; printing the screen picture";
    }
    if (pictures.isEmpty() || pictures.constFirst().isNull())
        pictures = {image};
    if (!PrintFlyerPages(printer, pictures, image.size(), jobName))
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
                const QString& font, quint32 color, const PrintPageFn& printPage)
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
    PrintPictureFn printPicture;
    if (printPage) {
        // A preflight that cannot be made warns of nothing: the print falls back to the screen picture.
        CXPrintPage preflight;
        if (MakePage(printPage, PrintPageWork::PreflightOnly, preflight, nullptr) &&
            !ConfirmPreflight(owner, preflight.preflight, QStringLiteral("Print anyway?"), preflight.findings))
            return false;
        printPicture = [printPage](double dpi) {
            CXPrintPage page;
            if (!printPage(PrintPageWork::Pdf, page, nullptr))
                return QList<QImage>();
            return RasterisePrintPages(page.pdf, dpi);
        };
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(PrintJobName(flyer));
    MatchFlyerOrientation(printer, image->size());
    QPrintDialog dialog(&printer, owner);
    // One page, all of it: no page numbers, no selection, and no printing to a file.
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize | QAbstractPrintDialog::PrintCollateCopies);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return PrintFlyerOn(printer, flyer, projectOpen, *image, theme, font, color, printPicture);
}

void EmailFlyer(QWidget* owner, const CAppSettings& settings, const CFlyerData& flyer, const QImage* image,
                const PrintPageFn& printPage, const QString& listingUrl)
{
    if (!HasFlyer(image)) {
        TellNoFlyer(owner, QStringLiteral("e-mail"));
        return;
    }
    const CFlyerMail mail = BuildFlyerMail(flyer, settings, listingUrl);
    QString error;
    // The print-quality page when it is small enough to mail; else, or when it cannot be made,
    // the picture PDF as always.
    CXPrintPage page;
    const bool made = printPage && MakePage(printPage, PrintPageWork::Pdf, page, nullptr);
    // What the page lost (cut text, a photo left out) is worth a word before it goes to a client; a
    // photo that prints soft is not, on a screen.
    if (made && !ConfirmPreflight(owner, {}, QStringLiteral("E-mail anyway?"), page.findings))
        return;
    const bool printQuality =
        made && page.pdf.size() <= kMailPrintPdfLimit && WriteMailPrintAttachment(page.pdf, mail, nullptr);
    if (!printQuality && !WriteMailAttachment(*image, mail, settings.Path2TempFolder, flyer.m_strId, &error)) {
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
