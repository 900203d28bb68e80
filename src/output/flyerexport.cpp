#include "output/flyerexport.h"

#include "flyer/pagesize.h"

#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"
#include "imaging/jpegstream.h"
#include "formats/filewriter.h"
#include "output/pdfwriter.h"
#include "output/socialexport.h"
#include "flyer/flyerdata.h"
#include "settings/appinfo.h"
#include "settings/appsettings.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <thread>

namespace {

// Where the framed rows go, one at a time in order: Begin gives the row's pixels (null: stop),
// Done hands the finished row on.
struct ImageTarget
{
    QImage& image;
    uchar* Begin(int y) { return image.scanLine(y); }
    void Done(int, uchar*) {}
};

// Rows for the encoder on the other thread, handed over in small batches to keep its waits few.
struct RingTarget
{
    RowRing& ring;
    int height;
    uchar* Begin(int y) { return ring.WaitForRoom(y + 1) ? ring.Row(y) : nullptr; }
    void Done(int y, uchar*)
    {
        if (((y + 1) & 7) == 0 || y + 1 == height)
            ring.Publish(y + 1);
    }
};

// The framed flyer, row by row into target: the flyer shrunk over a frame of black.
template <typename Target> void FrameInto(const QImage& flyer, FlyerFrame frame, Target& target)
{
    const int width = flyer.width();
    const int height = flyer.height();
    const int shrink = frame == FlyerFrame::AllSides ? 2 : 1;
    const QSize inner(width - shrink, height - shrink);
    const auto blackRow = [&](int y) {
        uchar* line = target.Begin(y);
        if (!line)
            return false;
        std::fill_n(reinterpret_cast<QRgb*>(line), width, 0xFF000000u);
        target.Done(y, line);
        return true;
    };
    if (inner.isEmpty()) {
        for (int y = 0; y < height; ++y)
            if (!blackRow(y))
                return;
        return;
    }
    if (!blackRow(0))
        return;
    uchar* line = nullptr;
    ShrinkSlightly(
        flyer, inner,
        [&](int y) {
            line = target.Begin(y + 1);
            return line ? line + 4 : nullptr;
        },
        [&](int y) {
            // The frame's side columns.
            auto* pixels = reinterpret_cast<QRgb*>(line);
            pixels[0] = 0xFF000000u;
            if (shrink == 2)
                pixels[width - 1] = 0xFF000000u;
            target.Done(y + 1, line);
        });
    if (shrink == 2)
        blackRow(height - 1);
}

// The framed flyer as a quality-100 JPEG. The frame is drawn on a second thread while libjpeg
// encodes the rows already finished, so the whole takes little longer than the encode alone, and
// the rows pass through a small ring that stays in the cache instead of a fresh full-size picture.
bool EncodeFramedJpeg(const QImage& flyer, FlyerFrame frame, QByteArray* jpeg, QString* error)
{
    // The flyer's own resolution, which is the picture's size in inches.
    const QSize dotsPerMeter(flyer.dotsPerMeterX(), flyer.dotsPerMeterY());
    if (CanEncodeJpegRing()) {
        RowRing ring(flyer.width(), 128);
        bool encoded = false;
        {
            std::jthread painter([&] {
                RingTarget target{ring, flyer.height()};
                FrameInto(flyer, frame, target);
            });
            encoded = EncodeJpegRing(ring, flyer.size(), dotsPerMeter, 100, jpeg, error);
        }
        return encoded;
    }
    QImage framed = FrameFlyer(flyer, frame);
    framed.setDotsPerMeterX(dotsPerMeter.width());
    framed.setDotsPerMeterY(dotsPerMeter.height());
    jpeg->clear();
    QBuffer buffer(jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    if (framed.isNull() || !writer.write(framed)) {
        *error = framed.isNull() ? QStringLiteral("not enough memory") : writer.errorString();
        return false;
    }
    return true;
}

QImage FlattenedOnWhite(const QImage& picture)
{
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, picture);
    return opaque;
}

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

// A scratch file, read once and deleted: complete and checked, but not waited for on the disk.
bool WriteScratchFile(const QByteArray& bytes, const QString& path, QString* error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("The folder %1 could not be made.").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    return CXFileWriter::WriteFile(path, bytes, error, CXFileWriter::Durability::Scratch);
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
    // "1417 1/2 Elm Street" must not make the save dialog look for a folder "1417 1".
    return SafeFileName(
        QStringLiteral("%1 - %2 - %3.pdf").arg(flyer.m_strMLS, flyer.m_strAddress, flyer.m_strCityStateZip));
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
    ImageTarget target{framed};
    FrameInto(flyer, frame, target);
    return framed;
}

bool SaveIntermediateJpeg(const QImage& picture, const QString& path, QString* error)
{
    if (picture.isNull()) {
        if (error)
            *error = QStringLiteral("%1 could not be written: there is no picture").arg(QDir::toNativeSeparators(path));
        return false;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    // JPEG has no alpha: an opaque copy, so nothing depends on the colour of invisible pixels.
    if (!writer.write(picture.hasAlphaChannel() ? FlattenedOnWhite(picture) : picture)) {
        if (error)
            *error =
                QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(path), writer.errorString());
        return false;
    }
    return WriteScratchFile(bytes, path, error);
}

bool ExportFlyerFile(const QImage& flyer, const QString& chosenPath, const QString& tempFolder,
                     const QString& projectId, QString* error, const QImage& back)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (flyer.isNull())
        return fail(QStringLiteral("There is no flyer to export."));

    // A feed shows the picture as it is: every pixel of the page, no frame. A PDF of one is made only
    // when a caller asks for it by name (the Export dialog offers pictures alone).
    if (IsSocialPage(flyer.size()) && !IsPdfExportPath(chosenPath))
        return WriteSocialPicture(flyer, chosenPath, error);

    const QFileInfo chosen(chosenPath);
    const bool pdf = IsPdfExportPath(chosenPath);
    const uint8_t type = GetImageType(chosenPath);
    if (!pdf && (!IsExportImageType(type) || GetEncoderClsid(GetMimeType(type)) < 0))
        return fail(QStringLiteral("%1 cannot write a file named \"%2\". Choose a name that ends in .pdf, .jpg, "
                                   ".png or .bmp.")
                        .arg(AppInfo::DisplayName(), chosen.fileName()));

    const QString intermediate = IntermediateJpegPath(tempFolder, projectId);
    QFile::remove(intermediate);
    QString why;
    QByteArray jpeg;
    if (!EncodeFramedJpeg(flyer, FlyerFrame::AllSides, &jpeg, &why))
        return fail(QStringLiteral("The flyer could not be exported: its picture could not be made.\n\n%1").arg(why));

    // Both writers replace an existing file only with a complete new one, so a failed export
    // leaves the user's earlier file as it was.
    bool written = false;
    if (pdf) {
        // The PDF wraps the very JPEG bytes in memory: no scratch file to write and read back.
        if (back.isNull()) {
            written = ConvertJpegDataToPdf(jpeg, intermediate, chosenPath, &why, PagePoints(flyer.size()));
        } else {
            QByteArray backJpeg;
            if (!EncodeFramedJpeg(back, FlyerFrame::AllSides, &backJpeg, &why))
                return fail(
                    QStringLiteral("The flyer could not be exported: its back page could not be made.\n\n%1").arg(why));
            written = ConvertJpegPagesToPdf({jpeg, backJpeg}, intermediate, chosenPath, &why, PagePoints(flyer.size()));
        }
        if (!written && !QFileInfo(chosen.absolutePath()).isWritable())
            why = WriteFailureReason(chosenPath);
    } else {
        if (!WriteScratchFile(jpeg, intermediate, &why))
            return fail(QStringLiteral("The flyer could not be exported: its working copy could not be written.\n\n%1")
                            .arg(why));
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
                     QString* error, const QImage& back)
{
    const bool written = ExportFlyerFile(image, chosenPath, settings.Path2TempFolder, flyer.m_strId, error, back);
    // Only a folder that took a flyer is offered again; a failed one would greet the next export.
    if (!written)
        return false;
    QString folder = QFileInfo(chosenPath).absolutePath();
    NormalizeFolderPath(folder, false);
    settings.LastExportToPath = folder;
    settings._SaveSettings();
    return written;
}
