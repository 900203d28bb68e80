#include "output/printexport.h"

#include "formats/filewriter.h"
#include "imaging/imagelibrary.h"
#include "output/flyerexport.h"
#include "output/flyermail.h"
#include "settings/appinfo.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>

bool PrintExportWantsPicture(const QString& chosenPath)
{
    return !IsPdfExportPath(chosenPath);
}

bool WritePrintQualityFile(const QByteArray& pdf, const QImage& picture, const QString& chosenPath, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    const QFileInfo chosen(chosenPath);
    const bool wantsPicture = PrintExportWantsPicture(chosenPath);
    QByteArray format;
    if (wantsPicture) {
        const uint8_t type = GetImageType(chosenPath);
        if (!IsExportImageType(type) || GetEncoderClsid(GetMimeType(type), &format) < 0)
            return fail(QStringLiteral("%1 cannot write a file named \"%2\". Choose a name that ends in .pdf, .jpg, "
                                       ".png or .bmp.")
                            .arg(AppInfo::DisplayName(), chosen.fileName()));
        if (picture.isNull())
            return fail(
                QStringLiteral("The flyer could not be exported: its print-quality picture could not be made."));
    } else if (pdf.isEmpty()) {
        return fail(QStringLiteral("The flyer could not be exported: its print-quality page could not be made."));
    }

    QString why;
    const bool written =
        wantsPicture ? WriteImageFile(picture, chosenPath, format, format == "jpeg" || format == "jpg" ? 100 : -1, &why)
                     : CXFileWriter::WriteFile(chosenPath, pdf, &why);
    if (!written)
        return fail(QStringLiteral("The flyer could not be exported to %1.\n\n%2")
                        .arg(QDir::toNativeSeparators(chosen.absoluteFilePath()), why));
    if (error)
        error->clear();
    return true;
}

bool WritePrintQualityFile(CAppSettings& settings, const QByteArray& pdf, const QImage& picture,
                           const QString& chosenPath, QString* error)
{
    const bool written = WritePrintQualityFile(pdf, picture, chosenPath, error);
    if (!written)
        return false;
    QString folder = QFileInfo(chosenPath).absolutePath();
    NormalizeFolderPath(folder, false);
    settings.LastExportToPath = folder;
    settings._SaveSettings();
    return written;
}

bool WriteMailPrintAttachment(const QByteArray& pdf, const CFlyerMail& mail, QString* error)
{
    const QFileInfo target(mail.attachmentPath);
    if (mail.attachmentPath.isEmpty() || !QDir().mkpath(target.absolutePath())) {
        if (error)
            *error =
                QStringLiteral("The folder %1 could not be made.").arg(QDir::toNativeSeparators(target.absolutePath()));
        return false;
    }
    return WritePrintQualityFile(pdf, QImage(), mail.attachmentPath, error);
}
