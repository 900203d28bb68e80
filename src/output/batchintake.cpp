#include "output/batchintake.h"

#include "formats/filewriter.h"
#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"
#include "imaging/jpegstream.h"
#include "imaging/photocrop.h"
#include "projects/flyerdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace {

// The part of a JPEG the copy shows, decoded by the decoder's own scaling at the smallest of 1/2,
// 1/4 or 1/8 that still leaves at least target pixels, so the bicubic reduction after it has
// something to average. Null when that does not apply (no JPEG, turned by EXIF, too small).
QImage DecodeReduced(const QString& path, const QRect& area, const QSize& target)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (reader.format() != "jpeg" || !full.isValid() || reader.transformation() != QImageIOHandler::TransformationNone)
        return QImage();
    int factor = 1;
    while (factor < 8 && area.width() / (2 * factor) >= target.width() + 2 &&
           area.height() / (2 * factor) >= target.height() + 2)
        factor *= 2;
    if (factor == 1)
        return QImage();
    const QSize scaled((full.width() + factor - 1) / factor, (full.height() + factor - 1) / factor);
    reader.setScaledSize(scaled);
    QImage image = reader.read();
    if (image.size() != scaled)
        return QImage();
    const QRect part(area.x() / factor, area.y() / factor, area.width() / factor, area.height() / factor);
    return part == image.rect() ? image : image.copy(part.intersected(image.rect()));
}

bool TakeInSlot(const QString& folder, int slot, const QString& source, const std::optional<QRect>& crop,
                bool linkOriginal, QString* error)
{
    const QString name = QDir::toNativeSeparators(source);
    const ImageInfo info = GetImageInfo(source);
    if (info.width <= 0 || info.height <= 0) {
        *error = NotAPictureText(name);
        return false;
    }
    const QRect whole(0, 0, info.width, info.height);
    const QRect area = crop ? crop->intersected(whole) : whole;
    if (area.isEmpty()) {
        *error = QStringLiteral("The crop of photo %1 lies outside %2.").arg(slot).arg(name);
        return false;
    }
    const QSize target = ResizeProportionally(area.width(), area.height(), QRect(0, 0, PhotoBoxSize(slot),
                                                                                 PhotoBoxSize(slot)));
    const uint8_t type = GetImageType(source);
    QImage picture;
    if (type == kImageTypeJpeg) {
        // A cut-off camera file would give a photo with a grey lower part.
        if (CheckJpegIntegrity(source) == JpegIntegrity::Damaged) {
            *error = DamagedPictureText(name);
            return false;
        }
        picture = DecodeReduced(source, area, target);
    }
    if (picture.isNull()) {
        picture = LoadImageFile(source, error);
        if (picture.isNull())
            return false;
        picture = PhotoCrop::Apply(picture, area == whole ? std::nullopt : std::optional<QRect>(area));
    }
    PrepareForJpeg(picture, true);
    if (picture.size() != target)
        picture = ScaleBicubic(picture, target);
    if (picture.isNull()) {
        *error = QStringLiteral("not enough memory to reduce %1").arg(name);
        return false;
    }
    const QString reduced = QDir(folder).filePath(ReducedPhotoName(slot));
    QByteArray bytes;
    if (!EncodeConvertedImage(picture, type, reduced, false, 0, kImageTypeJpeg, true, &bytes, error) ||
        !CXFileWriter::WriteFile(reduced, bytes, error, CXFileWriter::Durability::Scratch))
        return false;
    if (!linkOriginal)
        return true;
    // The print copies read the whole picture; a link gives it to them without a copy.
    const QString original = QDir(folder).filePath(OriginalPhotoName(slot));
    QFile::remove(original);
    if (QFile::link(QFileInfo(source).absoluteFilePath(), original))
        return true;
    return CXFileWriter::CopyFileTo(source, original, error, CXFileWriter::Durability::Scratch);
}

} // namespace

bool TakeInRowPhotos(const QString& folder, CFlyerData& flyer, const BatchCrops& crops, bool linkOriginals,
                     QStringList* errors)
{
    bool allDone = true;
    for (int i = 0; i < kPhotoSlots; ++i) {
        const QString source = flyer.m_photos[size_t(i)].m_strPath.trimmed();
        if (!QFileInfo(source).isFile())
            continue;
        QString why;
        if (TakeInSlot(folder, i + 1, source, crops[size_t(i)], linkOriginals, &why)) {
            flyer.m_photos[size_t(i)].m_strPath = QDir(folder).filePath(ReducedPhotoName(i + 1));
            continue;
        }
        allDone = false;
        if (errors)
            errors->append(why);
    }
    return allDone;
}
