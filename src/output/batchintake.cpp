#include "output/batchintake.h"

#include "compose/printphotos.h"
#include "formats/filewriter.h"
#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"
#include "imaging/scaledjpeg.h"
#include "imaging/photocrop.h"
#include "flyer/flyerdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

// As the print copies of a project: free of visible artefacts at a third of quality 100's size.
constexpr int kBatchPrintCopyQuality = 92;

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
    const QSize target =
        ResizeProportionally(area.width(), area.height(), QRect(0, 0, PhotoBoxSize(slot), PhotoBoxSize(slot)));
    const uint8_t type = GetImageType(source);
    QImage picture;
    if (type == kImageTypeJpeg) {
        // Decoded at the smallest scale that leaves the bicubic reduction twice the copy's pixels to
        // average over: nearer the copy's size, the decoder's own scaling lets fine detail alias
        // (2.7 dB worse for a 500-pixel copy at 1.5 times, within 1 dB at twice). A cut-off camera
        // file is refused here rather than giving a photo with a grey lower part.
        ScaledJpeg decoded = DecodeJpegScaled(source, target * 2, area == whole ? QRect() : area);
        if (decoded.image.isNull()) {
            *error = decoded.error;
            return false;
        }
        picture = std::move(decoded.image);
    } else {
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

QString MakeBatchPrintCopy(const QString& original, const CXPrintCopyPlan& plan, const QString& folder, QString* error)
{
    QString why;
    QImage picture;
    const ImageInfo info = GetImageInfo(original);
    const QRect whole(0, 0, info.width, info.height);
    if (GetImageType(original) == kImageTypeJpeg) {
        ScaledJpeg decoded = DecodeJpegScaled(original, plan.size, plan.crop == whole ? QRect() : plan.crop);
        picture = std::move(decoded.image);
        why = decoded.error;
    } else {
        picture = LoadImageFile(original, &why);
        if (!picture.isNull() && plan.crop != picture.rect())
            picture = picture.copy(plan.crop);
    }
    if (picture.isNull()) {
        if (error)
            *error = why;
        return QString();
    }
    PrepareForJpeg(picture, false);
    if (picture.size() != plan.size)
        picture = ScaleBicubic(picture, plan.size);
    if (picture.isNull()) {
        if (error)
            *error = QStringLiteral("not enough memory to reduce %1").arg(QDir::toNativeSeparators(original));
        return QString();
    }
    // The copy's resolution on paper, for whoever opens it in another program.
    const int dotsPerMeter = int(std::lround(std::min(plan.ppi, kPrintPpi) / 0.0254));
    picture.setDotsPerMeterX(dotsPerMeter);
    picture.setDotsPerMeterY(dotsPerMeter);
    // One name per slot's original and plan; the row's folder holds no other flyer's copies.
    const QString path = QDir(folder).filePath(QStringLiteral("print-%1-%2x%3.jpg")
                                                   .arg(QFileInfo(original).completeBaseName())
                                                   .arg(plan.size.width())
                                                   .arg(plan.size.height()));
    if (!WriteImageFile(picture, path, "jpeg", kBatchPrintCopyQuality, &why, CXFileWriter::Durability::Scratch)) {
        if (error)
            *error = why;
        return QString();
    }
    return path;
}

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
