#include "output/flyerexport.h"

#include "app/appinfo.h"
#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"
#include "output/pdfwriter.h"
#include "projects/flyerdata.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

namespace {

// Why a file could not be made at path, as far as the file system tells.
QString WriteFailureReason(const QString& path)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir())
        return QStringLiteral("The folder %1 does not exist.").arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isWritable())
        return QStringLiteral("You may not write to the folder %1.").arg(QDir::toNativeSeparators(folder.filePath()));
    return QStringLiteral("The disk may be full, or the file may be in use by another program.");
}

} // namespace

QString ExportFilter()
{
    return QStringLiteral("PDF Document (*.pdf);;JPEG Image (*.jpg);;PNG Image (*.png);;Windows Bitmap Image (*.bmp)");
}

QString ExportDialogTitle()
{
    return QStringLiteral("Export Flyer as...");
}

QString DefaultExportName(const CFlyerData& flyer)
{
    return QStringLiteral("%1 - %2 - %3.pdf").arg(flyer.m_strMLS, flyer.m_strAddress, flyer.m_strCityStateZip);
}

QString IntermediateJpegPath(const QString& tempFolder, const QString& projectId)
{
    QString folder = tempFolder;
    NormalizeFolderPath(folder, false);
    // Settings without working folders (nothing set them up) must not put the file in the root.
    if (folder.isEmpty())
        folder = QDir::tempPath();
    // A record without an id still needs a file name that is not hidden.
    const QString name = projectId.isEmpty() ? QStringLiteral("Flyer") : projectId;
    return folder + QLatin1Char('/') + name + QStringLiteral(".jpg");
}

bool IsPdfExportPath(const QString& path)
{
    return path.toLower().contains(QLatin1String(".pdf"));
}

QImage FrameFlyer(const QImage& flyer, FlyerFrame frame)
{
    if (flyer.isNull())
        return QImage();
    // Always opaque: the frame colour is the background and the flyer is drawn over it.
    QImage framed(flyer.size(), QImage::Format_RGB32);
    if (framed.isNull())
        return QImage();
    framed.fill(QColor(0, 0, 0));
    const int shrink = frame == FlyerFrame::AllSides ? 2 : 1;
    const QSize inner(flyer.width() - shrink, flyer.height() - shrink);
    if (!inner.isEmpty()) {
        QPainter painter(&framed);
        painter.drawImage(QPoint(1, 1), ScaleBicubic(flyer, inner));
    }
    return framed;
}

bool SaveIntermediateJpeg(const QImage& picture, const QString& path, QString* error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("The folder %1 could not be made.").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    return WriteConvertedImage(picture, kImageTypeBmp, path, false, 0, kImageTypeJpeg, false, error);
}

bool ExportFlyerFile(const QImage& flyer, const QString& chosenPath, const QString& tempFolder,
                     const QString& projectId, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (flyer.isNull())
        return fail(QStringLiteral("There is no flyer to export."));

    const QFileInfo chosen(chosenPath);
    const bool pdf = IsPdfExportPath(chosenPath);
    const uint8_t type = GetImageType(chosenPath);
    if (!pdf && (type == kImageTypeUnknown || GetEncoderClsid(GetMimeType(type)) < 0))
        return fail(QStringLiteral("%1 cannot write a file named \"%2\". Choose a name that ends in .pdf, .jpg, "
                                   ".png or .bmp.")
                        .arg(AppInfo::DisplayName(), chosen.fileName()));

    const QString intermediate = IntermediateJpegPath(tempFolder, projectId);
    QFile::remove(intermediate);
    QString why;
    if (!SaveIntermediateJpeg(FrameFlyer(flyer, FlyerFrame::AllSides), intermediate, &why))
        return fail(
            QStringLiteral("The flyer could not be exported: its working copy could not be written.\n\n%1").arg(why));

    // Both writers replace an existing file only with a complete new one, so a failed export
    // leaves the user's earlier file as it was.
    bool written = false;
    why.clear();
    if (pdf) {
        written = ConvertJpegToPdf(intermediate, chosenPath);
        if (!written)
            why = WriteFailureReason(chosenPath);
    } else {
        ConvertImage(intermediate, chosen.absolutePath(), chosen.fileName(), false, 0, type, false, &why);
        written = why.isEmpty();
        if (!written && !QFileInfo(chosen.absolutePath()).isWritable())
            why = WriteFailureReason(chosenPath);
    }
    QFile::remove(intermediate);
    if (!written)
        return fail(QStringLiteral("The flyer could not be exported to %1.\n\n%2")
                        .arg(QDir::toNativeSeparators(chosen.absoluteFilePath()), why));
    if (error)
        error->clear();
    return true;
}

bool ExportFlyerFile(CAppSettings& settings, const CFlyerData& flyer, const QImage& image, const QString& chosenPath,
                     QString* error)
{
    const bool written = ExportFlyerFile(image, chosenPath, settings.Path2TempFolder, flyer.m_strId, error);
    if (image.isNull())
        return written;
    QString folder = QFileInfo(chosenPath).absolutePath();
    NormalizeFolderPath(folder, false);
    settings.LastExportToPath = folder;
    settings._SaveSettings();
    return written;
}
